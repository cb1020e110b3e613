#pragma once
// The production Prompter: Qt's message box, input dialog and file dialog,
// owned by the given window or, without one, by the active window.
#include "util/Prompter.h"

#include <QPointer>
#include <QWidget>

class DialogPrompter : public Prompter {
public:
    explicit DialogPrompter(QWidget* owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget* owner) { m_owner = owner; }

    void message(const QString& title, const QString& text, PromptIcon icon) override;
    PromptAnswer question(const QString& title, const QString& text, PromptButtons buttons,
                          PromptAnswer defaultButton, PromptIcon icon) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& defaultText,
                                     bool masked) override;

protected:
    FileDialogResult showFileDialog(FileDialogKind kind, const FileDialogRequest& request) override;

private:
    QWidget* owner() const;
    QPointer<QWidget> m_owner;
};
