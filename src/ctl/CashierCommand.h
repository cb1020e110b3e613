#pragma once
#include "ctl/CtlContext.h"

// mealctl cashier bill|post|delete|show: the cashier's bill book.
int runCashierCommand(CtlContext& ctx, const QStringList& args);
// mealctl settle create|regenerate|delete|show: settlement vouchers.
int runSettleCommand(CtlContext& ctx, const QStringList& args);
