#pragma once
// What the daily sums' statements share: the period as two days bound as
// parameters, the day column compared as a day on either engine, the
// department rights, and the feature switch of the drill-downs.
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class Session;
class SqlDialect;

struct DayRange {
    QDate begin;
    QDate end;
};

namespace DailySums {
// ":@begin" and ":@end" as days.
QVariantMap dayParameters(const DayRange& range);
// A day column as a day: a date column on MariaDB, cast on SQL Server, where
// installations keep the day as "yyyy-MM-dd" text.
QString dayColumn(const SqlDialect& dialect, const QString& column);
// " and <day> >= :@begin and <day> <= :@end"; both days included.
QString dayCondition(const SqlDialect& dialect, const QString& column);
// A money expression typed as a decimal of cents: the server hands the sum
// over exactly as it computed it (a scalar sub-select would otherwise arrive
// as a binary double on MariaDB).
QString money(const QString& expression);
// Character 5 of the company's other-matters flags: the summaries select
// cells and open the journal for a double-clicked one.
bool drillDownEnabled(const Session& session);
// Refuses a period whose days are not valid dates.
void checkRange(const DayRange& range);
} // namespace DailySums
