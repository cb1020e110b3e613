#pragma once
// The recharge and consumption summary ("充值消费汇总表"): per day the card
// costs, fees, recharges by kind, consumptions, refunds, and the balance of
// all cards at the end of the day.
#include "dailystats/DailySumsCommon.h"

namespace MealSumDaySecQuery {
QString dataSetName(); // dsMealSumDay
// The statement, with the period as :@begin and :@end; days are compared as
// days, so both the first and the last day of the period are listed.
QString statement(const DayRange& range, const SqlDialect& dialect);
// The same rows from every record's movement rather than each table's sums
// per day; kept to check the statement above and to measure it.
QString rowStatement(const DayRange& range, const SqlDialect& dialect);
// Column captions.
QString caption(const QString& fieldName);
const QStringList& moneyFields();
} // namespace MealSumDaySecQuery
