#pragma once
// The month summary data set (dsMealMonth, "select * from mealmonth"): for
// each of the thirteen measures X the calculated end value X_end = X_star + X
// (money added as currency, counts as integers), and the three-level titles
// of the opening (期初), change (本期变化量) and end (期末汇总) columns.
#include <QString>
#include <QStringList>

class DataSet;

namespace MealMonthFields {
// The measures, in column order.
const QStringList& measures();
// "现金收入|卡费", ... : the lower title levels of a measure.
QString measureTitle(const QString& measure);
// Adds the X_end fields to an open data set and sets every measure column's title.
void apply(DataSet& dataSet);
} // namespace MealMonthFields
