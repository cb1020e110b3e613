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

// Every sort key is first turned into one unsigned number per row, 0..limit,
// in the wanted order: nulls first ascending and last descending. Keys whose
// numbers fit together in 64 bits are packed into one (the first key in the
// high bits) and sorted by one stable radix sort, so a typical two-key sort is
// one pass over the rows instead of one per key.
struct KeyValues {
    std::vector<std::uint64_t> values; // by position in the rows being sorted
    std::uint64_t limit = 0;
};

unsigned bitWidth(std::uint64_t v) {
    unsigned n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

// Order-preserving map of a double onto an unsigned number; -0 equals 0.
std::uint64_t orderedBits(double d) {
    if (d == 0)
        d = 0;
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (bits >> 63) ? ~bits : bits | (std::uint64_t(1) << 63);
}

// Values 0..spread (lowest first) and null flags become the key's numbers.
// Values with a spread too wide to leave room for the null slot are first
// replaced by their rank among the distinct values.
KeyValues finishKey(std::vector<std::uint64_t> values, const std::vector<bool>& nulls, bool anyNull,
                    std::uint64_t spread, bool descending) {
    if (anyNull && spread == std::numeric_limits<std::uint64_t>::max()) {
        std::vector<std::uint64_t> distinct;
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!nulls[i])
                distinct.push_back(values[i]);
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!nulls[i])
                values[i] = std::uint64_t(std::lower_bound(distinct.begin(), distinct.end(), values[i]) -
                                          distinct.begin());
        spread = distinct.size() - 1;
    }
    KeyValues k;
    k.limit = spread + (anyNull ? 1 : 0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint64_t v;
        if (anyNull && nulls[i])
            v = descending ? k.limit : 0;
        else
            v = descending ? spread - values[i] : values[i] + (anyNull ? 1 : 0);
        values[i] = v;
    }
    k.values = std::move(values);
    return k;
}

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

// Texts become their rank among the distinct texts of the rows. Neighbouring
// rows often hold the same text (rows arrive ordered by person), so a text
// equal to the one before skips the hash table.
void textRanks(const std::vector<Bookmark>& rows, const RowStore& s, int column,
               const std::vector<bool>& nulls, std::vector<std::uint64_t>& values, std::uint64_t& spread) {
    std::unordered_map<std::string_view, std::uint32_t, FoldedHash, FoldedEqual> ids;
    std::vector<std::string_view> distinct;
    std::string_view previous;
    std::uint32_t previousId = 0;
    bool havePrevious = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (nulls[i])
            continue;
        const std::string_view v = s.bytesAt(rows[i], column);
        if (havePrevious && v == previous) {
            values[i] = previousId;
            continue;
        }
        const auto [it, inserted] = ids.try_emplace(v, std::uint32_t(distinct.size()));
        if (inserted)
            distinct.push_back(v);
        previous = v;
        previousId = it->second;
        havePrevious = true;
        values[i] = previousId;
    }
    std::vector<std::uint32_t> order(distinct.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return textcompare::compare(distinct[a], distinct[b], true) < 0;
    });
    // Texts equal without regard to case share the id of the first one seen,
    // so ranks are dense over the ids.
    std::vector<std::uint32_t> rank(distinct.size());
    for (std::uint32_t r = 0; r < order.size(); ++r)
        rank[order[r]] = r;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!nulls[i])
            values[i] = rank[std::size_t(values[i])];
    spread = distinct.empty() ? 0 : distinct.size() - 1;
}

KeyValues storedKey(const std::vector<Bookmark>& rows, const RowStore& s, int column, bool descending) {
    const std::size_t n = rows.size();
    std::vector<std::uint64_t> values(n, 0);
    std::vector<bool> nulls(n, false);
    bool anyNull = false;
    for (std::size_t i = 0; i < n; ++i)
        if (s.isNull(rows[i], column))
            nulls[i] = anyNull = true;
    std::uint64_t spread = 0;
    const StorageKind kind = s.kind(column);
    if (kind == StorageKind::Bytes) {
        textRanks(rows, s, column, nulls, values, spread);
    } else {
        bool first = true;
        std::uint64_t lo = 0, hi = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (nulls[i])
                continue;
            // Signed integers shifted by 2^63 compare as unsigned numbers.
            const std::uint64_t v = kind == StorageKind::Double
                                        ? orderedBits(s.doubleAt(rows[i], column))
                                        : std::uint64_t(s.intAt(rows[i], column)) ^ (std::uint64_t(1) << 63);
            values[i] = v;
            if (first || v < lo)
                lo = v;
            if (first || v > hi)
                hi = v;
            first = false;
        }
        for (std::size_t i = 0; i < n; ++i)
            if (!nulls[i])
                values[i] -= lo;
        spread = hi - lo;
    }
    return finishKey(std::move(values), nulls, anyNull, spread, descending);
}

// A lookup field: its values are computed once and ranked.
KeyValues computedKey(const std::vector<Bookmark>& rows, const DataSet& ds, int field, bool descending) {
    const FieldType type = ds.field(field)->dataType();
    const bool numeric = isNumericType(type) || isDateTimeType(type) || type == FieldType::Boolean;
    const std::size_t n = rows.size();
    std::vector<QByteArray> texts(numeric ? 0 : n);
    std::vector<double> numbers(numeric ? n : 0);
    std::vector<bool> nulls(n, false);
    bool anyNull = false;
    for (std::size_t i = 0; i < n; ++i) {
        const QVariant v = ds.valueAt(rows[i], field);
        if (v.isNull() || !v.isValid()) {
            nulls[i] = anyNull = true;
            continue;
        }
        if (numeric)
            numbers[i] = isDateTimeType(type) ? double(v.toDateTime().toMSecsSinceEpoch()) : v.toDouble();
        else
            texts[i] = v.toString().toUtf8();
    }
    const auto textOrder = [&](std::size_t a, std::size_t b) {
        return textcompare::compare(std::string_view(texts[a].constData(), std::size_t(texts[a].size())),
                                    std::string_view(texts[b].constData(), std::size_t(texts[b].size())),
                                    true);
    };
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < n; ++i)
        if (!nulls[i])
            order.push_back(i);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return numeric ? numbers[a] < numbers[b] : textOrder(a, b) < 0;
    });
    std::vector<std::uint64_t> values(n, 0);
    std::uint64_t rank = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k > 0) {
            const std::size_t a = order[k - 1], b = order[k];
            if (!(numeric ? numbers[a] == numbers[b] : textOrder(a, b) == 0))
                ++rank;
        }
        values[order[k]] = rank;
    }
    return finishKey(std::move(values), nulls, anyNull, rank, descending);
}

struct Item {
    std::uint64_t key;
    std::uint32_t position; // in the rows being sorted
};

// A stable LSD radix sort on the keys: as few passes as the highest key needs,
// digits of at most 16 bits, a pass skipped when every key shares its digit.
void radixSort(std::vector<Item>& items, std::uint64_t highest) {
    const unsigned bits = bitWidth(highest);
    if (bits == 0)
        return;
    const unsigned passes = (bits + 15) / 16;
    const unsigned digit = (bits + passes - 1) / passes;
    const std::uint64_t mask = (std::uint64_t(1) << digit) - 1;
    std::vector<Item> scratch(items.size());
    std::vector<std::uint32_t> counts(std::size_t(mask) + 1);
    for (unsigned shift = 0; shift < bits; shift += digit) {
        std::fill(counts.begin(), counts.end(), 0);
        for (const Item& it : items)
            ++counts[(it.key >> shift) & mask];
        if (counts[(items.front().key >> shift) & mask] == items.size())
            continue;
        std::uint32_t sum = 0;
        for (std::uint32_t& c : counts) {
            const std::uint32_t k = c;
            c = sum;
            sum += k;
        }
        for (const Item& it : items)
            scratch[counts[(it.key >> shift) & mask]++] = it;
        items.swap(scratch);
    }
}

} // namespace

void sortRows(std::vector<Bookmark>& rows, const DataSet& dataSet, const std::vector<SortKey>& keys) {
    if (keys.empty() || rows.size() < 2)
        return;
    std::vector<KeyValues> values;
    values.reserve(keys.size());
    for (const SortKey& k : keys) {
        const Field* f = dataSet.field(k.field);
        values.push_back(f->isCalculated() ? computedKey(rows, dataSet, k.field, k.descending)
                                           : storedKey(rows, *dataSet.store(), f->column(), k.descending));
    }
    std::vector<Item> items(rows.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i].position = std::uint32_t(i);
    // Groups of keys that fit in 64 bits, sorted from the last group to the
    // first; each radix sort is stable, so earlier groups decide first.
    std::size_t end = values.size();
    while (end > 0) {
        std::size_t begin = end;
        unsigned bits = 0;
        while (begin > 0 && (begin == end || bits + bitWidth(values[begin - 1].limit) <= 64)) {
            bits += bitWidth(values[begin - 1].limit);
            --begin;
        }
        std::uint64_t highest = 0;
        for (Item& it : items) {
            std::uint64_t key = 0;
            for (std::size_t k = begin; k < end; ++k) {
                const unsigned width = bitWidth(values[k].limit);
                key = width == 64 ? 0 : key << width;
                key |= values[k].values[it.position];
            }
            it.key = key;
            highest = std::max(highest, key);
        }
        radixSort(items, highest);
        end = begin;
    }
    std::vector<Bookmark> sorted(rows.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        sorted[i] = rows[items[i].position];
    rows.swap(sorted);
}
