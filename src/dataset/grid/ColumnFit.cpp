#include "dataset/grid/ColumnFit.h"

#include "dataset/DataSet.h"

#include <algorithm>

namespace ColumnFit {

int textCells(const QString& text) {
    int cells = 0;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        // CJK ideographs, kana, Hangul and full-width forms are drawn two cells wide.
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                          (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                          (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                          (u >= 0xFFE0 && u <= 0xFFE6) || ch.isHighSurrogate();
        cells += ch.isLowSurrogate() ? 0 : (wide ? 2 : 1);
    }
    return cells;
}

namespace {
// A multi-level caption "收入|现金" is drawn one level per line.
int captionCells(const QString& caption) {
    int widest = 0;
    for (const QString& level : caption.split(QLatin1Char('|')))
        widest = std::max(widest, textCells(level));
    return widest;
}
} // namespace

void fitWidths(DataSet& dataSet, int sampleRows) {
    const int rows = dataSet.recordCount();
    const int step = rows <= sampleRows || sampleRows <= 0 ? 1 : rows / sampleRows;
    for (int f = 0; f < dataSet.fieldCount(); ++f) {
        Field* field = dataSet.field(f);
        if (field->hasDisplayWidth())
            continue;
        int values = 0;
        for (int r = 0; r < rows; r += step)
            values = std::max(values, textCells(dataSet.displayText(r, f)));
        const FieldType type = field->dataType();
        int width = captionCells(field->displayLabel());
        // An empty set still shows its footer sums ("¥0.00") under number columns.
        if (rows == 0)
            values = textCells(QStringLiteral("¥0.00"));
        if (isNumericType(type))
            width = std::max(width, values + kNumberHeadroom);
        else if (isTextType(type))
            width = std::max(width, std::min(values, kTextCap));
        else
            width = std::max({width, values, field->displayWidth()});
        field->setDisplayWidth(std::max(width, 4));
    }
}

void putFirst(DataSet& dataSet, const QStringList& fieldNames) {
    int at = 0;
    for (const QString& name : fieldNames)
        if (Field* field = dataSet.findField(name))
            dataSet.moveField(field, at++);
}

} // namespace ColumnFit
