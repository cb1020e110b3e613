#include "TestDatabase.h"

#include "db/DbError.h"
#include "db/Session.h"
#include "db/SqlScript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdlib>

namespace {
[[noreturn]] void fail(const QString& message) {
    qFatal("TestDatabase: %s", qPrintable(message));
    std::abort();
}
} // namespace

QString TestDatabase::schemaPath() {
    return QStringLiteral(MEAL_SOURCE_DIR "/src/host/schema/mysql.sql");
}

TestDatabase::TestDatabase(const QString& suite, bool withSchema) {
    const QString socket = qEnvironmentVariable("MEAL_DB_SOCKET");
    if (socket.isEmpty())
        fail(QStringLiteral("MEAL_DB_SOCKET is not set: run the tests through scripts/test"));
    QString safe = suite.toLower();
    safe.replace(QRegularExpression(QStringLiteral("[^a-z0-9_]")), QStringLiteral("_"));
    m_name = QStringLiteral("t_%1_%2").arg(safe.left(40)).arg(QCoreApplication::applicationPid());
    m_settings.Datatype = QStringLiteral("MYSQL");
    m_settings.ServerName = socket;
    m_settings.UserId = qEnvironmentVariable("MEAL_DB_USER", QStringLiteral("meal"));
    m_settings.Password = qEnvironmentVariable("MEAL_DB_PASSWORD", QStringLiteral("meal"));
    m_settings.DatabaseName = QString();

    {
        QSqlDatabase admin;
        try {
            admin = openDatabase(m_settings, m_name + QStringLiteral("_admin"));
        } catch (const DbError& e) {
            fail(e.message());
        }
        QSqlQuery q(admin);
        if (!q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_name)) ||
            !q.exec(QStringLiteral("CREATE DATABASE `%1` CHARACTER SET utf8mb4").arg(m_name)))
            fail(q.lastError().text());
        q.finish();
        admin.close();
    }
    QSqlDatabase::removeDatabase(m_name + QStringLiteral("_admin"));

    m_settings.DatabaseName = m_name;
    m_connectionName = m_name;
    try {
        m_db = openDatabase(m_settings, m_connectionName);
        if (withSchema)
            runSqlScriptFile(m_db, schemaPath());
    } catch (const DbError& e) {
        fail(e.message());
    }
}

TestDatabase::~TestDatabase() {
    if (m_db.isOpen()) {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_name));
    }
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void TestDatabase::exec(const QString& sql) const {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        fail(q.lastError().text() + QStringLiteral("\n") + sql);
}

QVariant TestDatabase::scalar(const QString& sql) const {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        fail(q.lastError().text() + QStringLiteral("\n") + sql);
    return q.next() ? q.value(0) : QVariant();
}

void TestDatabase::writeDaybookIni(const QString& folder, const QString& extra) const {
    QDir().mkpath(folder);
    QFile f(QDir(folder).filePath(QStringLiteral("Daybook.ini")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(QStringLiteral("cannot write Daybook.ini in ") + folder);
    const QString text = QStringLiteral("[Connection]\nDatatype=MYSQL\nServerName=%1\nDatabaseName=%2\n"
                                        "UserId=%3\nPassword=%4\n")
                             .arg(m_settings.ServerName, m_name, m_settings.UserId, m_settings.Password) +
                         extra;
    f.write(text.toUtf8());
}

void bindSession(Session& session, const TestDatabase& database, const QString& folder) {
    session.programFolder = folder;
    session.ModuleConnection = database.db();
    session.readConfiguration();
}
