#pragma once
// A fresh database per suite on the private server (MEAL_DB_SOCKET, MEAL_DB_USER, MEAL_DB_PASSWORD),
// with the host schema unless asked otherwise; dropped when the object goes.
#include "db/DatabaseConnection.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class Session;

class TestDatabase {
public:
    explicit TestDatabase(const QString& suite, bool withSchema = true);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QSqlDatabase db() const { return m_db; }
    const QString& name() const { return m_name; }
    ConnectionSettings settings() const { return m_settings; }

    // Runs a statement; a failure aborts the test run with the engine's message.
    void exec(const QString& sql) const;
    // The first column of the first row of a query.
    QVariant scalar(const QString& sql) const;
    // Writes a Daybook.ini for this database into `folder`.
    void writeDaybookIni(const QString& folder, const QString& extra = QString()) const;

    static QString schemaPath();

private:
    QString m_name;
    QString m_connectionName;
    ConnectionSettings m_settings;
    QSqlDatabase m_db;
};

// A session bound to the test database, its program folder at `folder`.
void bindSession(Session& session, const TestDatabase& database, const QString& folder);
