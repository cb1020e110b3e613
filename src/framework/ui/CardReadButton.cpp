#include "framework/ui/CardReadButton.h"

#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "util/Prompter.h"
#include "util/ui/MsgFrm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>

namespace {
constexpr int kWarningToast = 2;
}

CardReadButton::CardReadButton(ModuleContext& context, QLineEdit* edit, QAbstractButton* button)
    : QObject(button), m_context(context), m_edit(edit), m_calls(linkedCardReader()) {
    setObjectName(QStringLiteral("cardReadButton"));
    restrictToCardNumber(edit);
    connect(button, &QAbstractButton::clicked, this, [this] { readCard(); });
}

CardReadButton* CardReadButton::attach(ModuleContext& context, QLineEdit* edit, QAbstractButton* button) {
    return new CardReadButton(context, edit, button);
}

QToolButton* CardReadButton::create(ModuleContext& context, QLineEdit* edit, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("btnReadCard"));
    button->setText(QStringLiteral("读卡"));
    attach(context, edit, button);
    return button;
}

CardReadButton* CardReadButton::of(QAbstractButton* button) {
    return button ? button->findChild<CardReadButton*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void CardReadButton::restrictToCardNumber(QLineEdit* edit) {
    static const QRegularExpression digits(QStringLiteral("[0-9]{0,10}"));
    edit->setValidator(new QRegularExpressionValidator(digits, edit));
}

bool CardReadButton::readCard() {
    m_lastMessage.clear();
    CardReaderLink link(m_context.session, *m_context.prompter, m_calls);
    CardInfo info;
    bool read = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        read = link.ReadCardData(m_reader, info);
        m_lastMessage = link.lastMessage();
    } catch (const DbError& e) {
        // The trace could not be written: the read is not trusted.
        m_lastMessage = e.message();
    }
    QApplication::restoreOverrideCursor();
    if (!read || !m_lastMessage.isEmpty()) {
        // A reader that did not answer has been told already, in a box.
        if (!link.readerFailed() && !m_lastMessage.isEmpty())
            ShowToast(m_context.toasts, m_lastMessage, kWarningToast);
        return false;
    }
    const QString cardNo = QString::number(info.value(CardField::CardNo));
    if (m_edit)
        m_edit->setText(cardNo);
    emit cardRead(cardNo);
    return true;
}
