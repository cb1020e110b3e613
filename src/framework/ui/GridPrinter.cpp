#include "framework/ui/GridPrinter.h"

#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/ui/DBGrid.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

GridPrinter::GridPrinter(DBGrid& grid, QObject* parent) : QObject(parent), m_grid(grid) {
    setObjectName(QStringLiteral("GridPrint"));
    m_options.marginsMm = QMarginsF(1, 1, 1, 1);
    m_options.fitToPageWidth = true;
}

GridPrinter::~GridPrinter() = default;

void GridPrinter::setTitle(const QString& title) {
    m_title = title;
    if (m_printer)
        m_printer->setDocName(title);
}

QPrinter& GridPrinter::printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setDocName(m_title);
    }
    return *m_printer;
}

bool GridPrinter::needsOutputFile() {
    return printer().outputFormat() == QPrinter::PdfFormat && printer().outputFileName().isEmpty();
}

bool GridPrinter::render(QPagedPaintDevice& device, QString* error) {
    DataSetExportSource source(*m_grid.model(), &m_grid.footer());
    source.setTableName(m_title);
    gridexport::PrintOptions options = m_options;
    options.showFooter = m_grid.footerRowCount() > 0;
    gridexport::PrintRenderer renderer(source, options);
    if (renderer.render(device))
        return true;
    if (error)
        *error = renderer.errorString();
    return false;
}

bool GridPrinter::print(QString* error) {
    return render(printer(), error);
}

void GridPrinter::preview(QWidget* parent) {
    QPrintPreviewDialog dialog(&printer(), parent);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(m_title);
    dialog.resize(1000, 760); // a page readable without zooming
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { render(*p); });
    dialog.exec();
}

bool GridPrinter::setupPrinter(QWidget* parent) {
    // The printer, its paper and "print to file": the choices stay with this printer.
    QPrintDialog dialog(&printer(), parent);
    dialog.setObjectName(QStringLiteral("PrinterSetup"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}
