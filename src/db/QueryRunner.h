#pragma once
// RunQuery: the statement runner of every ad-hoc statement. Traces the text,
// then opens it (a result set) or executes it; engine errors become DbError.
#include "db/SqlTrace.h"

#include <QSqlQuery>
#include <QString>
#include <QVariantMap>

class QueryRunner {
public:
    explicit QueryRunner(const SqlTrace& trace) : m_trace(trace) {}

    // Replaces the query's statement with `sql` and runs it. With openIt the
    // query is left positioned before the first row (forward-only).
    void RunQuery(QSqlQuery& query, const QString& sql, bool openIt) const;
    // The same with values bound to ":name" placeholders; ":@name" in the
    // statement is the same placeholder (bind it as "name" or "@name").
    void RunQuery(QSqlQuery& query, const QString& sql, bool openIt, const QVariantMap& bindings) const;

    const SqlTrace& trace() const { return m_trace; }

private:
    const SqlTrace& m_trace;
};

// Raises the query's last error as a DbError with the engine's message.
[[noreturn]] void throwQueryError(const QSqlQuery& query);
