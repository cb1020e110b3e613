#pragma once
#include "ctl/CtlContext.h"

// mealctl terminals: the allowance terminals with their open tasks;
// "terminals read --mode 1|2 [--clock N]" prints what they hold and
// "terminals upload [--clock N]" sends their open tasks, through the same
// workers the windows start.
int runTerminalsCommand(CtlContext& ctx, const QStringList& args);
