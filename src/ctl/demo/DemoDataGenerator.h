#pragma once
// Fills a database that holds the host schema and nothing else with demo data
// of one of three sizes. The data depend only on the size, the end date and
// the seed: two runs with the same three give the same rows (the password
// hashes of sys_user excepted, whose salt is random).
#include "ctl/demo/DemoScale.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <cstdint>

class QTextStream;

struct DemoOptions {
    DemoScale scale;
    QDate endDate; // the last day of data
    uint64_t seed = 20240601;
    bool replace = false; // empty the tables first when they hold rows
    QString companyName = QStringLiteral("示范食堂有限公司");
};

struct DemoSummary {
    int64_t rows = 0;         // rows written in all tables
    int64_t transactions = 0; // charge and meal records, backups excluded
    int cards = 0;
    int people = 0;
};

class DemoDataGenerator {
public:
    DemoDataGenerator(const QSqlDatabase& db, const DemoOptions& options, QTextStream& progress);
    // Throws DbError when the database refuses a statement or already holds data.
    DemoSummary run();

    // The tables the generator fills, in the order it empties them.
    static const char* const* filledTables(int* count);

private:
    void prepareTables();
    QSqlDatabase m_db;
    DemoOptions m_options;
    QTextStream& m_progress;
};
