#pragma once
// What a record-set file holds on its way between the file and a data set:
// the column definitions and the rows in column batches. Readers fill an
// image completely before the data set is touched, so a damaged file leaves
// the data set as it was; writers read the data set's own storage.
#include "dataset/RowStore.h"

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class DataSet;
class Field;

namespace persist {

// Thrown by the readers and writers with the operator's message.
struct PersistError {
    QString message;
};

// "文件格式不正确: <detail>"
[[noreturn]] void badFormat(const QString& detail);

struct RecordSetImage {
    std::vector<ColumnDef> columns;
    // The table the file states for its rows (empty when it states none).
    QString baseTable;
    std::vector<RowBatch> batches;
    std::uint64_t rows = 0;
};

// One cell while a row is assembled (values may arrive out of column order).
struct ScratchCell {
    bool null = true;
    std::int64_t i = 0;
    double d = 0;
    std::string s;
};

// Appends assembled rows to an image in batches of a fixed size.
//
// What the rows take in memory is bounded by the size of the file they come
// from: a null cell costs a bit of a tablegram's null bitmap and nothing in
// an XML row, but a full cell in memory, so a small file of wide empty rows
// could otherwise claim gigabytes. Past the bound the file is refused.
class RowCollector {
public:
    RowCollector(RecordSetImage& image, std::size_t fileBytes);
    // Appends `cells` (one per column, in column order) as a row.
    void addRow(const std::vector<ScratchCell>& cells);

private:
    RecordSetImage& m_image;
    std::vector<StorageKind> m_kinds;
    std::size_t m_rowBytes = 0; // a row's cells without their texts
    std::size_t m_bound;
    std::size_t m_used = 0;
};

// The data fields of a data set as they are saved: index order, calculated
// and lookup fields left out; the definition from the field's properties.
struct SavedColumn {
    int column; // store column
    ColumnDef def;
};
std::vector<SavedColumn> savedColumns(const DataSet& dataSet);

// The rows a save writes: the data set's view (filter and sort applied).
std::vector<std::uint32_t> savedRows(const DataSet& dataSet);

// Replaces the data set's contents with the image (consumes its batches).
void applyImage(DataSet& dataSet, RecordSetImage& image);

// The table all columns with a base table name, empty when none or several.
QString commonBaseTable(const std::vector<ColumnDef>& columns);

} // namespace persist
