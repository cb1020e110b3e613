#include "dailystats/MealSumDaySecQuery.h"

#include "db/SqlDialect.h"

#include <QHash>

namespace MealSumDaySecQuery {

QString dataSetName() {
    return QStringLiteral("dsMealSumDay");
}

namespace {

// Each table's movements up to the last day as rows of (day, recharged,
// consumed, cost, fee, recharge, cashier, allowance, meal, refund). Summed per
// day inside each table (`perDay`), only a few rows per day reach the union;
// otherwise every record of the site's history does.
QString movements(const SqlDialect& d, bool perDay) {
    const QString nf = d.nullFunction();
    const QString day = DailySums::dayColumn(d, QStringLiteral("op_ymd"));
    const QString end = d.isSqlServer() ? QStringLiteral("cast(:@end as date)") : QStringLiteral(":@end");
    const QString allowanceDay = QStringLiteral("cast(op_date as date)");
    const auto sum = [perDay](const QString& expression) {
        return perDay ? QStringLiteral("sum(%1)").arg(expression) : expression;
    };
    const auto byDay = [perDay](const QString& column) {
        return perDay ? QStringLiteral(" group by %1").arg(column) : QString();
    };
    const QString charges =
        QStringLiteral("select %1 as op_ymd, %2 as charged, 0 as consumed, %3 as charge, %4 as chuna, %5 as "
                       "allow, null as cost, null as manager, null as meal, null as ret from MChargeRecords "
                       "where %1 <= %6%7")
            .arg(day, sum(nf + QStringLiteral("(charge_money,0)")),
                 sum(QStringLiteral("case when kind in(0,2) then charge_money end")),
                 sum(QStringLiteral("case when kind in(30,31) then charge_money end")),
                 sum(QStringLiteral("case when kind in(33,1,3,104) then charge_money end")), end, byDay(day));
    const QString meals =
        QStringLiteral("select %1, 0, %2, null, null, null, null, null, %3, %4 from MealRecords "
                       "where %1 <= %5%6")
            .arg(day, sum(nf + QStringLiteral("(card_consume,0)")),
                 sum(QStringLiteral("case when flag <> 102 then card_consume end")),
                 sum(QStringLiteral("case when flag = 102 then card_consume end")), end, byDay(day));
    const QString costs =
        QStringLiteral(
            "select %1, 0, 0, null, null, null, %2, %3, null, null from MCardCost where %1 <= %4%5")
            .arg(
                day,
                sum(QStringLiteral("case when kind in(1) then %1(in_money,0) - %1(out_money,0) end").arg(nf)),
                sum(QStringLiteral("case when kind in(2) then in_money end")), end, byDay(day));
    // Allowance days are listed even without a movement.
    const QString allowances =
        QStringLiteral("select %1, 0, 0, null, null, null, null, null, null, null from "
                       "mallowance where %1 <= %2%3")
            .arg(allowanceDay, end, byDay(allowanceDay));
    return QStringList{charges, meals, costs, allowances}.join(QStringLiteral(" union all "));
}

QString daysOf(const QString& moves, const SqlDialect& d) {
    const QString nf = d.nullFunction();
    const QString begin =
        d.isSqlServer() ? QStringLiteral("cast(:@begin as date)") : QStringLiteral(":@begin");
    const QString perDay =
        QStringLiteral("select op_ymd, %1(sum(cost),0) as cost, %1(sum(manager),0) as manager, "
                       "%1(sum(charge),0) as charge, "
                       "%1(sum(chuna),0) as chuna, %1(sum(allow),0) as allow, %1(sum(meal),0) as meal, "
                       "%1(sum(ret),0) as "
                       "ret, sum(sum(charged)) over (order by op_ymd rows unbounded preceding) - "
                       "sum(sum(consumed)) over "
                       "(order by op_ymd rows unbounded preceding) as moved from (%2) M group by op_ymd")
            .arg(nf, moves);
    const auto money = [](const char* expression, const char* name) {
        return DailySums::money(QString::fromLatin1(expression)) + QStringLiteral(" AS ") +
               QLatin1String(name);
    };
    return QStringLiteral("SELECT op_ymd, ") +
           QStringList{money("cost", "sum_cost_money"),     money("manager", "sum_manager_money"),
                       money("charge", "sum_charge_money"), money("chuna", "Sum_ChuNa_money"),
                       money("allow", "sum_allow_money"),   money("meal", "sum_Meal_money"),
                       money("ret", "sum_return_money")}
               .join(QStringLiteral(", ")) +
           QStringLiteral(", %1 as card_balance FROM (%2) A WHERE op_ymd >= %3 order by op_ymd")
               .arg(DailySums::money(
                        QStringLiteral("((SELECT %1(SUM(last_balance), 0) from hum_employee) + moved)")
                            .arg(nf)),
                    perDay, begin);
}

} // namespace

// The balance is the card holders' settled balance plus the running sums of
// recharges and consumptions over the days: one pass over the history
// instead of a correlated sub-select per column and day.
QString statement(const DayRange& range, const SqlDialect& d) {
    DailySums::checkRange(range);
    return daysOf(movements(d, true), d);
}

QString rowStatement(const DayRange& range, const SqlDialect& d) {
    DailySums::checkRange(range);
    return daysOf(movements(d, false), d);
}

QString caption(const QString& fieldName) {
    static const QHash<QString, QString> captions = {
        {QStringLiteral("op_ymd"), QStringLiteral("日期")},
        {QStringLiteral("sum_cost_money"), QStringLiteral("卡成本")},
        {QStringLiteral("sum_manager_money"), QStringLiteral("管理费")},
        {QStringLiteral("sum_charge_money"), QStringLiteral("收入|充值金额")},
        {QStringLiteral("sum_chuna_money"), QStringLiteral("收入|出纳机充值")},
        {QStringLiteral("sum_allow_money"), QStringLiteral("收入|补贴机补贴")},
        {QStringLiteral("sum_meal_money"), QStringLiteral("支出|消费金额")},
        {QStringLiteral("sum_return_money"), QStringLiteral("支出|退款金额")},
        {QStringLiteral("card_balance"), QStringLiteral("卡余额")},
    };
    return captions.value(fieldName.toLower());
}

const QStringList& moneyFields() {
    static const QStringList fields = {
        QStringLiteral("sum_cost_money"),   QStringLiteral("sum_manager_money"),
        QStringLiteral("sum_charge_money"), QStringLiteral("Sum_ChuNa_money"),
        QStringLiteral("sum_allow_money"),  QStringLiteral("sum_Meal_money"),
        QStringLiteral("sum_return_money"), QStringLiteral("card_balance")};
    return fields;
}

} // namespace MealSumDaySecQuery
