#pragma once
// Column storage of a data set's rows, shared by a data set and its clones.
// Rows live in chunks of 65,536; inside a chunk each column is one array of
// numbers, or one byte arena with offsets for texts and blobs, plus a null
// bitmap that exists only when the column holds a null. A row is addressed by
// its physical number, which never changes while the rows are loaded: it is
// the data set's bookmark.
#include "dataset/FieldTypes.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class DataSet;

// What the statement said about one column.
struct ColumnDef {
    QString name;
    FieldType type = FieldType::WideString;
    int size = 0;      // characters for texts, bytes for blobs, 0 otherwise
    int precision = 0; // digits of a BCD column
    int scale = 0;     // decimals of a BCD column
    QString baseTable; // the table the column comes from, empty for expressions
    QString baseColumn;
    bool autoIncrement = false;
    bool key = false; // part of the base table's primary key
    bool nullable = true;
};

// One column of one chunk or batch.
struct ColumnPart {
    std::vector<std::int64_t> ints;     // Int64 and Fixed4
    std::vector<double> doubles;        // Double
    std::vector<std::uint32_t> offsets; // Bytes: rows + 1 entries
    std::vector<char> bytes;            // Bytes
    std::vector<std::uint64_t> nulls;   // bit per row, empty while no null was seen

    bool isNull(std::uint32_t i) const {
        return !nulls.empty() && (i >> 6) < nulls.size() && (nulls[i >> 6] >> (i & 63) & 1);
    }
    void setNullBit(std::uint32_t i, bool on);
    std::size_t memoryBytes() const;
};

// Rows in column form as a reader produces them: append one value per column
// (in column order), then endRow().
class RowBatch {
public:
    explicit RowBatch(const std::vector<StorageKind>& kinds, std::size_t reserveRows = 0);

    void addInt(int col, std::int64_t v) { m_cols[std::size_t(col)].ints.push_back(v); }
    void addDouble(int col, double v) { m_cols[std::size_t(col)].doubles.push_back(v); }
    void addBytes(int col, const char* data, std::size_t n) {
        ColumnPart& p = m_cols[std::size_t(col)];
        p.bytes.insert(p.bytes.end(), data, data + n);
        p.offsets.push_back(std::uint32_t(p.bytes.size()));
    }
    void addNull(int col);
    void endRow() { ++m_rows; }

    std::uint32_t rows() const { return m_rows; }
    bool empty() const { return m_rows == 0; }
    std::size_t textBytes() const;
    const std::vector<ColumnPart>& columns() const { return m_cols; }
    const std::vector<StorageKind>& kinds() const { return m_kinds; }

private:
    std::vector<StorageKind> m_kinds;
    std::vector<ColumnPart> m_cols;
    std::uint32_t m_rows = 0;
};

class RowStore {
public:
    static constexpr int kChunkShift = 16;
    static constexpr std::uint32_t kChunkRows = 1u << kChunkShift;
    static constexpr std::uint32_t kChunkMask = kChunkRows - 1;

    explicit RowStore(std::vector<ColumnDef> columns);

    const std::vector<ColumnDef>& columns() const { return m_columns; }
    const ColumnDef& column(int c) const { return m_columns[std::size_t(c)]; }
    int columnCount() const { return int(m_columns.size()); }
    StorageKind kind(int c) const { return m_kinds[std::size_t(c)]; }
    const std::vector<StorageKind>& kinds() const { return m_kinds; }
    int indexOf(const QString& name) const; // case-insensitive, -1 when absent

    // Rows ever stored, deleted ones included.
    std::uint32_t rowCount() const { return m_rows; }
    bool isDeleted(std::uint32_t row) const {
        return !m_deleted.empty() && (row >> 6) < m_deleted.size() && (m_deleted[row >> 6] >> (row & 63) & 1);
    }
    void markDeleted(std::uint32_t row, bool deleted);

    void append(const RowBatch& batch);
    // Appends one row of nulls and returns its number.
    std::uint32_t appendEmptyRow();

    bool isNull(std::uint32_t row, int c) const { return part(row, c).isNull(row & kChunkMask); }
    std::int64_t intAt(std::uint32_t row, int c) const { return part(row, c).ints[row & kChunkMask]; }
    double doubleAt(std::uint32_t row, int c) const { return part(row, c).doubles[row & kChunkMask]; }
    std::string_view bytesAt(std::uint32_t row, int c) const {
        if (!m_overrides.empty()) {
            auto it = m_overrides.find(key(row, c));
            if (it != m_overrides.end())
                return it->second;
        }
        const ColumnPart& p = part(row, c);
        const std::uint32_t i = row & kChunkMask;
        return std::string_view(p.bytes.data() + p.offsets[i], p.offsets[i + 1] - p.offsets[i]);
    }

    // Cell writes of the editing states.
    void setNull(std::uint32_t row, int c);
    void setInt(std::uint32_t row, int c, std::int64_t v);
    void setDouble(std::uint32_t row, int c, double v);
    void setBytes(std::uint32_t row, int c, std::string_view v);

    // The data sets reading these rows (a data set and its clones).
    std::vector<DataSet*>& views() { return m_views; }

    // Memory held by the rows (capacity of the arrays), for the benchmarks.
    std::size_t memoryBytes() const;
    // Gives unused capacity back once loading is complete.
    void squeeze();

private:
    struct Chunk {
        std::uint32_t rows = 0;
        std::vector<ColumnPart> cols;
    };
    const ColumnPart& part(std::uint32_t row, int c) const {
        return m_chunks[row >> kChunkShift]->cols[std::size_t(c)];
    }
    ColumnPart& part(std::uint32_t row, int c) { return m_chunks[row >> kChunkShift]->cols[std::size_t(c)]; }
    static std::uint64_t key(std::uint32_t row, int c) {
        return (std::uint64_t(row) << 16) | std::uint64_t(c);
    }
    Chunk& lastChunkWithRoom();

    std::vector<ColumnDef> m_columns;
    std::vector<StorageKind> m_kinds;
    std::vector<std::unique_ptr<Chunk>> m_chunks;
    std::uint32_t m_rows = 0;
    std::vector<std::uint64_t> m_deleted;
    // Texts changed by editing; the chunk arenas stay append-only.
    std::unordered_map<std::uint64_t, std::string> m_overrides;
    std::vector<DataSet*> m_views;
};
