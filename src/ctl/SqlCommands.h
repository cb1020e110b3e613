#pragma once
#include "ctl/CtlContext.h"

// mealctl sql "<statement>": runs it through RunQuery and prints rows as TSV.
int runSqlCommand(CtlContext& ctx, const QStringList& args);
// mealctl upgrade-schema: the start-up schema upgrade, with the statements it ran.
int runUpgradeSchemaCommand(CtlContext& ctx, const QStringList& args);
// mealctl maintenance-key [--date yyyy-MM-dd]: the record editor's key of the day.
int runMaintenanceKeyCommand(CtlContext& ctx, const QStringList& args);
