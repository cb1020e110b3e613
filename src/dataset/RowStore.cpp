#include "dataset/RowStore.h"

#include <algorithm>

void ColumnPart::setNullBit(std::uint32_t i, bool on) {
    const std::size_t word = i >> 6;
    if (!on && word >= nulls.size())
        return;
    if (word >= nulls.size())
        nulls.resize(word + 1, 0);
    if (on)
        nulls[word] |= std::uint64_t(1) << (i & 63);
    else
        nulls[word] &= ~(std::uint64_t(1) << (i & 63));
}

std::size_t ColumnPart::memoryBytes() const {
    return ints.capacity() * sizeof(std::int64_t) + doubles.capacity() * sizeof(double) +
           offsets.capacity() * sizeof(std::uint32_t) + bytes.capacity() +
           nulls.capacity() * sizeof(std::uint64_t);
}

RowBatch::RowBatch(const std::vector<StorageKind>& kinds, std::size_t reserveRows)
    : m_kinds(kinds), m_cols(kinds.size()) {
    for (std::size_t c = 0; c < kinds.size(); ++c) {
        ColumnPart& p = m_cols[c];
        switch (kinds[c]) {
        case StorageKind::Int64:
        case StorageKind::Fixed4:
            p.ints.reserve(reserveRows);
            break;
        case StorageKind::Double:
            p.doubles.reserve(reserveRows);
            break;
        case StorageKind::Bytes:
            p.offsets.reserve(reserveRows + 1);
            p.offsets.push_back(0);
            break;
        }
    }
}

void RowBatch::addNull(int col) {
    ColumnPart& p = m_cols[std::size_t(col)];
    switch (m_kinds[std::size_t(col)]) {
    case StorageKind::Int64:
    case StorageKind::Fixed4:
        p.ints.push_back(0);
        break;
    case StorageKind::Double:
        p.doubles.push_back(0);
        break;
    case StorageKind::Bytes:
        p.offsets.push_back(std::uint32_t(p.bytes.size()));
        break;
    }
    p.setNullBit(m_rows, true);
}

std::size_t RowBatch::textBytes() const {
    std::size_t n = 0;
    for (const ColumnPart& p : m_cols)
        n += p.bytes.size();
    return n;
}

RowStore::RowStore(std::vector<ColumnDef> columns) : m_columns(std::move(columns)) {
    m_kinds.reserve(m_columns.size());
    for (const ColumnDef& c : m_columns)
        m_kinds.push_back(storageKind(c.type));
}

int RowStore::indexOf(const QString& name) const {
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void RowStore::markDeleted(std::uint32_t row, bool deleted) {
    const std::size_t word = row >> 6;
    if (word >= m_deleted.size()) {
        if (!deleted)
            return;
        m_deleted.resize(word + 1, 0);
    }
    if (deleted)
        m_deleted[word] |= std::uint64_t(1) << (row & 63);
    else
        m_deleted[word] &= ~(std::uint64_t(1) << (row & 63));
}

RowStore::Chunk& RowStore::lastChunkWithRoom() {
    if (m_chunks.empty() || m_chunks.back()->rows == kChunkRows) {
        if (!m_chunks.empty())
            for (ColumnPart& p : m_chunks.back()->cols)
                p.bytes.shrink_to_fit();
        auto chunk = std::make_unique<Chunk>();
        chunk->cols.resize(m_columns.size());
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            if (m_kinds[c] == StorageKind::Bytes)
                chunk->cols[c].offsets.push_back(0);
        m_chunks.push_back(std::move(chunk));
    }
    return *m_chunks.back();
}

void RowStore::append(const RowBatch& batch) {
    const auto& src = batch.columns();
    std::uint32_t from = 0;
    while (from < batch.rows()) {
        Chunk& chunk = lastChunkWithRoom();
        const std::uint32_t n = std::min(batch.rows() - from, kChunkRows - chunk.rows);
        // A chunk's columns start at the size of what arrives (at least 4,096
        // rows) and grow from there: a wide table of few rows does not take a
        // whole chunk per column.
        const std::size_t firstReserve = std::min<std::size_t>(kChunkRows, std::max<std::uint32_t>(n, 4096));
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            const ColumnPart& s = src[c];
            ColumnPart& d = chunk.cols[c];
            switch (m_kinds[c]) {
            case StorageKind::Int64:
            case StorageKind::Fixed4:
                if (d.ints.capacity() == 0)
                    d.ints.reserve(firstReserve);
                d.ints.insert(d.ints.end(), s.ints.begin() + from, s.ints.begin() + from + n);
                break;
            case StorageKind::Double:
                if (d.doubles.capacity() == 0)
                    d.doubles.reserve(firstReserve);
                d.doubles.insert(d.doubles.end(), s.doubles.begin() + from, s.doubles.begin() + from + n);
                break;
            case StorageKind::Bytes: {
                if (d.offsets.capacity() == 0)
                    d.offsets.reserve(firstReserve + 1);
                const std::uint32_t first = s.offsets[from];
                const std::uint32_t last = s.offsets[from + n];
                const std::uint32_t base = std::uint32_t(d.bytes.size());
                d.bytes.insert(d.bytes.end(), s.bytes.begin() + first, s.bytes.begin() + last);
                for (std::uint32_t i = 1; i <= n; ++i)
                    d.offsets.push_back(base + (s.offsets[from + i] - first));
                break;
            }
            }
            if (!s.nulls.empty())
                for (std::uint32_t i = 0; i < n; ++i)
                    if (s.isNull(from + i))
                        d.setNullBit(chunk.rows + i, true);
        }
        chunk.rows += n;
        m_rows += n;
        from += n;
    }
}

std::uint32_t RowStore::appendEmptyRow() {
    RowBatch one(m_kinds, 1);
    for (int c = 0; c < columnCount(); ++c)
        one.addNull(c);
    one.endRow();
    append(one);
    return m_rows - 1;
}

void RowStore::setNull(std::uint32_t row, int c) {
    part(row, c).setNullBit(row & kChunkMask, true);
    m_overrides.erase(key(row, c));
}

void RowStore::setInt(std::uint32_t row, int c, std::int64_t v) {
    ColumnPart& p = part(row, c);
    p.ints[row & kChunkMask] = v;
    p.setNullBit(row & kChunkMask, false);
}

void RowStore::setDouble(std::uint32_t row, int c, double v) {
    ColumnPart& p = part(row, c);
    p.doubles[row & kChunkMask] = v;
    p.setNullBit(row & kChunkMask, false);
}

void RowStore::setBytes(std::uint32_t row, int c, std::string_view v) {
    part(row, c).setNullBit(row & kChunkMask, false);
    m_overrides[key(row, c)] = std::string(v);
}

std::size_t RowStore::memoryBytes() const {
    std::size_t n = m_deleted.capacity() * sizeof(std::uint64_t);
    for (const auto& chunk : m_chunks)
        for (const ColumnPart& p : chunk->cols)
            n += p.memoryBytes();
    for (const auto& [k, v] : m_overrides)
        n += v.capacity() + sizeof(k) + 32;
    return n;
}

void RowStore::squeeze() {
    if (m_chunks.empty())
        return;
    for (ColumnPart& p : m_chunks.back()->cols) {
        p.ints.shrink_to_fit();
        p.doubles.shrink_to_fit();
        p.offsets.shrink_to_fit();
        p.bytes.shrink_to_fit();
    }
}
