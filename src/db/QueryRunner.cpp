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

QString placeholdersForDriver(const QString& sql) {
    // The statements name their parameters ":@begindate"; the driver only
    // knows ":begindate". Quoted texts are left as they are.
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == QLatin1Char('\\') && quote != QLatin1Char('`') && i + 1 < sql.size()) {
                out += c;
                out += sql[++i]; // an escaped character never ends the text
                continue;
            } else if (c == quote) {
                quote = QChar();
            }
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
        } else if (c == QLatin1Char(':') && i + 2 < sql.size() && sql[i + 1] == QLatin1Char('@') &&
                   (sql[i + 2].isLetterOrNumber() || sql[i + 2] == QLatin1Char('_'))) {
            out += c;
            ++i; // drop the "@"
            continue;
        }
        out += c;
    }
    return out;
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
        if (!query.prepare(placeholdersForDriver(sql)))
            throwQueryError(query);
        for (auto it = bindings.cbegin(); it != bindings.cend(); ++it) {
            QString name = it.key();
            if (name.startsWith(QLatin1Char('@')))
                name.remove(0, 1);
            query.bindValue(QLatin1Char(':') + name, it.value());
        }
        ok = query.exec();
    }
    if (!ok)
        throwQueryError(query);
    if (!openIt)
        query.finish();
}
