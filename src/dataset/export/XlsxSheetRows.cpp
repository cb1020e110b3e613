#include "dataset/export/XlsxSheetRows.h"

#include "dataset/export/BiffRecords.h"

#include <QStringEncoder>

#include <charconv>
#include <cmath>
#include <cstring>

namespace gridexport {

namespace {

bool xmlCharacter(char16_t ch) {
    return (ch >= 0x20 && ch != 0xFFFE && ch != 0xFFFF) || ch == u'\t' || ch == u'\n' || ch == u'\r';
}

bool space(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

void appendLiteral(QByteArray& out, const char* text) {
    out.append(text, qsizetype(std::strlen(text)));
}

template <typename T> void appendChars(QByteArray& out, T value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

// Money held in 1/10000 as its exact decimal text: "12.5", "-0.05", "3".
void appendFixed(QByteArray& out, std::int64_t units) {
    const bool negative = units < 0;
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(units) : std::uint64_t(units);
    if (negative)
        out.append('-');
    appendChars(out, magnitude / std::uint64_t(CellValue::FixedScale));
    std::uint64_t fraction = magnitude % std::uint64_t(CellValue::FixedScale);
    if (fraction == 0)
        return;
    char digits[4];
    for (int i = 3; i >= 0; --i, fraction /= 10)
        digits[i] = char('0' + fraction % 10);
    int length = 4;
    while (digits[length - 1] == '0')
        --length;
    out.append('.');
    out.append(digits, length);
}

} // namespace

const char* CellText::operator()(const QString& text) {
    QStringView view(text);
    if (view.size() > biff::MaxCellText)
        view = view.left(biff::MaxCellText);
    QString cleaned;
    for (const QChar ch : view)
        if (!xmlCharacter(ch.unicode())) {
            cleaned.reserve(view.size());
            for (const QChar kept : view)
                if (xmlCharacter(kept.unicode()))
                    cleaned += kept;
            view = cleaned;
            break;
        }
    m_buffer.resize(3 * view.size() + 1);
    QStringEncoder encoder(QStringEncoder::Utf8);
    char* end = encoder.appendToBuffer(m_buffer.data(), view);
    *end = '\0';
    m_size = end - m_buffer.constData();
    return m_buffer.constData();
}

QByteArray xlsxColumnName(int col) {
    QByteArray name;
    for (int n = col + 1; n > 0; n = (n - 1) / 26)
        name.prepend(char('A' + (n - 1) % 26));
    return name;
}

XlsxSheetRows::XlsxSheetRows(const ExportLayout& layout, QVector<int> styles) : m_layout(layout) {
    for (int c = 0; c < layout.columnCount(); ++c) {
        m_cellOpen.append("<c r=\"" + xlsxColumnName(c));
        const int style = styles.value(c);
        m_styleAttr.append(style > 0 ? "\" s=\"" + QByteArray::number(style) + '"' : QByteArray("\""));
        m_numeric.append(layout.column(c).fieldClass != FieldClass::Text);
    }
}

void XlsxSheetRows::append(QByteArray& out, int row, int sheetRow) {
    char number[16];
    const int digits = int(std::to_chars(number, number + sizeof number, sheetRow).ptr - number);
    const qsizetype start = out.size();
    appendLiteral(out, "<row r=\"");
    out.append(number, digits);
    appendLiteral(out, "\">");
    bool any = false;
    for (int c = 0; c < m_cellOpen.size(); ++c) {
        if (m_numeric.at(c)) {
            const CellValue value = m_layout.value(row, c);
            if (value.isNumber()) {
                // A float that is not a number has no cell: the file could not hold it.
                if (value.kind == CellValue::Float && !std::isfinite(value.real))
                    continue;
                cellStart(out, c, number, digits);
                appendLiteral(out, "><v>");
                appendNumber(out, value);
                appendLiteral(out, "</v></c>");
                any = true;
                continue;
            }
        }
        // Strings always, never formulas: a text stays the text the grid shows.
        const char* text = m_text(m_layout.text(row, c));
        if (m_text.size() == 0)
            continue;
        cellStart(out, c, number, digits);
        appendText(out, text, m_text.size());
        any = true;
    }
    if (any)
        appendLiteral(out, "</row>");
    else
        out.truncate(start);
}

void XlsxSheetRows::cellStart(QByteArray& out, int col, const char* rowNumber, int rowDigits) {
    out.append(m_cellOpen.at(col));
    out.append(rowNumber, rowDigits);
    out.append(m_styleAttr.at(col));
}

void XlsxSheetRows::appendNumber(QByteArray& out, const CellValue& value) {
    switch (value.kind) {
    case CellValue::Integer:
        appendChars(out, value.integer);
        break;
    case CellValue::Fixed:
        appendFixed(out, value.integer);
        break;
    default: // the shortest text that reads back as the same double
        appendChars(out, biff::spreadsheetNumber(value));
        break;
    }
}

void XlsxSheetRows::appendText(QByteArray& out, const char* text, qsizetype size) {
    // Leading or trailing white space is kept only when the element says so.
    appendLiteral(out, space(text[0]) || space(text[size - 1])
                           ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                           : " t=\"inlineStr\"><is><t>");
    const char* end = text + size;
    for (const char* p = text; p < end; ++p) {
        const char* special = p;
        while (special < end && *special != '&' && *special != '<' && *special != '>')
            ++special;
        out.append(p, special - p);
        if (special == end)
            break;
        appendLiteral(out, *special == '&' ? "&amp;" : *special == '<' ? "&lt;" : "&gt;");
        p = special;
    }
    appendLiteral(out, "</t></is></c>");
}

} // namespace gridexport
