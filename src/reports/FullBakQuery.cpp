#include "reports/FullBakQuery.h"

#include "db/RowTransfer.h"
#include "db/Session.h"
#include "reports/MealRecordsQuery.h"

namespace FullBakQuery {

QString baseStatement() {
    return QStringLiteral(
        "SELECT emp_id, card_id, empname, deptno, deptname, charge_money, card_balance, "
        "card_times,card_sequ, Kind, opcard_id, op_date,clock_id FROM MChargeRecords_FullBak "
        "where (op_date >= :@begindate And op_date <= :@enddate) ");
}

QString statement(const FullBakFilter& f, const Session& session) {
    QString sql = baseStatement() + DepartmentFilter::conditions(f.department, session);
    if (!f.cardText.trimmed().isEmpty())
        sql += QStringLiteral(" And %1 = %2")
                   .arg(QStringLiteral("card_id"), MealRecordsQuery::cardNumber(f.cardText));
    return sql + QStringLiteral(" order by emp_id,card_sequ ");
}

void restore(const Session& session, const FullBakKey& key) {
    const QString columns =
        QStringLiteral("emp_id,sys_id,card_id,empname,deptno,deptname,charge_money,card_balance,"
                       "card_times,card_sequ,Kind,opcard_id,op_date,op_ymd,clock_id");
    RowTransferRequest r;
    r.sourceTable = QStringLiteral("MChargeRecords_FullBak");
    r.targetTable = QStringLiteral("MChargeRecords");
    r.targetColumns = columns;
    r.sourceColumns = columns;
    r.conditions = {RowCondition::textIs(QStringLiteral("emp_id"), key.empId),
                    RowCondition::integerIs(QStringLiteral("card_id"), key.cardId),
                    RowCondition::moneyIs(QStringLiteral("charge_money"), key.chargeMoney),
                    RowCondition::moneyIs(QStringLiteral("card_balance"), key.cardBalance),
                    RowCondition::dateTimeIs(QStringLiteral("op_date"), key.opDate)};
    r.refuseIfInTarget = true;
    RowTransfer::move(session, r);
}

} // namespace FullBakQuery
