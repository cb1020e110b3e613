#include "monthly/MonthlyBillBook.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

QString MonthlyBillBook::listStatement(const QString& where) {
    return QStringLiteral(
               " select monthDes, billstartdate, billenddate, count(*) as 账单数 from mealmonthrec %1 "
               "group by monthDes, billstartdate, billenddate  order by monthdes desc ")
        .arg(where);
}

QString MonthlyBillBook::findWhere(const QDateTime& from, const QDateTime& to) {
    return QStringLiteral(" where billstartdate between '%1' and '%2' ")
        .arg(from.toString(kDateFormat), to.toString(kDateFormat));
}

QString MonthlyBillBook::conditions(const MonthlyRowFilter& filter) const {
    const SqlDialect d = m_session.dialect();
    QString c;
    if (!filter.empno.trimmed().isEmpty())
        c += QStringLiteral(" And %1 = %2").arg(QStringLiteral("empno"), d.quote(filter.empno.trimmed()));
    if (!filter.cardId.trimmed().isEmpty())
        c = QStringLiteral("%1 And %2 = %3")
                .arg(c, QStringLiteral("card_id"), SqlDialect::toIntegerText(filter.cardId.trimmed()));
    if (!filter.empName.trimmed().isEmpty())
        c = QStringLiteral("%1 And %2 = %3")
                .arg(c, QStringLiteral("empname"), d.quote(filter.empName.trimmed()));
    return c;
}

QString MonthlyBillBook::rowsStatement(const QString& monthDes, const MonthlyRowFilter& filter) const {
    return QStringLiteral(" select * from MealMonthRec  where MonthDes =  ") +
           m_session.dialect().quote(monthDes) + conditions(filter);
}

QString MonthlyBillBook::orderedRowsStatement(const QString& monthDes) const {
    return QStringLiteral(" select * from MealMonthRec where MonthDes =  ") +
           m_session.dialect().quote(monthDes) + QStringLiteral(" order by dec_id");
}

QString MonthlyBillBook::emptyRowsStatement() {
    return QStringLiteral(" select * from MealMonthRec  where  1 <> 1");
}

QString MonthlyBillBook::totalsStatement(const QString& monthDes, const MonthlyRowFilter& filter) const {
    const QString nf = m_session.dialect().nullFunction();
    QString sql =
        QStringLiteral(" select count(*) sys_id  ,   count(*) empname  ,  count(*) empno  ,  count(*) "
                       "deptname,   count(*) card_id  ,  BillStartDate , BillEndDate, MonthDes , ");
    for (const char* column :
         {"last_balance", "now_card_balance", "sum_charge_money", "sum_add_money", "sum_bat_money",
          "sum_chuna_money", "sum_rate_money", "sum_Consume_money", "sum_return_money", "ChangeCardMoney",
          "sum_clear_money", "sum_BuDan_money", "sum_All_out", "sum_All_IN", "balance"})
        sql += nf + QStringLiteral("(sum(%1),0) %1 , ").arg(QString::fromLatin1(column));
    sql += nf + QStringLiteral("(sum(balance),0) balance  ");
    return sql + QStringLiteral(" from MealMonthRec  ") + QStringLiteral(" where MonthDes = ") +
           m_session.dialect().quote(monthDes) + conditions(filter) +
           QStringLiteral(" group by MonthDes ,BillStartDate ,BillEndDate ");
}

QString MonthlyBillBook::departmentStatement(const QString& monthDes) const {
    return QStringLiteral(
               " select  a3.deptname, BillStartDate, BillEndDate, MonthDes, count(*) empno, sum(balance) as "
               "balance, "
               "sum(last_balance) as last_balance, sum(Now_card_balance) as Now_card_balance , "
               "sum(sum_charge_money) "
               "as sum_charge_money, sum(sum_add_money) as sum_add_money, sum(sum_bat_money) as "
               "sum_bat_money, "
               "sum(sum_chuna_money) as sum_chuna_money, sum(sum_rate_money) as sum_rate_money, "
               "sum(sum_Consume_money) as sum_Consume_money, sum(sum_Return_money) as "
               "sum_Return_money,sum(sum_Clear_money) as sum_Clear_money, sum(sum_BuDan_money) as "
               "sum_BuDan_money, "
               "sum(sum_All_Out) as sum_All_Out, sum(sum_All_In) as sum_All_In , sum(ChangeCardMoney) as "
               "ChangeCardMoney from MealMonthRec a1 left join ( select distinct card_id, emp_id empno, "
               "substring(deptno,1,4) deptno  from (Select card_id , emp_id , deptno ,deptname  from  "
               "ReturnCard "
               "union  select old_card_id , emp_id , deptno ,deptname   from  mchangecard union  select "
               "card_id , "
               "empno , deptno ,deptname   from hum_employee where card_id is not null  ) hum ) a2 on "
               "a1.card_id = "
               "a2.card_id left join hum_department a3 on a2.deptno=a3.deptno where MonthDes=") +
           m_session.dialect().quote(monthDes) +
           QStringLiteral(" group by a3.deptname, BillStartDate, BillEndDate, MonthDes");
}

QString MonthlyBillBook::historyStatement(qint32 cardId) {
    return QStringLiteral("select * from ( select emp_id as 工号, card_id as 卡号, op_date as 操作时间, "
                          "op_ymd as 金额变动日期, "
                          "card_sequ as 卡流水号, Kind, charge_money as 变动金额, card_balance as 余额, "
                          "(case when Kind = 0 then "
                          "'充值手工系统' when Kind in (33, 1, 3, 104) then '补贴' when Kind = 2 then "
                          "'批量充值' when Kind = 30 "
                          "then '出纳机充值' when Kind = 31 then '充值优惠' else '' end) as actiondd from "
                          "MChargeRecords where "
                          "card_id = %1 union all select emp_id, card_id, sign_time, op_ymd, card_sequ, "
                          "flag, -card_consume, "
                          "card_balance, (case when flag in (1, 2, 3, 5, 6, 103) then '消费' when flag in "
                          "(9, 90) then '纠错' "
                          "when flag = 14 then '卡片清零' when flag = 105 then '补单' when flag = 102 then "
                          "'退款' else '' end) "
                          "from mealrecords where card_id = %1 ) alltab  order by 卡流水号, Kind ")
        .arg(cardId);
}

bool MonthlyBillBook::labelExists(const QString& monthDes) const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q,
                                QStringLiteral("select count(*) from MealMonthRec where MonthDes = ") +
                                    m_session.dialect().quote(monthDes),
                                true);
    return q.next() && q.value(0).toInt() > 0;
}

QString MonthlyBillBook::summaryStatement(const QString& monthDes) const {
    return QStringLiteral("select count(*), sum(case when Balance <> 0 then 1 else 0 end) from MealMonthRec "
                          "where MonthDes = ") +
           m_session.dialect().quote(monthDes);
}

void MonthlyBillBook::clearBill(const QString& monthDes) const {
    deleteBill(monthDes);
}

void MonthlyBillBook::deleteBill(const QString& monthDes) const {
    execute({QStringLiteral(" delete from mealmonthrec where monthDes =  ") +
             m_session.dialect().quote(monthDes)});
}

void MonthlyBillBook::execute(const QStringList& statements) const {
    QSqlDatabase db = m_session.ModuleConnection;
    QSqlQuery q(db);
    // Statements that belong together go in one transaction.
    const bool together = statements.size() > 1;
    if (together)
        db.transaction();
    try {
        for (const QString& sql : statements)
            m_session.runner().RunQuery(q, sql, false);
    } catch (const DbError&) {
        if (together)
            db.rollback();
        throw;
    }
    if (together && !db.commit())
        throw DbError(db.lastError().text());
}

void MonthlyBillBook::storeRow(const TMonthlyRec& rec) const {
    const SqlDialect d = m_session.dialect();
    execute({QStringLiteral(" delete from MealMonthRec where MonthDes = %1 and sys_id = %2")
                 .arg(d.quote(rec.MonthDes), d.quote(rec.sys_id)),
             MonthlyStatements::insertMonthRows(d, {rec})});
}

bool MonthlyBillBook::lockDateEnabled() const {
    return isTrueText(
        ReadCompanyParameter(m_session, QStringLiteral("dsSysParamIsBillLockDate"), QStringLiteral("False")));
}

std::optional<QDateTime> MonthlyBillBook::storedLockDate() const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, QStringLiteral("select BillLockDate from pos_lockBillDate"), true);
    if (q.next() && !q.value(0).isNull())
        return q.value(0).toDateTime();
    return std::nullopt;
}

std::optional<QDateTime> MonthlyBillBook::lockDate() const {
    // The stored date binds only a company that keeps one; what this session
    // locked itself binds either way.
    const std::optional<QDateTime> stored = lockDateEnabled() ? storedLockDate() : std::nullopt;
    const std::optional<QDateTime>& own = m_session.BillLockDate;
    if (!stored || (own && *own > *stored))
        return own;
    return stored;
}

bool MonthlyBillBook::deleteAllowed(const QDateTime& billEnd, const std::optional<QDateTime>& lockDate) {
    return !lockDate || billEnd > *lockDate;
}

QString MonthlyBillBook::lockPeriodError(const QDateTime& start, const QDateTime& end, const QDateTime& now) {
    const qint64 days = qMax<qint64>(0, end.date().toJulianDay() - start.date().toJulianDay() + 1);
    if (days < 15)
        return QStringLiteral("该帐单结算日期至少是15天!");
    if (now < end)
        return QStringLiteral("该帐单结束日期大于当前日期!");
    return QString();
}

QString MonthlyBillBook::lockQuestion(const QDateTime& end) {
    return QStringLiteral("封帐目的是将现有帐单内的数据封存，包括机器内消费数据和系统数据库内的数据。\n\r封帐"
                          "日期截止至") +
           end.toString(kDateFormat) + QStringLiteral("\n\r") + QStringLiteral("按[是]继续封帐流程。");
}

QString MonthlyBillBook::lockContentError(const QString& monthDes, const MonthlyPeriod& period) const {
    const bool checkLimitDate = isTrueText(
        ReadCompanyParameter(m_session, QStringLiteral("isCheckLimitDate"), QStringLiteral("False")));
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(
        q, MonthlyStatements::uncomputedCards(m_session.dialect(), checkLimitDate, period, monthDes), true);
    if (q.next())
        return QStringLiteral("该帐单有部分卡号没有计算，请重新生成帐单!");
    m_session.runner().RunQuery(
        q,
        QStringLiteral(" select card_id from MealMonthRec where  Balance <> 0  and MonthDes= ") +
            m_session.dialect().quote(monthDes),
        true);
    if (q.next())
        return QStringLiteral("该帐单存在平衡值不为0的记录，请重新生成帐单!");
    return QString();
}

void MonthlyBillBook::writeLock(const QDateTime& end, const QDateTime& now) {
    // The old lock goes only when the new one is in.
    execute(
        {QStringLiteral(" delete from  pos_lockBillDate "),
         QStringLiteral("insert into pos_lockBillDate(  BillLockDate   , AddDate  )  values( '%1' , '%2') ")
             .arg(end.toString(kDateFormat), now.toString(kDateFormat))});
    m_session.raiseBillLockDate(end);
}
