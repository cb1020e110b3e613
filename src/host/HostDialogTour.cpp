#include "host/HostDialogTour.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <cstdio>

bool HostDialogTour::applies(QWidget* window) {
    return window && window->findChild<QAction*>(QStringLiteral("actDefCols")) &&
           window->findChild<QAction*>(QStringLiteral("actDataPrint"));
}

HostDialogTour::HostDialogTour(QWidget* window, int delayMs, Saver save, QObject* parent)
    : QObject(parent), m_window(window), m_delayMs(delayMs), m_save(std::move(save)) {}

void HostDialogTour::start() {
    QTimer::singleShot(0, this, &HostDialogTour::columns);
}

void HostDialogTour::trigger(const char* action) {
    if (!m_window)
        return;
    if (auto* a = m_window->findChild<QAction*>(QLatin1String(action)); a && a->isEnabled())
        a->trigger(); // returns when the modal dialog it opens is closed
    else
        std::fprintf(stderr, "mealhost: %s is not available\n", action);
}

void HostDialogTour::onModal(const QString& name, std::function<void(QWidget*)> body) {
    QTimer::singleShot(m_delayMs, this, [name, body] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == name)
            body(modal);
        else
            std::fprintf(stderr, "mealhost: dialog %s did not open\n", qPrintable(name));
    });
}

void HostDialogTour::clickChild(QWidget* dialog, const char* button) {
    if (auto* b = dialog->findChild<QAbstractButton*>(QLatin1String(button)))
        b->click();
    else if (auto* d = qobject_cast<QDialog*>(dialog))
        d->reject();
}

void HostDialogTour::columns() {
    onModal(QStringLiteral("frmDefColumn"), [this](QWidget* d) {
        m_save(d, QStringLiteral("columns"));
        clickChild(d, "btnReset");
    });
    trigger("actDefCols");
    QTimer::singleShot(0, this, &HostDialogTour::filter);
}

void HostDialogTour::filter() {
    onModal(QStringLiteral("dlgFilter"), [this](QWidget* d) {
        // A condition as an operator composes it: the first field (the card
        // number) above a value.
        if (auto* op = d->findChild<QComboBox*>(QStringLiteral("cbOperator")))
            op->setCurrentText(QStringLiteral(">"));
        if (auto* value = d->findChild<QLineEdit*>(QStringLiteral("edValue")))
            value->setText(QStringLiteral("10100"));
        clickChild(d, "btnADD");
        m_save(d, QStringLiteral("filter"));
        clickChild(d, "btnCancel"); // leaves no filter behind
    });
    trigger("actDataFilter");
    QTimer::singleShot(0, this, &HostDialogTour::preview);
}

void HostDialogTour::preview() {
    onModal(QStringLiteral("dlgPrint"), [this](QWidget* d) {
        m_save(d, QStringLiteral("print"));
        onModal(QStringLiteral("PrintPreview"), [this](QWidget* p) {
            m_save(p, QStringLiteral("preview"));
            if (auto* preview = qobject_cast<QDialog*>(p))
                preview->reject();
        });
        clickChild(d, "btnOK"); // preview is the dialog's default choice
    });
    trigger("actDataPrint");
    QTimer::singleShot(0, this, &HostDialogTour::printDirectly);
}

void HostDialogTour::printDirectly() {
    onModal(QStringLiteral("dlgPrint"), [](QWidget* d) {
        clickChild(d, "rbPrint");
        clickChild(d, "btnOK");
    });
    trigger("actDataPrint");
    // The toast slides in; take it once it stands.
    QTimer::singleShot(qMax(m_delayMs, 1500), this, &HostDialogTour::toast);
}

void HostDialogTour::toast() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && qstrcmp(w->metaObject()->className(), "TMsgForm") == 0) {
            m_save(w, QStringLiteral("toast"));
            break;
        }
    }
    emit finished();
}
