#pragma once
// The data rows of a worksheet part (<row> elements of <sheetData>) written
// straight as SpreadsheetML: numbers as their exact decimal text, texts as
// inline strings, each cell with its column's style. The workbook around
// them (styles, titles, footer, chart) comes from libxlsxwriter; these rows
// are the bulk of a large export and are written here because the library
// prints every number through printf.
#include "dataset/export/ExportLayout.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace gridexport {

// Text as a cell's UTF-8 string, encoded into a buffer kept across cells:
// characters an XML document cannot carry (control characters other than
// tab and line breaks, U+FFFE, U+FFFF) are dropped; longer texts than a cell
// holds (32,767 characters) are cut. The result stays valid until the next call.
class CellText {
public:
    const char* operator()(const QString& text);
    qsizetype size() const { return m_size; }

private:
    QByteArray m_buffer;
    qsizetype m_size = 0;
};

// "A", "B", ... "XFD" for a column index from 0.
QByteArray xlsxColumnName(int col);

class XlsxSheetRows {
public:
    // `styles`: the cell style (xf) index of each written column; 0 writes no style.
    XlsxSheetRows(const ExportLayout& layout, QVector<int> styles);

    // Appends the layout's row `row` as worksheet row `sheetRow` (from 1);
    // nothing when none of its cells has a value.
    void append(QByteArray& out, int row, int sheetRow);

private:
    void cellStart(QByteArray& out, int col, const char* rowNumber, int rowDigits);
    void appendNumber(QByteArray& out, const CellValue& value);
    void appendText(QByteArray& out, const char* text, qsizetype size);

    const ExportLayout& m_layout;
    QVector<QByteArray> m_cellOpen;  // "<c r=\"" ... per column, before the row number
    QVector<QByteArray> m_styleAttr; // "\" s=\"5\"" or "\""
    QVector<bool> m_numeric;
    CellText m_text;
};

} // namespace gridexport
