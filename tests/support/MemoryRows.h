#pragma once
// Loads rows written as the server's texts into a data set without a database: decimals become
// fixed point, "yyyy-MM-dd[ HH:mm:ss]" a time, other numbers integers; nullptr is a null.
#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

using MemoryColumns = std::vector<std::pair<const char*, FieldType>>;
using MemoryRows = std::vector<std::vector<const char*>>;

inline void loadMemoryRows(DataSet& ds, const MemoryColumns& columns, const MemoryRows& rows,
                           const QString& table = QString()) {
    std::vector<ColumnDef> defs(columns.size());
    std::vector<StorageKind> kinds;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        defs[c].name = QString::fromUtf8(columns[c].first);
        defs[c].type = columns[c].second;
        defs[c].baseTable = table;
        kinds.push_back(storageKind(columns[c].second));
    }
    ds.beginLoad(defs);
    RowBatch batch(kinds, rows.size());
    for (const auto& row : rows) {
        for (int c = 0; c < int(kinds.size()); ++c) {
            const char* text = row[std::size_t(c)];
            const std::size_t n = text ? std::strlen(text) : 0;
            const FieldType type = columns[std::size_t(c)].second;
            std::int64_t v = 0;
            if (!text)
                batch.addNull(c);
            else if (kinds[std::size_t(c)] == StorageKind::Bytes)
                batch.addBytes(c, text, n);
            else if (kinds[std::size_t(c)] == StorageKind::Double)
                batch.addDouble(c, std::strtod(text, nullptr));
            else if (kinds[std::size_t(c)] == StorageKind::Fixed4 ? cellcodec::parseFixed4(text, n, v)
                     : isDateTimeType(type)                       ? cellcodec::parseDateTime(text, n, v)
                                            : (v = std::strtoll(text, nullptr, 10), true))
                batch.addInt(c, v);
            else
                batch.addNull(c);
        }
        batch.endRow();
    }
    ds.appendRows(batch);
    ds.endLoad();
}
