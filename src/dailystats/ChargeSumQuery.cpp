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
    const char* table;  // the summed table and column
    const char* amount; // charge_money, in_money, out_money, card_consume
    const char* where;  // the kind or flag condition
};

// Each column summed by a correlated sub-select over its table's rows of the day.
const Column kColumns[] = {
    {"sum_add_money", "MChargeRecords", "charge_money", "KIND in (33,1,3,104)"},
    {"sum_rate_money", "MChargeRecords", "charge_money", "KIND = 31"},
    {"sum_charge_money", "MChargeRecords", "charge_money", "KIND = 0"},
    {"sum_bat_money", "MChargeRecords", "charge_money", "KIND = 2"},
    {"Sum_ChuNa_money", "MChargeRecords", "charge_money", "KIND = 30"},
    {"sum_cost_money", "MCardCost", "in_money", "Kind = 1"},
    {"sum_manager_money", "MCardCost", "in_money", "Kind = 2"},
    {"sum_return_money", "MealRecords", "card_consume", "flag=102"},
    {"sum_cost_money_red", "MCardCost", "out_money", "Kind = 1"},
};

QString subSelects(const SqlDialect& d, bool perOperator) {
    const QString nf = d.nullFunction();
    QStringList parts;
    for (const Column& c : kColumns) {
        const QString table = QString::fromLatin1(c.table);
        QString match;
        if (perOperator) {
            // Rows without an operator (blank or null) are the terminal's own.
            const QString column =
                table == QLatin1String("MCardCost") ? QStringLiteral("op_user") : QStringLiteral("opcard_id");
            match = QStringLiteral(" and %1(%2,'') = A.opcard_id").arg(nf, column);
        }
        parts << DailySums::money(
                     QStringLiteral("(SELECT %1(SUM(%2), 0) FROM %3  WHERE %4 AND op_ymd = A.op_ymd%5)")
                         .arg(nf, QString::fromLatin1(c.amount), table, QString::fromLatin1(c.where),
                              match)) +
                     QStringLiteral(" AS ") + QString::fromLatin1(c.name);
    }
    return parts.join(QStringLiteral(", "));
}

QString perDay(const SqlDialect& d) {
    const QString period = DailySums::dayCondition(d, QStringLiteral("op_ymd"));
    return kCash + QStringLiteral(" (SELECT op_ymd, ") + subSelects(d, false) +
           QStringLiteral(
               " FROM (select op_ymd  from MealRecords where flag=102 %1 union "
               "select op_ymd from mchargeRecords where 1 = 1 %1 union select op_ymd from mcardcost "
               "where 1 = 1 %1 ) A  ) BB  order by op_ymd ")
               .arg(period);
}

QString perOperator(const SqlDialect& d) {
    const QString nf = d.nullFunction();
    const QString period = DailySums::dayCondition(d, QStringLiteral("op_ymd"));
    return kCash +
           QStringLiteral(
               " (SELECT op_ymd, case  when A.opcard_id=''  then %1 else A.opcard_id end  as opcard_id, ")
               .arg(d.quote(machineOperator())) +
           subSelects(d, true) +
           QStringLiteral(
               " FROM (select op_ymd ,%1(opcard_id,'') as opcard_id from MealRecords where flag=102 %2 "
               "union select op_ymd,%1(opcard_id,'') as opcard_id from mchargeRecords where 1 = 1 %2 "
               "union select op_ymd,%1(op_user,'') as opcard_id from mcardcost where 1 = 1 %2 ) A  ) BB "
               " order by op_ymd, opcard_id ")
               .arg(nf, period);
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
        return perOperator(dialect);
    case ChargeSumFilter::Form::PerDay:
        break;
    }
    return perDay(dialect);
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
