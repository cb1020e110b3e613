#include "util/Prompter.h"

#include "util/FileFilter.h"

#include <QGuiApplication>

namespace {
FileDialogResult completed(FileDialogResult result, const FileDialogRequest& request) {
    if (!result.accepted)
        return result;
    const QVector<FileFilterEntry> filters = parseFileFilter(request.filter);
    if (result.filterIndex < 1 || result.filterIndex > filters.size())
        result.filterIndex = request.filterIndex;
    result.path = completeFileName(result.path,
                                   extensionForFilter(filters, result.filterIndex, request.defaultExtension));
    return result;
}
} // namespace

FileDialogResult Prompter::openFile(const FileDialogRequest& request) {
    return completed(showFileDialog(FileDialogKind::Open, request), request);
}

FileDialogResult Prompter::saveFile(const FileDialogRequest& request) {
    return completed(showFileDialog(FileDialogKind::Save, request), request);
}

void Prompter::warning(const QString& text) {
    message(QGuiApplication::applicationDisplayName(), text, PromptIcon::Warning);
}

bool Prompter::confirm(const QString& text, PromptAnswer defaultButton) {
    return question(QStringLiteral("询问"), text, PromptButtons::YesNo, defaultButton,
                    PromptIcon::Question) == PromptAnswer::Yes;
}

PromptAnswer Prompter::confirmOrCancel(const QString& text, PromptAnswer defaultButton) {
    return question(QStringLiteral("询问"), text, PromptButtons::YesNoCancel, defaultButton,
                    PromptIcon::Question);
}

const char* promptIconName(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::None:
        return "none";
    case PromptIcon::Information:
        return "information";
    case PromptIcon::Warning:
        return "warning";
    case PromptIcon::Error:
        return "error";
    case PromptIcon::Question:
        return "question";
    }
    return "?";
}

const char* promptButtonsName(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return "Ok";
    case PromptButtons::OkCancel:
        return "Ok/Cancel";
    case PromptButtons::YesNo:
        return "Yes/No";
    case PromptButtons::YesNoCancel:
        return "Yes/No/Cancel";
    }
    return "?";
}

const char* promptAnswerName(PromptAnswer answer) {
    switch (answer) {
    case PromptAnswer::Ok:
        return "Ok";
    case PromptAnswer::Cancel:
        return "Cancel";
    case PromptAnswer::Yes:
        return "Yes";
    case PromptAnswer::No:
        return "No";
    }
    return "?";
}
