#include "ctl/demo/BulkInsert.h"

#include "ctl/demo/DemoTime.h"
#include "db/DbError.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
constexpr size_t kStatementBytes = 1 << 20;
constexpr int kStatementsPerTransaction = 8;
} // namespace

BulkLoad::BulkLoad(const QSqlDatabase& db) : m_db(db) {
    // Bulk rows need no per-row uniqueness check; the load checks its own keys.
    exec(QStringLiteral("SET SESSION unique_checks = 0"));
    exec(QStringLiteral("SET SESSION foreign_key_checks = 0"));
}

BulkLoad::~BulkLoad() {
    if (m_open)
        m_db.rollback();
}

void BulkLoad::exec(const QString& sql) {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        throw DbError(q.lastError().text() + QStringLiteral("\n") + sql.left(300));
}

void BulkLoad::execUtf8(const std::string& sql) {
    if (!m_open)
        begin();
    exec(QString::fromUtf8(sql.data(), qsizetype(sql.size())));
}

void BulkLoad::begin() {
    if (!m_db.transaction())
        throw DbError(m_db.lastError().text());
    m_open = true;
}

void BulkLoad::statementDone() {
    if (++m_statements % kStatementsPerTransaction == 0 && m_open) {
        if (!m_db.commit())
            throw DbError(m_db.lastError().text());
        m_open = false;
    }
}

void BulkLoad::finish() {
    if (m_open) {
        if (!m_db.commit())
            throw DbError(m_db.lastError().text());
        m_open = false;
    }
    exec(QStringLiteral("SET SESSION unique_checks = 1"));
    exec(QStringLiteral("SET SESSION foreign_key_checks = 1"));
}

BulkInsert::BulkInsert(BulkLoad& load, const char* table, const char* columns) : m_load(load) {
    m_head = std::string("INSERT INTO ") + table + " (" + columns + ") VALUES ";
    m_buffer.reserve(kStatementBytes + 4096);
}

BulkInsert::~BulkInsert() = default;

BulkInsert& BulkInsert::row() {
    if (m_buffer.empty())
        m_buffer = m_head;
    else
        m_buffer += ',';
    m_buffer += '(';
    m_firstValue = true;
    return *this;
}

void BulkInsert::separator() {
    if (!m_firstValue)
        m_buffer += ',';
    m_firstValue = false;
}

BulkInsert& BulkInsert::integer(int64_t value) {
    separator();
    m_buffer += std::to_string(value);
    return *this;
}

BulkInsert& BulkInsert::integerOrNull(int64_t value, bool isNull) {
    return isNull ? null() : integer(value);
}

BulkInsert& BulkInsert::money(int64_t cents) {
    separator();
    if (cents < 0) {
        m_buffer += '-';
        cents = -cents;
    }
    m_buffer += std::to_string(cents / 100);
    m_buffer += '.';
    m_buffer += char('0' + cents % 100 / 10);
    m_buffer += char('0' + cents % 10);
    return *this;
}

BulkInsert& BulkInsert::text(const std::string& utf8) {
    separator();
    m_buffer += '\'';
    for (char c : utf8) {
        if (c == '\'')
            m_buffer += "''";
        else if (c == '\\')
            m_buffer += "\\\\";
        else
            m_buffer += c;
    }
    m_buffer += '\'';
    return *this;
}

BulkInsert& BulkInsert::dateTime(int64_t time) {
    separator();
    m_buffer += '\'';
    DemoTime::appendDateTime(m_buffer, time);
    m_buffer += '\'';
    return *this;
}

BulkInsert& BulkInsert::date(int64_t time) {
    separator();
    m_buffer += '\'';
    DemoTime::appendDate(m_buffer, time);
    m_buffer += '\'';
    return *this;
}

BulkInsert& BulkInsert::null() {
    separator();
    m_buffer += "NULL";
    return *this;
}

void BulkInsert::end() {
    m_buffer += ')';
    ++m_pending;
    ++m_total;
    if (m_buffer.size() >= kStatementBytes)
        flush();
}

void BulkInsert::flush() {
    if (m_pending == 0)
        return;
    m_load.execUtf8(m_buffer);
    m_load.addRows(m_pending);
    m_load.statementDone();
    m_buffer.clear();
    m_pending = 0;
}
