#include "db/DatabaseConnection.h"

#include "db/DbError.h"
#include "db/IniFile.h"

#include <QSqlError>

ConnectionSettings ConnectionSettings::fromIni(const IniFile& ini) {
    ConnectionSettings s;
    const QString section = QStringLiteral("Connection");
    s.Datatype = ini.readString(section, QStringLiteral("Datatype"), QStringLiteral("MYSQL"));
    s.ServerName = ini.readString(section, QStringLiteral("ServerName"));
    s.Port = ini.readInteger(section, QStringLiteral("Port"), 0);
    s.DatabaseName = ini.readString(section, QStringLiteral("DatabaseName"), QStringLiteral("cardsys"));
    s.UserId = ini.readString(section, QStringLiteral("UserId"));
    s.Password = ini.readString(section, QStringLiteral("Password"));
    return s;
}

QString ConnectionSettings::odbcConnectionText() const {
    QString text = QStringLiteral("DRIVER={FreeTDS};SERVER=%1;DATABASE=%2;UID=%3;PWD=%4;ClientCharset=UTF-8;")
                       .arg(ServerName, DatabaseName, UserId, Password);
    if (Port > 0)
        text += QStringLiteral("PORT=%1;").arg(Port);
    return text;
}

QSqlDatabase openDatabase(const ConnectionSettings& settings, const QString& connectionName) {
    QSqlDatabase db;
    if (settings.isSqlServer()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connectionName);
        db.setDatabaseName(settings.odbcConnectionText());
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), connectionName);
        db.setDatabaseName(settings.DatabaseName);
        db.setUserName(settings.UserId);
        db.setPassword(settings.Password);
        if (settings.ServerName.startsWith(QLatin1Char('/'))) {
            db.setConnectOptions(QStringLiteral("UNIX_SOCKET=") + settings.ServerName);
        } else {
            db.setHostName(settings.ServerName.isEmpty() ? QStringLiteral("localhost") : settings.ServerName);
            if (settings.Port > 0)
                db.setPort(settings.Port);
        }
    }
    if (!db.open()) {
        const QString message = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw DbError(QStringLiteral("连接数据库失败: ") + message);
    }
    return db;
}

QSqlDatabase openClone(const QSqlDatabase& source, const QString& connectionName) {
    // Cloning by name is the form that is safe from another thread.
    QSqlDatabase db = QSqlDatabase::cloneDatabase(source.connectionName(), connectionName);
    if (!db.open()) {
        const QString message = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw DbError(message);
    }
    return db;
}
