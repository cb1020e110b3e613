#include "dailystats/ChargeSumQuery.h"

#include "db/SqlDialect.h"

namespace ChargeSumQuery {

namespace {

const QString kCash =
    QStringLiteral(" SELECT *, cast((sum_charge_money + sum_bat_money + sum_cost_money   + sum_ChuNa_money + "
                   "sum_manager_money - "
                   "sum_cost_money_Red - sum_return_money) as decimal(16,2)) AS sum_sum_cash FROM ");

struct Column {
    const char* name;
    int source;         // 1 recharges, 2 refunds, 3 card costs
    const char* kinds;  // the recharge or card-cost kinds; empty: every row of the source
    const char* amount; // the source's amount (paid_out: a card cost's out_money)
};

const Column kColumns[] = {
    {"sum_add_money", 1, "33,1,3,104", "amount"}, {"sum_rate_money", 1, "31", "amount"},
    {"sum_charge_money", 1, "0", "amount"},       {"sum_bat_money", 1, "2", "amount"},
    {"Sum_ChuNa_money", 1, "30", "amount"},       {"sum_cost_money", 3, "1", "amount"},
    {"sum_manager_money", 3, "2", "amount"},      {"sum_return_money", 2, "", "amount"},
    {"sum_cost_money_red", 3, "1", "paid_out"},
};

// The day's (and operator's) rows of the three tables are read once and each
// column sums its kind's amounts: the figures of one sub-select per column
// and day, for a day listed when any of the three tables has a row that day.
// Rows without an operator (blank or null) are the terminal's own.
QString grouped(const SqlDialect& d, bool perOperator) {
    const QString nf = d.nullFunction();
    const QString period = DailySums::dayCondition(d, QStringLiteral("op_ymd"));
    QStringList sums;
    for (const Column& c : kColumns) {
        const QString kinds = QString::fromLatin1(c.kinds);
        const QString condition =
            QStringLiteral("A.src = %1").arg(c.source) +
            (kinds.isEmpty() ? QString() : QStringLiteral(" and A.kind in (%1)").arg(kinds));
        sums << DailySums::money(QStringLiteral("%1(sum(case when %2 then A.%3 end), 0)")
                                     .arg(nf, condition, QString::fromLatin1(c.amount))) +
                    QStringLiteral(" AS ") + QString::fromLatin1(c.name);
    }
    const QString rows =
        QStringLiteral(
            "select op_ymd, %1(opcard_id,'') as opcard_id, 1 as src, Kind as kind, charge_money as "
            "amount, null as paid_out from MChargeRecords where 1 = 1 %2 union all select op_ymd, "
            "%1(opcard_id,''), 2, flag, card_consume, null from MealRecords where flag=102 %2 union "
            "all select op_ymd, %1(op_user,''), 3, kind, in_money, out_money from MCardCost where 1 = "
            "1 %2")
            .arg(nf, period);
    const QString who = perOperator
                            ? QStringLiteral("case  when A.opcard_id=''  then %1 else A.opcard_id end  as "
                                             "opcard_id, ")
                                  .arg(d.quote(machineOperator()))
                            : QString();
    return kCash + QStringLiteral(" (SELECT A.op_ymd, ") + who + sums.join(QStringLiteral(", ")) +
           QStringLiteral(" FROM (%1) A GROUP BY A.op_ymd%2 ) BB  order by op_ymd%3 ")
               .arg(rows, perOperator ? QStringLiteral(", A.opcard_id") : QString(),
                    perOperator ? QStringLiteral(", opcard_id") : QString());
}

QString oneRecord(const SqlDialect& d) {
    const QString period = DailySums::dayCondition(d, QStringLiteral("op_ymd"));
    const QString sums = QStringLiteral(
        "cast(sum(case when A.KIND in (33,1,3,104) then charge_money else 0 end) as decimal(16,2)) AS "
        "sum_add_money,"
        "cast(sum(case when A.KIND = 31 then charge_money else 0 end) as decimal(16,2)) AS sum_rate_money,"
        "cast(sum(case when A.KIND = 0 then charge_money else 0 end) as decimal(16,2)) AS sum_charge_money,"
        "cast(sum(case when A.KIND = 2 then charge_money else 0 end) as decimal(16,2)) AS sum_bat_money,"
        "cast(sum(case when A.KIND = 30 then charge_money else 0 end) as decimal(16,2)) AS Sum_ChuNa_money,"
        "cast(sum(case when A.KIND = 20 then charge_money else 0 end) as decimal(16,2)) AS sum_cost_money,"
        "cast(sum(case when A.KIND = 22 then charge_money else 0 end) as decimal(16,2)) AS sum_manager_money,"
        "cast(sum(case when A.KIND = 102 then charge_money else 0 end) as decimal(16,2)) AS sum_return_money,"
        "cast(sum(case when A.KIND = 21 then charge_money else 0 end) as decimal(16,2)) AS "
        "sum_cost_money_Red ");
    // UNION ALL: two equal records (same person, time, amount and kind) are two payments.
    return kCash + QStringLiteral("(SELECT ") + sums +
           QStringLiteral(
               "FROM (select emp_id,sign_time as op_date,op_ymd,card_consume as charge_money ,flag as kind "
               "from "
               "MealRecords where flag=102 %1 union all select  emp_id,op_date,op_ymd,charge_money,kind from "
               "mchargeRecords where 1 = 1 %1 union all select emp_id,op_date,op_ymd,in_money as "
               "charge_money,20 "
               "as kind from mcardcost where kind=1 %1  union all select emp_id,op_date,op_ymd,out_money as "
               "charge_money,21 as kind from mcardcost where kind=1 %1  union all select "
               "emp_id,op_date,op_ymd,in_money as charge_money,22 as kind from mcardcost where kind=2 %1 ) A "
               ") BB ")
               .arg(period);
}

} // namespace

QString machineOperator() {
    return QStringLiteral("机器数据");
}

QString dataSetName(ChargeSumFilter::Form form) {
    switch (form) {
    case ChargeSumFilter::Form::OneRecord:
        return QStringLiteral("dschargesum2");
    case ChargeSumFilter::Form::PerOperator:
        return QStringLiteral("dschargeSum3");
    case ChargeSumFilter::Form::PerDay:
        break;
    }
    return QStringLiteral("dsChargeSum");
}

QString statement(const ChargeSumFilter& filter, const SqlDialect& dialect) {
    DailySums::checkRange(filter.range);
    switch (filter.form) {
    case ChargeSumFilter::Form::OneRecord:
        return oneRecord(dialect);
    case ChargeSumFilter::Form::PerOperator:
        return grouped(dialect, true);
    case ChargeSumFilter::Form::PerDay:
        break;
    }
    return grouped(dialect, false);
}

const QStringList& moneyFields() {
    static const QStringList fields = {
        QStringLiteral("sum_add_money"),      QStringLiteral("sum_rate_money"),
        QStringLiteral("sum_charge_money"),   QStringLiteral("sum_bat_money"),
        QStringLiteral("Sum_ChuNa_money"),    QStringLiteral("sum_cost_money"),
        QStringLiteral("sum_manager_money"),  QStringLiteral("sum_return_money"),
        QStringLiteral("sum_cost_money_red"), QStringLiteral("sum_sum_cash")};
    return fields;
}

QStringList hiddenFields(int moduleOptions) {
    if (moduleOptions & 2)
        return {};
    return {QStringLiteral("sum_rate_money"), QStringLiteral("Sum_ChuNa_money")};
}

} // namespace ChargeSumQuery
