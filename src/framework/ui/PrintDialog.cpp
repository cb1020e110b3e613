#include "framework/ui/PrintDialog.h"

#include "dataset/DataSet.h"
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/ModuleContext.h"
#include "framework/PrintOutput.h"
#include "framework/RecordFiles.h"
#include "framework/ui/GridPrinter.h"
#include "framework/ui/RecordFileActions.h"
#include "util/ModuleFont.h"
#include "util/Prompter.h"
#include "util/ui/MsgFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
struct FormatItem {
    int key;
    const char* text;
};
// The keys are those of the grid exporters (gridexport::ExportFormat).
const FormatItem kFormats[] = {
    {1, "文本文件格式 (*.txt)"},  {2, "Excel 文件格式 (*.xls)"}, {3, "RTF 文件格式 (*.RTF)"},
    {4, "CSV(逗号分隔) (*.CSV)"}, {5, "Web 网页 (*.html)"},      {6, "Excel 工作簿 (*.xlsx)"},
};
} // namespace

TdlgPrint::TdlgPrint(ModuleContext& context, QWidget* parent)
    : QDialog(parent), openDocument([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      m_context(context) {
    setObjectName(QStringLiteral("dlgPrint"));
    setWindowTitle(QStringLiteral("打印选择"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(moduleFont());
    setFixedSize(380, 220);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* page = new QWidget(PageControl1);
    page->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(page, QStringLiteral("打印表格"));

    rbPrint = new QRadioButton(QStringLiteral("直接打印"), page);
    rbPrint->setObjectName(QStringLiteral("rbPrint"));
    rbExport = new QRadioButton(QStringLiteral("导出到"), page);
    rbExport->setObjectName(QStringLiteral("rbExport"));
    rbPreview = new QRadioButton(QStringLiteral("预览"), page);
    rbPreview->setObjectName(QStringLiteral("rbPreview"));
    rbPreview->setChecked(true);
    cbExportFMT = new QComboBox(page);
    cbExportFMT->setObjectName(QStringLiteral("cbExportFMT"));
    for (const FormatItem& item : kFormats)
        cbExportFMT->addItem(QString::fromUtf8(item.text), item.key);
    setExportFormatKey(2);
    btnSetPrinter = new QPushButton(QStringLiteral("设置(&P)"), page);
    btnSetPrinter->setObjectName(QStringLiteral("btnSetPrinter"));
    btnSetPrinter->setAutoDefault(false);
    cbShowFoot = new QCheckBox(QStringLiteral("打印统计行"), page);
    cbShowFoot->setObjectName(QStringLiteral("cbShowFoot"));

    auto* grid = new QGridLayout(page);
    grid->addWidget(rbPreview, 0, 0);
    grid->addWidget(rbPrint, 1, 0);
    grid->addWidget(btnSetPrinter, 1, 1, Qt::AlignLeft);
    grid->addWidget(rbExport, 2, 0);
    grid->addWidget(cbExportFMT, 2, 1);
    grid->addWidget(cbShowFoot, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    btnOK = new QPushButton(QStringLiteral("确定(&O)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &TdlgPrint::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnSetPrinter, &QPushButton::clicked, this, &TdlgPrint::btnSetPrinterClick);
    connect(cbShowFoot, &QCheckBox::clicked, this, &TdlgPrint::cbShowFootClick);
    // Choosing a format chooses the export.
    connect(cbExportFMT, &QComboBox::activated, this, [this] { rbExport->setChecked(true); });
}

TdlgPrint::~TdlgPrint() = default;

void TdlgPrint::setup(GridPrinter* printer, DataSet* dataSet, const QString& printTitle,
                      const QString& caption) {
    m_printer = printer;
    m_dataSet = dataSet;
    m_title = printTitle;
    m_caption = caption;
}

int TdlgPrint::exportFormatKey() const {
    return cbExportFMT->currentData().toInt();
}

void TdlgPrint::setExportFormatKey(int key) {
    const int row = cbExportFMT->findData(key);
    if (row >= 0)
        cbExportFMT->setCurrentIndex(row);
}

void TdlgPrint::showEvent(QShowEvent* event) {
    if (m_printer) {
        cbShowFoot->setChecked(m_printer->grid().footerRowCount() >= 1);
        m_printer->setTitle(m_title);
    }
    PageControl1->setCurrentIndex(0);
    QDialog::showEvent(event);
}

void TdlgPrint::cbShowFootClick() {
    // The window's own grid loses or regains its summary row, not only the print.
    if (m_printer)
        m_printer->grid().setFooterRowCount(cbShowFoot->isChecked() ? 1 : 0);
}

void TdlgPrint::btnSetPrinterClick() {
    if (m_printer)
        m_printer->setupPrinter(this);
}

void TdlgPrint::btnOKClick() {
    if (!m_printer || !m_dataSet || !m_dataSet->isActive())
        return reject();
    bool done = true;
    if (rbPreview->isChecked())
        m_printer->preview(this);
    else if (rbPrint->isChecked())
        done = printDirectly();
    else if (rbExport->isChecked())
        done = exportToDocuments();
    // A refused overwrite or a failed output leaves the dialog open for another choice.
    if (done)
        accept();
}

bool TdlgPrint::printDirectly() {
    QPrinter& printer = m_printer->printer();
    // No printer installed: the print goes to a PDF file beside the exports.
    if (m_printer->needsOutputFile()) {
        const QString path =
            PrintOutput::documentPath(m_context.session.programFolder, m_title, QStringLiteral(".pdf"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        printer.setOutputFileName(path);
    }
    QString error;
    if (!m_printer->print(&error)) {
        m_context.prompter->error(error.isEmpty() ? QStringLiteral("打印失败") : error);
        return false;
    }
    ShowToast(m_context.toasts, QStringLiteral("打印数据提交成功，请查看打印设备!"), 1);
    return true;
}

bool TdlgPrint::exportToDocuments() {
    const auto format = gridexport::ExportFormat(exportFormatKey());
    const auto exporter = gridexport::createExporter(format);
    if (!exporter)
        return false;
    const QString path =
        PrintOutput::documentPath(m_context.session.programFolder, m_title, exporter->fileExtension());
    Prompter& prompter = *m_context.prompter;
    if (QFileInfo::exists(path) &&
        prompter.question(QStringLiteral("提示"), QStringLiteral("文件\"%1\"已经存在, 是否覆盖? ").arg(path),
                          PromptButtons::YesNo, PromptAnswer::No, PromptIcon::Warning) != PromptAnswer::Yes)
        return false;
    DBGrid& grid = m_printer->grid();
    DataSetExportSource source(*grid.model(), &grid.footer());
    source.setTableName(m_title);
    source.setSubtitle(m_printer->options().substitutions.value(QStringLiteral("%[caption]")));
    if (m_printer->chart())
        source.setChart(ChartSeriesBuilder::exportChart(*m_printer->chart(), source));
    QString error;
    const gridexport::ExportResult result =
        RecordFileActions::runExport(this, prompter, [&](const gridexport::ExportProgress& progress) {
            return PrintOutput::exportGrid(source, format, path, &error, progress);
        });
    if (result.cancelled()) {
        prompter.information(RecordFiles::exportCancelledText());
        return false;
    }
    if (!result) {
        prompter.error(error);
        return false;
    }
    if (prompter.confirm(QStringLiteral("导出完成, 是否启动查看? ")) && openDocument)
        openDocument(QUrl::fromLocalFile(path));
    return true;
}
