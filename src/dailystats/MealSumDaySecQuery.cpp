#include "dailystats/MealSumDaySecQuery.h"

#include "db/SqlDialect.h"

#include <QHash>

namespace MealSumDaySecQuery {

QString dataSetName() {
    return QStringLiteral("dsMealSumDay");
}

QString statement(const DayRange& range, const SqlDialect& d) {
    DailySums::checkRange(range);
    const QString nf = d.nullFunction();
    const auto column = [&](const QString& sum, const QString& table, const QString& where,
                            const char* name) {
        return DailySums::money(QStringLiteral("(SELECT %1 FROM %2 WHERE %3 and op_ymd = A.op_ymd)")
                                    .arg(sum, table, where)) +
               QStringLiteral(" AS %1, ").arg(QString::fromLatin1(name));
    };
    const QString charge = QStringLiteral("%1(SUM(charge_money), 0)").arg(nf);
    const QString meal = QStringLiteral("%1(SUM(card_consume), 0)").arg(nf);
    const QString recharges = QStringLiteral("MChargeRecords");
    const QString meals = QStringLiteral("MealRecords");
    const QString balance =
        QStringLiteral("((SELECT %1(SUM(last_balance), 0) from hum_employee) + (SELECT %2 FROM "
                       "MChargeRecords WHERE  op_ymd <= A.op_ymd) - (SELECT %3 FROM "
                       "MealRecords WHERE  op_ymd <= A.op_ymd))")
            .arg(nf, charge, meal);
    return QStringLiteral("SELECT op_ymd,") +
           column(QStringLiteral("%1(SUM(in_money), 0)  - %1(SUM(out_money), 0)").arg(nf),
                  QStringLiteral("MCardCost"), QStringLiteral("kind in(1)"), "sum_cost_money") +
           column(QStringLiteral("%1(SUM(in_money), 0)").arg(nf), QStringLiteral("MCardCost"),
                  QStringLiteral("kind in(2)"), "sum_manager_money") +
           column(charge, recharges, QStringLiteral("kind in(0,2)"), "sum_charge_money") +
           column(charge, recharges, QStringLiteral("kind in(30,31)"), "Sum_ChuNa_money") +
           column(charge, recharges, QStringLiteral("kind in(33,1,3,104)"), "sum_allow_money") +
           column(meal, meals, QStringLiteral("flag <> 102"), "sum_Meal_money") +
           column(meal, meals, QStringLiteral("flag = 102"), "sum_return_money") + DailySums::money(balance) +
           QStringLiteral(
               " as card_balance FROM (select op_ymd from MealRecords union select op_ymd from "
               "mchargeRecords union select op_ymd from mcardcost union select cast(op_date as date) as "
               "op_ymd from mallowance) A WHERE 1 = 1 %1 Group by op_ymd order by op_ymd")
               .arg(DailySums::dayCondition(d, QStringLiteral("op_ymd")));
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
