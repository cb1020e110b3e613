#include "reports/LossCardMealRecordQuery.h"

namespace LossCardMealRecordQuery {

QString baseStatement() {
    return QStringLiteral("select a.* from mealrecords a,mchangecard b where a.emp_id=b.emp_id and "
                          "a.card_id=b.old_card_id and a.sign_time>b.op_date ");
}

QString statement(const DptWhereInput& filter, const Session& session) {
    DptWhereInput in = filter;
    in.sqlTemplate = baseStatement();
    in.prefix = QStringLiteral("a.");
    // Both tables have department columns.
    in.departmentPrefix = QStringLiteral("a.");
    return DepartmentFilter::buildWhere(in, session) +
           QStringLiteral(" order by a.emp_id,a.sys_id,a.card_sequ ");
}

} // namespace LossCardMealRecordQuery
