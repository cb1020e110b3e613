#pragma once
// A card-number edit and its "读卡" button. The edit takes digits only (a
// card number is an unsigned 32-bit number, at most 10 digits); a click on the
// button reads the card laid on the desktop reader and puts the card number
// of its card-information record into the edit. A card that cannot be used
// ("没有找到IC卡或卡是否损坏。", "读卡错误,请检查卡密码是否正确!",
// "这是一张空白卡！", "读取成功！这是一张空白卡。") is told in a warning toast
// and leaves the edit as it was; a reader that does not answer is told by the
// reader link itself ("连接发卡器失败").
//
// Use: CardReadButton::create(context, edtCard_id, plKey) makes the tool
// button "btnReadCard"; CardReadButton::attach(context, edit, button) wires a
// button the window made itself. The helper belongs to the button.
#include "util/CardReaderLink.h"

#include <QObject>
#include <QPointer>

class ModuleContext;
class QAbstractButton;
class QLineEdit;
class QToolButton;
class QWidget;

class CardReadButton : public QObject {
    Q_OBJECT
public:
    static CardReadButton* attach(ModuleContext& context, QLineEdit* edit, QAbstractButton* button);
    static QToolButton* create(ModuleContext& context, QLineEdit* edit, QWidget* parent);
    // The helper attached to a button, or nullptr.
    static CardReadButton* of(QAbstractButton* button);

    // Lets the edit take digits only; also for card-number edits without a button.
    static void restrictToCardNumber(QLineEdit* edit);

    // Reads the card now (what a click does); true when the edit was filled.
    bool readCard();
    // What the operator was told by the last read; empty after a good read.
    const QString& lastMessage() const { return m_lastMessage; }

    // The reader calls used (the linked library unless a test sets others).
    void setReaderCalls(const CardReaderCalls& calls) { m_calls = calls; }

signals:
    void cardRead(const QString& cardNo);

private:
    CardReadButton(ModuleContext& context, QLineEdit* edit, QAbstractButton* button);

    ModuleContext& m_context;
    QPointer<QLineEdit> m_edit;
    CardReaderCalls m_calls;
    CardReader m_reader;
    QString m_lastMessage;
};
