#include "allowance/AllowanceInsert.h"

#include "db/DbError.h"
#include "db/QueryRunner.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
constexpr int kTries = 50;

QString dateTimeText(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
} // namespace

bool isDuplicateKeyError(const QSqlQuery& query) {
    const QString code = query.lastError().nativeErrorCode();
    // MariaDB ER_DUP_ENTRY; SQL Server unique constraint / unique index.
    return code == QLatin1String("1062") || code == QLatin1String("2627") || code == QLatin1String("2601");
}

int insertAllowance(QSqlQuery& query, const QueryRunner& runner, const NewAllowance& a) {
    const QString insert =
        a.memo ? QStringLiteral(
                     "Insert into MAllowance(emp_id,sys_id,card_id,deposit,charged,downed,charge_ver,"
                     "op_user,op_date,deptno,deptname,empname,AllowDate,Memo) Values(:emp_id,"
                     ":sys_id,:card_id,:deposit,:charged,:downed,:charge_ver,:op_user,:op_date,:deptno,"
                     ":deptname,:empname,:AllowDate,:Memo)")
               : QStringLiteral(
                     "Insert into MAllowance(emp_id,sys_id,card_id,deposit,charged,downed,charge_ver,"
                     "op_user,op_date,deptno,deptname,empname,AllowDate) Values(:emp_id,"
                     ":sys_id,:card_id,:deposit,:charged,:downed,:charge_ver,:op_user,:op_date,:deptno,"
                     ":deptname,:empname,:AllowDate)");
    QVariantMap values{
        {QStringLiteral("emp_id"), a.empId},
        {QStringLiteral("sys_id"), a.sysId},
        {QStringLiteral("card_id"), a.cardId},
        // The exact decimal text: no binary fraction on the way to decimal(12,2).
        {QStringLiteral("deposit"), a.deposit.toString(2)},
        {QStringLiteral("charged"), 0},
        {QStringLiteral("downed"), 0},
        {QStringLiteral("op_user"), a.opUser},
        {QStringLiteral("op_date"), dateTimeText(a.opDate)},
        {QStringLiteral("deptno"), a.deptNo},
        {QStringLiteral("deptname"), a.deptName},
        {QStringLiteral("empname"), a.empName},
        {QStringLiteral("AllowDate"), dateTimeText(a.validUntil)},
    };
    if (a.memo)
        values.insert(QStringLiteral("Memo"), *a.memo);
    for (int attempt = 1;; ++attempt) {
        runner.RunQuery(query, QStringLiteral("select max(charge_ver) from mallowance where emp_id=:emp_id"),
                        true, {{QStringLiteral("emp_id"), a.empId}});
        const int serial = query.next() ? query.value(0).toInt() + 1 : 1;
        query.finish();
        values.insert(QStringLiteral("charge_ver"), serial);
        try {
            runner.RunQuery(query, insert, false, values);
            return serial;
        } catch (const DbError&) {
            if (!isDuplicateKeyError(query) || attempt >= kTries)
                throw;
        }
    }
}
