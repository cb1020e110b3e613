#pragma once
// A Prompter for tests and unattended runs: every call is recorded (kind,
// title, text, buttons, ...) and questions, input boxes and file dialogs take
// their answers from a queue filled beforehand. A call that finds no answer of
// its kind at the head of the queue is a script error: by default the process
// stops with a fatal message naming the call; a test that wants to observe
// such errors installs its own handler.
#include "util/Prompter.h"

#include <QStringList>
#include <QVector>

#include <functional>

struct PromptCall {
    enum Kind { Message, Question, Input, OpenFile, SaveFile };
    Kind kind = Message;
    QString title;
    QString text; // message text, question text, input prompt
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    PromptAnswer defaultButton = PromptAnswer::Ok;
    QString defaultText; // input box
    bool masked = false; // input box
    FileDialogRequest file;

    // "question 询问: 确认删除当前记录吗? [Yes/No]" for failure messages.
    QString describe() const;
};

class ScriptedPrompter : public Prompter {
public:
    using UnexpectedHandler = std::function<void(const QString& why)>;

    ScriptedPrompter();

    // Answers, consumed in order.
    void answer(PromptAnswer answer);
    void answerText(const QString& text);
    void cancelInput();
    // A file dialog answer serves the next open or save dialog; the path may
    // lack its extension like a typed name; index 0 keeps the request's index.
    void answerFile(const QString& path, int filterIndex = 0);
    void cancelFile();

    const QVector<PromptCall>& calls() const { return m_calls; }
    QVector<PromptCall> takeCalls();
    QStringList texts() const; // the text of every recorded call, in order
    int pendingAnswers() const { return m_answers.size(); }
    void clear();

    // Called for a call without an answer; returns the previous handler.
    UnexpectedHandler setUnexpectedHandler(UnexpectedHandler handler);

    void message(const QString& title, const QString& text, PromptIcon icon) override;
    PromptAnswer question(const QString& title, const QString& text, PromptButtons buttons,
                          PromptAnswer defaultButton, PromptIcon icon) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& defaultText,
                                     bool masked) override;

protected:
    FileDialogResult showFileDialog(FileDialogKind kind, const FileDialogRequest& request) override;

private:
    struct Answer {
        enum Kind { Button, Text, File };
        Kind kind = Button;
        PromptAnswer button = PromptAnswer::Cancel;
        bool accepted = true;
        QString text; // typed text or file path
        int filterIndex = 0;
    };
    // The head answer when it is of this kind; otherwise reports the call.
    bool takeAnswer(Answer::Kind kind, const PromptCall& call, Answer* out);

    QVector<PromptCall> m_calls;
    QVector<Answer> m_answers;
    UnexpectedHandler m_unexpected;
};
