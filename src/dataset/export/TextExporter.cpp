#include "dataset/export/TextExporter.h"

#include <QIODevice>

namespace gridexport {

namespace {

bool isWide(char32_t u) {
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) ||
           (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
           (u >= 0xFFE0 && u <= 0xFFE6) || (u >= 0x20000 && u <= 0x3FFFD);
}

// A tab or line break inside a cell would break the line structure.
QString flatten(QString text) {
    for (QChar& ch : text)
        if (ch == QLatin1Char('\t') || ch == QLatin1Char('\r') || ch == QLatin1Char('\n'))
            ch = QLatin1Char(' ');
    return text;
}

} // namespace

int TextExporter::displayColumns(const QString& text) {
    int n = 0;
    for (char32_t u : text.toUcs4())
        n += isWide(u) ? 2 : 1;
    return n;
}

QString TextExporter::line(const ExportLayout& layout, const QVector<QString>& cells) const {
    QString out;
    const int n = cells.size();
    for (int c = 0; c < n; ++c) {
        const QString cell = flatten(cells.at(c));
        if (m_layout == Layout::TabSeparated) {
            if (c > 0)
                out += QLatin1Char('\t');
            out += cell;
            continue;
        }
        // Fixed width: pad to the column's width; a longer text is kept whole.
        const int pad = std::max(0, layout.column(c).displayWidth - displayColumns(cell));
        if (c > 0)
            out += QLatin1Char(' ');
        const Alignment align = layout.column(c).alignment;
        const int left = align == Alignment::Right ? pad : align == Alignment::Center ? pad / 2 : 0;
        out += QString(left, QLatin1Char(' '));
        out += cell;
        if (c < n - 1)
            out += QString(pad - left, QLatin1Char(' '));
    }
    if (m_layout == Layout::FixedWidth) {
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
    }
    out += QLatin1String("\r\n");
    return out;
}

bool TextExporter::write(const ExportLayout& layout, QIODevice& device) {
    BufferedOutput out(device);
    out.write(kUtf8Bom);
    const int cols = layout.columnCount();
    // Tab-separated text opens in a spreadsheet cell by cell, so its texts
    // are written as a spreadsheet must show them; the fixed-width layout
    // is for reading and printing and keeps every text as it is.
    const bool cellsForSpreadsheet = m_layout == Layout::TabSeparated;
    QVector<QString> cells(cols);
    for (int c = 0; c < cols; ++c)
        cells[c] = cellsForSpreadsheet ? spreadsheetText(layout.joinedTitle(c)) : layout.joinedTitle(c);
    out.writeText(line(layout, cells));
    for (int r = 0, rows = layout.rowCount(); r < rows && out.ok(); ++r) {
        for (int c = 0; c < cols; ++c)
            cells[c] = cellsForSpreadsheet ? delimitedCell(layout, r, c) : layout.text(r, c);
        out.writeText(line(layout, cells));
        if (!progressed(r + 1))
            return false;
    }
    if (layout.hasFooter()) {
        for (int c = 0; c < cols; ++c)
            cells[c] = cellsForSpreadsheet ? delimitedFooterCell(layout, c) : layout.footer(c).text;
        out.writeText(line(layout, cells));
    }
    if (!out.flush())
        return fail(out.errorString());
    return true;
}

} // namespace gridexport
