#include "util/ScriptedPrompter.h"

#include <QtGlobal>

namespace {
const char* kindName(PromptCall::Kind kind) {
    switch (kind) {
    case PromptCall::Message:
        return "message";
    case PromptCall::Question:
        return "question";
    case PromptCall::Input:
        return "input";
    case PromptCall::OpenFile:
        return "open file";
    case PromptCall::SaveFile:
        return "save file";
    }
    return "?";
}

// An answer that fits no allowed button stands for the box being dismissed.
PromptAnswer refusal(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Cancel;
    }
    return PromptAnswer::Cancel;
}

bool allowed(PromptButtons buttons, PromptAnswer answer) {
    switch (buttons) {
    case PromptButtons::Ok:
        return answer == PromptAnswer::Ok;
    case PromptButtons::OkCancel:
        return answer == PromptAnswer::Ok || answer == PromptAnswer::Cancel;
    case PromptButtons::YesNo:
        return answer == PromptAnswer::Yes || answer == PromptAnswer::No;
    case PromptButtons::YesNoCancel:
        return answer == PromptAnswer::Yes || answer == PromptAnswer::No || answer == PromptAnswer::Cancel;
    }
    return false;
}
} // namespace

QString PromptCall::describe() const {
    QString s = QStringLiteral("%1 \"%2\": \"%3\"").arg(QLatin1String(kindName(kind)), title, text);
    if (kind == Question)
        s += QStringLiteral(" [%1]").arg(QLatin1String(promptButtonsName(buttons)));
    if (kind == OpenFile || kind == SaveFile)
        s += QStringLiteral(" [%1]").arg(file.filter);
    return s;
}

ScriptedPrompter::ScriptedPrompter() {
    m_unexpected = [](const QString& why) { qFatal("ScriptedPrompter: %s", qPrintable(why)); };
}

// Answer fields in order: kind, button, accepted, text, filter index.
void ScriptedPrompter::answer(PromptAnswer answer) {
    m_answers << Answer{Answer::Button, answer, true, QString(), 0};
}

void ScriptedPrompter::answerText(const QString& text) {
    m_answers << Answer{Answer::Text, PromptAnswer::Cancel, true, text, 0};
}

void ScriptedPrompter::cancelInput() {
    m_answers << Answer{Answer::Text, PromptAnswer::Cancel, false, QString(), 0};
}

void ScriptedPrompter::answerFile(const QString& path, int filterIndex) {
    m_answers << Answer{Answer::File, PromptAnswer::Cancel, true, path, filterIndex};
}

void ScriptedPrompter::cancelFile() {
    m_answers << Answer{Answer::File, PromptAnswer::Cancel, false, QString(), 0};
}

QVector<PromptCall> ScriptedPrompter::takeCalls() {
    QVector<PromptCall> calls;
    calls.swap(m_calls);
    return calls;
}

QStringList ScriptedPrompter::texts() const {
    QStringList list;
    for (const PromptCall& call : m_calls)
        list << call.text;
    return list;
}

void ScriptedPrompter::clear() {
    m_calls.clear();
    m_answers.clear();
}

ScriptedPrompter::UnexpectedHandler ScriptedPrompter::setUnexpectedHandler(UnexpectedHandler handler) {
    UnexpectedHandler previous = std::move(m_unexpected);
    m_unexpected = std::move(handler);
    return previous;
}

bool ScriptedPrompter::takeAnswer(Answer::Kind kind, const PromptCall& call, Answer* out) {
    if (m_answers.isEmpty() || m_answers.first().kind != kind) {
        QString why = QStringLiteral("no scripted answer for %1").arg(call.describe());
        if (!m_answers.isEmpty())
            why += QStringLiteral(" (the next answer is for another kind of call)");
        if (m_unexpected)
            m_unexpected(why);
        return false;
    }
    *out = m_answers.takeFirst();
    return true;
}

void ScriptedPrompter::message(const QString& title, const QString& text, PromptIcon icon) {
    PromptCall call;
    call.kind = PromptCall::Message;
    call.title = title;
    call.text = text;
    call.icon = icon;
    m_calls << call;
}

PromptAnswer ScriptedPrompter::question(const QString& title, const QString& text, PromptButtons buttons,
                                        PromptAnswer defaultButton, PromptIcon icon) {
    PromptCall call;
    call.kind = PromptCall::Question;
    call.title = title;
    call.text = text;
    call.icon = icon;
    call.buttons = buttons;
    call.defaultButton = defaultButton;
    m_calls << call;
    Answer a;
    if (!takeAnswer(Answer::Button, call, &a))
        return refusal(buttons);
    if (!allowed(buttons, a.button)) {
        if (m_unexpected)
            m_unexpected(QStringLiteral("scripted answer %1 is not a button of %2")
                             .arg(QLatin1String(promptAnswerName(a.button)), call.describe()));
        return refusal(buttons);
    }
    return a.button;
}

std::optional<QString> ScriptedPrompter::inputText(const QString& title, const QString& prompt,
                                                   const QString& defaultText, bool masked) {
    PromptCall call;
    call.kind = PromptCall::Input;
    call.title = title;
    call.text = prompt;
    call.defaultText = defaultText;
    call.masked = masked;
    m_calls << call;
    Answer a;
    if (!takeAnswer(Answer::Text, call, &a) || !a.accepted)
        return std::nullopt;
    return a.text;
}

FileDialogResult ScriptedPrompter::showFileDialog(FileDialogKind kind, const FileDialogRequest& request) {
    PromptCall call;
    call.kind = kind == FileDialogKind::Open ? PromptCall::OpenFile : PromptCall::SaveFile;
    call.title = request.title;
    call.file = request;
    m_calls << call;
    FileDialogResult result;
    Answer a;
    if (!takeAnswer(Answer::File, call, &a) || !a.accepted)
        return result;
    result.accepted = true;
    result.path = a.text;
    result.filterIndex = a.filterIndex > 0 ? a.filterIndex : request.filterIndex;
    return result;
}
