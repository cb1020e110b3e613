#pragma once
// The card balances list ("卡余额表") without widgets: the issued employees,
// current or departed, with the balance of their card; employee, name,
// department, rights and card conditions on the employees. No period.
#include "reports/RecordReportQuery.h"

class Session;

struct CardBalanceFilter {
    RecordReportFilter records;
    bool departed = false; // "档案类型": "在职" (false) or "离职"
};

namespace CardBalanceQuery {
// The "档案类型" list: "在职", "离职".
QStringList recordTypeItems();
QString employeeSource(bool departed);
QString baseStatement(bool departed);
// The employee number is E.empno and the card E.card_id. Throws DbError for
// a card number that is not all digits.
QString statement(const CardBalanceFilter& filter, const Session& session);
} // namespace CardBalanceQuery
