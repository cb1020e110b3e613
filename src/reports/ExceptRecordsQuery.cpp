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

// The rows of vIsCheckCardRecord within the period that meet `condition`
// (on the view's columns). The condition and the period are constants, which
// the server pushes into each part of the view: each part reads its table
// along the card or time index instead of a materialised copy of the whole
// view. Only the view's documented contents are relied on, not its tables.
QString viewRows(const QString& condition, const QString& from, const QString& to) {
    return QStringLiteral("(select * from vIsCheckCardRecord where %1 and op_date >= %2 and op_date <= %3) v")
        .arg(condition, from, to);
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

// The view's rows of the period whose card is one of `cards` (a list of numbers).
QString viewRowsOfCards(const QString& cards, const QString& from, const QString& to) {
    return viewRows(QStringLiteral("card_id in (%1)").arg(cards), from, to);
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
        const QString noEmployee = QStringLiteral("(emp_id is null or emp_id = '0')");
        return columns + viewRowsOfCards(cardNumbers(session, foreign), from, to) + QStringLiteral(", (") +
               foreign + QStringLiteral(") y where v.card_id = y.card_id and") + period +
               QStringLiteral(" union ") + columns + viewRows(noEmployee, from, to) +
               QStringLiteral(" where (v.emp_id is null or v.emp_id = '0') and") + period;
    }
    case 1:
        return columns +
               viewRowsOfCards(cardNumbers(session, QStringLiteral("select old_card_id from mchangecard")),
                               from, to) +
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
