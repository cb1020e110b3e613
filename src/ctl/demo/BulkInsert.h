#pragma once
// Multi-row INSERT statements built in memory and sent in large pieces: one
// statement per ~1 MB of values. All buffers of one load share a BulkLoad,
// which keeps the rows of several statements in one transaction.
#include <QSqlDatabase>
#include <QString>

#include <cstdint>
#include <string>

class BulkLoad {
public:
    explicit BulkLoad(const QSqlDatabase& db);
    ~BulkLoad();
    BulkLoad(const BulkLoad&) = delete;
    BulkLoad& operator=(const BulkLoad&) = delete;

    // Runs one statement; throws DbError with the engine's message.
    void exec(const QString& sql);
    void execUtf8(const std::string& sql);
    // Called after each multi-row statement: commits every few statements.
    void statementDone();
    // Commits what is pending and restores the session settings.
    void finish();
    int64_t rowsWritten() const { return m_rows; }
    void addRows(int64_t n) { m_rows += n; }

private:
    void begin();
    QSqlDatabase m_db;
    bool m_open = false;
    int m_statements = 0;
    int64_t m_rows = 0;
};

class BulkInsert {
public:
    BulkInsert(BulkLoad& load, const char* table, const char* columns);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    // A row is begun, filled value by value in column order, and ended.
    BulkInsert& row();
    BulkInsert& integer(int64_t value);
    // Integer, or NULL when `isNull`.
    BulkInsert& integerOrNull(int64_t value, bool isNull);
    // Cents written as a decimal number ("12.50", "-3.00").
    BulkInsert& money(int64_t cents);
    BulkInsert& text(const std::string& utf8);
    BulkInsert& text(const char* utf8) { return text(std::string(utf8)); }
    BulkInsert& text(const QString& value) { return text(value.toStdString()); }
    BulkInsert& dateTime(int64_t time);
    BulkInsert& date(int64_t time);
    BulkInsert& null();
    void end();
    void flush();
    int64_t rows() const { return m_total; }

private:
    void separator();
    BulkLoad& m_load;
    std::string m_head;
    std::string m_buffer;
    int m_pending = 0;
    int64_t m_total = 0;
    bool m_firstValue = true;
};
