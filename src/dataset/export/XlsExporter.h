#pragma once
// A genuine Excel 97-2003 workbook: a BIFF8 Workbook stream inside an OLE2
// compound file. Texts go to the shared string table (UTF-16, so Chinese
// survives); integer, money, float and date-time columns become numbers
// with the grid's display format (money exact to the cent, "￥0.00" by
// default; date-times as Excel dates). Numbers that are whole or whole
// cents are written in the compact RK form, others as NUMBER records. A
// number column's cell without a numeric value gets its display text.
// Multi-level titles are title rows with merged cells; the footer row
// follows the data.
//
// A worksheet holds at most 65,536 rows. Longer tables continue on further
// worksheets ("name", "name(2)", ...), each starting with the title rows;
// the footer row ends the last worksheet. More than 256 visible columns
// cannot be written and are refused with a message.
//
// The workbook is written in two passes over the rows: the first collects
// the distinct texts and measures every worksheet, so that the second can
// stream the records straight to the device behind the container's header.
// The first pass keeps the shared-string index of every text cell (four
// bytes a cell), so the second reads only the numbers again. Progress
// counts each pass as half of the rows.
#include "dataset/export/GridExporter.h"

namespace gridexport {

class XlsExporter : public GridExporter {
public:
    static constexpr int MaxRows = 65536;
    static constexpr int MaxColumns = 256;

    QString fileExtension() const override { return QStringLiteral(".xls"); }

    // Rows per worksheet, title rows included (MaxRows; smaller for tests).
    void setMaxRowsPerSheet(int rows) { m_maxRows = std::clamp(rows, 2, MaxRows); }

protected:
    bool write(const ExportLayout& layout, QIODevice& device) override;

private:
    int m_maxRows = MaxRows;
};

} // namespace gridexport
