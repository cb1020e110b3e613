#pragma once
// The grid printer of a record window ("GridPrint"): prints the window's
// grid as it shows it (visible columns in grid order, the footer row while
// the grid has one) with a title block and substitutions, previews it, and
// sets up its printer. With no printer installed the output goes to a PDF
// file.
#include "charts/ChartSeries.h"
#include "dataset/export/PrintRenderer.h"

#include <QObject>

#include <memory>

class DBGrid;
class QPagedPaintDevice;
class QPrinter;
class QWidget;

class GridPrinter : public QObject {
    Q_OBJECT
public:
    explicit GridPrinter(DBGrid& grid, QObject* parent = nullptr);
    ~GridPrinter() override;

    DBGrid& grid() const { return m_grid; }
    gridexport::PrintOptions& options() { return m_options; }

    // The title of the print job (the printer's document name).
    QString title() const { return m_title; }
    void setTitle(const QString& title);
    // The chart of the window's rows a spreadsheet export carries; none by default.
    const std::optional<ChartSpec>& chart() const { return m_chart; }
    void setChart(const std::optional<ChartSpec>& chart) { m_chart = chart; }

    QPrinter& printer();
    // True when the printer writes a PDF file and has not been told which.
    bool needsOutputFile();

    // Paints the whole grid on the device.
    bool render(QPagedPaintDevice& device, QString* error = nullptr);
    // Prints on the printer; false with `error` when the printer refused.
    bool print(QString* error);
    // A modal preview of the pages; returns when the operator closes it.
    void preview(QWidget* parent);
    // The printer set-up dialog; true when the operator confirmed it.
    bool setupPrinter(QWidget* parent);

private:
    DBGrid& m_grid;
    gridexport::PrintOptions m_options;
    QString m_title;
    std::optional<ChartSpec> m_chart;
    std::unique_ptr<QPrinter> m_printer;
};
