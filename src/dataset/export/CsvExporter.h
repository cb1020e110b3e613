#pragma once
// Comma-separated values: UTF-8 with a byte-order mark so that spreadsheets
// read Chinese texts; a cell holding the separator, a double quote or a line
// break is quoted, its quotes doubled; lines end in CR LF. A text that a
// spreadsheet would take for a formula gets a leading apostrophe (see
// spreadsheetText); numbers of number columns stay as they are. A multi-level
// title is one cell with its levels joined by "|". The footer row, when it
// goes along, is the last line.
#include "dataset/export/GridExporter.h"

namespace gridexport {

class CsvExporter : public GridExporter {
public:
    explicit CsvExporter(QChar separator = QLatin1Char(',')) : m_separator(separator) {}
    QString fileExtension() const override { return QStringLiteral(".CSV"); }

    // One cell as written, quoted when it must be.
    QString field(const QString& text) const;

protected:
    bool write(const ExportLayout& layout, QIODevice& device) override;

private:
    QChar m_separator;
};

} // namespace gridexport
