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

QString part(int type, const ExceptRecordsFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString period = QStringLiteral(" v.op_date >= %1 And v.op_date <= %2 ")
                               .arg(d.quote(f.begin.toString(format)), d.quote(f.end.toString(format)));
    const QString head = QStringLiteral("select v.*, %1 as ktype, %2 as ctkind from vIsCheckCardRecord v")
                             .arg(QString::number(type), ctkind(d));
    switch (type) {
    case 0:
        return head +
               QStringLiteral(
                   ", (select card_id from cardinfo where empno not in(select empno from ( select "
                   "empno from hum_employee union all select empno from hum_employee_lz) aa)) y where "
                   "v.card_id = y.card_id and") +
               period + QStringLiteral(" union ") + head +
               QStringLiteral(" where (v.emp_id is null or v.emp_id = '0') and") + period;
    case 1:
        return head +
               QStringLiteral(
                   ", mchangecard y where v.card_id = y.old_card_id and v.op_date > y.op_date and") +
               period;
    default: {
        const QString column = f.checkLimitDate ? QStringLiteral("ValidDate") : QStringLiteral("issue_date");
        return head +
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
