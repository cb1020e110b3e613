#pragma once
#include "ctl/CtlContext.h"

// mealctl users rehash: every password of sys_user still stored as plain text
// replaced by its salted hash.
int runUsersCommand(CtlContext& ctx, const QStringList& args);
