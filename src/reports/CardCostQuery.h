#pragma once
// The card deposits list ("押金明细表") without widgets: deposit and fee
// rows of a period with the employee, department, rights and card conditions.
#include "reports/RecordReportQuery.h"

class Session;

namespace CardCostQuery {
QString baseStatement();
// Throws DbError for a card number that is not all digits.
QString statement(const RecordReportFilter& filter, const Session& session);
} // namespace CardCostQuery
