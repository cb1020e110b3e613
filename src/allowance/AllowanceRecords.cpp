#include "allowance/AllowanceRecords.h"

#include "db/CompanyParameters.h"
#include "db/QueryRunner.h"
#include "db/Session.h"

#include <QSqlQuery>

namespace AllowanceRecords {

QStringList dateKindItems() {
    return {QStringLiteral("录入时间"), QStringLiteral("补贴时间"), QStringLiteral("有效日期")};
}

QString listTemplate(AllowanceDateKind by) {
    // `id` closes the column list: the key the edits are written back by.
    QString sql = QStringLiteral(
        "SELECT emp_id, sys_id, allowdate, card_id, empname, deptno, clock_id, deposit, charged, downed,  "
        "charge_money, charge_date,card_balance, card_sequ, charge_ver, op_user, op_date,   case when "
        "charged "
        "= 0 then deposit  when charged=1 then (deposit - charge_money) end  nunDeposit, newcard_id,Memo, id "
        "FROM MAllowance WHERE  1=1 ");
    const char* column = by == AllowanceDateKind::Taken   ? "charge_date"
                         : by == AllowanceDateKind::Valid ? "allowdate"
                                                          : "op_date";
    sql += QStringLiteral(" and (%1 >= :@begindate) And (%1 <= :@enddate) ").arg(QLatin1String(column));
    return sql;
}

QString listStatement(const AllowanceListFilter& filter, const Session& session) {
    DptWhereInput in = filter.where;
    in.sqlTemplate = listTemplate(filter.by);
    return DepartmentFilter::buildWhere(in, session);
}

QString editRefusal(bool charged, bool downed) {
    if (charged)
        return QStringLiteral("已补贴记录不可修改!");
    if (downed)
        return QStringLiteral("已下发补贴记录不可修改!");
    return QString();
}

QString deleteRefusal() {
    return QStringLiteral("补贴记录已上传，不能删除");
}

QString amountRefusal(Currency deposit, qint64 maxAmountCents) {
    if (deposit.units() % (Currency::Scale / 100) != 0 || deposit < Currency())
        return QStringLiteral("补贴金额必须是不超过两位小数的非负数!");
    if (deposit == Currency())
        return QStringLiteral("补贴金额不能为0！");
    if (deposit.units() > maxAmountCents * (Currency::Scale / 100))
        return QStringLiteral("补贴金额不能大于系统参数中定义的卡上最大可能余额");
    return QString();
}

StoredState storedState(const Session& session, qint64 sysId, int chargeVer) {
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(
        q,
        QStringLiteral("select max(charged), max(downed) from mallowance where sys_id=%1 and charge_ver=%2 "
                       "having count(*) > 0")
            .arg(QString::number(sysId), QString::number(chargeVer)),
        true);
    StoredState s;
    if (q.next()) {
        s.exists = true;
        s.charged = q.value(0).toInt() != 0;
        s.downed = q.value(1).toInt() != 0;
    }
    return s;
}

bool deleteAllowance(const Session& session, qint64 sysId, int chargeVer) {
    QSqlQuery q(session.ModuleConnection);
    // The list may be stale: a row sent or taken since it was read stays.
    session.runner().RunQuery(q,
                              QStringLiteral("delete from Mallowance where sys_id=%1 and charge_ver=%2 and "
                                             "downed=0 and charged=0")
                                  .arg(QString::number(sysId), QString::number(chargeVer)),
                              true); // kept open: finishing it forgets the rows affected
    return q.numRowsAffected() > 0;
}

} // namespace AllowanceRecords

void AllowancePickerFilter::applyRights(const Session& session) {
    departmentRights = DepartmentFilter::rightsApply(session);
    userDepartments = departmentRights ? UserDepartments(session) : QStringList();
}

namespace AllowancePicker {

namespace {
QString rights(const Session& session, bool apply, const QStringList& departments) {
    return apply ? QStringLiteral(" and deptno in %1").arg(departmentInList(session.dialect(), departments))
                 : QString();
}
} // namespace

QString statement(const AllowancePickerFilter& f, const Session& session) {
    const SqlDialect dialect = session.dialect();
    QString sql = QStringLiteral("SELECT * FROM Mallowance WHERE 1=1  and downed=%1")
                      .arg(f.downed ? QLatin1Char('1') : QLatin1Char('0'));
    switch (f.by) {
    case AllowancePickerFilter::By::Department:
        if (!f.rootNode)
            sql += QStringLiteral(" and  (deptno like %1)").arg(dialect.likePrefix(f.departmentNo));
        break;
    case AllowancePickerFilter::By::EmpId:
        sql += QStringLiteral(" and emp_id=%1 ").arg(dialect.quote(f.text.trimmed()));
        break;
    case AllowancePickerFilter::By::EmpName:
        sql += QStringLiteral(" and empname=%1 ").arg(dialect.quote(f.text.trimmed()));
        break;
    }
    sql += rights(session, f.departmentRights, f.userDepartments);
    if (f.entered) {
        const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
        sql += QStringLiteral(" and op_date between %1 and %2")
                   .arg(dialect.quote(f.entered->first.toString(format)),
                        dialect.quote(f.entered->second.toString(format)));
    }
    return sql + QStringLiteral(" ORDER BY emp_id,charge_ver");
}

QString untakenStatement(const Session& session) {
    AllowancePickerFilter f;
    f.applyRights(session);
    return QStringLiteral("select * from mallowance where deposit>0 and charged=0 and (op_date >= "
                          "'2017-09-20 00:00:00')") +
           rights(session, f.departmentRights, f.userDepartments) +
           QStringLiteral(" ORDER BY emp_id,charge_ver");
}

QVector<PickedAllowance> load(const QString& sql, const Session& session) {
    QSqlQuery q(session.ModuleConnection);
    q.setForwardOnly(true);
    session.runner().RunQuery(q, sql, true);
    QVector<PickedAllowance> rows;
    const auto at = [&](const char* name) { return q.value(QLatin1String(name)); };
    while (q.next()) {
        PickedAllowance a;
        a.id = at("id").toLongLong();
        a.empId = at("emp_id").toString();
        a.empName = at("empname").toString();
        a.cardId = at("card_id").toLongLong();
        a.deposit = Currency::fromVariant(at("deposit"));
        a.chargeVer = at("charge_ver").toInt();
        a.sysId = at("sys_id").toLongLong();
        a.allowDate = at("AllowDate").toDateTime();
        rows << a;
    }
    return rows;
}

} // namespace AllowancePicker
