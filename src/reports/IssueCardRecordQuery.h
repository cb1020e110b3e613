#pragma once
// The issued-cards list ("发卡明细") without widgets: the first recharges of
// a period on cards issued in it to issued employees, with the card type and
// the card's deposit and fee. The dates go into the statement as literals;
// the employee, name, card, department and rights conditions apply to the
// recharges (alias b).
#include "reports/RecordReportQuery.h"

class Session;
class SqlDialect;

struct IssueCardRecordFilter {
    RecordReportFilter records;
    QDateTime begin;
    QDateTime end;
};

namespace IssueCardRecordQuery {
// Deposits (kind 1) paired with fees (kind 2) by card; a card with only one
// of them keeps it (a full join, written for the dialect).
QString depositFeePairs(const SqlDialect& dialect);
// Throws DbError for a card number that is not all digits.
QString statement(const IssueCardRecordFilter& filter, const Session& session);
} // namespace IssueCardRecordQuery
