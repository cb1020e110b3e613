#include "dataset/persist/RecordSetImage.h"

#include "dataset/DataSet.h"

// The data-set side of an image: which fields and rows a save writes, and
// how a read image becomes the data set's contents.
namespace persist {

std::vector<SavedColumn> savedColumns(const DataSet& dataSet) {
    std::vector<SavedColumn> out;
    const RowStore* store = dataSet.store();
    for (int i = 0; i < dataSet.fieldCount(); ++i) {
        const Field* f = dataSet.field(i);
        if (f->isCalculated() || f->column() < 0)
            continue;
        ColumnDef d;
        d.name = f->fieldName();
        d.type = f->dataType();
        d.size = f->size();
        d.precision = f->precision();
        d.scale = f->scale();
        d.baseTable = f->baseTableName();
        d.baseColumn = f->baseColumnName();
        d.autoIncrement = f->isAutoIncrement();
        d.key = f->isKey();
        d.nullable = store ? store->column(f->column()).nullable && !f->required() : !f->required();
        out.push_back({f->column(), d});
    }
    return out;
}

std::vector<std::uint32_t> savedRows(const DataSet& dataSet) {
    std::vector<std::uint32_t> rows;
    rows.reserve(std::size_t(dataSet.recordCount()));
    for (int p = 0; p < dataSet.recordCount(); ++p)
        rows.push_back(dataSet.bookmarkAt(p));
    return rows;
}

void applyImage(DataSet& dataSet, RecordSetImage& image) {
    dataSet.beginLoad(image.columns);
    // Each batch is released once it is in the store, so the rows are held
    // twice only one batch at a time.
    for (RowBatch& b : image.batches) {
        dataSet.appendRows(b);
        b = RowBatch(std::vector<StorageKind>{});
    }
    image.batches.clear();
    dataSet.endLoad(false);
    if (!image.baseTable.isEmpty())
        dataSet.setUniqueTable(image.baseTable);
}

} // namespace persist
