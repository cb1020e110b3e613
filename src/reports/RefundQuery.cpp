#include "reports/RefundQuery.h"

#include "db/Session.h"

namespace RefundQuery {

QString baseStatement(const SqlDialect& dialect) {
    return QStringLiteral("SELECT emp_id, card_id, empname, deptno,deptname,clock_id, sign_time, "
                          "flag,card_consume, card_balance, card_sequ, kind, ") +
           dialect.nullFunction() +
           QStringLiteral(
               "(clock_id, 0) as clock_id, opcard_id ,stadescr FROM MealRecords WHERE (flag=102) And "
               "(sign_time >= :@begindate And sign_time <= :@enddate) ");
}

QString statement(const RecordReportFilter& f, const Session& session) {
    return RecordReportQuery::where(baseStatement(session.dialect()), f, session);
}

} // namespace RefundQuery
