#pragma once
// An Office Open XML workbook (.xlsx): libxlsxwriter, in its constant-memory
// mode, writes the workbook around the rows (formats, titles, footer,
// chart); the data rows are then written into its worksheets as the package
// is copied (XlsxPackage, XlsxSheetRows), a block at a time, so a month of
// records needs no more memory than a few rows.
//
// Integer, money, float and date-time columns become numbers with the grid's
// display format as the cell's number format (money "￥0.00" by default,
// date-times as dates); texts are always strings, also when they look like a
// formula or a number ("=1+1", "001"). Multi-level titles are merged header
// cells above the rows, preceded by the subtitle's row; the title rows are
// frozen. A footer sum or count is a formula over the column's rows that
// carries the grid's value as its result, so a spreadsheet recomputes it and
// a reader that does not shows the value. Column widths follow the grid.
//
// A worksheet holds at most 1,048,576 rows; longer tables continue on
// further worksheets ("name", "name(2)", ...) each starting with the title
// rows, and the footer's formulas take the rows of all of them.
//
// The workbook is built in a temporary folder and copied to the device once
// complete; nothing reaches the device when the export fails or is cancelled.
#include "dataset/export/GridExporter.h"

#include <optional>

namespace gridexport {

class XlsxExporter : public GridExporter {
public:
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;

    QString fileExtension() const override { return QStringLiteral(".xlsx"); }

    // Rows per worksheet, title rows included (MaxRows; smaller for tests).
    void setMaxRowsPerSheet(int rows) { m_maxRows = std::clamp(rows, 3, MaxRows); }
    // The chart the workbook carries beside the rows; none: the source's chart.
    void setChart(const std::optional<ExportChart>& chart) { m_chart = chart; }

protected:
    bool write(const ExportLayout& layout, QIODevice& device) override;

private:
    int m_maxRows = MaxRows;
    std::optional<ExportChart> m_chart;
};

} // namespace gridexport
