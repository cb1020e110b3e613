#include "dataset/export/ExportSource.h"

namespace gridexport {

void MemoryExportSource::addRow(const QVector<QString>& texts, const QVector<CellValue>& values) {
    m_texts.append(texts);
    m_values.append(values);
}

QString MemoryExportSource::displayText(int row, int col) const {
    const QVector<QString>& texts = m_texts.at(row);
    return col < texts.size() ? texts.at(col) : QString();
}

CellValue MemoryExportSource::value(int row, int col) const {
    const QVector<CellValue>& values = m_values.at(row);
    return col < values.size() ? values.at(col) : CellValue::text();
}

} // namespace gridexport
