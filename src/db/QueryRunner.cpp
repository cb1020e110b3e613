#include "db/QueryRunner.h"

#include "db/DbError.h"
#include "db/NamedParameters.h"

#include <QSqlDriver>

#include <QSqlError>

void throwQueryError(const QSqlQuery& query) {
    const QSqlError e = query.lastError();
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.text().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("数据库操作失败");
    throw DbError(text);
}

void QueryRunner::RunQuery(QSqlQuery& query, const QString& sql, bool openIt) const {
    RunQuery(query, sql, openIt, {});
}

void QueryRunner::RunQuery(QSqlQuery& query, const QString& sql, bool openIt,
                           const QVariantMap& bindings) const {
    m_trace.write(sql);
    query.finish();
    query.setForwardOnly(true);
    bool ok = false;
    if (bindings.isEmpty()) {
        ok = query.exec(sql);
    } else {
        // ":name" and ":@name" become positional markers (quoted texts untouched);
        // values are matched by name, with or without the "@".
        const bool backslashEscapes =
            !query.driver() || query.driver()->dbmsType() != QSqlDriver::MSSqlServer;
        const ParsedStatement parsed = ParsedStatement::parse(sql, backslashEscapes);
        if (!query.prepare(parsed.positional()))
            throwQueryError(query);
        for (const QVariant& value : parsed.orderedValues(bindings))
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok)
        throwQueryError(query);
    if (!openIt)
        query.finish();
}
