// Lookup fields: a value taken from another data set by key.
#include "dataset/DataSet.h"
#include "db/DbError.h"

#include <QHash>
#include <QPointer>

namespace {

QList<int> fieldIndexes(const DataSet& ds, const QString& names) {
    QList<int> out;
    for (const QString& name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        out << ds.fieldByName(name.trimmed()).index();
    return out;
}

// The key of a row as one text: each value's plain text, separated by a
// character no value holds.
QString keyText(const DataSet& ds, Bookmark row, const QList<int>& fields) {
    QString key;
    for (const int f : fields) {
        if (ds.isNullAt(row, f))
            return QString(); // a null key matches nothing
        key += ds.textAt(row, f) + QChar(0x1F);
    }
    return key;
}

struct LookupIndex {
    QPointer<DataSet> source;
    QList<int> sourceKeys;
    int result = -1;
    bool valid = false;
    QHash<QString, QVariant> values;

    const QVariant* find(const QString& key) {
        if (!source)
            return nullptr;
        if (!valid) {
            values.clear();
            for (int i = 0; i < source->recordCount(); ++i) {
                const Bookmark b = source->bookmarkAt(i);
                const QString k = keyText(*source, b, sourceKeys);
                if (!k.isEmpty() && !values.contains(k))
                    values.insert(k, source->valueAt(b, result));
            }
            valid = true;
        }
        auto it = values.constFind(key);
        return it == values.cend() ? nullptr : &it.value();
    }
};

} // namespace

Field& DataSet::addLookupField(const QString& name, const QString& keyFields, DataSet* lookupDataSet,
                               const QString& lookupKeyFields, const QString& resultField) {
    if (!lookupDataSet)
        throw DbError(QStringLiteral("查找字段 '%1' 没有数据集").arg(name));
    const QList<int> keys = fieldIndexes(*this, keyFields);
    auto index = std::make_shared<LookupIndex>();
    index->source = lookupDataSet;
    index->sourceKeys = fieldIndexes(*lookupDataSet, lookupKeyFields);
    const Field& result = lookupDataSet->fieldByName(resultField);
    index->result = result.index();
    if (keys.size() != index->sourceKeys.size() || keys.isEmpty())
        throw DbError(QStringLiteral("查找字段 '%1' 的关键字段个数不一致").arg(name));
    const auto invalidate = [index] { index->valid = false; };
    connect(lookupDataSet, &DataSet::viewReset, this, invalidate);
    connect(lookupDataSet, &DataSet::rowsAppended, this, invalidate);
    connect(lookupDataSet, &DataSet::dataChanged, this, invalidate);
    const FieldType type = result.dataType();
    Field& f = addCalculatedField(name, type, [keys, index, type](const DataSet& ds, Bookmark row) {
        const QString key = keyText(ds, row, keys);
        const QVariant* v = key.isEmpty() ? nullptr : index->find(key);
        return v ? *v : cellValue(Cell(), type);
    });
    f.m_lookup = true;
    f.m_lookupSource = {keyFields, lookupDataSet, lookupKeyFields, resultField};
    f.setSize(result.size());
    return f;
}
