#pragma once
// The consumption records list as a command-line report (ActMealRecord): the
// window's statement from options instead of controls.
#include "reports/ReportRegistry.h"

ReportDefinition mealRecordsReport();

// The type-list position of a --kind value: a position 0 to 8 or an item text
// ("键值消费", "全部"). Throws DbError for anything else.
int mealRecordsKindIndex(const QString& text, int moduleOptions);
