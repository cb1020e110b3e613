#include "dataset/CellCodec.h"
#include "dataset/persist/AdtgFormat.h"
#include "dataset/persist/ByteReader.h"
#include "dataset/persist/CellParts.h"
#include "dataset/persist/OleDbTypes.h"
#include "db/TextCodec.h"

#include <QUuid>

#include <cmath>
#include <limits>

namespace persist {

namespace {

struct TableInfo {
    std::uint16_t ordinal = 0;
    QString name;
    std::uint16_t codePage = 0;
    std::vector<std::uint16_t> keys; // column ordinals within the table
};

struct ColumnInfo {
    std::uint16_t ordinal = 0;
    std::uint16_t dbType = 0;
    int fixedSize = 0;
    std::uint16_t table = 0;       // ordinal of the table, 0 for none
    std::uint16_t tableColumn = 0; // ordinal within the table
    std::uint16_t codePage = 0;
    ColumnDef def;
};

QString hex(unsigned v) {
    return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0'));
}

class Reader {
public:
    Reader(const QByteArray& bytes, RecordSetImage& image)
        : m_in(bytes.constData(), std::size_t(bytes.size())), m_image(image),
          m_fileBytes(std::size_t(bytes.size())) {}

    void read(bool metadataOnly) {
        header();
        meta();
        if (!metadataOnly)
            rows();
    }

private:
    void header() {
        if (m_in.u8() != std::uint8_t(adtg::kTokenHeader))
            badFormat(QStringLiteral("不是 ADTG 文件"));
        const std::uint8_t size = m_in.u8();
        if (size < 7 || std::string_view(m_in.take(3), 3) != "TG!")
            badFormat(QStringLiteral("不是 ADTG 文件"));
        m_in.skip(2); // version
        if (m_in.u8() != 0)
            badFormat(QStringLiteral("不支持高位在前的字节顺序"));
        if (m_in.u8() != 1)
            badFormat(QStringLiteral("不支持非 Unicode 的 ADTG 文件"));
        m_in.skip(size - 7u);
        if (m_in.u8() != std::uint8_t(adtg::kTokenHandler))
            badFormat(QStringLiteral("缺少处理选项 (第 %1 字节)").arg(m_in.pos() - 1));
        m_in.skip(m_in.u16());
    }

    // An element's body as a reader of its own, so a short or long body
    // cannot run into the next element.
    ByteReader body() {
        const std::uint16_t size = m_in.u16();
        return ByteReader(m_in.take(size), size);
    }

    void meta() {
        if (m_in.u8() != std::uint8_t(adtg::kTokenResult))
            badFormat(QStringLiteral("缺少结果描述 (第 %1 字节)").arg(m_in.pos() - 1));
        ByteReader result = body();
        result.skip(16 + 3);
        result.skip(2); // visible columns
        const std::uint16_t total = result.u16();
        result.skip(2 + 2 + 2);
        result.skip(4); // row count: the rows themselves are counted
        while (true) {
            const std::uint8_t t = m_in.peek();
            if (t == adtg::kTokenTable) {
                m_in.u8();
                table(body());
            } else if (t == adtg::kTokenColumn) {
                m_in.u8();
                column(body());
            } else if (t >= adtg::kTokenRow) {
                break;
            } else if (t == adtg::kTokenContext || t > adtg::kTokenHandler) {
                m_in.u8();
                body(); // context and elements we do not use
            } else {
                badFormat(
                    QStringLiteral("未知的标记 %1 (第 %2 字节)").arg(hex(t), QString::number(m_in.pos())));
            }
        }
        if (m_columns.empty())
            badFormat(QStringLiteral("文件中没有字段"));
        if (m_columns.size() != total)
            badFormat(QStringLiteral("字段数 %1 与结果描述的 %2 不符")
                          .arg(QString::number(m_columns.size()), QString::number(total)));
        // Columns by their ordinal, which must number them 1..n.
        std::vector<ColumnInfo> ordered(m_columns.size());
        std::vector<bool> seen(m_columns.size(), false);
        for (ColumnInfo& c : m_columns) {
            if (c.ordinal < 1 || c.ordinal > m_columns.size() || seen[c.ordinal - 1u])
                badFormat(QStringLiteral("字段序号 %1 无效").arg(c.ordinal));
            seen[c.ordinal - 1u] = true;
            resolveTable(c);
            ordered[c.ordinal - 1u] = std::move(c);
        }
        m_columns = std::move(ordered);
        for (const ColumnInfo& c : m_columns)
            m_image.columns.push_back(c.def);
        if (m_tables.size() == 1)
            m_image.baseTable = m_tables.front().name;
    }

    void table(ByteReader in) {
        TableInfo t;
        t.ordinal = in.u16();
        t.name = in.lengthPrefixedString();
        const QString update = in.lengthPrefixedString();
        if (t.name.isEmpty())
            t.name = update;
        t.codePage = in.u16();
        in.skip(2); // column count
        const std::uint16_t keys = in.u16();
        for (std::uint16_t k = 0; k < keys; ++k)
            t.keys.push_back(in.u16());
        m_tables.push_back(std::move(t));
    }

    void column(ByteReader in) {
        ColumnInfo c;
        const std::uint8_t p1 = in.u8(), p2 = in.u8();
        in.skip(1);
        c.ordinal = in.u16();
        if (p1 & adtg::kHasName)
            c.def.name = in.lengthPrefixedString();
        if (p1 & adtg::kHasTableOrdinal)
            c.table = in.u16();
        if (p1 & adtg::kHasTableColumnOrdinal)
            c.tableColumn = in.u16();
        if (p1 & adtg::kHasBaseColumnName)
            c.def.baseColumn = in.lengthPrefixedString();
        c.dbType = in.u16();
        const std::uint32_t maxLength = in.u32();
        const std::uint32_t precision = in.u32();
        const std::uint32_t scale = in.u32();
        const std::uint32_t flags = in.u32();
        if (p1 & adtg::kHasCatalog)
            in.lengthPrefixedString();
        if (p1 & adtg::kHasSchema)
            in.lengthPrefixedString();
        bool autoIncrement = false;
        // The optional properties follow in order; a default value (a
        // variant) ends what we read of them.
        if (!(p2 & adtg::kHasDefaultValue)) {
            in.skip(((p2 & adtg::kHasCollating) ? 4 : 0) + ((p2 & adtg::kHasComputeMode) ? 4 : 0) +
                    ((p2 & adtg::kHasDateTimePrecision) ? 4 : 0));
            if (p2 & adtg::kHasAutoIncrement)
                autoIncrement = in.u16() != 0;
        }
        if (c.dbType == dbtype::HCHAPTER)
            badFormat(QStringLiteral("不支持分层记录集"));
        c.fixedSize = fixedSizeOf(c.dbType);
        if (c.fixedSize < 0 || !fieldTypeOf(c.dbType, flags & colflag::ISLONG, autoIncrement, c.def.type))
            badFormat(
                QStringLiteral("字段 %1 的数据类型 %2 不受支持").arg(c.def.name, QString::number(c.dbType)));
        if (c.def.name.isEmpty())
            c.def.name = QStringLiteral("Column%1").arg(c.ordinal);
        if (c.fixedSize == 0)
            c.def.size = int(std::min<std::uint32_t>(maxLength, std::numeric_limits<int>::max()));
        if (c.def.type == FieldType::BCD) {
            c.def.precision = int(std::min<std::uint32_t>(precision, 38));
            c.def.scale = int(std::min<std::uint32_t>(scale, 38));
        }
        c.def.autoIncrement = autoIncrement || c.def.type == FieldType::AutoInc;
        c.def.key = (flags & colflag::KEYCOLUMN) != 0;
        c.def.nullable = (flags & (colflag::ISNULLABLE | colflag::MAYBENULL)) != 0;
        m_columns.push_back(std::move(c));
    }

    void resolveTable(ColumnInfo& c) {
        if (c.table == 0)
            return;
        for (const TableInfo& t : m_tables) {
            if (t.ordinal != c.table)
                continue;
            c.def.baseTable = t.name;
            c.codePage = t.codePage;
            if (std::find(t.keys.begin(), t.keys.end(), c.tableColumn) != t.keys.end())
                c.def.key = true;
            if (c.def.baseColumn.isEmpty())
                c.def.baseColumn = c.def.name;
            return;
        }
        badFormat(QStringLiteral("字段 %1 引用了不存在的表 %2").arg(c.def.name, QString::number(c.table)));
    }

    void rows() {
        RowCollector collect(m_image, m_fileBytes);
        std::vector<ScratchCell> cells(m_columns.size());
        std::vector<ScratchCell> changed;
        while (true) {
            const std::size_t at = m_in.pos();
            const std::uint8_t t = m_in.u8();
            if (t == adtg::kTokenDone)
                return;
            if (t == adtg::kTokenRow) {
                rowData(cells, nullptr);
                const std::uint8_t next = m_in.atEnd() ? 0 : m_in.peek();
                if (next == adtg::kTokenDelete) {
                    m_in.u8();
                    continue;
                }
                if (next == adtg::kTokenChange) {
                    m_in.u8();
                    updateData(cells);
                }
                collect.addRow(cells);
            } else if (t == adtg::kTokenInsert || t == adtg::kTokenInsertAlt) {
                for (ScratchCell& c : cells)
                    c.null = true;
                updateData(cells);
                collect.addRow(cells);
            } else if (t & 0x80) {
                badFormat(QStringLiteral("不支持分层记录集"));
            } else {
                badFormat(QStringLiteral("未知的行标记 %1 (第 %2 字节)").arg(hex(t), QString::number(at)));
            }
        }
    }

    const char* bitmap() { return m_in.take((m_columns.size() + 7) / 8); }
    static bool bit(const char* map, std::size_t c) { return (std::uint8_t(map[c / 8]) >> (c % 8)) & 1; }

    // Null bitmap and values of all columns, or of those `only` marks.
    void rowData(std::vector<ScratchCell>& cells, const char* only) {
        const char* nulls = bitmap();
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (only && !bit(only, c))
                continue;
            cells[c].null = bit(nulls, c);
            if (!cells[c].null)
                value(m_columns[c], cells[c]);
        }
    }
    void updateData(std::vector<ScratchCell>& cells) { rowData(cells, bitmap()); }

    [[noreturn]] void badValue(const ColumnInfo& c) const {
        badFormat(
            QStringLiteral("字段 %1 的值无效 (第 %2 字节)").arg(c.def.name, QString::number(m_in.pos())));
    }

    void value(const ColumnInfo& c, ScratchCell& cell) {
        if (c.fixedSize == 0) {
            const std::uint32_t n = m_in.u32();
            const char* p = m_in.take(n);
            switch (c.dbType) {
            case dbtype::WSTR:
            case dbtype::VARWCHAR:
            case dbtype::LONGVARWCHAR: {
                if (n % 2)
                    badValue(c);
                QString s(qsizetype(n / 2), Qt::Uninitialized);
                for (std::uint32_t i = 0; i < n / 2; ++i)
                    s[i] = QChar(char16_t(std::uint8_t(p[2 * i]) | (std::uint8_t(p[2 * i + 1]) << 8)));
                const QByteArray u = s.toUtf8();
                cell.s.assign(u.constData(), std::size_t(u.size()));
                return;
            }
            case dbtype::STR:
            case dbtype::VARCHAR:
            case dbtype::LONGVARCHAR:
                if (c.codePage != adtg::kUtf8CodePage) {
                    const QByteArray u = decodeText(QByteArray::fromRawData(p, qsizetype(n))).toUtf8();
                    cell.s.assign(u.constData(), std::size_t(u.size()));
                    return;
                }
                break;
            default:
                break;
            }
            cell.s.assign(p, n);
            return;
        }
        switch (c.dbType) {
        case dbtype::I1:
            cell.i = std::int8_t(m_in.u8());
            return;
        case dbtype::UI1:
            cell.i = m_in.u8();
            return;
        case dbtype::I2:
            cell.i = std::int16_t(m_in.u16());
            return;
        case dbtype::UI2:
            cell.i = m_in.u16();
            return;
        case dbtype::BOOL:
            cell.i = m_in.u16() != 0;
            return;
        case dbtype::I4:
            cell.i = std::int32_t(m_in.u32());
            return;
        case dbtype::UI4:
            cell.i = m_in.u32();
            return;
        case dbtype::I8:
        case dbtype::CY:
            cell.i = std::int64_t(m_in.u64());
            return;
        case dbtype::UI8: {
            const std::uint64_t v = m_in.u64();
            if (v > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
                badValue(c);
            cell.i = std::int64_t(v);
            return;
        }
        case dbtype::R4:
            cell.d = m_in.f32();
            return;
        case dbtype::R8:
            cell.d = m_in.f64();
            return;
        case dbtype::DATE:
            oleDate(c, cell);
            return;
        case dbtype::DBDATE:
        case dbtype::DBTIMESTAMP: {
            DateTimeParts p;
            p.year = std::int16_t(m_in.u16());
            p.month = m_in.u16();
            p.day = m_in.u16();
            if (c.dbType == dbtype::DBTIMESTAMP) {
                p.hour = m_in.u16();
                p.minute = m_in.u16();
                p.second = m_in.u16();
                const std::uint32_t ns = m_in.u32();
                if (ns >= 1000000000u)
                    badValue(c);
                p.msec = int(ns / 1000000u);
            }
            if (!joinDateTime(p, cell.i))
                badValue(c);
            return;
        }
        case dbtype::DBTIME: {
            const std::uint16_t h = m_in.u16(), mi = m_in.u16(), s = m_in.u16();
            if (mi > 59 || s > 59)
                badValue(c);
            cell.i = ((std::int64_t(h) * 60 + mi) * 60 + s) * 1000;
            return;
        }
        case dbtype::NUMERIC: {
            m_in.skip(1); // precision
            const std::uint8_t scale = m_in.u8();
            const bool positive = m_in.u8() != 0;
            const std::uint64_t lo = m_in.u64(), hi = m_in.u64();
            fixed(c, cell, lo, hi, scale, !positive);
            return;
        }
        case dbtype::DECIMAL: {
            m_in.skip(2);
            const std::uint8_t scale = m_in.u8();
            const bool negative = (m_in.u8() & 0x80) != 0;
            const std::uint32_t hi = m_in.u32();
            const std::uint64_t lo = m_in.u64();
            fixed(c, cell, lo, hi, scale, negative);
            return;
        }
        case dbtype::GUID: {
            const QByteArray u =
                QUuid::fromRfc4122(QByteArray::fromRawData(m_in.take(16), 16)).toString().toUpper().toUtf8();
            cell.s.assign(u.constData(), std::size_t(u.size()));
            return;
        }
        default:
            badValue(c);
        }
    }

    // An unsigned magnitude with `scale` decimals as value * 10^4, rounded
    // half away from zero.
    void fixed(const ColumnInfo& c, ScratchCell& cell, std::uint64_t lo, std::uint64_t hi, int scale,
               bool negative) {
        if (hi != 0 || scale > 38)
            badValue(c);
        std::uint64_t v = lo;
        for (int s = scale; s < 4; ++s) {
            if (v > std::numeric_limits<std::uint64_t>::max() / 10)
                badValue(c);
            v *= 10;
        }
        for (int s = 4; s < scale; ++s)
            v = v / 10 + (s == scale - 1 && v % 10 >= 5 ? 1 : 0);
        if (v > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            badValue(c);
        cell.i = negative ? -std::int64_t(v) : std::int64_t(v);
    }

    // Days since 1899-12-30; the fraction is the time of day, also for days
    // before that date.
    void oleDate(const ColumnInfo& c, ScratchCell& cell) {
        const double v = m_in.f64();
        if (!std::isfinite(v) || std::fabs(v) > 3.0e6)
            badValue(c);
        const double whole = std::trunc(v);
        const double frac = std::fabs(v - whole);
        cell.i =
            (std::int64_t(whole) + kOleEpochDays) * kMsecsPerDay + std::llround(frac * double(kMsecsPerDay));
    }

    ByteReader m_in;
    RecordSetImage& m_image;
    std::size_t m_fileBytes;
    std::vector<TableInfo> m_tables;
    std::vector<ColumnInfo> m_columns;
};

} // namespace

void readAdtg(const QByteArray& bytes, RecordSetImage& image, bool metadataOnly) {
    Reader(bytes, image).read(metadataOnly);
}

} // namespace persist
