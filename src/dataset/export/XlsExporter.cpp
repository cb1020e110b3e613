#include "dataset/export/XlsExporter.h"

#include "dataset/export/BiffRecords.h"
#include "dataset/export/CompoundFileWriter.h"

#include <QIODevice>
#include <QMap>
#include <QtEndian>

#include <cstring>
#include <functional>

namespace gridexport {

using namespace biff;

namespace {

constexpr quint16 kFontNormal = 0;
constexpr quint16 kFontBold = 5; // font index 4 does not exist in BIFF
constexpr quint16 kFirstCustomFormat = 164;
constexpr quint16 kFirstCellXf = 16;
constexpr quint32 kNoText = 0xFFFFFFFF;

// Record sizes, header included.
constexpr qint64 kLabelSize = 4 + 10;
constexpr qint64 kNumberSize = 4 + 14;
constexpr qint64 kRkSize = 4 + 10;

qint64 numberSize(const CellValue& v) {
    quint32 rk;
    return rkValue(v, rk) ? kRkSize : kNumberSize;
}
constexpr qint64 kBlankSize = 4 + 6;

enum class CellKind { Skip, Label, Number };

quint8 horizontal(Alignment a) {
    switch (a) {
    case Alignment::Left:
        return 1;
    case Alignment::Center:
        return 2;
    case Alignment::Right:
        return 3;
    }
    return 0;
}

QString cellText(const QString& text) {
    return text.size() > MaxCellText ? text.left(MaxCellText) : text;
}

// Cell formats (XF records) in use, each a font, number format and alignment.
class CellFormats {
public:
    quint16 xf(quint16 font, const QString& numberFormat, quint8 align, bool header = false) {
        const quint16 format = formatId(numberFormat);
        const quint32 key = quint32(font) << 24 | quint32(format) << 8 | align << 1 | (header ? 1 : 0);
        auto it = m_xfIndex.constFind(key);
        if (it != m_xfIndex.constEnd())
            return it.value();
        const quint16 index = quint16(kFirstCellXf + m_xfs.size());
        QByteArray b;
        put16(b, font);
        put16(b, format);
        put16(b, 0x0001); // locked, parent style XF 0
        // Horizontal alignment; header cells centred vertically and wrapped.
        b.append(char(header ? (align | 0x08 | 0x10) : (align | 0x20)));
        b.append(char(0));
        b.append(char(0));
        b.append(char(0xFC)); // every attribute set here, not inherited
        put32(b, 0);
        put32(b, header ? (1u << 26) : 0u); // header: solid fill
        put16(b, header ? quint16(22 | (64 << 7)) : quint16(64 | (65 << 7)));
        m_xfs.append(b);
        m_xfIndex.insert(key, index);
        return index;
    }

    void writeFormatsAndXfs(QByteArray& g) const {
        for (auto it = m_formats.constBegin(); it != m_formats.constEnd(); ++it) {
            QByteArray b;
            put16(b, it.value());
            b.append(unicodeString(it.key()));
            appendRecord(g, Format, b);
        }
        // Fifteen style XFs and the default cell XF precede ours.
        for (int i = 0; i < kFirstCellXf; ++i) {
            QByteArray b;
            put16(b, 0);
            put16(b, 0);
            put16(b, i < 15 ? 0xFFF5 : 0x0001);
            b.append(char(0x20));
            b.append(char(0));
            b.append(char(0));
            b.append(char(i == 0 || i == 15 ? 0x00 : 0xF4));
            put32(b, 0);
            put32(b, 0);
            put16(b, quint16(64 | (65 << 7)));
            appendRecord(g, Xf, b);
        }
        for (const QByteArray& b : m_xfs)
            appendRecord(g, Xf, b);
    }

private:
    quint16 formatId(const QString& format) {
        if (format.isEmpty())
            return 0; // General
        auto it = m_formats.constFind(format);
        if (it != m_formats.constEnd())
            return it.value();
        const quint16 id = quint16(kFirstCustomFormat + m_formats.size());
        m_formats.insert(format, id);
        return id;
    }

    QMap<QString, quint16> m_formats;
    QHash<quint32, quint16> m_xfIndex;
    QVector<QByteArray> m_xfs;
};

struct Sheet {
    QString name;
    int firstRow = 0; // first data row of the layout
    int rowCount = 0; // data rows
    bool footer = false;
    qint64 size = 0; // bytes of the worksheet substream
};

class Workbook {
public:
    // `progressed` is told each row done in the pass (0: planning, 1: writing);
    // false stops the work.
    using Progress = std::function<bool(int pass, int row)>;
    Workbook(const ExportLayout& layout, int maxRows, Progress progressed)
        : m_layout(layout), m_maxRows(maxRows), m_progressed(std::move(progressed)) {}

    bool plan(QString& error);
    qint64 streamSize() const {
        qint64 total = m_globals.size();
        for (const Sheet& s : m_sheets)
            total += s.size;
        return total;
    }
    bool write(CompoundFileWriter& out, QString& error);

private:
    CellKind kindOf(int row, int col, QString& text, CellValue& value) const;
    qint64 fixedSheetSize() const;
    void buildGlobals();
    bool writeSheet(const Sheet& sheet, bool first, CompoundFileWriter& out, QString& error);

    const ExportLayout& m_layout;
    int m_maxRows;
    Progress m_progressed;
    SharedStrings m_strings;
    CellFormats m_formats;
    QVector<quint16> m_cellXf, m_footerXf;
    quint16 m_headerXf = 0;
    QVector<QVector<int>> m_headerCover; // header cell index per (title row, column)
    // The title rows: the subtitle (when there is one) above the column titles.
    QVector<HeaderCell> m_header;
    int m_depth = 0;
    QVector<Sheet> m_sheets;
    QByteArray m_globals;
    // The shared-string index of every text cell (or kNoText for an empty
    // one) in writing order, so that the second pass reads only numbers.
    QVector<quint32> m_textCodes;
    qsizetype m_nextText = 0;
    qint64 m_headerBytes = 0;
    qint64 m_footerBytes = 0;
    int m_merges = 0;
};

CellKind Workbook::kindOf(int row, int col, QString& text, CellValue& value) const {
    if (m_layout.column(col).fieldClass != FieldClass::Text) {
        value = m_layout.value(row, col);
        if (value.isNumber())
            return CellKind::Number;
    }
    text = cellText(m_layout.text(row, col));
    return text.isEmpty() ? CellKind::Skip : CellKind::Label;
}

qint64 Workbook::fixedSheetSize() const {
    const int cols = m_layout.columnCount();
    qint64 size = 20 + 16 * cols + 18 + 22 + 4; // BOF, COLINFO, DIMENSION, WINDOW2, EOF
    size += m_headerBytes;
    const int records = (m_merges + 1025) / 1026;
    size += qint64(records) * 6 + qint64(m_merges) * 8;
    return size;
}

bool Workbook::plan(QString& error) {
    const int cols = m_layout.columnCount();
    if (cols > XlsExporter::MaxColumns) {
        error = QStringLiteral("列数超过 %1, 无法导出为 Excel 文件").arg(XlsExporter::MaxColumns);
        return false;
    }
    // A subtitle (the period, a filter in force) says what the rows are: a
    // title row of its own, across every column.
    m_header = m_layout.headerCells();
    m_depth = m_layout.headerDepth();
    const QString subtitle = cellText(m_layout.source().subtitle()).trimmed();
    if (!subtitle.isEmpty()) {
        for (HeaderCell& h : m_header)
            ++h.row;
        m_header.prepend(HeaderCell{0, 0, 1, cols, subtitle});
        ++m_depth;
    }
    const int depth = m_depth;
    const int capacity = m_maxRows - depth;
    if (capacity < 1) {
        error = QStringLiteral("标题行太多, 无法导出为 Excel 文件");
        return false;
    }

    // Formats: one per column for its cells, one per column for the footer.
    m_headerXf = m_formats.xf(kFontBold, QString(), 2, true);
    for (int c = 0; c < cols; ++c) {
        const ExportColumn& info = m_layout.column(c);
        const QString format = excelNumberFormat(info.fieldClass, info.displayFormat);
        m_cellXf.append(m_formats.xf(kFontNormal, format, horizontal(info.alignment)));
        if (m_layout.hasFooter()) {
            const FooterCell f = m_layout.footer(c);
            QString footFormat;
            if (f.value.isNumber()) {
                const FieldClass kind = f.value.kind == CellValue::Fixed      ? FieldClass::Money
                                        : f.value.kind == CellValue::Integer  ? FieldClass::Integer
                                        : f.value.kind == CellValue::DateTime ? FieldClass::DateTime
                                                                              : FieldClass::Float;
                footFormat = excelNumberFormat(kind, f.displayFormat.isEmpty() && kind == info.fieldClass
                                                         ? info.displayFormat
                                                         : f.displayFormat);
            }
            m_footerXf.append(m_formats.xf(kFontBold, footFormat, horizontal(f.alignment)));
        }
    }

    // Title rows: texts, merged areas and their byte count (same on every sheet).
    m_headerCover = QVector<QVector<int>>(depth, QVector<int>(cols, -1));
    const QVector<HeaderCell>& header = m_header;
    for (int i = 0; i < header.size(); ++i) {
        const HeaderCell& h = header.at(i);
        for (int r = h.row; r < h.row + h.rowSpan; ++r)
            for (int c = h.column; c < h.column + h.columnSpan; ++c)
                m_headerCover[r][c] = i;
        if (h.rowSpan > 1 || h.columnSpan > 1)
            ++m_merges;
        m_headerBytes += cellText(h.text).isEmpty() ? kBlankSize : kLabelSize;
        m_headerBytes += kBlankSize * (h.rowSpan * h.columnSpan - 1);
        if (!cellText(h.text).isEmpty())
            m_strings.intern(cellText(h.text));
    }

    // Worksheets.
    const int rows = m_layout.rowCount();
    const int footerRows = m_layout.hasFooter() ? 1 : 0;
    const int sheetCount = std::max(1, (rows + footerRows + capacity - 1) / capacity);
    for (int s = 0; s < sheetCount; ++s) {
        Sheet sheet;
        sheet.name = worksheetName(m_layout.source().tableName(), s);
        sheet.firstRow = s * capacity;
        sheet.rowCount = std::clamp(rows - sheet.firstRow, 0, capacity);
        sheet.footer = footerRows && s == sheetCount - 1;
        sheet.size = fixedSheetSize();
        m_sheets.append(sheet);
    }
    // Every sheet repeats the title texts.
    for (int s = 1; s < sheetCount; ++s)
        for (const HeaderCell& h : header)
            if (!cellText(h.text).isEmpty())
                m_strings.countUse();

    // First pass over the rows: distinct texts and the size of every sheet.
    QString text;
    CellValue value;
    for (Sheet& sheet : m_sheets) {
        for (int r = sheet.firstRow; r < sheet.firstRow + sheet.rowCount; ++r) {
            for (int c = 0; c < cols; ++c) {
                switch (kindOf(r, c, text, value)) {
                case CellKind::Label:
                    m_textCodes.append(m_strings.intern(text));
                    sheet.size += kLabelSize;
                    break;
                case CellKind::Number:
                    sheet.size += numberSize(value);
                    break;
                case CellKind::Skip:
                    m_textCodes.append(kNoText);
                    break;
                }
            }
            if (!m_progressed(0, r))
                return false;
        }
        if (sheet.footer) {
            for (int c = 0; c < cols; ++c) {
                const FooterCell f = m_layout.footer(c);
                if (f.value.isNumber()) {
                    sheet.size += numberSize(f.value);
                } else if (!cellText(f.text).isEmpty()) {
                    m_strings.intern(cellText(f.text));
                    sheet.size += kLabelSize;
                }
            }
        }
    }
    buildGlobals();
    if (streamSize() > CompoundFileWriter::MaxStreamSize) {
        error = QStringLiteral("数据量太大, 超出 Excel 文件的容量");
        return false;
    }
    return true;
}

void Workbook::buildGlobals() {
    QByteArray& g = m_globals;
    QByteArray b;
    auto bof = [](quint16 type) {
        QByteArray r;
        put16(r, 0x0600);
        put16(r, type);
        put16(r, 0x0DBB);
        put16(r, 0x07CC);
        put32(r, 0);
        put32(r, 6);
        return r;
    };
    appendRecord(g, Bof, bof(0x0005));
    b.clear();
    put16(b, 1200); // UTF-16
    appendRecord(g, CodePage, b);
    b.clear();
    for (quint16 v : {0, 0, 0x4000, 0x2000, 0x0038, 0, 0, 1, 0x0258})
        put16(b, v);
    appendRecord(g, Window1, b);
    b.clear();
    put16(b, 0); // 1900 date system
    appendRecord(g, DateMode, b);
    for (int i = 0; i < 5; ++i) {
        b.clear();
        put16(b, 180); // 9 points in twentieths
        put16(b, 0);
        put16(b, 0x7FFF);
        put16(b, i == 4 ? 700 : 400);
        put16(b, 0);
        b.append(char(0));   // no underline
        b.append(char(0));   // family
        b.append(char(134)); // GB2312 character set
        b.append(char(0));
        b.append(shortUnicodeString(QStringLiteral("宋体")));
        appendRecord(g, Font, b);
    }
    m_formats.writeFormatsAndXfs(g);
    b.clear();
    put16(b, 0x8000); // built-in style "Normal" on XF 0
    b.append(char(0));
    b.append(char(0xFF));
    appendRecord(g, Style, b);

    // Sheet positions: after the globals, whose size the names already fix.
    qint64 boundSheets = 0;
    for (const Sheet& s : m_sheets)
        boundSheets += 4 + 6 + 2 + 2 * qint64(s.name.size());
    QByteArray tail;
    m_strings.write(tail); // measured here, written below at its real offset
    qint64 offset = g.size() + boundSheets + tail.size() + 4;
    for (const Sheet& s : m_sheets) {
        b.clear();
        put32(b, quint32(offset));
        b.append(char(0));
        b.append(char(0));
        b.append(shortUnicodeString(s.name));
        appendRecord(g, BoundSheet, b);
        offset += s.size;
    }
    m_strings.write(g);
    appendRecord(g, Eof, QByteArray());
}

bool Workbook::writeSheet(const Sheet& sheet, bool first, CompoundFileWriter& out, QString& error) {
    const int cols = m_layout.columnCount();
    const int depth = m_depth;
    QByteArray buf;
    buf.reserve(1 << 18);
    qint64 total = 0;
    auto flush = [&](bool force) {
        if (buf.size() < (1 << 18) && !force)
            return true;
        total += buf.size();
        const bool ok = out.write(buf);
        buf.clear();
        return ok;
    };
    char scratch[18];
    QByteArray b;
    put16(b, 0x0600);
    put16(b, 0x0010);
    put16(b, 0x0DBB);
    put16(b, 0x07CC);
    put32(b, 0);
    put32(b, 6);
    appendRecord(buf, Bof, b);
    for (int c = 0; c < cols; ++c) {
        b.clear();
        const int width = std::clamp(m_layout.column(c).displayWidth + 2, 2, 255);
        put16(b, quint16(c));
        put16(b, quint16(c));
        put16(b, quint16(width * 256));
        put16(b, 15);
        put16(b, 0);
        put16(b, 0);
        appendRecord(buf, ColInfo, b);
    }
    const int usedRows = depth + sheet.rowCount + (sheet.footer ? 1 : 0);
    b.clear();
    put32(b, 0);
    put32(b, quint32(usedRows));
    put16(b, 0);
    put16(b, quint16(cols));
    put16(b, 0);
    appendRecord(buf, Dimension, b);

    // Cell records, built in place: these run once per cell.
    auto cell = [&](quint16 type, int row, int col, quint16 xf, int extra) {
        char* p = scratch;
        qToLittleEndian(type, p);
        qToLittleEndian(quint16(6 + extra), p + 2);
        qToLittleEndian(quint16(row), p + 4);
        qToLittleEndian(quint16(col), p + 6);
        qToLittleEndian(xf, p + 8);
        return p + 10;
    };
    auto labelIndex = [&](int row, int col, quint16 xf, quint32 index) {
        qToLittleEndian(index, cell(LabelSst, row, col, xf, 4));
        buf.append(scratch, 14);
    };
    auto label = [&](int row, int col, quint16 xf, const QString& text) {
        const qint64 index = m_strings.find(text);
        labelIndex(row, col, xf, quint32(index));
        return index >= 0;
    };
    auto number = [&](int row, int col, quint16 xf, const CellValue& value) {
        quint32 rk;
        if (rkValue(value, rk)) {
            qToLittleEndian(rk, cell(Rk, row, col, xf, 4));
            buf.append(scratch, 14);
            return;
        }
        const double v = spreadsheetNumber(value);
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        qToLittleEndian(bits, cell(Number, row, col, xf, 8));
        buf.append(scratch, 18);
    };
    auto blank = [&](int row, int col, quint16 xf) {
        cell(Blank, row, col, xf, 0);
        buf.append(scratch, 10);
    };

    const QVector<HeaderCell>& header = m_header;
    for (int r = 0; r < depth; ++r) {
        for (int c = 0; c < cols; ++c) {
            const int i = m_headerCover[r][c];
            const QString text = i < 0 ? QString() : cellText(header.at(i).text);
            if (i >= 0 && header.at(i).row == r && header.at(i).column == c && !text.isEmpty())
                label(r, c, m_headerXf, text);
            else
                blank(r, c, m_headerXf);
        }
    }
    bool consistent = true;
    // Texts were looked up in the first pass; only numbers are read again.
    int sheetRow = depth;
    for (int r = sheet.firstRow; r < sheet.firstRow + sheet.rowCount; ++r, ++sheetRow) {
        for (int c = 0; c < cols; ++c) {
            if (m_layout.column(c).fieldClass != FieldClass::Text) {
                const CellValue value = m_layout.value(r, c);
                if (value.isNumber()) {
                    number(sheetRow, c, m_cellXf.at(c), value);
                    continue;
                }
            }
            if (m_nextText >= m_textCodes.size()) {
                consistent = false;
                continue;
            }
            const quint32 code = m_textCodes.at(m_nextText++);
            if (code != kNoText)
                labelIndex(sheetRow, c, m_cellXf.at(c), code);
        }
        if (!flush(false))
            break;
        if (!m_progressed(1, r))
            return false;
    }
    if (sheet.footer) {
        for (int c = 0; c < cols; ++c) {
            const FooterCell f = m_layout.footer(c);
            if (f.value.isNumber())
                number(sheetRow, c, m_footerXf.at(c), f.value);
            else if (!cellText(f.text).isEmpty())
                consistent &= label(sheetRow, c, m_footerXf.at(c), cellText(f.text));
        }
    }

    b.clear();
    for (quint16 v : {quint16(first ? 0x06B6 : 0x00B6), quint16(0), quint16(0), quint16(64), quint16(0),
                      quint16(0), quint16(0), quint16(0), quint16(0)})
        put16(b, v);
    appendRecord(buf, Window2, b);

    QVector<const HeaderCell*> merges;
    for (const HeaderCell& h : header)
        if (h.rowSpan > 1 || h.columnSpan > 1)
            merges.append(&h);
    for (int start = 0; start < merges.size(); start += 1026) {
        const int count = std::min(1026, int(merges.size()) - start);
        b.clear();
        put16(b, quint16(count));
        for (int k = start; k < start + count; ++k) {
            const HeaderCell& h = *merges.at(k);
            put16(b, quint16(h.row));
            put16(b, quint16(h.row + h.rowSpan - 1));
            put16(b, quint16(h.column));
            put16(b, quint16(h.column + h.columnSpan - 1));
        }
        appendRecord(buf, MergedCells, b);
    }
    appendRecord(buf, Eof, QByteArray());
    if (!flush(true)) {
        error = out.errorString();
        return false;
    }
    if (!consistent || total != sheet.size) {
        error = QStringLiteral("导出期间数据发生了变化, 请重新导出");
        return false;
    }
    return true;
}

bool Workbook::write(CompoundFileWriter& out, QString& error) {
    if (!out.write(m_globals)) {
        error = out.errorString();
        return false;
    }
    for (int s = 0; s < m_sheets.size(); ++s)
        if (!writeSheet(m_sheets.at(s), s == 0, out, error))
            return false;
    return true;
}

} // namespace

bool XlsExporter::write(const ExportLayout& layout, QIODevice& device) {
    // The two passes over the rows count for half the rows each.
    const qint64 rows = layout.rowCount();
    Workbook book(layout, m_maxRows,
                  [this, rows](int pass, int row) { return progressed((pass * rows + row + 1) / 2); });
    QString error;
    if (!book.plan(error))
        return fail(error);
    const qint64 size = book.streamSize();
    // Small workbooks are padded to the mini-stream cut-off so that the
    // stream lives in regular sectors.
    const qint64 padded = std::max<qint64>(size, CompoundFileWriter::MiniStreamCutoff);
    CompoundFileWriter cfb;
    if (!cfb.begin(&device, QStringLiteral("Workbook"), padded))
        return fail(cfb.errorString());
    if (!book.write(cfb, error))
        return fail(error);
    if (padded > size && !cfb.write(QByteArray(int(padded - size), '\0')))
        return fail(cfb.errorString());
    if (!cfb.finish())
        return fail(cfb.errorString());
    return true;
}

} // namespace gridexport
