#include "host/HostWindowSetup.h"

#include <QAbstractButton>
#include <QAction>
#include <QVariant>
#include <QWidget>

namespace HostWindowSetup {

namespace {

// "Action:rest" -> rest when the action matches; empty otherwise.
QString forAction(const QString& item, const QString& actionName) {
    const int colon = item.indexOf(QLatin1Char(':'));
    if (colon <= 0 || item.left(colon).compare(actionName, Qt::CaseInsensitive) != 0)
        return QString();
    return item.mid(colon + 1);
}

QObject* objectNamed(QWidget* window, const QString& name) {
    if (window->objectName() == name)
        return window;
    return window->findChild<QObject*>(name);
}

} // namespace

bool trigger(QWidget* window, const QString& objectName) {
    QObject* target = objectNamed(window, objectName);
    if (auto* action = qobject_cast<QAction*>(target))
        action->trigger();
    else if (auto* button = qobject_cast<QAbstractButton*>(target))
        button->click();
    else
        return false;
    return true;
}

QStringList apply(QWidget* window, const QString& actionName, const QStringList& assignments,
                  const QStringList& triggers) {
    QStringList problems;
    for (const QString& item : assignments) {
        const QString rest = forAction(item, actionName);
        const int dot = rest.indexOf(QLatin1Char('.'));
        const int equals = rest.indexOf(QLatin1Char('='), dot);
        if (rest.isEmpty())
            continue;
        QObject* target = dot > 0 ? objectNamed(window, rest.left(dot)) : nullptr;
        if (!target || equals < 0 ||
            !target->setProperty(rest.mid(dot + 1, equals - dot - 1).toLatin1().constData(),
                                 rest.mid(equals + 1)))
            problems << QStringLiteral("cannot set %1").arg(item);
    }
    for (const QString& item : triggers) {
        const QString name = forAction(item, actionName);
        if (name.isEmpty())
            continue;
        if (!trigger(window, name))
            problems << QStringLiteral("cannot trigger %1").arg(item);
    }
    return problems;
}

} // namespace HostWindowSetup
