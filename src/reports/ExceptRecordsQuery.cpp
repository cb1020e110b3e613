#include "reports/ExceptRecordsQuery.h"

#include "db/Session.h"
#include "reports/MealRecordsQuery.h"

namespace ExceptRecordsQuery {

QStringList typeItems() {
    return {QStringLiteral("外来卡"), QStringLiteral("挂失卡"), QStringLiteral("测试卡"),
            QStringLiteral("全部")};
}

namespace {

// ctype + ',' + kind as text.
QString ctkind(const SqlDialect& d) {
    if (d.isSqlServer())
        return QStringLiteral("v.cType + ',' + %1").arg(d.valueText(QStringLiteral("v.kind"), 10));
    return QStringLiteral("concat(v.cType, ',', %1)").arg(d.valueText(QStringLiteral("v.kind"), 10));
}

} // namespace

namespace {

// The rows of vIsCheckCardRecord within the period that meet `charge` (on
// MChargeRecords c) and `meal` (on MealRecords m), read from the two tables
// as the view unites them. The conditions reach the tables' indexes (card,
// employee, time) instead of a materialised copy of the whole view.
QString viewRows(const QString& charge, const QString& meal, const QString& from, const QString& to) {
    return QStringLiteral(
               "(SELECT 'CH' AS cType, c.rec_id AS rec_id, c.emp_id AS emp_id, c.empname AS empname, "
               "c.sys_id AS "
               "sys_id, c.card_id AS card_id, c.deptno AS deptno, c.deptname AS deptname, c.clock_id AS "
               "clock_id, 0 "
               "AS pos_sequ, c.op_date AS op_date, c.op_ymd AS op_ymd, c.card_sequ AS card_sequ, c.Kind AS "
               "kind, "
               "c.charge_money AS card_consume, c.card_balance AS card_Balance, c.charge_ver AS charge_ver, "
               "c.opcard_id AS opcard_id, c.stadescr AS stadescr FROM MChargeRecords c WHERE %1 and "
               "c.op_date >= %3 "
               "and c.op_date <= %4 UNION ALL SELECT 'XF' AS cType, m.rec_id AS rec_id, m.emp_id AS emp_id, "
               "m.empname AS empname, m.sys_id AS sys_id, m.card_id AS card_id, m.deptno AS deptno, "
               "m.deptname AS "
               "deptname, m.clock_id AS clock_id, m.pos_sequ AS pos_sequ, m.sign_time AS op_date, m.op_ymd "
               "AS "
               "op_ymd, m.card_sequ AS card_sequ, m.flag AS kind, -m.card_consume AS card_consume, "
               "m.card_balance "
               "AS card_Balance, NULL AS charge_ver, m.opcard_id AS opcard_id, m.stadescr AS stadescr FROM "
               "MealRecords m WHERE %2 and m.sign_time >= %3 and m.sign_time <= %4) v")
        .arg(charge, meal, from, to);
}

// The card numbers a statement lists, written out as numbers (-1 for none):
// the optimiser then reads the records of exactly those cards along the card
// index, where a sub-query it cannot size would have it read the whole period.
QString cardNumbers(const Session& session, const QString& sql) {
    QStringList numbers;
    for (const qint64 card : MealRecordsQuery::readTerminals(session, sql))
        numbers << QString::number(card);
    return numbers.isEmpty() ? QStringLiteral("-1") : numbers.join(QLatin1Char(','));
}

// The view's rows of the period whose card is one of `cards` (a list of numbers or a card_id statement).
QString viewRowsOfCards(const QString& cards, const QString& from, const QString& to) {
    return viewRows(QStringLiteral("c.card_id in (%1)").arg(cards),
                    QStringLiteral("m.card_id in (%1)").arg(cards), from, to);
}

} // namespace

QString part(int type, const ExceptRecordsFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString from = d.quote(f.begin.toString(format));
    const QString to = d.quote(f.end.toString(format));
    const QString period = QStringLiteral(" v.op_date >= %1 And v.op_date <= %2 ").arg(from, to);
    const QString columns =
        QStringLiteral("select v.*, %1 as ktype, %2 as ctkind from ").arg(QString::number(type), ctkind(d));
    switch (type) {
    case 0: {
        const QString foreign =
            QStringLiteral("select card_id from cardinfo where empno not in(select empno from ( "
                           "select empno from hum_employee union all select empno from "
                           "hum_employee_lz) aa)");
        const QString noEmployee = QStringLiteral("(%1.emp_id is null or %1.emp_id = '0')");
        return columns + viewRowsOfCards(cardNumbers(session, foreign), from, to) + QStringLiteral(", (") +
               foreign + QStringLiteral(") y where v.card_id = y.card_id and") + period +
               QStringLiteral(" union ") + columns +
               viewRows(noEmployee.arg(QLatin1Char('c')), noEmployee.arg(QLatin1Char('m')), from, to) +
               QStringLiteral(" where (v.emp_id is null or v.emp_id = '0') and") + period;
    }
    case 1:
        return columns + viewRowsOfCards(QStringLiteral("select old_card_id from mchangecard"), from, to) +
               QStringLiteral(
                   ", mchangecard y where v.card_id = y.old_card_id and v.op_date > y.op_date and") +
               period;
    default: {
        const QString column = f.checkLimitDate ? QStringLiteral("ValidDate") : QStringLiteral("issue_date");
        // A record of the period made before its card's date needs a card dated after the period's first day.
        const QString lateCards = QStringLiteral("select card_id from cardinfo where %1 > %2")
                                      .arg(d.dateTimeText(column, 10), d.dateTimeText(from, 10));
        return columns + viewRowsOfCards(cardNumbers(session, lateCards), from, to) +
               QStringLiteral(
                   ", (select card_id, %1 from cardinfo) y where v.card_id = y.card_id and %2 < %3 and")
                   .arg(column, d.dateTimeText(QStringLiteral("v.op_date"), 10),
                        d.dateTimeText(QStringLiteral("y.") + column, 10)) +
               period;
    }
    }
}

QString statement(const ExceptRecordsFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    QString sql;
    if (f.typeIndex >= 0 && f.typeIndex < AllIndex)
        sql = QStringLiteral("select * from (%1) cc where 1 = 1 ").arg(part(f.typeIndex, f, session));
    else
        sql = QStringLiteral("select * from (%1 union all %2 union all %3) cc where 1 = 1 and op_date >= "
                             ":@begindate And op_date <= :@enddate ")
                  .arg(part(0, f, session), part(1, f, session), part(2, f, session));
    if (!f.empId.trimmed().isEmpty())
        sql += QStringLiteral(" And %1 = %2").arg(QStringLiteral("emp_id"), d.quote(f.empId.trimmed()));
    if (!f.empName.trimmed().isEmpty())
        sql += QStringLiteral(" And %1 = %2").arg(QStringLiteral("empname"), d.quote(f.empName.trimmed()));
    if (!f.cardText.trimmed().isEmpty())
        sql += QStringLiteral(" And %1 = %2")
                   .arg(QStringLiteral("card_id"), MealRecordsQuery::cardNumber(f.cardText));
    return sql + QStringLiteral(" order by emp_id,card_id,card_sequ");
}

} // namespace ExceptRecordsQuery
