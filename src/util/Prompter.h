#pragma once
// Everything that asks the operator something or tells them something in a
// modal box goes through a Prompter: message boxes, questions, input boxes
// and the open/save file dialogs. Windows get theirs from the module context;
// the production one shows Qt dialogs (DialogPrompter), tests script the
// answers (ScriptedPrompter). The interface needs no widget.
#include <QString>

#include <optional>

enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

enum class FileDialogKind { Open, Save };

// A file dialog as the windows describe it: the filter in the
// "description|*.ext|description|*.ext" form, a 1-based initial filter index,
// the extension (without dot) added to a typed name that has none.
struct FileDialogRequest {
    QString title;
    QString filter;
    QString defaultExtension;
    int filterIndex = 1;
    QString directory; // initial folder; empty for the current one
    QString fileName;  // proposed file name
};

struct FileDialogResult {
    bool accepted = false;
    QString path;        // complete path, extension added
    int filterIndex = 0; // 1-based index of the filter chosen
};

class Prompter {
public:
    virtual ~Prompter() = default;

    virtual void message(const QString& title, const QString& text, PromptIcon icon) = 0;
    virtual PromptAnswer question(const QString& title, const QString& text, PromptButtons buttons,
                                  PromptAnswer defaultButton, PromptIcon icon) = 0;
    // The text typed, or nothing when the operator cancels. A masked box hides
    // what is typed (passwords).
    virtual std::optional<QString> inputText(const QString& title, const QString& prompt,
                                             const QString& defaultText, bool masked) = 0;

    // The path chosen, with the default extension rule applied.
    FileDialogResult openFile(const FileDialogRequest& request);
    FileDialogResult saveFile(const FileDialogRequest& request);

    // The boxes the windows use most, with their fixed titles and icons.
    void information(const QString& text) { message(QStringLiteral("提示"), text, PromptIcon::Information); }
    void error(const QString& text) { message(QStringLiteral("错误"), text, PromptIcon::Error); }
    // A warning box titled with the application's title.
    void warning(const QString& text);
    // Yes/No question titled "询问" with the question icon; true for Yes.
    bool confirm(const QString& text, PromptAnswer defaultButton = PromptAnswer::Yes);
    // Yes/No/Cancel question titled "询问".
    PromptAnswer confirmOrCancel(const QString& text, PromptAnswer defaultButton = PromptAnswer::Yes);
    // A masked input box (passwords).
    std::optional<QString> password(const QString& title, const QString& prompt) {
        return inputText(title, prompt, QString(), true);
    }

protected:
    // Runs the dialog; the path it returns may still lack the extension.
    virtual FileDialogResult showFileDialog(FileDialogKind kind, const FileDialogRequest& request) = 0;
};

const char* promptIconName(PromptIcon icon);
const char* promptButtonsName(PromptButtons buttons);
const char* promptAnswerName(PromptAnswer answer);
