#pragma once
// Opening the database from the "Connection" section of Daybook.ini:
// Datatype, ServerName (a host name, or a unix socket path when it starts
// with "/"), Port, DatabaseName, UserId, Password. MySQL through QMYSQL,
// SQL Server through QODBC with FreeTDS.
#include <QSqlDatabase>
#include <QString>

class IniFile;

struct ConnectionSettings {
    QString Datatype = QStringLiteral("MYSQL");
    QString ServerName;
    int Port = 0;
    QString DatabaseName = QStringLiteral("cardsys");
    QString UserId;
    QString Password;

    static ConnectionSettings fromIni(const IniFile& ini);
    bool isSqlServer() const { return Datatype.toUpper() == QLatin1String("SQLSERVER"); }
    // The ODBC connection text for SQL Server (FreeTDS driver).
    QString odbcConnectionText() const;
};

// Adds and opens a connection named `connectionName`; throws DbError with the
// driver's message when it cannot be opened.
QSqlDatabase openDatabase(const ConnectionSettings& settings, const QString& connectionName);
// A worker's own connection: a clone of `source` opened on the calling thread.
QSqlDatabase openClone(const QSqlDatabase& source, const QString& connectionName);
