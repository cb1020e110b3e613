#include "reports/stats/PersonAccountQuery.h"

#include "dataset/DataSet.h"
#include "db/CompanyParameters.h"
#include "db/Session.h"

namespace {

const QString kSpent = QStringLiteral("1,2,3,5,6,9,90,14,105,102,103");

struct Figure {
    const char* name;
    const char* table; // "B" recharges, "M" consumptions, "O" meal orders
    const char* condition;
};
// The figures in column order; MSumcharge and MSumConsume follow their parts.
const Figure kIn[] = {{"sum_charge_money", "B", "KIND=0"},
                      {"sum_add_money", "B", "KIND in (33,1,3,104)"},
                      {"sum_bat_money", "B", "KIND=2"},
                      {"sum_chuna_money", "B", "KIND=30"},
                      {"sum_rate_money", "B", "KIND=31"}};
const Figure kOut[] = {{"sum_Consume_money", "M", "flag in (1,2,3,5,6,9,90,103)"},
                       {"sum_Return_money", "M", "flag=102"},
                       {"Sum_clear_Money", "M", "flag=14"},
                       {"sum_BuDan_money", "M", "flag=105"}};

QString where(const PersonAccountFilter& f, const SqlDialect& d) {
    QString sql = QStringLiteral("  WHERE   E.deptno like %1").arg(d.likePrefix(f.departmentNo.trimmed()));
    if (f.departmentRights)
        sql += QStringLiteral(" and e.deptno in %1").arg(departmentInList(d, f.userDepartments));
    if (!f.empNo.trimmed().isEmpty())
        sql += QStringLiteral(" And E.Empno=%1").arg(d.quote(f.empNo.trimmed()));
    return sql;
}

QString employees(const PersonAccountFilter& f) {
    return QStringLiteral(" FROM %1 AS E  left join cardinfo C on E.empno=C.empno and E.sys_id=C.sys_id ")
        .arg(f.departed ? QStringLiteral("hum_employee_lz") : QStringLiteral("hum_employee"));
}

} // namespace

namespace PersonAccountQuery {

QString statement(const PersonAccountFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    const QString nf = d.nullFunction();
    const auto zero = [&](const QString& e) { return QStringLiteral("%1(%2,0)").arg(nf, e); };
    // Every figure is a decimal(16,2), also the sums of sums.
    const auto money = [&](const QString& e) { return SqlDialect::moneySum(e); };
    QString charges, spent, columns;
    for (const Figure& x : kIn) {
        charges += QStringLiteral(", sum(case when %1 then charge_money else 0 end) AS %2")
                       .arg(QLatin1String(x.condition), QLatin1String(x.name));
        columns += QStringLiteral("%1 AS %2, ")
                       .arg(money(zero(QStringLiteral("B.") + QLatin1String(x.name))), QLatin1String(x.name));
    }
    const QString inSum = zero(QStringLiteral("B.MSumcharge"));
    columns +=
        QStringLiteral("%1 AS MSumcharge, %2 AS AddMoney, ")
            .arg(money(inSum), money(zero(QStringLiteral("E.last_balance")) + QStringLiteral(" + ") + inSum));
    for (const Figure& x : kOut) {
        spent += QStringLiteral(", sum(case when %1 then card_consume else 0 end) AS %2")
                     .arg(QLatin1String(x.condition), QLatin1String(x.name));
        columns += QStringLiteral("%1 AS %2, ")
                       .arg(money(zero(QStringLiteral("M.") + QLatin1String(x.name))), QLatin1String(x.name));
    }
    const QString outSum =
        QStringLiteral("(%1 + %2)")
            .arg(zero(QStringLiteral("O.sum_order_money")), zero(QStringLiteral("M.MSumConsume")));
    const QString addMoney = QStringLiteral("(%1 + %2)").arg(zero(QStringLiteral("E.last_balance")), inSum);
    const QString redMoney = QStringLiteral("(%1 + %2)").arg(zero(QStringLiteral("C.card_balance")), outSum);
    columns += QStringLiteral("%1 AS sum_order_money, %2 AS MSumConsume, %3 AS RedMoney, %4 AS Balance ")
                   .arg(money(zero(QStringLiteral("O.sum_order_money"))), money(outSum), money(redMoney),
                        money(addMoney + QStringLiteral(" - ") + redMoney));
    return QStringLiteral(
               "SELECT E.empno, E.EmpName, e.deptname,E.card_id, %1 as last_balance, %2 as "
               "card_balance, %3%4 left join (SELECT emp_id%5, sum(charge_money) AS MSumcharge FROM "
               "MChargeRecords GROUP BY emp_id) B on B.emp_id=E.empno left join (SELECT emp_id%6, "
               "sum(card_consume) AS MSumConsume FROM MealRecords WHERE flag in (%7) GROUP BY emp_id) M "
               "on M.emp_id=E.empno left join (SELECT emp_id, sum(mealsum) AS sum_order_money FROM "
               "ordermeal GROUP BY emp_id) O on O.emp_id=E.empno %8")
        .arg(zero(QStringLiteral("E.last_balance")), zero(QStringLiteral("C.card_balance")), columns,
             employees(f), charges, spent, kSpent, where(f, d));
}

QString correlatedStatement(const PersonAccountFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    const QString nf = d.nullFunction();
    const auto sub = [&](const QString& table, const QString& column, const QString& condition) {
        return QStringLiteral(" (SELECT %1(SUM(%2),0)  FROM %3 B  WHERE %4 emp_id=E.empno)")
            .arg(nf, column, table, condition.isEmpty() ? QString() : condition + QStringLiteral(" and "));
    };
    const auto charge = [&](const char* c) {
        return sub(QStringLiteral("MChargeRecords"), QStringLiteral("charge_money"), QLatin1String(c));
    };
    const auto meal = [&](const QString& c) {
        return sub(QStringLiteral("MealRecords"), QStringLiteral("card_consume"), c);
    };
    const QString orders =
        QStringLiteral(" (SELECT  %1(sum(mealsum),0) from ordermeal Z  WHERE  emp_id=E.empno)").arg(nf);
    QString sql = QStringLiteral("SELECT E.empno, E.EmpName, e.deptname,E.card_id, %1(E.last_balance,0) as "
                                 "last_balance, %1(C.card_balance,0) as card_balance, ")
                      .arg(nf);
    for (const Figure& x : kIn)
        sql += charge(x.condition) + QStringLiteral(" AS %1,").arg(QLatin1String(x.name));
    const QString allCharges = charge("");
    const QString addMoney = QStringLiteral("(%1(E.last_balance,0) + %2)").arg(nf, allCharges);
    sql += allCharges + QStringLiteral(" AS MSumcharge,") + addMoney + QStringLiteral(" AS AddMoney,");
    for (const Figure& x : kOut)
        sql += meal(QLatin1String(x.condition)) + QStringLiteral(" AS %1,").arg(QLatin1String(x.name));
    const QString allSpent =
        QStringLiteral("(%1 + %2)").arg(orders, meal(QStringLiteral("flag in (%1)").arg(kSpent)));
    const QString redMoney = QStringLiteral("(%1(C.card_balance,0) + %2)").arg(nf, allSpent);
    sql += orders + QStringLiteral(" AS sum_order_money,") + allSpent + QStringLiteral(" AS MSumConsume,") +
           redMoney + QStringLiteral(" AS RedMoney,") + addMoney + QStringLiteral(" - ") + redMoney +
           QStringLiteral(" AS Balance ");
    return sql + employees(f) + where(f, d);
}

void showFeatureColumns(DataSet& rows, int moduleOptions) {
    const QPair<const char*, int> gated[] = {
        {"sum_rate_money", 2}, {"sum_chuna_money", 2}, {"Sum_clear_Money", 4}, {"sum_order_money", 8}};
    for (const auto& g : gated)
        if (Field* f = rows.findField(QString::fromLatin1(g.first)))
            f->setVisible((moduleOptions & g.second) != 0);
}

QString detailStatement(const QString& empNo, const Session& session) {
    const QString emp = session.dialect().quote(empNo.trimmed());
    const auto charges = [&](const char* kinds, const char* action) {
        return QStringLiteral(
                   "select emp_id 工号, card_Id 卡号, op_date 操作时间, card_sequ 卡流水号, Kind, "
                   "charge_money 变动金额, card_Balance 余额, '%1' actiondd from MChargeRecords t where "
                   "kind in (%2) and emp_id = %3")
            .arg(QString::fromUtf8(action), QLatin1String(kinds), emp);
    };
    const auto meals = [&](const char* flags, const char* action) {
        return QStringLiteral(
                   "select emp_id, card_id, sign_time, card_sequ, Kind, card_consume, card_Balance, "
                   "'%1' from MealRecords where flag in (%2) and emp_id = %3")
            .arg(QString::fromUtf8(action), QLatin1String(flags), emp);
    };
    const QStringList parts = {
        charges("0", "充值手工系统"),
        charges("33,1,3,104", "补贴  "),
        charges("2", "批量充值"),
        charges("30", "出纳机充值"),
        charges("31", "充值优惠"),
        meals("1,2,3,5,6,9,90,103", "消费   "),
        meals("14", "卡片清零"),
        meals("105", "补单  "),
        QStringLiteral("select emp_id, card_id, order_date, null, DinLev_ID, mealsum, null, '预订   ' from "
                       "ordermeal where emp_id = %1")
            .arg(emp),
        meals("102", "退款   "),
    };
    return QStringLiteral("select * from (  %1 ) alltab order by  卡流水号")
        .arg(parts.join(QStringLiteral(" union all ")));
}

} // namespace PersonAccountQuery
