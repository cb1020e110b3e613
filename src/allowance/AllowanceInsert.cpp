#include "allowance/AllowanceInsert.h"

#include "db/DbError.h"
#include "db/QueryRunner.h"

#include <QSqlError>

namespace {
constexpr int kTries = 50;

QString dateTimeText(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The statements as the trace shows them, and their columns in order.
const char* const kMax = "select max(charge_ver) from mallowance where emp_id=:emp_id";
const char* const kInsert =
    "Insert into MAllowance(emp_id,sys_id,card_id,deposit,charged,downed,charge_ver,op_user,"
    "op_date,deptno,deptname,empname,AllowDate) Values(:emp_id,:sys_id,:card_id,:deposit,"
    ":charged,:downed,:charge_ver,:op_user,:op_date,:deptno,:deptname,:empname,:AllowDate)";
const char* const kInsertMemo =
    "Insert into MAllowance(emp_id,sys_id,card_id,deposit,charged,downed,charge_ver,op_user,op_date,deptno,"
    "deptname,empname,AllowDate,Memo) Values(:emp_id,:sys_id,:card_id,:deposit,:charged,:downed,:charge_ver,"
    ":op_user,:op_date,:deptno,:deptname,:empname,:AllowDate,:Memo)";

QString positional(const char* named, int count) {
    const QString text = QString::fromLatin1(named);
    const int values = int(text.indexOf(QLatin1String("Values(")));
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return text.left(values) + QStringLiteral("Values(") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
}
} // namespace

bool isDuplicateKeyError(const QSqlQuery& query) {
    const QString code = query.lastError().nativeErrorCode();
    // MariaDB ER_DUP_ENTRY; SQL Server unique constraint / unique index.
    return code == QLatin1String("1062") || code == QLatin1String("2627") || code == QLatin1String("2601");
}

AllowanceInserter::AllowanceInserter(const QSqlDatabase& db, const QueryRunner& runner)
    : m_runner(runner), m_max(db), m_insert(db), m_insertMemo(db) {}

void AllowanceInserter::prepare(QSqlQuery& query, const QString& text) {
    query.setForwardOnly(true);
    if (!query.prepare(text))
        throwQueryError(query);
}

int AllowanceInserter::insert(const NewAllowance& a) {
    if (!m_prepared) {
        prepare(m_max, QStringLiteral("select max(charge_ver) from mallowance where emp_id=?"));
        prepare(m_insert, positional(kInsert, 13));
        prepare(m_insertMemo, positional(kInsertMemo, 14));
        m_prepared = true;
    }
    QSqlQuery& insert = a.memo ? m_insertMemo : m_insert;
    const QString insertText = QString::fromLatin1(a.memo ? kInsertMemo : kInsert);
    for (int attempt = 1;; ++attempt) {
        m_runner.trace().write(QString::fromLatin1(kMax));
        m_max.bindValue(0, a.empId);
        if (!m_max.exec())
            throwQueryError(m_max);
        const int serial = m_max.next() ? m_max.value(0).toInt() + 1 : 1;
        m_max.finish();

        const QVariant values[] = {a.empId, a.sysId, a.cardId,
                                   // The exact decimal text: no binary fraction on the way to decimal(12,2).
                                   a.deposit.toString(2), 0, 0, serial, a.opUser, dateTimeText(a.opDate),
                                   a.deptNo, a.deptName, a.empName, dateTimeText(a.validUntil),
                                   a.memo ? QVariant(*a.memo) : QVariant()};
        const int count = a.memo ? 14 : 13;
        for (int i = 0; i < count; ++i)
            insert.bindValue(i, values[i]);
        m_runner.trace().write(insertText);
        if (insert.exec())
            return serial;
        if (!isDuplicateKeyError(insert) || attempt >= kTries)
            throwQueryError(insert);
    }
}

int insertAllowance(const QSqlDatabase& db, const QueryRunner& runner, const NewAllowance& allowance) {
    AllowanceInserter inserter(db, runner);
    return inserter.insert(allowance);
}
