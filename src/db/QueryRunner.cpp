#include "db/QueryRunner.h"

#include "db/DbError.h"

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

void QueryRunner::RunQuery(QSqlQuery& query, const QString& sql, bool openIt, const QVariantMap& bindings) const {
    m_trace.write(sql);
    query.finish();
    query.setForwardOnly(true);
    bool ok = false;
    if (bindings.isEmpty()) {
        ok = query.exec(sql);
    } else {
        if (!query.prepare(sql))
            throwQueryError(query);
        for (auto it = bindings.cbegin(); it != bindings.cend(); ++it)
            query.bindValue(QLatin1Char(':') + it.key(), it.value());
        ok = query.exec();
    }
    if (!ok)
        throwQueryError(query);
    if (!openIt)
        query.finish();
}
