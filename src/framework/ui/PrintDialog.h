#pragma once
// TdlgPrint ("打印选择"): how a record window's grid is printed. Preview (the
// default), print directly, or export in one of the five grid formats into
// "Documents/" below the program folder; the printer set-up; whether the
// summary row is printed. It prints through the window's grid printer and
// never changes the data set. One instance at a time; it frees itself when
// closed.
#include <QDialog>
#include <QUrl>

#include <functional>

class DataSet;
class GridPrinter;
class ModuleContext;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

class TdlgPrint : public QDialog {
    Q_OBJECT
public:
    explicit TdlgPrint(ModuleContext& context, QWidget* parent = nullptr);
    ~TdlgPrint() override;

    // What the calling window hands over before showing the dialog.
    void setup(GridPrinter* printer, DataSet* dataSet, const QString& printTitle, const QString& caption);

    // The export format key (1 text .. 5 HTML) chosen in cbExportFMT.
    int exportFormatKey() const;
    void setExportFormatKey(int key);

    // Opens an exported file (the desktop's opener; tests replace it).
    std::function<bool(const QUrl&)> openDocument;

    void btnOKClick();
    void btnSetPrinterClick();
    void cbShowFootClick();

    // The controls tests reach.
    QRadioButton* printChoice() const { return rbPrint; }
    QRadioButton* exportChoice() const { return rbExport; }
    QRadioButton* previewChoice() const { return rbPreview; }
    QComboBox* formatList() const { return cbExportFMT; }
    QCheckBox* footerBox() const { return cbShowFoot; }
    QPushButton* okButton() const { return btnOK; }
    QPushButton* cancelButton() const { return btnCancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTabWidget* PageControl1 = nullptr;
    QRadioButton* rbPrint = nullptr;
    QRadioButton* rbExport = nullptr;
    QRadioButton* rbPreview = nullptr;
    QComboBox* cbExportFMT = nullptr;
    QPushButton* btnSetPrinter = nullptr;
    QCheckBox* cbShowFoot = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    bool exportToDocuments();
    bool printDirectly();

    ModuleContext& m_context;
    GridPrinter* m_printer = nullptr;
    DataSet* m_dataSet = nullptr;
    QString m_title;
    QString m_caption;
};
