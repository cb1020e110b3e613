#pragma once
// mealctl report for the daily sums, built from the windows' query classes.
#include "dailystats/DailySumsCommon.h"
#include "reports/ReportRegistry.h"

ReportDefinition chargeSumReport();     // ActChargeSumDay
ReportDefinition mealSumDayReport();    // ActMealSumDay
ReportDefinition mealSumDaySecReport(); // ActMealSumDaySec
ReportDefinition dinRoomSumReport();    // ActDinRoomSum

namespace DailySumsReports {
// The window's first day by default: `daysBack` before today, or the first of the month when negative.
DayRange range(const ReportArguments& args, int daysBack);
// --kind: a position of the type list (0..4) or its text.
int kindOf(const QString& text, int moduleOptions);
} // namespace DailySumsReports
