#pragma once
// The statement a database benchmark opens, chosen by the shared options:
//
//   --database NAME     the database (default: the bench's scratch database)
//   --month yyyy-MM     the consumption records list of that month, as the
//                       window builds it for ADMIN with type "全部"
//   --all-records       every row and column of MealRecords
//   --sql TEXT          any statement
//
// Without one of the last three the bench runs on its generated scratch table.
#include <QString>
#include <QVariantMap>

class QCommandLineParser;

namespace bench {

struct BenchStatement {
    QString label;    // what is opened, for the report
    QString database; // empty: the scratch database
    QString sql;      // as the data set runs it, ":@name" parameters bound from `params`
    QVariantMap params;
    bool scratch() const { return sql.isEmpty(); }
    // The statement with its parameters as literals, as the client runs it.
    QString clientText() const;
};

void addStatementOptions(QCommandLineParser& parser);
// Throws DbError for a month that does not read as yyyy-MM.
BenchStatement statementFromOptions(const QCommandLineParser& parser, const QString& scratchDatabase);

BenchStatement consumptionMonth(const QString& yearMonth);
BenchStatement allMealRecords();

} // namespace bench
