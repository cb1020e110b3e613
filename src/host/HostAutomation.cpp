#include "host/HostAutomation.h"

#include "host/HostDialogTour.h"
#include "host/HostMainWindow.h"
#include "host/HostWindowSetup.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QRegularExpression>

#include <cstdio>

HostAutomation::HostAutomation(HostMainWindow& window, const QStringList& actions,
                               const QString& screenshotDir, int delayMs, bool quitWhenDone,
                               const QString& dialogTourAction)
    : QObject(&window), m_window(window), m_actions(actions), m_dir(screenshotDir), m_delayMs(delayMs),
      m_quit(quitWhenDone), m_tourAction(dialogTourAction) {
    m_modalWatch.setInterval(200);
    connect(&m_modalWatch, &QTimer::timeout, this, &HostAutomation::watchModal);
}

QString HostAutomation::shotFileName(int step, const QString& name) {
    QString safe = name;
    safe.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return QStringLiteral("%1-%2.png").arg(QString::number(step).rightJustified(2, QLatin1Char('0')), safe);
}

void HostAutomation::start() {
    if (!m_dir.isEmpty() && !QDir().mkpath(m_dir))
        std::fprintf(stderr, "mealhost: cannot create %s\n", qPrintable(m_dir));
    m_modalWatch.start();
    // The main window first, once it has been laid out and painted.
    QTimer::singleShot(m_dir.isEmpty() ? 0 : m_delayMs, this, &HostAutomation::takeShot);
}

QSet<QWidget*> HostAutomation::visibleWindows() const {
    QSet<QWidget*> set;
    const QList<QMdiSubWindow*> subs = m_window.mdiArea()->subWindowList();
    for (QMdiSubWindow* w : subs) {
        if (w->isVisible())
            set.insert(w);
    }
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops) {
        if (w->isVisible() && w != &m_window && w->isWindow() && w->windowType() != Qt::Popup &&
            w->windowType() != Qt::ToolTip)
            set.insert(w);
    }
    return set;
}

bool HostAutomation::save(QWidget* widget, const QString& name) {
    if (m_dir.isEmpty())
        return true;
    const QString path = QDir(m_dir).filePath(shotFileName(m_step++, name));
    if (!widget->grab().save(path, "PNG")) {
        std::fprintf(stderr, "mealhost: cannot write %s\n", qPrintable(path));
        return false;
    }
    m_saved << path;
    std::fprintf(stderr, "mealhost: saved %s\n", qPrintable(path));
    return true;
}

void HostAutomation::takeShot() {
    if (m_index < 0) {
        save(&m_window, QStringLiteral("main"));
    } else {
        const QSet<QWidget*> after = visibleWindows();
        QMdiSubWindow* active = m_window.mdiArea()->activeSubWindow();
        const bool newWindow = !(after - m_before).isEmpty();
        const bool switched = active && active != m_activeBefore;
        if (newWindow || switched) {
            // The window the action opened is shown on top even when another
            // window took the focus back while it opened.
            for (QWidget* w : after - m_before)
                if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
                    m_window.mdiArea()->setActiveSubWindow(sub);
            save(&m_window, m_current);
            // A window of its own outside the MDI area is saved separately as well.
            for (QWidget* w : after - m_before) {
                if (!qobject_cast<QMdiSubWindow*>(w))
                    save(w, m_current + QStringLiteral("-window"));
            }
            if (m_current == m_tourAction) {
                // The window the action opened, even when another one kept the focus.
                QMdiSubWindow* target = active;
                for (QWidget* w : after - m_before)
                    if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
                        target = sub;
                if (target && startDialogTour(target))
                    return; // the tour goes on to the next step when it is done
            }
        } else {
            std::fprintf(stderr, "mealhost: %s opened no window\n", qPrintable(m_current));
        }
    }
    QTimer::singleShot(0, this, &HostAutomation::nextStep);
}

void HostAutomation::nextStep() {
    ++m_index;
    if (m_index >= m_actions.size()) {
        m_modalWatch.stop();
        emit finished();
        if (m_quit) {
            m_window.close();
            QApplication::quit();
        }
        return;
    }
    m_current = m_actions.at(m_index);
    m_before = visibleWindows();
    m_activeBefore = m_window.mdiArea()->activeSubWindow();
    m_window.openAction(m_current);
    if (QMdiSubWindow* opened = m_window.mdiArea()->activeSubWindow(); opened && opened != m_activeBefore)
        for (const QString& problem :
             HostWindowSetup::apply(opened->widget(), m_current, m_setAssignments, m_setTriggers))
            std::fprintf(stderr, "mealhost: %s\n", qPrintable(problem));
    QTimer::singleShot(m_dir.isEmpty() ? 0 : m_delayMs, this, &HostAutomation::takeShot);
}

bool HostAutomation::startDialogTour(QMdiSubWindow* sub) {
    QWidget* window = sub->widget();
    if (!HostDialogTour::applies(window))
        return false;
    m_window.mdiArea()->setActiveSubWindow(sub);
    m_touring = true;
    auto* tour = new HostDialogTour(
        window, m_delayMs,
        [this](QWidget* w, const QString& what) { save(w, m_current + QLatin1Char('-') + what); }, this);
    connect(tour, &HostDialogTour::finished, this, [this, tour] {
        m_touring = false;
        tour->deleteLater();
        QTimer::singleShot(0, this, &HostAutomation::nextStep);
    });
    tour->start();
    return true;
}

void HostAutomation::watchModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    // Give the dialog a moment to fill in, keep a picture of it, then dismiss it.
    if (m_modalSeen != modal) {
        m_modalSeen = modal;
        m_modalTicks = 0;
        return;
    }
    // During the tour only a dialog it did not expect, left standing, is closed here.
    const int patience = m_touring ? m_delayMs + 2000 : qMin(m_delayMs, 1000);
    if (++m_modalTicks * m_modalWatch.interval() < patience)
        return;
    save(modal, (m_current.isEmpty() ? QStringLiteral("start") : m_current) + QStringLiteral("-dialog"));
    std::fprintf(stderr, "mealhost: closed dialog \"%s\"\n", qPrintable(modal->windowTitle()));
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
    m_modalSeen = nullptr;
}
