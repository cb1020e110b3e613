#include "reports/JournalQuery.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"

namespace {

QString numberList(const QVector<int>& numbers) {
    QStringList parts;
    for (const int n : numbers)
        parts << QString::number(n);
    return parts.join(QLatin1Char(','));
}

// The conditions shared by every page, with the page's own time and operator columns.
QString common(const JournalConditions& c, const SqlDialect& dialect, const QString& timeColumn,
               const QString& operatorColumn) {
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QString sql;
    if (c.begin.isValid() && c.end.isValid())
        sql += QStringLiteral(" and %1 Between %2 And %3")
                   .arg(timeColumn, dialect.quote(c.begin.toString(format)),
                        dialect.quote(c.end.toString(format)));
    if (c.operatorBlank)
        sql += QStringLiteral(" and %1(%2,'') = ''").arg(dialect.nullFunction(), operatorColumn);
    else if (!c.operatorId.trimmed().isEmpty())
        sql += QStringLiteral(" and %1 in (%2)").arg(operatorColumn, dialect.quote(c.operatorId.trimmed()));
    if (!c.empId.trimmed().isEmpty())
        sql += QStringLiteral(" and Emp_Id in( %1) ").arg(dialect.quote(c.empId.trimmed()));
    if (c.byCard)
        sql += c.cardId.trimmed().isEmpty()
                   ? QStringLiteral(" and card_id is null")
                   : QStringLiteral(" and card_id in(%1)").arg(SqlDialect::toInteger(c.cardId.trimmed()));
    if (c.byDepartment)
        sql += c.deptNo.isNull() ? QStringLiteral(" and deptno is null")
                                 : QStringLiteral(" and deptno in(%1)").arg(dialect.quote(c.deptNo));
    if (c.departmentRights)
        sql += QStringLiteral(" AND deptno in %1").arg(departmentInList(dialect, c.userDepartments));
    return sql;
}

QString kindCondition(const JournalConditions& c) {
    if (c.kinds.isEmpty())
        return QString();
    return QStringLiteral(" and Kind %1in (%2) ")
        .arg(c.kindsExcluded ? QStringLiteral("not ") : QString(), numberList(c.kinds));
}

QString rechargePage(const JournalConditions& c, const SqlDialect& d) {
    return QStringLiteral(
               " Select * From (  select emp_id, empname, card_id, deptName, op_date, op_ymd, card_sequ, "
               "charge_money, card_Balance, (case when Kind in (0) then '充值手工系统' else (case when Kind "
               "in "
               "(33,1,3,104) then '补贴        ' else (case when Kind in (2) then '批量充值        ' else "
               "(case "
               "when Kind in (30) then '出纳机充值        ' else (case when Kind in (31) then '充值优惠      "
               "  ' "
               "else '' end) end) end) end) end) AS actiondd, opcard_id   FROM MChargeRecords C  WHERE 1 = "
               "1 ") +
           common(c, d, QStringLiteral("op_date"), QStringLiteral("opcard_id")) + kindCondition(c) +
           QStringLiteral(" ) alltab  order by card_id, card_sequ ");
}

QString refundPage(const JournalConditions& c, const SqlDialect& d) {
    return QStringLiteral(
               " Select * From (  select emp_id, empname, card_id, deptName, sign_time as op_date, "
               "op_ymd, card_sequ, - card_consume as charge_money, card_Balance,  '退款        ' AS "
               "actiondd, opcard_id FROM MealRecords WHERE 1 = 1 and flag in (102) ") +
           common(c, d, QStringLiteral("sign_time"), QStringLiteral("opcard_id")) +
           QStringLiteral(" ) alltab  order by card_id, card_sequ ");
}

QString costPage(const JournalConditions& c, const SqlDialect& d) {
    const QString nf = d.nullFunction();
    QString direction;
    if (c.cost == JournalConditions::CostDirection::Income)
        direction = QStringLiteral(" and (%1(in_money,0) > 0) and (%1(out_money,0) = 0)").arg(nf);
    else if (c.cost == JournalConditions::CostDirection::Payout)
        direction = QStringLiteral(" and (%1(in_money,0) = 0) and (%1(out_money,0) > 0) ").arg(nf);
    return QStringLiteral(
               " Select * From ( select emp_id, empname, card_id, deptName, op_date, op_ymd, NULL AS "
               "card_sequ,  (%1(in_money,0) - %1(out_money,0)) as charge_money, NULL AS card_Balance, "
               " (case when Kind in (1) and (%1(out_money,0) = 0) then '押金收入        ' else (case "
               "when Kind in (1) and (%1(out_money,0) > 0) then '押金支出        ' else  (case when "
               "Kind in (2) then '管理费        ' else '' end) end) end) AS actiondd, op_user FROM "
               "MCardCost C  WHERE 1 = 1 ")
               .arg(nf) +
           common(c, d, QStringLiteral("op_date"), QStringLiteral("op_user")) + kindCondition(c) + direction +
           QStringLiteral(" ) alltab  order by card_id ");
}

QString consumptionPage(const JournalConditions& c, const SqlDialect& d) {
    QString sql = QStringLiteral(
        " Select * From (  select emp_id, empname, card_id, deptName, sign_time,op_ymd, card_sequ,Kind,"
        "card_consume, card_Balance, (case when flag in (1,2,3,5,6,103) then '消费           ' else (case "
        "when "
        "flag in (9, 90) then '纠错           ' else (case when flag in (7) then '记账           ' else "
        "(case "
        "when flag in (14) then '卡片清零        ' else (case when flag in (105) then '补单          ' else "
        "(case when flag in (102) then '退款          ' else ''  end) end) end) end) end) end) AS actiondd, "
        "opcard_id  FROM MealRecords C  WHERE 1 = 1 ");
    if (c.periodFrom.isValid() && c.periodTo.isValid())
        sql += QStringLiteral(" and %1 between %2 and %3 ")
                   .arg(d.signTimeOfDay(), d.quote(c.periodFrom.toString(QStringLiteral("HH:mm:ss"))),
                        d.quote(c.periodTo.toString(QStringLiteral("HH:mm:ss"))));
    if (!c.flags.isEmpty())
        sql += QStringLiteral(" and C.flag %1in (%2) ")
                   .arg(c.flagsExcluded ? QStringLiteral("not ") : QString(), numberList(c.flags));
    if (!c.dinRoom.trimmed().isEmpty())
        sql += QStringLiteral(" and clock_id in (select clock_id from clocks where DinRoom_id=%1)")
                   .arg(d.quote(c.dinRoom.trimmed()));
    if (!c.mealPeriods.isEmpty())
        sql += QStringLiteral(" and C.Kind in (%1) ").arg(numberList(c.mealPeriods));
    if (!c.terminals.isEmpty()) {
        QStringList ids;
        for (const qint64 id : c.terminals)
            ids << QString::number(id);
        sql += QStringLiteral(" and Clock_id in(%1)").arg(ids.join(QLatin1Char(',')));
    }
    return sql + common(c, d, QStringLiteral("sign_time"), QStringLiteral("opcard_id")) +
           QStringLiteral(" ) alltab  order by card_id, card_sequ ");
}

QString beforeOrder(const QString& sql) {
    const int at = int(sql.lastIndexOf(QLatin1String("order"), -1, Qt::CaseInsensitive));
    return at < 0 ? sql : sql.left(at);
}

} // namespace

namespace JournalQuery {

int queryChoice(JournalPage page) {
    switch (page) {
    case JournalPage::Consumption:
        return 0;
    case JournalPage::CardCost:
        return 2;
    default:
        return 1;
    }
}

QString statement(JournalPage page, const JournalConditions& c, const Session& session) {
    const SqlDialect d = session.dialect();
    switch (page) {
    case JournalPage::Consumption:
        return consumptionPage(c, d);
    case JournalPage::Recharge:
        return rechargePage(c, d);
    case JournalPage::CardCost:
        return costPage(c, d);
    case JournalPage::Refund:
        return refundPage(c, d);
    case JournalPage::Combined: {
        // The kinds choose recharge rows only; the refund and card-cost parts keep all theirs.
        JournalConditions others = c;
        others.kinds.clear();
        others.kindsExcluded = false;
        others.cost = JournalConditions::CostDirection::Any;
        return QStringLiteral(" Select * From ( ") + beforeOrder(rechargePage(c, d)) +
               QStringLiteral(" UNION ALL ") + beforeOrder(refundPage(others, d)) +
               QStringLiteral(" UNION ALL ") + beforeOrder(costPage(others, d)) + QStringLiteral(") cc");
    }
    }
    return QString();
}

JournalPage pageOf(const QString& name) {
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("meal") || n == QLatin1String("0"))
        return JournalPage::Consumption;
    if (n == QLatin1String("charge") || n == QLatin1String("1"))
        return JournalPage::Recharge;
    if (n == QLatin1String("cost") || n == QLatin1String("2"))
        return JournalPage::CardCost;
    if (n == QLatin1String("refund"))
        return JournalPage::Refund;
    if (n == QLatin1String("all"))
        return JournalPage::Combined;
    throw DbError(QStringLiteral("--page: 无效的页: %1 (meal/charge/cost/refund/all)").arg(name));
}

} // namespace JournalQuery
