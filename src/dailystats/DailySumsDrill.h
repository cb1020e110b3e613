#pragma once
// The drill-downs of the daily sums: a double-clicked cell becomes the page of
// the transaction journal and the conditions whose rows make up the cell,
// with the caption suffix naming the column, the day (or the period) and the
// operator.
#include "dailystats/MealSumDayQuery.h"
#include "reports/JournalQuery.h"

#include <optional>

struct DrillCell {
    QString field;       // the clicked column's field name
    QString columnTitle; // its caption
    DayRange window;     // the window's period
    QDate day;           // the row's day; invalid in a one-record form (the period is taken)
    bool perOperator = false;
    QString operatorText; // the row's operator as shown
    bool departmentRights = false;
    QStringList userDepartments;
};

struct DrillTarget {
    JournalPage page = JournalPage::Combined;
    JournalConditions conditions;
    QString title; // added to the journal's caption
};

namespace DailySumsDrill {
std::optional<DrillTarget> chargeSum(const DrillCell& cell);
// `filter` is the filter the rows were read with; `periods` the column pairs.
std::optional<DrillTarget> mealSumDay(const DrillCell& cell, const MealSumDayFilter& filter,
                                      const QVector<MealPeriodColumn>& periods);
// The balance and the day have no rows of their own: nothing.
std::optional<DrillTarget> mealSumDaySec(const DrillCell& cell);
} // namespace DailySumsDrill
