#include "dataset/export/CsvExporter.h"

#include <QIODevice>

namespace gridexport {

QString CsvExporter::field(const QString& text) const {
    bool quote = false;
    for (const QChar ch : text) {
        if (ch == m_separator || ch == QLatin1Char('"') || ch == QLatin1Char('\n') ||
            ch == QLatin1Char('\r')) {
            quote = true;
            break;
        }
    }
    if (!quote)
        return text;
    QString out;
    out.reserve(text.size() + 8);
    out += QLatin1Char('"');
    for (const QChar ch : text) {
        if (ch == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += ch;
    }
    out += QLatin1Char('"');
    return out;
}

bool CsvExporter::write(const ExportLayout& layout, QIODevice& device) {
    BufferedOutput out(device);
    out.write(kUtf8Bom);
    const int cols = layout.columnCount();
    QString line;
    auto emitLine = [&](auto&& cellText) {
        line.clear();
        for (int c = 0; c < cols; ++c) {
            if (c > 0)
                line += m_separator;
            line += field(cellText(c));
        }
        line += QLatin1String("\r\n");
        out.writeText(line);
    };
    emitLine([&](int c) { return spreadsheetText(layout.joinedTitle(c)); });
    for (int r = 0, rows = layout.rowCount(); r < rows && out.ok(); ++r) {
        emitLine([&](int c) { return delimitedCell(layout, r, c); });
        if (!progressed(r + 1))
            return false;
    }
    if (layout.hasFooter())
        emitLine([&](int c) { return delimitedFooterCell(layout, c); });
    if (!out.flush())
        return fail(out.errorString());
    return true;
}

} // namespace gridexport
