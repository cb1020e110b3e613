#include "reports/EmpAllRecordsQuery.h"

#include "db/Session.h"
#include "reports/MealRecordsQuery.h"

namespace EmpAllRecordsQuery {

QString statement(const EmpAllRecordsFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString from = d.quote(f.begin.toString(format));
    const QString to = d.quote(f.end.toString(format));
    // The same conditions on every part; the card is checked before anything is built.
    QString shared = DepartmentFilter::conditions(f.department, session);
    if (!f.cardText.trimmed().isEmpty())
        shared += QStringLiteral(" And %1 = %2")
                      .arg(QStringLiteral("card_id"), MealRecordsQuery::cardNumber(f.cardText));
    if (f.byTerminals)
        shared += MealRecordsQuery::terminalCondition(f.terminals);
    const QString meal = QStringLiteral(" where (sign_time between %1 And %2)").arg(from, to) + shared;
    const QString charge = QStringLiteral(" where (op_date between %1 And %2)").arg(from, to) +
                           QStringLiteral(" and kind not in (1,3,33,104) ") + shared;
    const QString allowance = QStringLiteral(" where (op_date between %1 And %2)").arg(from, to) + shared;
    return QStringLiteral(
               "SELECT emp_id,empname,sys_id,card_id,clock_id,card_consume as charge_money,card_balance,"
               "card_sequ,pos_sequ,null as charged,null as downed,null as chargemoney,null as "
               "nunDeposit,null as "
               "charge_date,null as charge_ver,sign_time as op_date,deptno,deptname,1 as rs from mealrecords "
               " %1 "
               "union all select "
               "emp_id,empname,sys_id,card_id,clock_id,charge_money,card_balance,card_sequ,0 as "
               "pos_sequ,null as charged,null as downed,null as chargemoney,null as nunDeposit,null as "
               "charge_date,null as charge_ver,op_date,deptno,deptname,2 as rs from mchargerecords %2 union "
               "all  "
               "select emp_id,empname,sys_id,card_id,clock_id,deposit,card_balance,card_sequ,0 as "
               "pos_sequ,charged,downed,charge_money,case when charged = 0 then deposit when charged=1 then "
               "(deposit - charge_money) end  nunDeposit,charge_date,charge_ver,op_date,deptno,deptname,3 as "
               "rs "
               "from mallowance  %3 ")
               .arg(meal, charge, allowance) +
           QStringLiteral(" order by emp_id,sys_id,rs,charge_ver");
}

RowKind rowKind(int rs, bool charged) {
    if (rs == 1)
        return RowKind::Consumption;
    if (rs == 3 && !charged)
        return RowKind::NotCredited;
    return RowKind::Credited;
}

} // namespace EmpAllRecordsQuery
