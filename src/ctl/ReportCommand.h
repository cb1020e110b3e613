#pragma once
#include "ctl/CtlContext.h"

// mealctl report <ActionName> ...: a report window's rows written to a file.
int runReportCommand(CtlContext& ctx, const QStringList& args);
