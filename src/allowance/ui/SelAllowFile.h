#pragma once
// TfrmSelAllowFile ("补贴导入"): imports allowances from a spreadsheet or CSV
// file. The notes memo shows the file layout and receives the refusal and
// end lines; the progress bar follows the rows. The import runs on a worker
// thread with its own connection (AllowanceImport), so the window stays
// responsive; "导入" is disabled while it runs. Opened from the allowance
// list window, one instance, freed on close.
#include <QDialog>
#include <QPointer>

class ModuleContext;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QThread;

class TfrmSelAllowFile : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelAllowFile(ModuleContext& context, QWidget* parent = nullptr);
    ~TfrmSelAllowFile() override;

    // The one instance (created on first use, cleared when it is destroyed).
    static TfrmSelAllowFile* instance(ModuleContext& context, QWidget* parent = nullptr);

    // "打开": the open dialog; the chosen name goes into the file box and the bar is reset.
    void openClicked();
    // "导入": imports the file named in the file box.
    void importClicked();
    bool running() const { return m_worker != nullptr; }

    // For tests.
    QLineEdit* fileBox() const { return m_file; }
    QPushButton* importButton() const { return m_import; }
    QProgressBar* progressBar() const { return m_progress; }
    QString memoText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void memoLine(const QString& line);
    void notice(const QString& text);
    void finished();

    ModuleContext& m_context;
    QPlainTextEdit* m_memo = nullptr;
    QLineEdit* m_file = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_close = nullptr;
    QProgressBar* m_progress = nullptr;
    QThread* m_worker = nullptr;
};
