#include "dataset/persist/RecordSetImage.h"

#include <algorithm>

namespace persist {

namespace {
constexpr std::uint32_t kBatchRows = 65536;
// Vectors grow from here; a small file does not pay for a full batch, nor a
// file of many columns for thousands of rows it may not have.
constexpr std::size_t kReserveRows = 4096;
constexpr std::size_t kReserveCells = 65536;
// Rows may take this much memory whatever the file's size, and beyond it
// this many bytes per byte of the file. A file of integers, dates and texts
// takes one to eight times its size; only rows of mostly null cells come
// near the bound.
constexpr std::size_t kMemoryFloor = std::size_t(16) << 20;
constexpr std::size_t kMemoryPerFileByte = 16;
} // namespace

void badFormat(const QString& detail) {
    throw PersistError{QStringLiteral("文件格式不正确: ") + detail};
}

RowCollector::RowCollector(RecordSetImage& image, std::size_t fileBytes)
    : m_image(image), m_bound(kMemoryFloor + kMemoryPerFileByte * fileBytes) {
    for (const ColumnDef& c : image.columns) {
        m_kinds.push_back(storageKind(c.type));
        // A value (or a text's end offset) and the null bit.
        m_rowBytes +=
            (m_kinds.back() == StorageKind::Bytes ? sizeof(std::uint32_t) : sizeof(std::int64_t)) + 1;
    }
}

void RowCollector::addRow(const std::vector<ScratchCell>& cells) {
    // A row with more or fewer cells than the columns would be written past
    // the batch's columns or leave them uneven.
    if (cells.size() != m_kinds.size() || m_image.columns.size() != m_kinds.size())
        badFormat(QStringLiteral("记录的值个数 %1 与字段数 %2 不符")
                      .arg(QString::number(cells.size()), QString::number(m_image.columns.size())));
    std::size_t bytes = m_rowBytes;
    for (std::size_t c = 0; c < m_kinds.size(); ++c)
        if (!cells[c].null && m_kinds[c] == StorageKind::Bytes)
            bytes += cells[c].s.size();
    m_used += bytes;
    if (m_used > m_bound)
        badFormat(QStringLiteral("数据在内存中将超过 %1 MB, 与文件的大小不相称 (第 %2 行)")
                      .arg(QString::number(m_bound >> 20), QString::number(m_image.rows + 1)));
    if (m_image.batches.empty() || m_image.batches.back().rows() >= kBatchRows)
        m_image.batches.emplace_back(
            m_kinds, std::clamp<std::size_t>(kReserveCells / std::max<std::size_t>(m_kinds.size(), 1), 1,
                                             kReserveRows));
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
