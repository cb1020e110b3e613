#pragma once
// The please-wait dialog: a text, a progress bar and an optional cancel
// button. It is modeless: the caller shows it, runs its loop, steps the bar
// (which lets the window repaint and the cancel button be pressed), tests
// cancelRequested() and closes it. The cancel button is hidden unless the
// caller shows it; a cancel confirmation text, when set, is asked first.
#include <QDialog>

class Prompter;
class QLabel;
class QProgressBar;
class QPushButton;

class TdlgProgress : public QDialog {
    Q_OBJECT
public:
    explicit TdlgProgress(Prompter& prompter, QWidget* parent = nullptr);

    void setMessageText(const QString& text);
    void setMaximum(int maximum);
    void setPosition(int position);
    int position() const;
    // Moves the bar one step and processes pending events so that the
    // dialog repaints and a cancel click arrives. Returns false once a
    // cancel has been requested.
    bool stepIt();
    // Processes pending events without stepping.
    bool keepAlive();

    void setCancelVisible(bool visible);
    void setCloseOnCancel(bool close) { m_closeOnCancel = close; }
    // Asked with Yes/No (title "询问") before a cancel is accepted,
    // e.g. "确认中断当前操作吗?". Empty: cancel at once.
    void setCancelConfirmation(const QString& text) { m_cancelConfirmation = text; }

    // The window's Tag: 1 once the operator asked to cancel.
    int Tag() const { return m_tag; }
    bool cancelRequested() const { return m_tag != 0; }

    QLabel* messageLabel() const { return MessageText; }
    QPushButton* cancelButton() const { return btnCancel; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QLabel* MessageText = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* btnCancel = nullptr;

    void cancelClicked();

    Prompter& m_prompter;
    int m_tag = 0;
    bool m_closeOnCancel = false;
    QString m_cancelConfirmation;
};

// A wait message for work without steps ("正在导入文件..."): the progress
// dialog with a running bar and the busy cursor, shown and painted at once,
// closed when the object goes out of scope.
class WaitMessage {
public:
    WaitMessage(Prompter& prompter, const QString& text, QWidget* parent = nullptr);
    ~WaitMessage();
    WaitMessage(const WaitMessage&) = delete;
    WaitMessage& operator=(const WaitMessage&) = delete;

    TdlgProgress& dialog() { return m_dialog; }

private:
    TdlgProgress m_dialog;
};
