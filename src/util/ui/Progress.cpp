#include "util/ui/Progress.h"

#include "util/Prompter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TdlgProgress::TdlgProgress(Prompter& prompter, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_prompter(prompter) {
    setObjectName(QStringLiteral("dlgProgress"));
    setWindowTitle(QStringLiteral("请稍候..."));
    setModal(false);

    MessageText = new QLabel(this);
    MessageText->setObjectName(QStringLiteral("MessageText"));
    MessageText->setWordWrap(true);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    btnCancel->hide();
    connect(btnCancel, &QPushButton::clicked, this, &TdlgProgress::cancelClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MessageText);
    layout->addWidget(ProgressBar);
    layout->addLayout(buttons);
    setFixedWidth(360);
}

void TdlgProgress::setMessageText(const QString& text) {
    MessageText->setText(text);
}

void TdlgProgress::setMaximum(int maximum) {
    ProgressBar->setMaximum(qMax(0, maximum));
}

void TdlgProgress::setPosition(int position) {
    ProgressBar->setValue(qBound(0, position, ProgressBar->maximum()));
}

int TdlgProgress::position() const {
    return ProgressBar->value();
}

bool TdlgProgress::stepIt() {
    if (ProgressBar->value() < ProgressBar->maximum())
        ProgressBar->setValue(ProgressBar->value() + 1);
    return keepAlive();
}

bool TdlgProgress::keepAlive() {
    QCoreApplication::processEvents();
    return !cancelRequested();
}

void TdlgProgress::setCancelVisible(bool visible) {
    btnCancel->setVisible(visible);
}

void TdlgProgress::showEvent(QShowEvent* event) {
    ProgressBar->setValue(0);
    m_tag = 0;
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    QDialog::showEvent(event);
}

void TdlgProgress::cancelClicked() {
    if (m_tag != 0)
        return;
    if (!m_cancelConfirmation.isEmpty() && !m_prompter.confirm(m_cancelConfirmation))
        return;
    m_tag = 1;
    if (m_closeOnCancel)
        QDialog::done(QDialog::Rejected);
}

// The window system's close button acts like the cancel button; the caller's
// close() closes.
void TdlgProgress::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        event->ignore();
        reject();
        return;
    }
    QDialog::done(QDialog::Rejected);
    event->accept();
}

// Escape acts like the cancel button when it is shown; a dialog without it
// is closed only by its caller.
void TdlgProgress::reject() {
    if (btnCancel->isVisible())
        cancelClicked();
}

WaitMessage::WaitMessage(Prompter& prompter, const QString& text, QWidget* parent)
    : m_dialog(prompter, parent) {
    m_dialog.setMessageText(text);
    m_dialog.show();
    m_dialog.setMaximum(0); // a running bar: no steps to show
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_dialog.keepAlive();
}

WaitMessage::~WaitMessage() {
    QApplication::restoreOverrideCursor();
    m_dialog.close();
}
