#include "dataset/SortOrder.h"

#include "dataset/DataSet.h"
#include "dataset/TextCompare.h"
#include "db/DbError.h"

#include <QDateTime>
#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>

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
        if ((f->isCalculated() && !f->isLookup()) || isBlobType(f->dataType()))
            throw DbError(QStringLiteral("字段 %1 不能排序").arg(f->fieldName()));
        key.field = f->index();
        keys.push_back(key);
    }
    return keys;
}

namespace {

// One sort pass over one key: every row's key as a 64-bit number next to its
// bookmark, so the sort reads contiguous memory. Texts become their rank
// among the distinct texts of the view.
struct Item {
    std::int64_t key;
    Bookmark row;
    bool null;
};

struct FoldedHash {
    std::size_t operator()(std::string_view s) const {
        std::uint64_t h = 1469598103934665603ull;
        for (const char c : s) {
            h ^= textcompare::fold(static_cast<unsigned char>(c));
            h *= 1099511628211ull;
        }
        return std::size_t(h);
    }
};
struct FoldedEqual {
    bool operator()(std::string_view a, std::string_view b) const {
        return textcompare::compare(a, b, true) == 0;
    }
};

void textRanks(const RowStore& s, int column, std::vector<Item>& items) {
    std::unordered_map<std::string_view, std::uint32_t, FoldedHash, FoldedEqual> ids;
    std::vector<std::string_view> distinct;
    std::vector<std::uint32_t> idOfItem(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].null)
            continue;
        const std::string_view v = s.bytesAt(items[i].row, column);
        const auto [it, inserted] = ids.try_emplace(v, std::uint32_t(distinct.size()));
        if (inserted)
            distinct.push_back(v);
        idOfItem[i] = it->second;
    }
    std::vector<std::uint32_t> order(distinct.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return textcompare::compare(distinct[a], distinct[b], true) < 0;
    });
    std::vector<std::uint32_t> rank(distinct.size());
    for (std::uint32_t r = 0; r < order.size(); ++r)
        rank[order[r]] = r;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!items[i].null)
            items[i].key = rank[idOfItem[i]];
}

// A stable LSD radix sort on the 64-bit keys, 16 bits a pass, only as many
// passes as the spread of the keys needs. Nulls come first ascending and last
// descending; equal keys keep their order.
void radixSort(std::vector<Item>& items, bool descending) {
    std::vector<Item> values;
    std::vector<Item> nulls;
    values.reserve(items.size());
    for (const Item& it : items)
        (it.null ? nulls : values).push_back(it);
    if (!values.empty()) {
        std::int64_t lo = values.front().key, hi = values.front().key;
        for (const Item& it : values) {
            lo = std::min(lo, it.key);
            hi = std::max(hi, it.key);
        }
        // The key becomes its unsigned distance from the first in the wanted order.
        for (Item& it : values)
            it.key = std::int64_t(descending ? std::uint64_t(hi) - std::uint64_t(it.key)
                                             : std::uint64_t(it.key) - std::uint64_t(lo));
        const std::uint64_t spread = std::uint64_t(hi) - std::uint64_t(lo);
        std::vector<Item> scratch(values.size());
        std::vector<std::uint32_t> counts(65536);
        for (int shift = 0; shift < 64 && (spread >> shift) != 0; shift += 16) {
            std::fill(counts.begin(), counts.end(), 0);
            for (const Item& it : values)
                ++counts[(std::uint64_t(it.key) >> shift) & 0xFFFF];
            std::uint32_t sum = 0;
            for (std::uint32_t& c : counts) {
                const std::uint32_t n = c;
                c = sum;
                sum += n;
            }
            for (const Item& it : values)
                scratch[counts[(std::uint64_t(it.key) >> shift) & 0xFFFF]++] = it;
            values.swap(scratch);
        }
    }
    items.clear();
    if (!descending)
        items.insert(items.end(), nulls.begin(), nulls.end());
    items.insert(items.end(), values.begin(), values.end());
    if (descending)
        items.insert(items.end(), nulls.begin(), nulls.end());
}

void sortPass(std::vector<Bookmark>& rows, const RowStore& s, int column, bool descending) {
    std::vector<Item> items(rows.size());
    const StorageKind kind = s.kind(column);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Item& it = items[i];
        it.row = rows[i];
        it.null = s.isNull(it.row, column);
        it.key = 0;
        if (it.null)
            continue;
        if (kind == StorageKind::Double) {
            // Order-preserving map of a double onto a signed integer.
            const double d = s.doubleAt(it.row, column);
            std::int64_t bits;
            std::memcpy(&bits, &d, sizeof bits);
            it.key = bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits - 1 : bits;
            if (d == 0)
                it.key = 0;
        } else if (kind != StorageKind::Bytes) {
            it.key = s.intAt(it.row, column);
        }
    }
    if (kind == StorageKind::Bytes)
        textRanks(s, column, items);
    radixSort(items, descending);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = items[i].row;
}

// A lookup field: its values are computed once for the pass and ranked.
void computedPass(std::vector<Bookmark>& rows, const DataSet& ds, int field, bool descending) {
    const FieldType type = ds.field(field)->dataType();
    std::vector<Item> items(rows.size());
    std::vector<QByteArray> texts(rows.size());
    std::vector<double> numbers(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        items[i].row = rows[i];
        items[i].key = 0;
        const QVariant v = ds.valueAt(rows[i], field);
        items[i].null = v.isNull() || !v.isValid();
        if (items[i].null)
            continue;
        if (isNumericType(type) || isDateTimeType(type) || type == FieldType::Boolean)
            numbers[i] = isDateTimeType(type) ? double(v.toDateTime().toMSecsSinceEpoch()) : v.toDouble();
        else
            texts[i] = v.toString().toUtf8();
    }
    const bool numeric = isNumericType(type) || isDateTimeType(type) || type == FieldType::Boolean;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!items[i].null)
            order.push_back(i);
    const auto textOrder = [&](std::size_t a, std::size_t b) {
        return textcompare::compare(std::string_view(texts[a].constData(), std::size_t(texts[a].size())),
                                    std::string_view(texts[b].constData(), std::size_t(texts[b].size())),
                                    true);
    };
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return numeric ? numbers[a] < numbers[b] : textOrder(a, b) < 0;
    });
    std::int64_t rank = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k > 0) {
            const std::size_t a = order[k - 1], b = order[k];
            const bool same = numeric ? numbers[a] == numbers[b] : textOrder(a, b) == 0;
            if (!same)
                ++rank;
        }
        items[order[k]].key = rank;
    }
    radixSort(items, descending);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = items[i].row;
}

} // namespace

void sortRows(std::vector<Bookmark>& rows, const DataSet& dataSet, const std::vector<SortKey>& keys) {
    if (keys.empty() || rows.size() < 2)
        return;
    // Stable passes from the last key to the first give the order of all keys.
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
        const Field* f = dataSet.field(k->field);
        if (f->isCalculated())
            computedPass(rows, dataSet, k->field, k->descending);
        else
            sortPass(rows, *dataSet.store(), f->column(), k->descending);
    }
}
