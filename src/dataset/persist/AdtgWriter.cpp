#include "dataset/DataSet.h"
#include "dataset/persist/AdtgFormat.h"
#include "dataset/persist/CellParts.h"
#include "dataset/persist/OleDbTypes.h"
#include "dataset/persist/OutputBuffer.h"

#include <QUuid>

#include <algorithm>
#include <limits>

namespace persist {

namespace {

// The record-set GUID every tablegram carries in its handler options.
const std::uint8_t kRecordSetGuid[16] = {0xB6, 0x92, 0xF2, 0x3F, 0x04, 0xB2, 0xCF, 0x11,
                                         0x8D, 0x23, 0x00, 0xAA, 0x00, 0x5F, 0xFE, 0x58};

void putString(std::string& out, const QString& s) {
    const qsizetype n = std::min<qsizetype>(s.size(), 0xFFFF);
    out.push_back(char(n & 0xFF));
    out.push_back(char(n >> 8));
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i].unicode();
        out.push_back(char(u & 0xFF));
        out.push_back(char(u >> 8));
    }
}
void put16(std::string& out, std::uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}
void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i, v >>= 8)
        out.push_back(char(v & 0xFF));
}

// Token, u16 size of the body, body.
void element(OutputBuffer& out, char token, const std::string& body) {
    if (body.size() > 0xFFFF)
        throw PersistError{QStringLiteral("字段定义过长, 无法保存")};
    out.put(token);
    out.u16(std::uint16_t(body.size()));
    out.append(body);
}

struct Table {
    QString name;
    std::vector<int> columns; // saved column indexes
};

[[noreturn]] void outOfRange(const ColumnDef& def, const QString& value) {
    throw PersistError{QStringLiteral("字段 %1 的值 %2 超出文件格式允许的范围").arg(def.name, value)};
}

class Writer {
public:
    Writer(const DataSet& ds, QIODevice& device) : m_ds(ds), m_out(device), m_store(ds.store()) {
        m_columns = savedColumns(ds);
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            const ColumnDef& d = m_columns[i].def;
            if (d.baseTable.isEmpty()) {
                m_tableOf.push_back(-1);
                continue;
            }
            int t = 0;
            while (t < int(m_tables.size()) &&
                   m_tables[std::size_t(t)].name.compare(d.baseTable, Qt::CaseInsensitive))
                ++t;
            if (t == int(m_tables.size()))
                m_tables.push_back({d.baseTable, {}});
            m_tables[std::size_t(t)].columns.push_back(int(i));
            m_tableOf.push_back(t);
        }
    }

    void write() {
        const std::vector<std::uint32_t> rows = savedRows(m_ds);
        header();
        meta(std::uint32_t(rows.size()));
        // The null bitmap is complete before the row's values: a long text
        // may hand the buffer to the device in the middle of a row.
        std::string nulls((m_columns.size() + 7) / 8, '\0');
        for (std::uint32_t row : rows) {
            m_out.put(adtg::kTokenRow);
            std::fill(nulls.begin(), nulls.end(), '\0');
            for (std::size_t c = 0; c < m_columns.size(); ++c)
                if (m_store->isNull(row, m_columns[c].column))
                    nulls[c / 8] = char(std::uint8_t(nulls[c / 8]) | (1u << (c % 8)));
            m_out.append(nulls);
            for (std::size_t c = 0; c < m_columns.size(); ++c)
                if (!m_store->isNull(row, m_columns[c].column))
                    value(row, m_columns[c]);
            m_out.flushIfFull();
        }
        m_out.put(adtg::kTokenDone);
        m_out.flush();
    }

private:
    void header() {
        m_out.put(adtg::kTokenHeader);
        m_out.u8(7);
        m_out.append("TG!");
        m_out.u8(adtg::kMajorVersion);
        m_out.u8(adtg::kMinorVersion);
        m_out.u8(0); // little-endian
        m_out.u8(1); // texts in UTF-16
        std::string body(reinterpret_cast<const char*>(kRecordSetGuid), 16);
        body.push_back(0x03); // update all rows
        put16(body, 0);       // original URL
        put16(body, 0);       // update URL
        put16(body, 0);       // friendly name
        put16(body, 1);       // synchronous
        element(m_out, adtg::kTokenHandler, body);
    }

    void meta(std::uint32_t rowCount) {
        const QByteArray guid = QUuid::createUuid().toRfc4122();
        std::string body(guid.constData(), 16);
        body.push_back(0);    // reserved
        body.push_back(0x03); // updatable snapshot
        body.push_back(0);    // not normalized
        const auto n = std::uint16_t(m_columns.size());
        put16(body, n);
        put16(body, n);
        put16(body, 0);
        put16(body, std::uint16_t(m_tables.size()));
        put16(body, 0);
        put32(body, rowCount);
        element(m_out, adtg::kTokenResult, body);
        element(m_out, adtg::kTokenContext, std::string(2, '\0'));

        for (std::size_t t = 0; t < m_tables.size(); ++t) {
            const Table& table = m_tables[t];
            body.clear();
            put16(body, std::uint16_t(t + 1));
            putString(body, table.name);
            putString(body, table.name);
            put16(body, adtg::kUtf8CodePage);
            put16(body, std::uint16_t(table.columns.size()));
            std::vector<std::uint16_t> keys;
            for (std::size_t k = 0; k < table.columns.size(); ++k)
                if (m_columns[std::size_t(table.columns[k])].def.key)
                    keys.push_back(std::uint16_t(k + 1));
            put16(body, std::uint16_t(keys.size()));
            for (std::uint16_t k : keys)
                put16(body, k);
            element(m_out, adtg::kTokenTable, body);
        }

        for (std::size_t c = 0; c < m_columns.size(); ++c)
            column(c);
    }

    void column(std::size_t c) {
        const ColumnDef& d = m_columns[c].def;
        const int t = m_tableOf[c];
        std::uint8_t p1 = adtg::kHasName;
        if (t >= 0)
            p1 |= adtg::kHasTableOrdinal | adtg::kHasTableColumnOrdinal | adtg::kHasBaseColumnName;
        const std::uint8_t p2 = d.autoIncrement ? adtg::kHasAutoIncrement : 0;
        std::string body;
        body.push_back(char(p1));
        body.push_back(char(p2));
        body.push_back(0);
        put16(body, std::uint16_t(c + 1));
        putString(body, d.name);
        if (t >= 0) {
            const Table& table = m_tables[std::size_t(t)];
            const auto pos =
                std::find(table.columns.begin(), table.columns.end(), int(c)) - table.columns.begin();
            put16(body, std::uint16_t(t + 1));
            put16(body, std::uint16_t(pos + 1));
            putString(body, d.baseColumn.isEmpty() ? d.name : d.baseColumn);
        }
        const std::uint16_t type = dbTypeOf(d.type);
        put16(body, type);
        put32(body, maxLengthOf(d.type, d.size));
        put32(body, std::uint32_t(std::max(0, d.precision)));
        put32(body, std::uint32_t(std::max(0, d.scale)));
        std::uint32_t flags = colflag::WRITEUNKNOWN;
        if (fixedSizeOf(type) > 0)
            flags |= colflag::ISFIXEDLENGTH;
        if (d.nullable)
            flags |= colflag::ISNULLABLE | colflag::MAYBENULL;
        if (isBlobType(d.type))
            flags |= colflag::ISLONG;
        if (d.key)
            flags |= colflag::KEYCOLUMN;
        put32(body, flags);
        if (d.autoIncrement)
            put16(body, 0xFFFF);
        put16(body, 0xFFFF); // visible
        element(m_out, adtg::kTokenColumn, body);
    }

    void value(std::uint32_t row, const SavedColumn& col) {
        const int c = col.column;
        const ColumnDef& d = col.def;
        switch (d.type) {
        case FieldType::String:
        case FieldType::Blob: {
            const std::string_view v = m_store->bytesAt(row, c);
            m_out.u32(std::uint32_t(v.size()));
            m_out.append(v);
            return;
        }
        case FieldType::WideString:
        case FieldType::Memo: {
            const std::string_view v = m_store->bytesAt(row, c);
            const QString s = QString::fromUtf8(v.data(), qsizetype(v.size()));
            m_out.u32(std::uint32_t(s.size() * 2));
            for (QChar ch : s)
                m_out.u16(ch.unicode());
            m_out.flushIfFull();
            return;
        }
        case FieldType::Float:
            m_out.f64(m_store->doubleAt(row, c));
            return;
        default:
            break;
        }
        const std::int64_t v = m_store->intAt(row, c);
        switch (d.type) {
        case FieldType::SmallInt:
            if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
                outOfRange(d, QString::number(v));
            m_out.u16(std::uint16_t(v));
            return;
        case FieldType::Word:
            if (v < 0 || v > 0xFFFF)
                outOfRange(d, QString::number(v));
            m_out.u16(std::uint16_t(v));
            return;
        case FieldType::Integer:
        case FieldType::AutoInc:
            if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
                outOfRange(d, QString::number(v));
            m_out.u32(std::uint32_t(v));
            return;
        case FieldType::Boolean:
            m_out.u16(v ? 0xFFFF : 0);
            return;
        case FieldType::BCD:
            numeric(d, v);
            return;
        case FieldType::Date:
        case FieldType::DateTime: {
            const DateTimeParts p = splitDateTime(v);
            if (p.year < 1 || p.year > 9999)
                outOfRange(d, QString::number(p.year));
            m_out.u16(std::uint16_t(p.year));
            m_out.u16(std::uint16_t(p.month));
            m_out.u16(std::uint16_t(p.day));
            if (d.type == FieldType::DateTime) {
                m_out.u16(std::uint16_t(p.hour));
                m_out.u16(std::uint16_t(p.minute));
                m_out.u16(std::uint16_t(p.second));
                m_out.u32(std::uint32_t(p.msec) * 1000000u);
            }
            return;
        }
        case FieldType::Time: {
            if (v < 0 || v / 3600000 > 0xFFFF)
                outOfRange(d, QString::number(v));
            const std::int64_t s = v / 1000;
            m_out.u16(std::uint16_t(s / 3600));
            m_out.u16(std::uint16_t(s / 60 % 60));
            m_out.u16(std::uint16_t(s % 60));
            return;
        }
        default: // LargeInt, Currency
            m_out.u64(std::uint64_t(v));
            return;
        }
    }

    // Precision, scale, sign (1 positive), 16 bytes of magnitude.
    void numeric(const ColumnDef& d, std::int64_t v) {
        int scale = d.scale >= 0 && d.scale <= 4 && d.precision > 0 ? d.scale : 4;
        std::uint64_t mag = v < 0 ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v);
        std::uint64_t div = 1;
        for (int i = scale; i < 4; ++i)
            div *= 10;
        if (mag % div != 0) { // more decimals than the column states: keep them all
            scale = 4;
            div = 1;
        }
        mag /= div;
        m_out.u8(std::uint8_t(std::clamp(d.precision > 0 ? d.precision : 19, 1, 38)));
        m_out.u8(std::uint8_t(scale));
        m_out.u8(v < 0 ? 0 : 1);
        m_out.u64(mag);
        m_out.u64(0);
    }

    const DataSet& m_ds;
    OutputBuffer m_out;
    const RowStore* m_store;
    std::vector<SavedColumn> m_columns;
    std::vector<Table> m_tables;
    std::vector<int> m_tableOf;
};

} // namespace

void writeAdtg(const DataSet& dataSet, QIODevice& device) {
    Writer(dataSet, device).write();
}

bool looksLikeAdtg(const QByteArray& bytes) {
    return bytes.size() >= 5 && bytes[0] == adtg::kTokenHeader && bytes.mid(2, 3) == "TG!";
}

} // namespace persist
