#pragma once
// The host's connection: "Connection" section of Daybook.ini in the program
// folder, and the company's display name.
#include <QSqlDatabase>
#include <QString>

// Opens the connection described by `iniPath`; throws DbError with a message
// for the operator (missing file, or the driver's message).
QSqlDatabase openHostDatabase(const QString& iniPath, const QString& connectionName);
// company_ch_name of table company, empty when there is none; throws DbError.
QString readCompanyName(const QSqlDatabase& db);
