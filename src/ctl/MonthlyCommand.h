#pragma once
#include "ctl/CtlContext.h"

// mealctl monthly create|recompute|lock: the monthly bill from the command line.
int runMonthlyCommand(CtlContext& ctx, const QStringList& args);
