#pragma once
// The refunds list ("退款明细表") without widgets: refund rows (flag 102) of a
// period with the employee, department, rights and card conditions.
#include "reports/RecordReportQuery.h"

class Session;
class SqlDialect;

namespace RefundQuery {
// Selects the terminal twice: as stored, and as 0 where none is stored (the
// column shown).
QString baseStatement(const SqlDialect& dialect);
// Throws DbError for a card number that is not all digits.
QString statement(const RecordReportFilter& filter, const Session& session);
} // namespace RefundQuery
