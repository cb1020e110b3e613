#include "reports/CardBalanceQuery.h"

#include "db/Session.h"

namespace CardBalanceQuery {

QStringList recordTypeItems() {
    return {QStringLiteral("在职"), QStringLiteral("离职")};
}

QString employeeSource(bool departed) {
    return departed ? QStringLiteral("(select empno,empname,deptno,deptname,card_id,sys_id,issued  from "
                                     "hum_employee_lz)")
                    : QStringLiteral("(select empno,empname,deptno,deptname,card_id,sys_id,issued from "
                                     "hum_employee)");
}

QString baseStatement(bool departed) {
    return QStringLiteral("SELECT E.empno, E.Card_id, E.empname,E.deptno,E.deptname,C.card_balance as "
                          "card_balance,C.card_sequ,C.CardFactory FROM ") +
           employeeSource(departed) +
           QStringLiteral(
               " As E left join cardinfo C on E.empno=C.empno and E.sys_id=C.sys_id WHERE E.issued=") +
           SqlDialect::trueText();
}

QString statement(const CardBalanceFilter& f, const Session& session) {
    RecordReportFilter records = f.records;
    records.department.prefix = QStringLiteral("E.");
    records.department.employeeColumn = QStringLiteral("empno");
    records.department.departmentPrefix = QStringLiteral("E.");
    return RecordReportQuery::where(baseStatement(f.departed), records, session, QStringLiteral("E.card_id"));
}

} // namespace CardBalanceQuery
