#include "monthly/MonthlyStatements.h"

#include "db/SqlDialect.h"

#include <QStringList>

namespace MonthlyStatements {

namespace {

// Each label literal carries 18 blanks inside its quotes; readers trim it.
QString label(TxnCategory category) {
    return QLatin1Char('\'') + categoryLabel(category) + QString(18, QLatin1Char(' ')) + QLatin1Char('\'');
}

QString quoted(const QDateTime& dt) {
    return QLatin1Char('\'') + dateText(dt) + QLatin1Char('\'');
}

// " between  'start' and 'end'": the period as every statement here bounds it.
QString between(const MonthlyPeriod& p) {
    return QStringLiteral(" between  '%1' and '%2'").arg(dateText(p.start), dateText(p.end));
}

} // namespace

QString dateText(const QDateTime& dt) {
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString cardList(const QVector<qint32>& cards) {
    QStringList parts;
    parts.reserve(cards.size());
    for (qint32 c : cards)
        parts << QString::number(c);
    return parts.join(QLatin1Char(','));
}

QString categorySelect() {
    return QStringLiteral(" Select * from (select emp_id, card_Id, op_date, op_ymd, card_sequ,  Kind, "
                          "card_consume, card_Balance, charge_ver,  (case when cType = 'CH' then (case when "
                          "kind  in (0) then ") +
           label(TxnCategory::Charge) + QStringLiteral(" else (case when kind in (1, 3, 33, 104) then ") +
           label(TxnCategory::Add) + QStringLiteral(" else (case when kind in (2) then ") +
           label(TxnCategory::Bat) + QStringLiteral(" else (case when kind in (30) then ") +
           label(TxnCategory::Chuna) + QStringLiteral(" else ") + label(TxnCategory::Rate) +
           QStringLiteral(
               " end) end) end) end) else (case when Kind in (0, 1, 2, 3, 5, 6, 9, 90, 103) then ") +
           label(TxnCategory::Consume) + QStringLiteral(" else (case when Kind in (14) then ") +
           label(TxnCategory::Clear) + QStringLiteral(" else (case when Kind in (105) then ") +
           label(TxnCategory::BuDan) + QStringLiteral(" else ") + label(TxnCategory::Return) +
           QStringLiteral(" end) end) end) end) as actiondd ");
}

namespace {
// The card population; the lock's completeness check also reads the holder's
// last_balance and joins current and departed employees with union.
QString populationText(bool checkLimitDate, const MonthlyPeriod& period, const QString& extra, bool forLock) {
    const QString dateColumn = checkLimitDate ? QStringLiteral("validdate") : QStringLiteral("issue_date");
    const QString s = quoted(period.start);
    const QString balance = forLock ? QStringLiteral(", last_balance") : QString();
    const QString joiner = forLock ? QStringLiteral("  union    ") : QStringLiteral("  union all    ");
    const QString employee = QStringLiteral("select empno, sys_id ,EmpName,deptname,card_id") + balance;
    return QStringLiteral(" select c.card_id, e.empno, e.sys_id, e.EmpName, e.deptname") +
           (forLock ? QStringLiteral(", e.last_balance") : QString()) + QStringLiteral("  FROM  (  ") +
           employee + QStringLiteral(" from  hum_employee where issued=1") + joiner + employee +
           QStringLiteral(" from  hum_employee_lz where issued=1   ) AS E  right join  (select card_id  from "
                          "cardinfo where ") +
           dateColumn + QStringLiteral(" <  ") + s + extra +
           QStringLiteral(" and card_id not in (select card_id from  ReturnCard where  return_date <= ") + s +
           QStringLiteral(")") +
           QStringLiteral(" and card_id not in (select old_card_id from  MChangeCard where op_date <= ") + s +
           QStringLiteral(") ") + QStringLiteral(" union all  ") +
           QStringLiteral(" select card_id  from cardinfo where ") + dateColumn + between(period) +
           QLatin1Char(' ') + extra +
           (forLock ? QStringLiteral(" ) C on  C.card_id = E.card_id   ")
                    : QStringLiteral(" ) C on  C.card_id = E.card_id"));
}
} // namespace

QString population(const SqlDialect& /*dialect*/, bool checkLimitDate, const MonthlyPeriod& period,
                   const QString& extra) {
    return populationText(checkLimitDate, period, extra, false);
}

QString uncomputedCards(const SqlDialect& dialect, bool checkLimitDate, const MonthlyPeriod& period,
                        const QString& monthDes) {
    return QStringLiteral("select * from (") + populationText(checkLimitDate, period, QString(), true) +
           QStringLiteral(") aa where card_id not in ( select card_id from MealMonthRec where MonthDes=") +
           dialect.quote(monthDes) + QStringLiteral("  )");
}

QString periodTransactions(const MonthlyPeriod& period, const QString& cards) {
    return categorySelect() + QStringLiteral(" FROM  vIsCheckCardRecord where op_date ") + between(period) +
           (cards.isEmpty() ? QString()
                            : QStringLiteral(" and  card_Id in (") + cards + QStringLiteral(") ")) +
           QStringLiteral(" ) as alltab  ") +
           (cards.isEmpty() ? QString()
                            : QStringLiteral(" order by card_id, card_sequ asc , kind asc , op_date asc  "));
}

QString beforeTransactions(const MonthlyPeriod& period, const QString& cards) {
    const QString before = QStringLiteral(" < '%1'").arg(dateText(period.start));
    return categorySelect() +
           QStringLiteral(
               " FROM  vIsCheckCardRecord  a, (select card_id as bcard_id, max(card_sequ) as "
               "bcard_sequ, (max(card_sequ) - 1) as ccard_sequ FROM  vIsCheckCardRecord where op_date ") +
           before + QStringLiteral(" and  card_Id in (") + cards +
           QStringLiteral(")  group by card_id ) b ") +
           QStringLiteral(
               " where card_Id = bcard_id and  card_sequ in(bcard_sequ, ccard_sequ) and op_date ") +
           before + QStringLiteral(" and  card_Id in (") + cards + QStringLiteral(") ") +
           QStringLiteral(" ) as alltab  ") +
           QStringLiteral(" order by card_id, card_sequ desc, kind desc , op_date desc  ");
}

QString replacedCards(const MonthlyPeriod& period, const QString& cards) {
    return QStringLiteral(
               " Select old_card_id from MChangeCard where op_date <= '%1' AND old_card_id in(%2) ")
        .arg(dateText(period.end), cards);
}

QString holderBalance(const SqlDialect& dialect, const QString& sysId) {
    const QString key = dialect.escape(sysId);
    return QStringLiteral("select * from (select sys_id, last_balance, last_date from hum_employee where ") +
           dialect.nullFunction() + QStringLiteral("(sys_id,0) <> 0 and sys_id = '%1'").arg(key) +
           QStringLiteral(" union all select sys_id, last_balance, last_date from hum_employee_lz where ") +
           dialect.nullFunction() +
           QStringLiteral("(sys_id,0) <> 0 and sys_id = '%1' ) aa order by sys_id").arg(key);
}

QString earliestBalance(const SqlDialect& dialect, qint32 card, const MonthlyPeriod& period) {
    const QString body =
        QStringLiteral(
            " emp_id, (card_balance - card_consume) as last_Balance from vIsCheckCardRecord v where "
            "Card_Id = '%1' and op_date > '%2' and card_sequ in(select min(card_sequ) from "
            "vIsCheckCardRecord where emp_id = v.emp_id ) order by kind desc")
            .arg(QString::number(card), dateText(period.start));
    if (dialect.isSqlServer())
        return QStringLiteral(" select top 1") + body;
    return QStringLiteral(" select") + body + QStringLiteral(" limit 1");
}

namespace {
// Rows an earlier run added back and no cashier bill holds yet.
QString addedBack(const SqlDialect& dialect) {
    return QStringLiteral(" isaddback = 1 and ") + dialect.nullFunction() +
           QStringLiteral("(stadescr, '') = '' ");
}
} // namespace

QString deleteAddedBackMeals(const SqlDialect& dialect, const QString& cards, const MonthlyPeriod& period) {
    return QStringLiteral("delete from mealrecords where") + addedBack(dialect) +
           QStringLiteral("and Card_id in(%1) and sign_time %2 ").arg(cards, between(period));
}

QString cardsWithAddedBackMeals(const SqlDialect& dialect, const MonthlyPeriod& period) {
    // Not "distinct": the server would walk a card index over the whole
    // table instead of the period's rows; the rows are few, the caller folds them.
    return QStringLiteral("select card_id from mealrecords where") + addedBack(dialect) +
           QStringLiteral("and sign_time ") + between(period);
}

QString addedBackAllowances(const QString& cards, const MonthlyPeriod& period) {
    return QStringLiteral(
               " select id from mallowance m inner join mchargerecords c on m.emp_id = c.emp_id and "
               "m.sys_id = c.sys_id  and m.deposit = c.charge_money and c.isaddback = 1 and c.kind = 33 "
               "and m.charge_date = c.op_date and m.charge_ver = c.charge_ver and  c.Card_id in(%1) "
               "and m.op_date %2 ")
        .arg(cards, between(period));
}

QString resetAllowance(qint64 id) {
    return QStringLiteral(
               " update mallowance set charged = 0,charge_money = NULL,card_sequ = NULL,card_balance = "
               "NULL,clock_id = NULL,charge_date = NULL Where id=%1 ")
        .arg(id);
}

QString deleteAddedBackCharges(const SqlDialect& dialect, const QString& cards, const MonthlyPeriod& period) {
    return QStringLiteral("delete from mchargerecords where") + addedBack(dialect) +
           QStringLiteral("and Card_id in(%1) and op_date %2 ").arg(cards, between(period));
}

QString backupRows(const QString& cards, const MonthlyPeriod& period) {
    return QStringLiteral(
               "select * from (select card_id, card_sequ, -card_consume as amount, 'XF' as cType from "
               "mealrecords_bak where flag in (1,2,3,5,6,9,14,90,103) and Card_id in(%1) and sign_time "
               "%2  union all select card_id, card_sequ, charge_money as amount, 'CH' as cType from "
               "mchargerecords_bak where Card_id in(%1) and op_date %2) a order by card_id, card_sequ")
        .arg(cards, between(period));
}

QString restoreMeal(const SqlDialect& dialect, qint32 card, qint32 sequence) {
    const QString cols =
        QStringLiteral("ver_id ,pos_sequ , card_sequ ,opcard_id,clock_id,emp_id,sys_id ,card_id,"
                       "sign_time,mark ,flag,card_times ,card_consume ,card_balance ,   kind ,"
                       "op_ymd,op_user ,empname,deptno,deptname");
    return QStringLiteral(
               "insert into mealrecords( %1,isAddBack)  select %2 %1, 1 isAddBack from mealrecords_bak "
               " where flag in (1,2,3,5,6,9,14,90,103) and card_id= %3 and card_sequ = %4 %5")
        .arg(cols, dialect.rowLimit(false, 1), QString::number(card), QString::number(sequence),
             dialect.rowLimit(true, 1));
}

QString restoreCharge(const SqlDialect& dialect, qint32 card, qint32 sequence) {
    const QString cols =
        QStringLiteral("emp_id, sys_id, card_id, empname, deptno, deptname, charge_money, "
                       "card_balance, card_times, card_sequ, Kind, opcard_id, op_date, op_ymd, "
                       "clock_id, PaySource, tradeNo, charge_ver");
    return QStringLiteral("insert into mchargerecords( %1, isAddBack)  select %2 %1, 1 isAddBack from "
                          "mchargerecords_bak where card_id= %3 and card_sequ = %4 %5")
        .arg(cols, dialect.rowLimit(false, 1), QString::number(card), QString::number(sequence),
             dialect.rowLimit(true, 1));
}

QString remarkAllowance(qint32 card, qint32 sequence) {
    return QStringLiteral(
               "select emp_id, sys_id, charge_money, card_balance, card_sequ, clock_id, op_date, "
               "charge_ver from mchargerecords where isAddBack = 1 and Kind = 33 and card_id = %1 and "
               "card_sequ = %2")
        .arg(QString::number(card), QString::number(sequence));
}

QString deleteAddedBackSequence(const QString& table, qint32 card, qint32 sequence) {
    return QStringLiteral(" Delete From ") + table +
           QStringLiteral(" Where isAddBack = 1 and card_id in(%1) and card_sequ = %2")
               .arg(QString::number(card), QString::number(sequence));
}

namespace {
QString allowanceCharges(qint32 card, qint32 sequence) {
    return QStringLiteral(" from MChargeRecords where Kind = 33 and card_id = %1 and card_sequ = %2")
        .arg(QString::number(card), QString::number(sequence));
}
// The order that puts the first booking last.
const char* const kLatestFirst = " order by op_date desc, charge_ver desc";
} // namespace

QString allowanceChargeCount(qint32 card, qint32 sequence) {
    return QStringLiteral("select count(*)") + allowanceCharges(card, sequence);
}

QString copyLatestAllowanceCharges(const SqlDialect& dialect, qint32 card, qint32 sequence, int count) {
    return QStringLiteral("insert into MChargeRecords_bak select ") + dialect.rowLimit(false, count) +
           QStringLiteral(" *") + allowanceCharges(card, sequence) + QLatin1String(kLatestFirst) +
           QLatin1Char(' ') + dialect.rowLimit(true, count);
}

QString deleteLatestAllowanceCharges(const SqlDialect& dialect, qint32 card, qint32 sequence, int count) {
    if (dialect.isSqlServer())
        return QStringLiteral("with latest as (select top (%1) *").arg(count) +
               allowanceCharges(card, sequence) + QLatin1String(kLatestFirst) +
               QStringLiteral(") delete from latest");
    return QStringLiteral("delete") + allowanceCharges(card, sequence) + QLatin1String(kLatestFirst) +
           QStringLiteral(" limit %1").arg(count);
}

QString insertMonthRows(const SqlDialect& dialect, const QVector<TMonthlyRec>& rows) {
    QString sql = QStringLiteral(
        "insert into MealMonthRec (last_balance, Now_card_balance, sys_id, empno, EmpName, deptname, "
        "card_id, "
        "sum_charge_money, sum_add_money, sum_bat_money, sum_chuna_money, sum_rate_money, sum_Consume_money, "
        "sum_Return_money, sum_Clear_money, sum_BuDan_money, ChangeCardMoney, sum_All_in, sum_All_out, "
        "Balance, "
        "BillStartDate, BillEndDate, MonthDes) values ");
    bool first = true;
    for (const TMonthlyRec& r : rows) {
        if (!first)
            sql += QLatin1Char(',');
        first = false;
        QStringList v;
        v << r.last_balance.toString() << r.Now_card_balance.toString() << dialect.quote(r.sys_id)
          << dialect.quote(r.empno) << dialect.quote(r.EmpName) << dialect.quote(r.deptname)
          << QString::number(r.card_id);
        for (Currency c : {r.sum_charge_money, r.sum_add_money, r.sum_bat_money, r.sum_chuna_money,
                           r.sum_rate_money, r.sum_Consume_money, r.sum_Return_money, r.sum_Clear_money,
                           r.sum_BuDan_money, r.ChangeCardMoney, r.sum_All_in, r.sum_All_out, r.Balance})
            v << c.toString();
        v << quoted(r.BillStartDate) << quoted(r.BillEndDate) << dialect.quote(r.MonthDes);
        sql += QLatin1Char('(') + v.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    return sql;
}

} // namespace MonthlyStatements
