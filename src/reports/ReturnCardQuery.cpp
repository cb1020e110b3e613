#include "reports/ReturnCardQuery.h"

#include "db/DbError.h"
#include "db/Session.h"

namespace ReturnCardQuery {

QString baseStatement() {
    return QStringLiteral(
        "select card_id,emp_id,empname,deptno,deptname,return_date,op_user from returncard ");
}

QString statement(const ReturnCardFilter& f, const Session& session) {
    const SqlDialect dialect = session.dialect();
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QString sql = QStringLiteral("%1 WHERE  Return_date>=%2 and Return_date<=%3 ")
                      .arg(baseStatement(), dialect.quote(f.begin.toString(format)),
                           dialect.quote(f.end.toString(format)));
    if (!f.empId.trimmed().isEmpty())
        sql += QStringLiteral(" And %1 = %2").arg(QStringLiteral("emp_id"), dialect.quote(f.empId.trimmed()));
    if (!f.empName.trimmed().isEmpty())
        sql +=
            QStringLiteral(" And %1 = %2").arg(QStringLiteral("empname"), dialect.quote(f.empName.trimmed()));
    const QString card = f.cardId.trimmed();
    if (!card.isEmpty()) {
        bool ok = false;
        const qulonglong number = card.toULongLong(&ok);
        if (!ok)
            throw DbError(QStringLiteral("卡号只能由数字组成: %1").arg(card));
        sql += QStringLiteral(" And %1 = %2").arg(QStringLiteral("card_id"), QString::number(number));
    }
    if (f.departmentRights)
        sql += QStringLiteral(" and deptno in  %1").arg(f.userDepartsList);
    sql += QStringLiteral(" order by emp_id , return_date ");
    return sql;
}

} // namespace ReturnCardQuery
