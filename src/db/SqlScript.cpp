#include "db/SqlScript.h"

#include "db/DbError.h"
#include "db/TextCodec.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

QStringList splitSqlScript(const QString& script) {
    QStringList out;
    QString current;
    QChar quote;
    const int n = int(script.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = script[i];
        const QChar next = i + 1 < n ? script[i + 1] : QChar();
        if (!quote.isNull()) {
            current += c;
            if (c == QLatin1Char('\\') && quote != QLatin1Char('`') && i + 1 < n) {
                current += next;
                ++i;
            } else if (c == quote) {
                quote = QChar();
            }
            continue;
        }
        if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (i < n && script[i] != QLatin1Char('\n'))
                ++i;
            current += QLatin1Char('\n');
            continue;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const int end = script.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
            current += c;
            continue;
        }
        if (c == QLatin1Char(';')) {
            if (!current.trimmed().isEmpty())
                out << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

void runSqlScriptFile(const QSqlDatabase& db, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("无法读取文件 %1").arg(path));
    const QStringList statements = splitSqlScript(decodeText(file.readAll()));
    for (const QString& sql : statements) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            throw DbError(QStringLiteral("%1\n%2").arg(q.lastError().text(), sql.left(200)));
    }
}
