#include "monthly/RecordRepair.h"

#include "db/DbError.h"
#include "db/PasswordHash.h"
#include "db/RowTransfer.h"
#include "db/Session.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>

namespace RecordRepair {

namespace {

const QString kFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QVector<RowCondition> conditions(Mode mode, const RepairRow& row) {
    const bool charge = mode == Mode::Charge;
    QVector<RowCondition> c = {
        RowCondition::textIs(QStringLiteral("emp_id"), row.empId),
        RowCondition::moneyIs(QStringLiteral("card_balance"), row.balance),
        RowCondition::moneyIs(charge ? QStringLiteral("charge_money") : QStringLiteral("card_consume"),
                              row.amount),
        RowCondition::dateTimeIs(charge ? QStringLiteral("op_date") : QStringLiteral("sign_time"), row.time),
        RowCondition::integerIs(QStringLiteral("card_id"), row.cardId),
        RowCondition::integerIs(QStringLiteral("card_sequ"), row.cardSequ)};
    if (row.recId)
        c << RowCondition::integerIs(row.recIdColumn, *row.recId);
    return c;
}

void moveBetween(const Session& session, Mode mode, const RepairRow& row, bool out) {
    RowTransferRequest r;
    r.sourceTable = out ? mainTable(mode) : duplicateTable(mode);
    r.targetTable = out ? duplicateTable(mode) : mainTable(mode);
    r.conditions = conditions(mode, row);
    const QString what = out ? QStringLiteral("移出主表：") : QStringLiteral("移入主表：");
    try {
        RowTransfer::move(session, r);
    } catch (const DbError& e) {
        session.trace().write(QStringLiteral("失败! ") + what + logText(row) + QStringLiteral(" ") +
                              e.message());
        throw;
    }
    session.trace().write(QStringLiteral("成功! ") + what + logText(row));
    session.trace().write(
        (out ? QStringLiteral("成功! 删除主表：") : QStringLiteral("成功! 删除dou_bak表：")) + logText(row));
}

} // namespace

QString recordKeyColumn(const Session& session, const QString& table) {
    const QSqlIndex key = session.ModuleConnection.primaryIndex(table);
    if (key.count() != 1)
        return QString();
    switch (key.field(0).metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return key.fieldName(0);
    default:
        return QString();
    }
}

Mode modeOfAction(const QString& actiondd) {
    static const QStringList charges = {QStringLiteral("充值手工系统"), QStringLiteral("补贴"),
                                        QStringLiteral("批量充值"), QStringLiteral("出纳机充值"),
                                        QStringLiteral("充值优惠")};
    return charges.contains(actiondd.trimmed()) ? Mode::Charge : Mode::Consumption;
}

QString mainTable(Mode mode) {
    return mode == Mode::Charge ? QStringLiteral("mchargerecords") : QStringLiteral("mealrecords");
}

QString duplicateTable(Mode mode) {
    return mode == Mode::Charge ? QStringLiteral("mchargerecords_dou_bak")
                                : QStringLiteral("mealrecords_dou_bak");
}

BoundStatement rowsOf(Mode mode, const QString& table, const RepairRow& row) {
    BoundStatement s;
    s.sql = QStringLiteral(" select * from  ") + table +
            RowTransfer::whereClause(conditions(mode, row), &s.params);
    return s;
}

QString logText(const RepairRow& row) {
    return QStringLiteral("工号%1 卡号%2 卡流水号 %3 时间操作%4 金额%5 余额%6")
        .arg(row.empId, QString::number(row.cardId), QString::number(row.cardSequ),
             row.time.toString(kFormat), row.amount.toString(2), row.balance.toString(2));
}

void moveOut(const Session& session, Mode mode, const RepairRow& row) {
    moveBetween(session, mode, row, true);
}

void moveIn(const Session& session, Mode mode, const RepairRow& row) {
    moveBetween(session, mode, row, false);
}

BoundStatement editorMealRecord(const RepairRow& row) {
    return {QStringLiteral(
                " select * from  mealrecords where   emp_id = :emp and card_id = :card and sign_time = "
                ":time and card_sequ  =  :sequ"),
            {{QStringLiteral("emp"), row.empId},
             {QStringLiteral("card"), row.cardId},
             {QStringLiteral("time"), row.time.toString(kFormat)},
             {QStringLiteral("sequ"), row.cardSequ}}};
}

BoundStatement editorCard(const RepairRow& row) {
    return {QStringLiteral(" select * from  cardinfo where   empno = :emp and card_id = :card"),
            {{QStringLiteral("emp"), row.empId}, {QStringLiteral("card"), row.cardId}}};
}

BoundStatement editorBackups(const RepairRow& row) {
    return {QStringLiteral(
                "select * from mealrecords_bak where flag in (1,2,3,5,6,9,90,103)  and  card_id = :card "
                "and  card_sequ between  :low and :high"),
            {{QStringLiteral("card"), row.cardId},
             {QStringLiteral("low"), row.cardSequ - 5},
             {QStringLiteral("high"), row.cardSequ + 5}}};
}

BoundStatement editorCharges(const RepairRow& row) {
    return {QStringLiteral(
                " select * from  MChargeRecords where   emp_id = :emp and op_date = :time and card_id = "
                ":card"),
            {{QStringLiteral("emp"), row.empId},
             {QStringLiteral("time"), row.time.toString(kFormat)},
             {QStringLiteral("card"), row.cardId}}};
}

bool administratorConfirmed(const Session& session, const QString& typed) {
    return session.isAdmin() && PasswordHash::matchesPlainText(typed, session.CurrentUserPassword);
}

void importBackup(const Session& session, const RepairRow& row, qint64 posSequ) {
    QVector<RowCondition> c = {RowCondition::integerIs(QStringLiteral("card_id"), row.cardId),
                               RowCondition::integerIs(QStringLiteral("card_sequ"), row.cardSequ),
                               RowCondition::moneyIs(QStringLiteral("card_balance"), row.balance),
                               RowCondition::dateTimeIs(QStringLiteral("sign_time"), row.time),
                               RowCondition::integerIs(QStringLiteral("pos_sequ"), posSequ)};
    if (RowTransfer::count(session, QStringLiteral("mealrecords_bak"), c) == 0)
        throw DbError(QStringLiteral("备份表中没有这条记录"));
    if (RowTransfer::count(session, QStringLiteral("mealrecords"), c) > 0)
        throw DbError(QStringLiteral("消费记录中已有这条记录"));
    QVariantMap params;
    const QString where = RowTransfer::whereClause(c, &params);
    const SqlDialect d = session.dialect();
    // One copy even when the backup holds the record twice.
    const QString sql =
        QStringLiteral(
            "insert into mealrecords( ver_id ,pos_sequ , card_sequ ,opcard_id,clock_id,emp_id,sys_id "
            ",card_id,sign_time,mark ,flag,card_times ,card_consume ,card_balance ,   kind ,op_ymd,op_user "
            ",empname,deptno,deptname,isAddBack)  select %1 ver_id ,pos_sequ ,card_sequ "
            ",opcard_id,clock_id,emp_id,sys_id ,card_id,sign_time,mark ,flag,card_times ,card_consume "
            ",card_balance ,  kind ,op_ymd,op_user ,empname,deptno,deptname, 1 isAddBack from "
            "mealrecords_bak  where flag in (1,2,3,5,6,9,90,103) and ")
            .arg(d.rowLimit(false, 1)) +
        where.mid(QStringLiteral(" where ").size()) + QLatin1Char(' ') + d.rowLimit(true, 1);
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(q, sql, true, params);
    if (q.numRowsAffected() != 1)
        throw DbError(QStringLiteral("备份记录没有导入"));
}

} // namespace RecordRepair
