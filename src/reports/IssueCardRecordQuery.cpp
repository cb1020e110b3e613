#include "reports/IssueCardRecordQuery.h"

#include "db/Session.h"

namespace IssueCardRecordQuery {

QString depositFeePairs(const SqlDialect& dialect) {
    return dialect.fullJoinSelect(
        QStringLiteral(
            "(case when f.card_id IS NULL then g.card_id else f.card_id end) card_id,in_money1,in_money2,"
            "(case when f.op_date IS null then g.op_date else f.op_date end) op_date"),
        QStringLiteral("(select card_id,in_money as in_money1,op_date from mcardcost where kind=1) f"),
        QStringLiteral("(select card_id,in_money as in_money2,op_date from mcardcost where kind=2) g"),
        QStringLiteral("f.card_id=g.card_id"), QStringLiteral("f.card_id"));
}

QString statement(const IssueCardRecordFilter& f, const Session& session) {
    const SqlDialect dialect = session.dialect();
    RecordReportFilter records = f.records;
    records.department.prefix = QStringLiteral("b.");
    records.department.departmentPrefix = QStringLiteral("b.");
    const QString conditions = RecordReportQuery::conditions(records, session, QStringLiteral("b.card_id"));
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString begin = dialect.quote(f.begin.toString(format));
    const QString end = dialect.quote(f.end.toString(format));
    // The card's issue date comes from its cardinfo row: the employee table
    // keeps none.
    return QStringLiteral(
               "select a.*,e.in_money1,e.in_money2 from (select b.*, c.issue_date,c.validdate,d.Name from "
               "(select emp_id,empname,card_id,charge_money,op_date,opcard_id,deptno,deptname from "
               "mchargerecords where card_sequ=1 and (op_date between %1 and %2)) b,(select * from cardinfo "
               "where (issue_date between %1 and %2)) c,(select h.card_id,ct.Name from hum_employee h inner "
               "join cardtype ct on h.cardtype=ct.SortID and h.issued=1) d where b.card_id=c.card_id and "
               "c.card_id=d.card_id %3) a left join (%4) e on a.card_id=e.card_id and a.op_date=e.op_date "
               "order by a.emp_id ")
        .arg(begin, end, conditions, depositFeePairs(dialect));
}

} // namespace IssueCardRecordQuery
