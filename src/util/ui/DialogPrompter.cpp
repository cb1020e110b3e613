#include "util/ui/DialogPrompter.h"

#include "util/FileFilter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {
QMessageBox::Icon boxIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::None:
        return QMessageBox::NoIcon;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton boxButton(PromptAnswer answer) {
    switch (answer) {
    case PromptAnswer::Ok:
        return QMessageBox::Ok;
    case PromptAnswer::Cancel:
        return QMessageBox::Cancel;
    case PromptAnswer::Yes:
        return QMessageBox::Yes;
    case PromptAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButtons boxButtons(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return QMessageBox::Ok;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}
} // namespace

QWidget* DialogPrompter::owner() const {
    if (m_owner)
        return m_owner;
    return QApplication::activeWindow();
}

void DialogPrompter::message(const QString& title, const QString& text, PromptIcon icon) {
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, owner());
    box.exec();
}

PromptAnswer DialogPrompter::question(const QString& title, const QString& text, PromptButtons buttons,
                                      PromptAnswer defaultButton, PromptIcon icon) {
    QMessageBox box(boxIcon(icon), title, text, boxButtons(buttons), owner());
    box.setDefaultButton(boxButton(defaultButton));
    switch (box.exec()) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default: // Escape or the close button
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
}

std::optional<QString> DialogPrompter::inputText(const QString& title, const QString& prompt,
                                                 const QString& defaultText, bool masked) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        owner(), title, prompt, masked ? QLineEdit::Password : QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

FileDialogResult DialogPrompter::showFileDialog(FileDialogKind kind, const FileDialogRequest& request) {
    const QStringList filters = qtFileFilters(request.filter);
    QFileDialog dialog(owner(), request.title);
    dialog.setAcceptMode(kind == FileDialogKind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind == FileDialogKind::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The description is shown as it stands; the callers ask about
    // overwriting themselves, with their own text.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = qBound(1, request.filterIndex, int(filters.size()));
        dialog.selectNameFilter(filters.at(index - 1));
    }
    dialog.setDirectory(request.directory.isEmpty() ? QDir::currentPath() : request.directory);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);

    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.path = dialog.selectedFiles().constFirst();
    // With the details hidden, Qt reports the chosen filter by its description.
    const QString chosen = dialog.selectedNameFilter();
    const QVector<FileFilterEntry> entries = parseFileFilter(request.filter);
    for (int i = 0; i < entries.size(); ++i) {
        if (chosen == filters.at(i) || chosen == entries.at(i).description.trimmed()) {
            result.filterIndex = i + 1;
            break;
        }
    }
    return result;
}
