#pragma once
// The lost-card consumptions list ("挂失卡消费明细") without widgets: the
// consumptions made on a replaced card after its replacement, with the
// employee, name, department and rights conditions on the consumptions
// (alias a). No period.
#include "framework/DepartmentFilter.h"

class Session;

namespace LossCardMealRecordQuery {
QString baseStatement();
QString statement(const DptWhereInput& filter, const Session& session);
} // namespace LossCardMealRecordQuery
