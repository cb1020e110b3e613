#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "dataset/persist/CellParts.h"
#include "dataset/persist/OleDbTypes.h"
#include "dataset/persist/OutputBuffer.h"
#include "dataset/persist/XmlRowsetFormat.h"

#include <charconv>
#include <cmath>
#include <set>

namespace persist {

namespace {

// Whether `s` can stand as an attribute name without a prefix.
bool isXmlName(const QString& s) {
    if (s.isEmpty() || s.startsWith(QLatin1String("xml"), Qt::CaseInsensitive))
        return false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        const bool ok = c.isLetter() || c == QLatin1Char('_') ||
                        (i > 0 && (c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('.')));
        if (!ok || c.isSurrogate())
            return false;
    }
    return true;
}

// Text for a single-quoted attribute value. Characters XML cannot carry
// (controls other than tab, CR, LF) become spaces.
void escape(std::string& out, std::string_view s) {
    for (char ch : s) {
        switch (ch) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out.push_back(std::uint8_t(ch) < 0x20 ? ' ' : ch);
        }
    }
}
void escape(std::string& out, const QString& s) {
    const QByteArray u = s.toUtf8();
    escape(out, std::string_view(u.constData(), std::size_t(u.size())));
}

void number(std::string& out, std::int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void twoDigits(std::string& out, int v) {
    out.push_back(char('0' + v / 10 % 10));
    out.push_back(char('0' + v % 10));
}

class Writer {
public:
    Writer(const DataSet& ds, QIODevice& device) : m_ds(ds), m_out(device), m_store(ds.store()) {
        m_columns = savedColumns(ds);
        std::set<QString> used;
        for (const SavedColumn& c : m_columns)
            used.insert(c.def.name.toLower());
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            QString name = m_columns[i].def.name;
            if (!isXmlName(name)) {
                int n = int(i) + 1;
                do
                    name = QStringLiteral("c%1").arg(n++);
                while (used.count(name.toLower()));
                used.insert(name.toLower());
            }
            QByteArray u = name.toUtf8();
            m_attrNames.emplace_back(u.constData(), std::size_t(u.size()));
        }
    }

    void write() {
        std::string& o = m_out.raw();
        o += "<xml xmlns:s='";
        o += xmlrowset::kSchemaNs;
        o += "'\n\txmlns:dt='";
        o += xmlrowset::kDataTypeNs;
        o += "'\n\txmlns:rs='";
        o += xmlrowset::kRowsetNs;
        o += "'\n\txmlns:z='";
        o += xmlrowset::kRowNs;
        o += "'>\n<s:Schema id='RowsetSchema'>\n\t<s:ElementType name='row' content='eltOnly' "
             "rs:updatable='true'>\n";
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            attributeType(c);
        o += "\t\t<s:extends type='rs:rowbase'/>\n\t</s:ElementType>\n</s:Schema>\n<rs:data>\n";
        for (std::uint32_t row : savedRows(m_ds)) {
            o += "\t<z:row";
            for (std::size_t c = 0; c < m_columns.size(); ++c) {
                if (m_store->isNull(row, m_columns[c].column))
                    continue;
                o.push_back(' ');
                o += m_attrNames[c];
                o += "='";
                value(o, row, m_columns[c]);
                o.push_back('\'');
            }
            o += "/>\n";
            m_out.flushIfFull();
        }
        o += "</rs:data>\n</xml>\n";
        m_out.flush();
    }

private:
    void attr(const char* name, const QString& v) {
        std::string& o = m_out.raw();
        o.push_back(' ');
        o += name;
        o += "='";
        escape(o, v);
        o.push_back('\'');
    }
    void attr(const char* name, std::int64_t v) { attr(name, QString::number(v)); }

    void attributeType(std::size_t c) {
        const ColumnDef& d = m_columns[c].def;
        std::string& o = m_out.raw();
        o += "\t\t<s:AttributeType name='";
        o += m_attrNames[c];
        o.push_back('\'');
        if (m_attrNames[c] != d.name.toUtf8().toStdString())
            attr("rs:name", d.name);
        attr("rs:number", std::int64_t(c + 1));
        if (d.nullable)
            o += " rs:nullable='true'";
        o += " rs:writeunknown='true'";
        if (!d.baseTable.isEmpty()) {
            attr("rs:basetable", d.baseTable);
            attr("rs:basecolumn", d.baseColumn.isEmpty() ? d.name : d.baseColumn);
        }
        if (d.key)
            o += " rs:keycolumn='true'";
        if (d.autoIncrement)
            o += " rs:autoincrement='true'";
        o += ">\n\t\t\t<s:datatype";
        const char* type = "string";
        const char* dbtype = nullptr;
        int precision = 0, scale = -1;
        switch (d.type) {
        case FieldType::String:
            dbtype = "str";
            break;
        case FieldType::WideString:
        case FieldType::Memo:
            break;
        case FieldType::Blob:
            type = "bin.hex";
            break;
        case FieldType::SmallInt:
            type = "i2";
            precision = 5;
            break;
        case FieldType::Word:
            type = "ui2";
            precision = 5;
            break;
        case FieldType::Integer:
        case FieldType::AutoInc:
            type = "int";
            precision = 10;
            break;
        case FieldType::LargeInt:
            type = "i8";
            precision = 19;
            break;
        case FieldType::Float:
            type = "float";
            precision = 15;
            break;
        case FieldType::Currency:
            type = "number";
            dbtype = "currency";
            precision = 19;
            break;
        case FieldType::BCD:
            type = "number";
            dbtype = "numeric";
            precision = d.precision > 0 ? d.precision : 19;
            scale = d.precision > 0 ? d.scale : 4;
            break;
        case FieldType::Boolean:
            type = "boolean";
            break;
        case FieldType::Date:
            type = "date";
            break;
        case FieldType::Time:
            type = "time";
            break;
        case FieldType::DateTime:
            type = "dateTime";
            dbtype = "timestamp";
            precision = 23;
            scale = 3;
            break;
        }
        o += " dt:type='";
        o += type;
        o.push_back('\'');
        if (dbtype) {
            o += " rs:dbtype='";
            o += dbtype;
            o.push_back('\'');
        }
        attr("dt:maxLength", std::int64_t(maxLengthOf(d.type, d.size)));
        if (scale >= 0)
            attr("rs:scale", scale);
        if (precision > 0)
            attr("rs:precision", precision);
        if (fixedSizeOf(dbTypeOf(d.type)) > 0)
            o += " rs:fixedlength='true'";
        if (isBlobType(d.type))
            o += " rs:long='true'";
        if (!d.nullable)
            o += " rs:maybenull='false'";
        o += "/>\n\t\t</s:AttributeType>\n";
    }

    void value(std::string& o, std::uint32_t row, const SavedColumn& col) {
        const int c = col.column;
        switch (col.def.type) {
        case FieldType::String:
        case FieldType::WideString:
        case FieldType::Memo:
            escape(o, m_store->bytesAt(row, c));
            return;
        case FieldType::Blob: {
            static const char digits[] = "0123456789abcdef";
            for (char ch : m_store->bytesAt(row, c)) {
                o.push_back(digits[std::uint8_t(ch) >> 4]);
                o.push_back(digits[std::uint8_t(ch) & 15]);
            }
            return;
        }
        case FieldType::Float: {
            const double d = m_store->doubleAt(row, c);
            if (std::isnan(d)) {
                o += "NaN";
            } else if (std::isinf(d)) {
                o += d < 0 ? "-INF" : "INF";
            } else {
                char buf[32];
                const auto r = std::to_chars(buf, buf + sizeof buf, d);
                o.append(buf, r.ptr);
            }
            return;
        }
        default:
            break;
        }
        const std::int64_t v = m_store->intAt(row, c);
        switch (col.def.type) {
        case FieldType::Currency:
        case FieldType::BCD:
            o += cellcodec::fixedTextTrimmed(v).toStdString();
            return;
        case FieldType::Boolean:
            o += v ? "True" : "False";
            return;
        case FieldType::Date:
        case FieldType::DateTime: {
            const DateTimeParts p = splitDateTime(v);
            if (p.year < 0)
                o.push_back('-');
            const int y = std::abs(p.year);
            twoDigits(o, y / 100);
            twoDigits(o, y);
            o.push_back('-');
            twoDigits(o, p.month);
            o.push_back('-');
            twoDigits(o, p.day);
            if (col.def.type == FieldType::DateTime) {
                o.push_back('T');
                time(o, p.hour, p.minute, p.second, p.msec);
            }
            return;
        }
        case FieldType::Time:
            if (v < 0)
                throw PersistError{QStringLiteral("字段 %1 的值 %2 超出文件格式允许的范围")
                                       .arg(col.def.name, cellcodec::timeText(v))};
            time(o, int(v / 3600000), int(v / 60000 % 60), int(v / 1000 % 60), 0);
            return;
        default:
            number(o, v);
            return;
        }
    }

    static void time(std::string& o, int h, int mi, int s, int ms) {
        if (h >= 100)
            number(o, h);
        else
            twoDigits(o, h);
        o.push_back(':');
        twoDigits(o, mi);
        o.push_back(':');
        twoDigits(o, s);
        if (ms) {
            o.push_back('.');
            o.push_back(char('0' + ms / 100));
            twoDigits(o, ms % 100);
        }
    }

    const DataSet& m_ds;
    OutputBuffer m_out;
    const RowStore* m_store;
    std::vector<SavedColumn> m_columns;
    std::vector<std::string> m_attrNames;
};

} // namespace

void writeXmlRowset(const DataSet& dataSet, QIODevice& device) {
    Writer(dataSet, device).write();
}

} // namespace persist
