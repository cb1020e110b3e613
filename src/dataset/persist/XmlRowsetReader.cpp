#include "dataset/CellCodec.h"
#include "dataset/persist/RecordSetImage.h"
#include "dataset/persist/XmlRowsetFormat.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace persist {

namespace {

enum class Parse { Text, Int, Float, Fixed, Bool, Date, Time, DateTime, Hex, Base64 };

struct XmlColumn {
    QString attrName;
    int number = 0;
    Parse parse = Parse::Text;
    std::int64_t min = 0, max = 0;
    ColumnDef def;
};

bool isTrue(QStringView v) {
    return v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || v == QLatin1String("1") ||
           v == QLatin1String("-1");
}

// The column type a "dt:type" (with "rs:dbtype" and "rs:long") stands for.
bool describe(XmlColumn& c, QStringView type, QStringView dbtype, bool isLong, bool autoIncrement) {
    auto integer = [&](FieldType t, std::int64_t min, std::int64_t max) {
        c.def.type = t;
        c.parse = Parse::Int;
        c.min = min;
        c.max = max;
    };
    const std::int64_t i64min = std::numeric_limits<std::int64_t>::min();
    const std::int64_t i64max = std::numeric_limits<std::int64_t>::max();
    if (type.isEmpty() || type == QLatin1String("string") || type == QLatin1String("uuid")) {
        c.def.type = isLong ? FieldType::Memo
                            : (dbtype == QLatin1String("str") ? FieldType::String : FieldType::WideString);
    } else if (type == QLatin1String("bin.hex") || type == QLatin1String("bin.base64")) {
        c.def.type = FieldType::Blob;
        c.parse = type == QLatin1String("bin.hex") ? Parse::Hex : Parse::Base64;
    } else if (type == QLatin1String("i1")) {
        integer(FieldType::SmallInt, -128, 127);
    } else if (type == QLatin1String("ui1")) {
        integer(FieldType::SmallInt, 0, 255);
    } else if (type == QLatin1String("i2")) {
        integer(FieldType::SmallInt, -32768, 32767);
    } else if (type == QLatin1String("ui2")) {
        integer(FieldType::Word, 0, 65535);
    } else if (type == QLatin1String("int") || type == QLatin1String("i4")) {
        integer(autoIncrement ? FieldType::AutoInc : FieldType::Integer,
                std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    } else if (type == QLatin1String("ui4")) {
        integer(FieldType::LargeInt, 0, 4294967295LL);
    } else if (type == QLatin1String("i8") || type == QLatin1String("ui8")) {
        integer(FieldType::LargeInt, type == QLatin1String("ui8") ? 0 : i64min, i64max);
    } else if (type == QLatin1String("r4") || type == QLatin1String("r8") || type == QLatin1String("float")) {
        c.def.type = FieldType::Float;
        c.parse = Parse::Float;
    } else if (type == QLatin1String("number") || type == QLatin1String("fixed.14.4")) {
        c.def.type = dbtype == QLatin1String("currency") || type == QLatin1String("fixed.14.4")
                         ? FieldType::Currency
                         : FieldType::BCD;
        c.parse = Parse::Fixed;
    } else if (type == QLatin1String("boolean")) {
        c.def.type = FieldType::Boolean;
        c.parse = Parse::Bool;
    } else if (type == QLatin1String("date")) {
        c.def.type = FieldType::Date;
        c.parse = Parse::Date;
    } else if (type == QLatin1String("time") || type == QLatin1String("time.tz")) {
        c.def.type = FieldType::Time;
        c.parse = Parse::Time;
    } else if (type == QLatin1String("dateTime") || type == QLatin1String("dateTime.tz")) {
        c.def.type = FieldType::DateTime;
        c.parse = Parse::DateTime;
    } else {
        return false;
    }
    return true;
}

class Reader {
public:
    Reader(const QByteArray& bytes, RecordSetImage& image)
        : m_x(bytes), m_image(image), m_fileBytes(std::size_t(bytes.size())) {}

    void read(bool metadataOnly) {
        // Entities declared in a DTD expand each reference to up to
        // thousands of characters, so a small file could hold values far
        // larger than itself; record-set files declare none.
        while (!m_x.atEnd() && m_x.readNext() != QXmlStreamReader::StartElement)
            if (m_x.tokenType() == QXmlStreamReader::DTD)
                fail(QStringLiteral("记录集文件不能含有文档类型定义 (<!DOCTYPE>)"));
        if (!m_x.isStartElement() || m_x.name() != QLatin1String("xml") || !m_x.namespaceUri().isEmpty())
            fail(QStringLiteral("不是记录集 XML 文件"));
        bool schema = false;
        while (m_x.readNextStartElement()) {
            if (is(xmlrowset::kSchemaNs, "Schema")) {
                // The rows are read against the one set of columns: a second
                // schema (before or after the data) would add columns that
                // rows already read do not have.
                if (schema)
                    fail(QStringLiteral("结构定义 (s:Schema) 重复 (第 %1 行)").arg(m_x.lineNumber()));
                readSchema();
                schema = true;
            } else if (is(xmlrowset::kRowsetNs, "data")) {
                if (!schema)
                    fail(QStringLiteral("数据出现在结构定义之前"));
                if (metadataOnly)
                    return;
                readData();
            } else {
                m_x.skipCurrentElement();
            }
        }
        checkError();
        if (!schema)
            fail(QStringLiteral("缺少结构定义 (s:Schema)"));
    }

private:
    bool is(const char* ns, const char* name) const {
        return m_x.namespaceUri() == QLatin1String(ns) && m_x.name() == QLatin1String(name);
    }
    // A copy: the reader's attribute list does not outlive the next read.
    QString attr(const char* ns, const char* name) const {
        return m_x.attributes().value(QLatin1String(ns), QLatin1String(name)).toString();
    }
    void checkError() {
        if (m_x.hasError())
            badFormat(
                QStringLiteral("XML 第 %1 行: %2").arg(QString::number(m_x.lineNumber()), m_x.errorString()));
    }
    [[noreturn]] void fail(const QString& detail) {
        checkError();
        badFormat(detail);
    }

    void readSchema() {
        int depth = 1;
        while (depth > 0 && !m_x.atEnd()) {
            const auto t = m_x.readNext();
            if (t == QXmlStreamReader::EndElement) {
                --depth;
            } else if (t == QXmlStreamReader::StartElement) {
                if (is(xmlrowset::kSchemaNs, "AttributeType"))
                    readAttributeType();
                else
                    ++depth;
            }
        }
        checkError();
        if (m_columns.empty())
            fail(QStringLiteral("文件中没有字段"));
        std::stable_sort(m_columns.begin(), m_columns.end(),
                         [](const XmlColumn& a, const XmlColumn& b) { return a.number < b.number; });
        for (std::size_t i = 1; i < m_columns.size(); ++i)
            if (m_columns[i].number == m_columns[i - 1].number)
                fail(QStringLiteral("字段序号 %1 重复").arg(m_columns[i].number));
        for (const XmlColumn& c : m_columns)
            m_image.columns.push_back(c.def);
    }

    void readAttributeType() {
        XmlColumn c;
        c.attrName = m_x.attributes().value(QLatin1String("name")).toString();
        if (c.attrName.isEmpty())
            fail(QStringLiteral("字段没有名称 (第 %1 行)").arg(m_x.lineNumber()));
        const QString realName = attr(xmlrowset::kRowsetNs, "name");
        c.def.name = realName.isEmpty() ? c.attrName : realName;
        const QString number = attr(xmlrowset::kRowsetNs, "number");
        bool ok = true;
        c.number = number.isEmpty() ? int(m_columns.size()) + 1 : number.toInt(&ok);
        if (!ok)
            fail(QStringLiteral("字段 %1 的序号无效").arg(c.def.name));
        c.def.baseTable = attr(xmlrowset::kRowsetNs, "basetable");
        c.def.baseColumn = attr(xmlrowset::kRowsetNs, "basecolumn");
        if (c.def.baseColumn.isEmpty() && !c.def.baseTable.isEmpty())
            c.def.baseColumn = c.def.name;
        c.def.key = isTrue(attr(xmlrowset::kRowsetNs, "keycolumn"));
        c.def.autoIncrement = isTrue(attr(xmlrowset::kRowsetNs, "autoincrement"));
        const QString nullable = attr(xmlrowset::kRowsetNs, "nullable");
        QString type = attr(xmlrowset::kDataTypeNs, "type");
        QString dbtype, maxLength, precision, scale, isLong, maybeNull;
        auto take = [&](QString& into, const char* ns, const char* name) {
            const QString v = attr(ns, name);
            if (!v.isEmpty())
                into = v;
        };
        take(maxLength, xmlrowset::kDataTypeNs, "maxLength");
        while (m_x.readNextStartElement()) {
            if (is(xmlrowset::kSchemaNs, "datatype")) {
                take(type, xmlrowset::kDataTypeNs, "type");
                take(dbtype, xmlrowset::kRowsetNs, "dbtype");
                take(maxLength, xmlrowset::kDataTypeNs, "maxLength");
                take(precision, xmlrowset::kRowsetNs, "precision");
                take(scale, xmlrowset::kRowsetNs, "scale");
                take(isLong, xmlrowset::kRowsetNs, "long");
                take(maybeNull, xmlrowset::kRowsetNs, "maybenull");
            }
            m_x.skipCurrentElement();
        }
        checkError();
        if (!describe(c, type, dbtype, isTrue(isLong), c.def.autoIncrement))
            fail(QStringLiteral("字段 %1 的数据类型 %2 不受支持").arg(c.def.name, type));
        c.def.autoIncrement = c.def.autoIncrement || c.def.type == FieldType::AutoInc;
        c.def.nullable = maybeNull.isEmpty() ? (nullable.isEmpty() || isTrue(nullable)) : isTrue(maybeNull);
        if (storageKind(c.def.type) == StorageKind::Bytes)
            c.def.size =
                int(std::clamp<qlonglong>(maxLength.toLongLong(), 0, std::numeric_limits<int>::max()));
        if (c.def.type == FieldType::BCD) {
            c.def.precision = std::clamp(precision.toInt(), 0, 38);
            c.def.scale = std::clamp(scale.toInt(), 0, 38);
        }
        m_columns.push_back(std::move(c));
    }

    void readData() {
        // One collector for every rs:data element, so that they share the
        // file's memory bound.
        if (!m_collect)
            m_collect.emplace(m_image, m_fileBytes);
        RowCollector& collect = *m_collect;
        std::vector<ScratchCell> cells(m_columns.size());
        while (m_x.readNextStartElement()) {
            if (is(xmlrowset::kRowNs, "row")) {
                readRow(cells, true);
                collect.addRow(cells);
            } else if (is(xmlrowset::kRowsetNs, "insert")) {
                while (m_x.readNextStartElement()) {
                    expectRow();
                    readRow(cells, true);
                    collect.addRow(cells);
                }
            } else if (is(xmlrowset::kRowsetNs, "update")) {
                // The original row, then the attributes that changed.
                if (!m_x.readNextStartElement() || !is(xmlrowset::kRowsetNs, "original"))
                    fail(QStringLiteral("rs:update 缺少 rs:original (第 %1 行)").arg(m_x.lineNumber()));
                if (!m_x.readNextStartElement())
                    fail(QStringLiteral("rs:original 中没有记录 (第 %1 行)").arg(m_x.lineNumber()));
                expectRow();
                readRow(cells, true);
                if (m_x.readNextStartElement())
                    fail(QStringLiteral("rs:original 中只能有一条记录 (第 %1 行)").arg(m_x.lineNumber()));
                while (m_x.readNextStartElement()) {
                    expectRow();
                    readRow(cells, false);
                }
                collect.addRow(cells);
            } else if (is(xmlrowset::kRowsetNs, "delete")) {
                while (m_x.readNextStartElement()) {
                    expectRow();
                    readRow(cells, true);
                }
            } else {
                fail(QStringLiteral("未知的元素 %1 (第 %2 行)")
                         .arg(m_x.qualifiedName(), QString::number(m_x.lineNumber())));
            }
        }
        checkError();
    }

    void expectRow() {
        if (!is(xmlrowset::kRowNs, "row"))
            fail(QStringLiteral("未知的元素 %1 (第 %2 行)")
                     .arg(m_x.qualifiedName(), QString::number(m_x.lineNumber())));
    }

    // Reads a z:row into `cells`: all columns when `whole` (missing ones are
    // null), else only the attributes present (and "rs:forcenull").
    void readRow(std::vector<ScratchCell>& cells, bool whole) {
        if (whole)
            for (ScratchCell& c : cells)
                c.null = true;
        std::size_t hint = 0;
        const QXmlStreamAttributes attrs = m_x.attributes();
        for (const QXmlStreamAttribute& a : attrs) {
            if (!a.namespaceUri().isEmpty()) {
                if (a.namespaceUri() == QLatin1String(xmlrowset::kRowsetNs) &&
                    a.name() == QLatin1String("forcenull"))
                    forceNull(cells, a.value());
                continue;
            }
            const std::size_t c = find(a.name(), hint);
            hint = c + 1;
            parseValue(m_columns[c], a.value(), cells[c]);
        }
        m_x.skipCurrentElement();
    }

    void forceNull(std::vector<ScratchCell>& cells, QStringView names) {
        std::size_t hint = 0;
        for (QStringView n : names.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            cells[find(n, hint)].null = true;
    }

    std::size_t find(QStringView name, std::size_t hint) {
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            const std::size_t c = (hint + i) % m_columns.size();
            if (m_columns[c].attrName == name)
                return c;
        }
        fail(QStringLiteral("记录中的属性 %1 不是字段 (第 %2 行)")
                 .arg(name.toString(), QString::number(m_x.lineNumber())));
    }

    [[noreturn]] void badValue(const XmlColumn& c, QStringView v) {
        fail(QStringLiteral("字段 %1 的值 \"%2\" 无效 (第 %3 行)")
                 .arg(c.def.name, v.left(40).toString(), QString::number(m_x.lineNumber())));
    }

    void parseValue(const XmlColumn& c, QStringView v, ScratchCell& cell) {
        cell.null = false;
        bool ok = true;
        switch (c.parse) {
        case Parse::Text: {
            const QByteArray u = v.toUtf8();
            cell.s.assign(u.constData(), std::size_t(u.size()));
            return;
        }
        case Parse::Hex:
        case Parse::Base64: {
            const QByteArray ascii = v.toLatin1();
            QByteArray bytes;
            if (c.parse == Parse::Hex) {
                ok = ascii.size() % 2 == 0 && std::all_of(ascii.begin(), ascii.end(), [](char ch) {
                         return std::isxdigit(static_cast<unsigned char>(ch));
                     });
                bytes = QByteArray::fromHex(ascii);
            } else {
                const auto r = QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
                ok = bool(r);
                bytes = r.decoded;
            }
            if (!ok)
                badValue(c, v);
            cell.s.assign(bytes.constData(), std::size_t(bytes.size()));
            return;
        }
        case Parse::Int: {
            const qlonglong n = v.trimmed().toLongLong(&ok);
            if (!ok || n < c.min || n > c.max)
                badValue(c, v);
            cell.i = n;
            return;
        }
        case Parse::Float: {
            const QStringView t = v.trimmed();
            if (t == QLatin1String("INF"))
                cell.d = std::numeric_limits<double>::infinity();
            else if (t == QLatin1String("-INF"))
                cell.d = -std::numeric_limits<double>::infinity();
            else if (t == QLatin1String("NaN"))
                cell.d = std::numeric_limits<double>::quiet_NaN();
            else
                cell.d = t.toDouble(&ok);
            if (!ok)
                badValue(c, v);
            return;
        }
        case Parse::Fixed: {
            const QByteArray a = v.trimmed().toLatin1();
            if (cellcodec::parseFixed4(a.constData(), std::size_t(a.size()), cell.i))
                return;
            const double d = v.trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(d) || !cellcodec::doubleToFixed(d, cell.i))
                badValue(c, v);
            return;
        }
        case Parse::Bool:
            if (isTrue(v))
                cell.i = 1;
            else if (v.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || v == QLatin1String("0"))
                cell.i = 0;
            else
                badValue(c, v);
            return;
        case Parse::Time: {
            const QByteArray a = v.trimmed().toLatin1();
            if (!cellcodec::parseTime(a.constData(), std::size_t(a.size()), cell.i))
                badValue(c, v);
            return;
        }
        case Parse::Date:
        case Parse::DateTime: {
            QByteArray a = v.trimmed().toLatin1();
            // A time-zone suffix ("Z", "+08:00") does not apply to wall-clock values.
            if (a.endsWith('Z'))
                a.chop(1);
            else if (a.size() > 19 && (a[a.size() - 6] == '+' || a[a.size() - 6] == '-') &&
                     a[a.size() - 3] == ':')
                a.chop(6);
            if (!cellcodec::parseDateTime(a.constData(), std::size_t(a.size()), cell.i))
                badValue(c, v);
            if (c.parse == Parse::Date)
                cell.i -= ((cell.i % kMsecsPerDay) + kMsecsPerDay) % kMsecsPerDay;
            return;
        }
        }
    }

    QXmlStreamReader m_x;
    RecordSetImage& m_image;
    std::size_t m_fileBytes;
    std::vector<XmlColumn> m_columns;
    std::optional<RowCollector> m_collect;
};

} // namespace

bool looksLikeXml(const QByteArray& bytes) {
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[i])))
        ++i;
    return i < bytes.size() && bytes[i] == '<';
}

void readXmlRowset(const QByteArray& bytes, RecordSetImage& image, bool metadataOnly) {
    Reader(bytes, image).read(metadataOnly);
}

} // namespace persist
