#include "dataset/SortOrder.h"

#include "dataset/DataSet.h"
#include "dataset/TextCompare.h"
#include "db/DbError.h"

#include <algorithm>
#include <string_view>

std::vector<SortKey> parseSortText(const QString& text, const DataSet& dataSet) {
    std::vector<SortKey> keys;
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString part : parts) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        SortKey key;
        QString name = part;
        // The direction is the last word unless the name is bracketed and holds blanks.
        const int space = part.lastIndexOf(QLatin1Char(' '));
        const int bracket = part.lastIndexOf(QLatin1Char(']'));
        if (space > bracket) {
            const QString word = part.mid(space + 1).trimmed();
            if (word.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0)
                key.descending = true;
            else if (word.compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0)
                throw DbError(QStringLiteral("排序字段有误: %1").arg(part));
            name = part.left(space).trimmed();
        }
        if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
            name = name.mid(1, name.size() - 2).trimmed();
        const Field* f = dataSet.findField(name);
        if (!f)
            throw DbError(QStringLiteral("排序字段 %1 不存在").arg(name));
        if (f->isCalculated() || isBlobType(f->dataType()))
            throw DbError(QStringLiteral("字段 %1 不能排序").arg(f->fieldName()));
        key.field = f->index();
        keys.push_back(key);
    }
    return keys;
}

namespace {

struct StoredKey {
    int column;
    StorageKind kind;
    bool descending;
};

int compareCell(const RowStore& s, const StoredKey& k, Bookmark a, Bookmark b) {
    const bool na = s.isNull(a, k.column), nb = s.isNull(b, k.column);
    int c;
    if (na || nb) {
        c = na == nb ? 0 : (na ? -1 : 1);
    } else {
        switch (k.kind) {
        case StorageKind::Int64:
        case StorageKind::Fixed4: {
            const auto x = s.intAt(a, k.column), y = s.intAt(b, k.column);
            c = x < y ? -1 : (x > y ? 1 : 0);
            break;
        }
        case StorageKind::Double: {
            const double x = s.doubleAt(a, k.column), y = s.doubleAt(b, k.column);
            c = x < y ? -1 : (x > y ? 1 : 0);
            break;
        }
        default:
            c = textcompare::compare(s.bytesAt(a, k.column), s.bytesAt(b, k.column), true);
        }
    }
    return k.descending ? -c : c;
}

int compareRest(const RowStore& s, const std::vector<StoredKey>& keys, Bookmark a, Bookmark b) {
    for (std::size_t i = 1; i < keys.size(); ++i)
        if (const int c = compareCell(s, keys[i], a, b))
            return c;
    return 0;
}

// The first key is copied next to the bookmark so the sort reads contiguous
// memory; further keys are read from the store on ties only.
template <typename Value, typename Compare>
void sortByFirstKey(std::vector<Bookmark>& rows, const RowStore& s, const std::vector<StoredKey>& keys,
                    Value (*read)(const RowStore&, Bookmark, int), Compare cmp) {
    struct Item {
        Value value;
        Bookmark row;
        bool null;
    };
    const StoredKey& k = keys.front();
    std::vector<Item> items;
    items.reserve(rows.size());
    for (const Bookmark r : rows) {
        const bool null = s.isNull(r, k.column);
        items.push_back(Item{null ? Value() : read(s, r, k.column), r, null});
    }
    std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        int c;
        if (a.null || b.null)
            c = a.null == b.null ? 0 : (a.null ? -1 : 1);
        else
            c = cmp(a.value, b.value);
        if (k.descending)
            c = -c;
        if (c != 0)
            return c < 0;
        return keys.size() > 1 && compareRest(s, keys, a.row, b.row) < 0;
    });
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = items[i].row;
}

} // namespace

void sortRows(std::vector<Bookmark>& rows, const DataSet& dataSet, const std::vector<SortKey>& keys) {
    if (keys.empty() || rows.size() < 2)
        return;
    const RowStore& s = *dataSet.store();
    std::vector<StoredKey> stored;
    for (const SortKey& k : keys) {
        const int column = dataSet.field(k.field)->column();
        stored.push_back(StoredKey{column, s.kind(column), k.descending});
    }
    switch (stored.front().kind) {
    case StorageKind::Int64:
    case StorageKind::Fixed4:
        sortByFirstKey<std::int64_t>(
            rows, s, stored, [](const RowStore& st, Bookmark r, int c) { return st.intAt(r, c); },
            [](std::int64_t a, std::int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); });
        break;
    case StorageKind::Double:
        sortByFirstKey<double>(
            rows, s, stored, [](const RowStore& st, Bookmark r, int c) { return st.doubleAt(r, c); },
            [](double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); });
        break;
    case StorageKind::Bytes:
        sortByFirstKey<std::string_view>(
            rows, s, stored, [](const RowStore& st, Bookmark r, int c) { return st.bytesAt(r, c); },
            [](std::string_view a, std::string_view b) { return textcompare::compare(a, b, true); });
        break;
    }
}
