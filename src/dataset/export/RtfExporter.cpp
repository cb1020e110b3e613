#include "dataset/export/RtfExporter.h"

#include <QIODevice>

namespace gridexport {

namespace {

// Twips per character of the 9-point table font, and the cell padding.
constexpr int kTwipsPerChar = 100;
constexpr int kCellPadding = 120;

QByteArray borderText() {
    return QByteArrayLiteral("\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                             "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10");
}

QByteArray alignControl(Alignment a) {
    switch (a) {
    case Alignment::Right:
        return QByteArrayLiteral("\\qr");
    case Alignment::Center:
        return QByteArrayLiteral("\\qc");
    case Alignment::Left:
        break;
    }
    return QByteArrayLiteral("\\ql");
}

} // namespace

QByteArray RtfExporter::escape(const QString& text) {
    QByteArray out;
    out.reserve(text.size() + 16);
    for (int i = 0; i < text.size(); ++i) {
        const ushort u = text.at(i).unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\r') {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += "\\line ";
        } else if (u == '\n') {
            out += "\\line ";
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u < 0x20) {
            continue;
        } else if (u < 0x80) {
            out += char(u);
        } else {
            // \uN takes a signed 16-bit number; '?' is the fallback for old readers.
            out += "\\u";
            out += QByteArray::number(int(qint16(u)));
            out += '?';
        }
    }
    return out;
}

bool RtfExporter::write(const ExportLayout& layout, QIODevice& device) {
    BufferedOutput out(device);
    const int cols = layout.columnCount();
    QVector<int> right(cols); // right boundary of each column in twips
    int x = 0;
    for (int c = 0; c < cols; ++c) {
        x += std::max(2, layout.column(c).displayWidth) * kTwipsPerChar + kCellPadding;
        right[c] = x;
    }
    const QByteArray borders = borderText();

    out.write(
        QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1"
                          "{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}"
                          "\\paperw16838\\paperh11906\\margl720\\margr720\\margt720\\margb720\\landscape\n"
                          "\\pard\\plain\\f0\\fs18\n"));
    const QString name = layout.source().tableName();
    if (!name.isEmpty())
        out.write("\\pard\\qc\\b\\fs28 " + escape(name) + "\\b0\\fs18\\par\n");
    const QString subtitle = layout.source().subtitle();
    if (!subtitle.trimmed().isEmpty())
        out.write("\\pard\\qc\\fs18 " + escape(subtitle) + "\\par\n");

    // Title rows: a grid of which header cell covers each (row, column).
    const int depth = layout.headerDepth();
    QVector<QVector<int>> cover(depth, QVector<int>(cols, -1));
    const QVector<HeaderCell>& header = layout.headerCells();
    for (int i = 0; i < header.size(); ++i) {
        const HeaderCell& h = header.at(i);
        for (int r = h.row; r < h.row + h.rowSpan; ++r)
            for (int c = h.column; c < h.column + h.columnSpan; ++c)
                cover[r][c] = i;
    }
    for (int r = 0; r < depth; ++r) {
        QByteArray defs = "\\trowd\\trgaph60\\trleft0\\trhdr";
        QByteArray texts = "\\pard\\intbl\\qc\\b ";
        for (int c = 0; c < cols;) {
            const int i = cover[r][c];
            if (i < 0) { // cannot happen: every column has its own title
                ++c;
                continue;
            }
            const HeaderCell& h = header.at(i);
            const int last = h.column + h.columnSpan - 1;
            defs += "\\clvertalc" + borders;
            if (h.rowSpan > 1)
                defs += h.row == r ? "\\clvmgf" : "\\clvmrg";
            defs += "\\cellx" + QByteArray::number(right[last]);
            if (h.row == r)
                texts += escape(h.text);
            texts += "\\cell ";
            c = last + 1;
        }
        out.write(defs + '\n' + texts + "\\b0\\row\n");
    }

    QByteArray rowDefs = "\\trowd\\trgaph60\\trleft0";
    for (int c = 0; c < cols; ++c)
        rowDefs += borders + "\\cellx" + QByteArray::number(right[c]);
    rowDefs += '\n';
    QVector<QByteArray> aligns;
    for (int c = 0; c < cols; ++c)
        aligns.append("\\pard\\intbl" + alignControl(layout.column(c).alignment) + ' ');
    for (int r = 0, rows = layout.rowCount(); r < rows && out.ok(); ++r) {
        out.write(rowDefs);
        for (int c = 0; c < cols; ++c) {
            out.write(aligns.at(c));
            out.write(escape(layout.text(r, c)));
            out.write("\\cell ", 6);
        }
        out.write("\\row\n", 5);
        if (!progressed(r + 1))
            return false;
    }
    if (layout.hasFooter()) {
        out.write(rowDefs);
        for (int c = 0; c < cols; ++c) {
            const FooterCell cell = layout.footer(c);
            out.write("\\pard\\intbl" + alignControl(cell.alignment) + "\\b " + escape(cell.text) +
                      "\\b0\\cell ");
        }
        out.write("\\row\n", 5);
    }
    out.write("\\pard\\par\n}\n", 12);
    if (!out.flush())
        return fail(out.errorString());
    return true;
}

} // namespace gridexport
