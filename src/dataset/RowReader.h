#pragma once
// Runs a statement and streams its rows, in batches, into a sink. On MariaDB
// the raw column bytes are taken through the C API on the connection's own
// handle (text protocol, unbuffered: rows are stored as they arrive); other
// drivers go through QSqlQuery. Batches start small so that the first rows
// can be shown at once, then grow.
#include "dataset/RowStore.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <vector>

class SqlTrace;

class RowSink {
public:
    virtual ~RowSink() = default;
    // The result's columns, before any row.
    virtual void columns(std::vector<ColumnDef> defs) = 0;
    // A batch of rows; return false to stop reading.
    virtual bool rows(const RowBatch& batch) = 0;
};

// Binds the ":name"/":@name" parameters of `sql` from `params` and reads the
// result. Returns false when the sink or `cancel` stopped the reading (the
// statement is then killed on the server so that the connection is free at
// once). Throws DbError with the engine's message.
bool readStatement(const QSqlDatabase& db, const QString& sql, const QVariantMap& params, RowSink& sink,
                   const SqlTrace* trace, bool forceQtDriver, const std::atomic<bool>* cancel);

// The two readers behind it.
bool readMariaDb(const QSqlDatabase& db, const QString& sqlText, RowSink& sink,
                 const std::atomic<bool>* cancel);
bool readQtQuery(const QSqlDatabase& db, const QString& positionalSql, const QVariantList& values,
                 RowSink& sink, const std::atomic<bool>* cancel);

// MariaDB: the server's id of a connection, and ending the statement running
// on a connection of that id from a second connection (so that the rest of
// an abandoned result is not sent).
unsigned long serverThreadId(const QSqlDatabase& db);
void killServerQuery(const QSqlDatabase& like, unsigned long threadId);

// When to hand a batch over: after 256 rows first, doubling up to 32,768, and
// at the latest every 200 ms.
class BatchPolicy {
public:
    BatchPolicy();
    bool due(std::uint32_t rowsInBatch);
    void delivered();
    std::uint32_t target() const { return m_target; }

private:
    std::uint32_t m_target = 256;
    std::int64_t m_last = 0;
};
