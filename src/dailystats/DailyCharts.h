#pragma once
// The charts beside the daily sums' grids: what each draws of its rows.
#include "charts/ChartSeries.h"

namespace DailyCharts {
// Money per day (and operator) as lines, one per column, the cash received among them.
ChartSpec chargeSum();
// Meals per day, the meal periods stacked.
ChartSpec mealSumDay();
// Recharges and consumptions per day as lines (the balance left out: another scale).
ChartSpec mealSumDaySec();
} // namespace DailyCharts
