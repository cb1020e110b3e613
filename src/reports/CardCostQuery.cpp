#include "reports/CardCostQuery.h"

namespace CardCostQuery {

QString baseStatement() {
    return QStringLiteral(
        "select card_id,emp_id,empname,deptno,deptname,in_money,out_money,kind,op_user,op_date,"
        "op_ymd,remark,stadescr from mcardcost WHERE (op_date>= :@begindate And op_date<= "
        ":@enddate) ");
}

QString statement(const RecordReportFilter& f, const Session& session) {
    return RecordReportQuery::where(baseStatement(), f, session);
}

} // namespace CardCostQuery
