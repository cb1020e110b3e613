#pragma once
#include "ctl/CtlContext.h"

// mealctl allowance import FILE: registers the allowances of a spreadsheet
// (.xls, .xlsx) or CSV file as the import window does; refusal and end lines
// go to standard output, notices and progress to standard error.
// mealctl allowance issue: one allowance per chosen person, with the issue
// window's rules and refusal texts.
// mealctl allowance list: the registration list (the report ActAllowance).
// Exit status 0 when every row was registered, 1 when a row was refused or
// the file or the database failed, 2 for a usage error.
int runAllowanceCommand(CtlContext& ctx, const QStringList& args);
