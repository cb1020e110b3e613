// The MariaDB reader: mysql_real_query + mysql_use_result on the handle of
// the Qt connection, each cell parsed straight from the row's bytes into
// column storage.
#include "dataset/CellCodec.h"
#include "dataset/RowReader.h"
#include "db/DbError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <mysql.h>

namespace {

enum class Parse { Int, UInt, Bit, Fixed, Double, DateTime, Time, Bytes };

int maxBytesPerChar(unsigned charsetnr) {
    if (charsetnr == 63)
        return 1;
    if (const MARIADB_CHARSET_INFO* cs = mariadb_get_charset_by_nr(charsetnr))
        return std::max(1u, cs->char_maxlen);
    return 1;
}

ColumnDef describe(const MYSQL_FIELD& f, Parse& parse) {
    ColumnDef d;
    d.name = QString::fromUtf8(f.name, int(f.name_length));
    d.baseTable = QString::fromUtf8(f.org_table, int(f.org_table_length));
    d.baseColumn = QString::fromUtf8(f.org_name, int(f.org_name_length));
    d.autoIncrement = (f.flags & AUTO_INCREMENT_FLAG) != 0;
    d.key = (f.flags & PRI_KEY_FLAG) != 0;
    d.nullable = (f.flags & NOT_NULL_FLAG) == 0;
    const bool isUnsigned = (f.flags & UNSIGNED_FLAG) != 0;
    const bool binary = f.charsetnr == 63;
    parse = Parse::Int;
    switch (f.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
        d.type = isUnsigned ? FieldType::Word : FieldType::SmallInt;
        break;
    case MYSQL_TYPE_INT24:
        d.type = FieldType::Integer;
        break;
    case MYSQL_TYPE_LONG:
        d.type = isUnsigned ? FieldType::LargeInt : FieldType::Integer;
        break;
    case MYSQL_TYPE_LONGLONG:
        d.type = FieldType::LargeInt;
        if (isUnsigned)
            parse = Parse::UInt;
        break;
    case MYSQL_TYPE_YEAR:
        d.type = FieldType::SmallInt;
        break;
    case MYSQL_TYPE_BIT:
        d.type = f.length == 1 ? FieldType::Boolean : FieldType::LargeInt;
        parse = Parse::Bit;
        break;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        d.type = FieldType::Float;
        parse = Parse::Double;
        break;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: {
        d.scale = int(f.decimals);
        d.precision = int(f.length) - (d.scale > 0 ? 1 : 0) - (isUnsigned ? 0 : 1);
        // Up to four decimals and 14 integer digits fit the fixed-point form
        // exactly; wider decimals are read as floating point.
        if (d.scale <= 4 && d.precision - d.scale <= 14) {
            d.type = FieldType::BCD;
            parse = Parse::Fixed;
        } else {
            d.type = FieldType::Float;
            parse = Parse::Double;
        }
        break;
    }
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        d.type = FieldType::Date;
        parse = Parse::DateTime;
        break;
    case MYSQL_TYPE_TIME:
        d.type = FieldType::Time;
        parse = Parse::Time;
        break;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        d.type = FieldType::DateTime;
        parse = Parse::DateTime;
        break;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_GEOMETRY:
        d.type = binary ? FieldType::Blob : FieldType::Memo;
        d.size = int(f.length / unsigned(maxBytesPerChar(f.charsetnr)));
        parse = Parse::Bytes;
        break;
    case MYSQL_TYPE_JSON:
        d.type = FieldType::Memo;
        parse = Parse::Bytes;
        break;
    default: // CHAR, VARCHAR, ENUM, SET, NULL
        d.type = binary ? (f.length > 8000 ? FieldType::Blob : FieldType::String) : FieldType::WideString;
        d.size = int(f.length / unsigned(maxBytesPerChar(f.charsetnr)));
        parse = Parse::Bytes;
        break;
    }
    return d;
}

} // namespace

void killServerQuery(const QSqlDatabase& db, unsigned long threadId) {
    const QString name = QStringLiteral("meal_kill_") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase killer = QSqlDatabase::cloneDatabase(db, name);
        if (killer.open()) {
            QSqlQuery q(killer);
            q.exec(QStringLiteral("KILL QUERY %1").arg(threadId));
        }
        killer.close();
    }
    QSqlDatabase::removeDatabase(name);
}

namespace {

MYSQL* handleOf(const QSqlDatabase& db) {
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    // The driver registers the handle as "MYSQL*" or under the struct's own name.
    if (!h.isValid() || (qstrcmp(h.typeName(), "MYSQL*") != 0 && qstrcmp(h.typeName(), "st_mysql*") != 0))
        throw DbError(QStringLiteral("数据库连接不可用"));
    MYSQL* mysql = *static_cast<MYSQL* const*>(h.constData());
    if (!mysql)
        throw DbError(QStringLiteral("数据库连接没有打开"));
    return mysql;
}

QString errorText(MYSQL* mysql) {
    return QString::fromUtf8(mysql_error(mysql));
}

} // namespace

unsigned long serverThreadId(const QSqlDatabase& db) {
    return mysql_thread_id(handleOf(db));
}

bool readMariaDb(const QSqlDatabase& db, const QString& sqlText, RowSink& sink,
                 const std::atomic<bool>* cancel) {
    MYSQL* mysql = handleOf(db);
    const QByteArray sql = sqlText.toUtf8();
    if (mysql_real_query(mysql, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
        throw DbError(errorText(mysql));
    MYSQL_RES* res = mysql_use_result(mysql);
    if (!res) {
        if (mysql_field_count(mysql) != 0)
            throw DbError(errorText(mysql));
        sink.columns({}); // a statement without a result set
        return true;
    }
    const unsigned n = mysql_num_fields(res);
    const MYSQL_FIELD* fields = mysql_fetch_fields(res);
    std::vector<ColumnDef> defs;
    std::vector<Parse> parse(n);
    for (unsigned c = 0; c < n; ++c)
        defs.push_back(describe(fields[c], parse[c]));
    std::vector<StorageKind> kinds;
    for (const ColumnDef& d : defs)
        kinds.push_back(storageKind(d.type));
    try {
        sink.columns(defs);
    } catch (...) {
        mysql_free_result(res);
        throw;
    }

    BatchPolicy policy;
    auto batch = std::make_unique<RowBatch>(kinds, policy.target());
    bool stopped = false;
    MYSQL_ROW row;
    while ((row = mysql_fetch_row(res)) != nullptr) {
        const unsigned long* len = mysql_fetch_lengths(res);
        for (unsigned c = 0; c < n; ++c) {
            const char* v = row[c];
            const int col = int(c);
            if (!v) {
                batch->addNull(col);
                continue;
            }
            const std::size_t l = len[c];
            bool ok = true;
            switch (parse[c]) {
            case Parse::Int: {
                std::int64_t x;
                ok = cellcodec::parseInt64(v, l, x);
                if (ok)
                    batch->addInt(col, x);
                break;
            }
            case Parse::UInt: {
                std::int64_t x;
                ok = cellcodec::parseInt64(v, l, x);
                if (!ok) {
                    double dbl;
                    ok = cellcodec::parseDouble(v, l, dbl);
                    x = std::int64_t(std::uint64_t(dbl));
                }
                if (ok)
                    batch->addInt(col, x);
                break;
            }
            case Parse::Bit: {
                std::uint64_t x = 0;
                for (std::size_t i = 0; i < l; ++i)
                    x = (x << 8) | static_cast<unsigned char>(v[i]);
                batch->addInt(col, kinds[c] == StorageKind::Int64 && defs[c].type == FieldType::Boolean
                                       ? (x != 0)
                                       : std::int64_t(x));
                break;
            }
            case Parse::Fixed: {
                std::int64_t x;
                ok = cellcodec::parseFixed4(v, l, x);
                if (ok)
                    batch->addInt(col, x);
                break;
            }
            case Parse::Double: {
                double x;
                ok = cellcodec::parseDouble(v, l, x);
                if (ok)
                    batch->addDouble(col, x);
                break;
            }
            case Parse::DateTime: {
                std::int64_t x;
                ok = cellcodec::parseDateTime(v, l, x); // the zero date reads as null
                if (ok)
                    batch->addInt(col, x);
                break;
            }
            case Parse::Time: {
                std::int64_t x;
                ok = cellcodec::parseTime(v, l, x);
                if (ok)
                    batch->addInt(col, x);
                break;
            }
            case Parse::Bytes:
                batch->addBytes(col, v, l);
                break;
            }
            if (!ok)
                batch->addNull(col);
        }
        batch->endRow();
        if (policy.due(batch->rows())) {
            const bool go = sink.rows(*batch) && !(cancel && cancel->load());
            policy.delivered();
            batch = std::make_unique<RowBatch>(kinds, policy.target());
            if (!go) {
                stopped = true;
                break;
            }
        }
    }
    if (stopped) {
        killServerQuery(db, mysql_thread_id(mysql));
        mysql_free_result(res); // drains what was already on its way
        return false;
    }
    const unsigned err = mysql_errno(mysql);
    const QString message = err ? errorText(mysql) : QString();
    mysql_free_result(res);
    if (err)
        throw DbError(message);
    if (!batch->empty())
        sink.rows(*batch);
    return !(cancel && cancel->load());
}
