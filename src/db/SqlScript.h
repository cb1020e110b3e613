#pragma once
// Splits a SQL script into statements at ";" outside quotes and comments.
#include <QString>
#include <QStringList>

class QSqlDatabase;

QStringList splitSqlScript(const QString& script);
// Runs every statement of the script file on `db`; throws DbError naming the
// failing statement.
void runSqlScriptFile(const QSqlDatabase& db, const QString& path);
