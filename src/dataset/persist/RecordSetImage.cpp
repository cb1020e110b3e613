#include "dataset/persist/RecordSetImage.h"

namespace persist {

namespace {
constexpr std::uint32_t kBatchRows = 65536;
// Vectors grow from here; a small file does not pay for a full batch.
constexpr std::uint32_t kReserveRows = 4096;
} // namespace

void badFormat(const QString& detail) {
    throw PersistError{QStringLiteral("文件格式不正确: ") + detail};
}

RowCollector::RowCollector(RecordSetImage& image) : m_image(image) {
    for (const ColumnDef& c : image.columns)
        m_kinds.push_back(storageKind(c.type));
}

void RowCollector::addRow(const std::vector<ScratchCell>& cells) {
    // A row with more or fewer cells than the columns would be written past
    // the batch's columns or leave them uneven.
    if (cells.size() != m_kinds.size() || m_image.columns.size() != m_kinds.size())
        badFormat(
            QStringLiteral("记录的值个数 %1 与字段数 %2 不符").arg(cells.size()).arg(m_image.columns.size()));
    if (m_image.batches.empty() || m_image.batches.back().rows() >= kBatchRows)
        m_image.batches.emplace_back(m_kinds, kReserveRows);
    RowBatch& b = m_image.batches.back();
    for (std::size_t c = 0; c < m_kinds.size(); ++c) {
        const ScratchCell& cell = cells[c];
        const int col = int(c);
        if (cell.null) {
            b.addNull(col);
            continue;
        }
        switch (m_kinds[c]) {
        case StorageKind::Int64:
        case StorageKind::Fixed4:
            b.addInt(col, cell.i);
            break;
        case StorageKind::Double:
            b.addDouble(col, cell.d);
            break;
        case StorageKind::Bytes:
            b.addBytes(col, cell.s.data(), cell.s.size());
            break;
        }
    }
    b.endRow();
    ++m_image.rows;
}

QString commonBaseTable(const std::vector<ColumnDef>& columns) {
    QString common;
    for (const ColumnDef& c : columns) {
        if (c.baseTable.isEmpty())
            continue;
        if (common.isEmpty())
            common = c.baseTable;
        else if (common.compare(c.baseTable, Qt::CaseInsensitive) != 0)
            return QString();
    }
    return common;
}

} // namespace persist
