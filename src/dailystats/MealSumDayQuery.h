#pragma once
// The daily consumption summary ("每日消费汇总"): per day (or one record for
// the period) the meals and amounts of each meal period, counted only for
// periods that are valid; the consumption type and the dining room narrow it.
#include "dailystats/DailySumsCommon.h"

#include <QVector>

class DataSet;

struct MealSumDayFilter {
    DayRange range;
    bool oneRecord = false;
    // The consumption-type list's position: 0 amount, 1 counted, 2 on account,
    // 3 corrections; anything else all but refunds.
    int kind = 4;
    QString dinRoom; // a dining-room number; empty or "0": all
    bool departmentRights = false;
    QStringList userDepartments;
};

// One meal period's pair of columns.
struct MealPeriodColumn {
    int period = 0; // 1..8, 0 outside any meal period
    QString countField;
    QString moneyField;
    QString name; // the period's name from the meal-period list
    bool valid = false;
};

namespace MealSumDayQuery {
// The consumption-type list ("金额消费", ..., "全部"); its corrections item
// names the clearings when bit 4 of the module options is on.
QStringList kindItems(int moduleOptions);
// The flags a type position selects, and whether they are excluded (all but refunds).
QVector<int> kindFlags(int kind, bool* excluded);
QString dataSetName(bool oneRecord); // dsMealSum1, dsmealonesum
// Throws DbError for a dining room that is not a number.
QString statement(const MealSumDayFilter& filter, const SqlDialect& dialect);
// The same rows with one CASE per column over every record; kept to check the
// statement above and to measure it.
QString rowStatement(const MealSumDayFilter& filter, const SqlDialect& dialect);
// The dining-room list: "0" for all, then the rooms.
QString dinRoomListStatement();
// The meal-period list the column titles come from (period, name, validity).
QString periodListStatement();
// The nine column pairs (periods 1..8, then 0) from the meal-period list's
// rows; a period the list lacks is invalid.
struct PeriodRow {
    int id = 0;
    QString name;
    bool valid = false;
};
QVector<MealPeriodColumn> periodColumns(const QVector<PeriodRow>& rows);
QVector<PeriodRow> readPeriods(const Session& session);
// Titles the columns "<period>|次数" and "<period>|金额"; an invalid period's
// columns are hidden and tagged 10; the totals get their captions.
void applyCaptions(DataSet& rows, const QVector<MealPeriodColumn>& periods);
} // namespace MealSumDayQuery
