#include "dataset/export/HtmlExporter.h"

#include <QIODevice>

namespace gridexport {

namespace {

QLatin1String alignStyle(Alignment a) {
    switch (a) {
    case Alignment::Right:
        return QLatin1String(" style=\"text-align:right\"");
    case Alignment::Center:
        return QLatin1String(" style=\"text-align:center\"");
    case Alignment::Left:
        break;
    }
    return QLatin1String("");
}

} // namespace

QString HtmlExporter::escape(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        switch (ch.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\r':
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("<br>");
            break;
        case '\n':
            out += QLatin1String("<br>");
            break;
        default:
            out += ch;
        }
    }
    return out;
}

bool HtmlExporter::write(const ExportLayout& layout, QIODevice& device) {
    BufferedOutput out(device);
    const int cols = layout.columnCount();
    out.writeText(
        QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n"
                       "<style>table{border-collapse:collapse}th,td{border:1px solid #808080;"
                       "padding:2px 4px}th{background:#e0e0e0}tfoot td{font-weight:bold}</style>\n"
                       "</head>\n<body>\n<table>\n")
            .arg(escape(layout.source().tableName())));
    if (!layout.source().subtitle().trimmed().isEmpty())
        out.writeText(QStringLiteral("<caption>%1</caption>\n").arg(escape(layout.source().subtitle())));
    out.writeText(QStringLiteral("<thead>\n"));

    const QVector<HeaderCell>& header = layout.headerCells();
    int next = 0;
    for (int r = 0; r < layout.headerDepth(); ++r) {
        QString row = QStringLiteral("<tr>");
        for (; next < header.size() && header.at(next).row == r; ++next) {
            const HeaderCell& cell = header.at(next);
            row += QLatin1String("<th");
            if (cell.columnSpan > 1)
                row += QStringLiteral(" colspan=\"%1\"").arg(cell.columnSpan);
            if (cell.rowSpan > 1)
                row += QStringLiteral(" rowspan=\"%1\"").arg(cell.rowSpan);
            row += QLatin1Char('>') + escape(cell.text) + QLatin1String("</th>");
        }
        row += QLatin1String("</tr>\n");
        out.writeText(row);
    }
    out.writeText(QStringLiteral("</thead>\n<tbody>\n"));

    QVector<QLatin1String> styles;
    for (int c = 0; c < cols; ++c)
        styles.append(alignStyle(layout.column(c).alignment));
    QString row;
    for (int r = 0, rows = layout.rowCount(); r < rows && out.ok(); ++r) {
        row = QStringLiteral("<tr>");
        for (int c = 0; c < cols; ++c)
            row += QLatin1String("<td") + styles.at(c) + QLatin1Char('>') + escape(layout.text(r, c)) +
                   QLatin1String("</td>");
        row += QLatin1String("</tr>\n");
        out.writeText(row);
        if (!progressed(r + 1))
            return false;
    }
    out.writeText(QStringLiteral("</tbody>\n"));
    if (layout.hasFooter()) {
        row = QStringLiteral("<tfoot>\n<tr>");
        for (int c = 0; c < cols; ++c) {
            const FooterCell cell = layout.footer(c);
            row += QLatin1String("<td") + alignStyle(cell.alignment) + QLatin1Char('>') + escape(cell.text) +
                   QLatin1String("</td>");
        }
        row += QLatin1String("</tr>\n</tfoot>\n");
        out.writeText(row);
    }
    out.writeText(QStringLiteral("</table>\n</body>\n</html>\n"));
    if (!out.flush())
        return fail(out.errorString());
    return true;
}

} // namespace gridexport
