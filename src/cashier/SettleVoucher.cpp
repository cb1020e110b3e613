#include "cashier/SettleVoucher.h"

#include "cashier/CashierBillBook.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"

#include <QSqlQuery>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

// The period bounds: the start's day, and the end's day to its last second.
QDateTime startOf(const QDateTime& t) {
    return QDateTime(t.date(), QTime(0, 0));
}
QDateTime endOf(const QDateTime& t) {
    return QDateTime(t.date(), QTime(23, 59, 59));
}

} // namespace

const QHash<QString, QString>& SettleVoucher::fieldLabels() {
    static const QHash<QString, QString> labels = {
        {QStringLiteral("opid"), QStringLiteral("序号")},
        {QStringLiteral("optype"), QStringLiteral("项目")},
        {QStringLiteral("opcount"), QStringLiteral("笔数")},
        {QStringLiteral("empconut"), QStringLiteral("账户数")},
        {QStringLiteral("balancemoney"), QStringLiteral("余额")},
        {QStringLiteral("managemoney"), QStringLiteral("管理费")},
        {QStringLiteral("costmoney"), QStringLiteral("卡成本")},
        {QStringLiteral("stadescr"), QStringLiteral("结算统计账单号")},
        {QStringLiteral("stabegdate"), QStringLiteral("统计开始日期")},
        {QStringLiteral("staenddate"), QStringLiteral("统计结束日期")},
        {QStringLiteral("opdatetime"), QStringLiteral("生成时间")},
    };
    return labels;
}

QString SettleVoucher::listStatement() {
    return QStringLiteral(
        "select distinct stadescr, stabegdate, staenddate from settlestatistic order by stadescr");
}

QString SettleVoucher::listStatement(const QDateTime& from, const QDateTime& to, QVariantMap* params) {
    params->insert(QStringLiteral("b"), from.toString(kTimeFormat));
    params->insert(QStringLiteral("e"), to.toString(kTimeFormat));
    return QStringLiteral("select distinct stadescr, stabegdate, staenddate from settlestatistic "
                          "where stabegdate >= :b and staenddate <= :e order by stadescr");
}

QString SettleVoucher::showStatement(const QString& number, QVariantMap* params) {
    params->insert(QStringLiteral("num"), number);
    return QStringLiteral(
        "select distinct b.opdatetime, b.stadescr, b.stabegdate, b.staenddate, a.* from (select opid, "
        "optype, "
        "opcount, empconut, balancemoney, managemoney, costmoney from settlestatistic where stadescr = :num) "
        "a "
        "left join settlestatistic b on a.optype = b.optype where b.stadescr = :num order by a.opid");
}

std::optional<QDateTime> SettleVoucher::latestEnd() const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, QStringLiteral("select max(staenddate) from settlestatistic"), true);
    if (q.next() && !q.value(0).isNull())
        return q.value(0).toDateTime();
    return std::nullopt;
}

std::optional<QDateTime> SettleVoucher::nextStart() const {
    if (const auto end = latestEnd())
        return end->addSecs(1);
    return std::nullopt;
}

std::optional<SettleHead> SettleVoucher::head(const QString& number) const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q,
                                QStringLiteral("select min(stabegdate), max(staenddate), max(opdatetime) "
                                               "from settlestatistic where stadescr = :num"),
                                true, {{QStringLiteral("num"), number}});
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return SettleHead{number, q.value(0).toDateTime(), q.value(1).toDateTime(), q.value(2).toDateTime()};
}

QVector<SettleLine> SettleVoucher::lines(const QString& number) const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(
        q,
        QStringLiteral("select opid, optype, opcount, empconut, balancemoney, managemoney, "
                       "costmoney from settlestatistic where stadescr = :num order by opid"),
        true, {{QStringLiteral("num"), number}});
    QVector<SettleLine> out;
    while (q.next())
        out.push_back({q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt(), q.value(3).toInt(),
                       Currency::fromVariant(q.value(4)), Currency::fromVariant(q.value(5)),
                       Currency::fromVariant(q.value(6))});
    return out;
}

QString SettleVoucher::createRefusal(const QString& number, const QDateTime& begin, const QDateTime& end,
                                     int rights) const {
    if (!(rights & 1) && !m_session.isAdmin())
        return QStringLiteral("只有管理员有权限新增收支报表!");
    if (number.trimmed().isEmpty() || number.size() > 10)
        return QStringLiteral("错误提示 :\n\r账单编号必须是1到10个字符!");
    if (!begin.isValid() || !end.isValid() || end < begin)
        return QStringLiteral("开始日期时间不能大于结束日期时间！");
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q,
                                QStringLiteral("select count(*) from settlestatistic where stadescr = :num"),
                                true, {{QStringLiteral("num"), number}});
    if (q.next() && q.value(0).toLongLong() > 0)
        return QStringLiteral("错误提示 :\n\r账单编号重复，请重新输入账单编号!");
    m_session.runner().RunQuery(
        q, QStringLiteral("select count(*) from settlestatistic where stabegdate = :b and staenddate = :e"),
        true,
        {{QStringLiteral("b"), startOf(begin).toString(kTimeFormat)},
         {QStringLiteral("e"), endOf(end).toString(kTimeFormat)}});
    if (q.next() && q.value(0).toLongLong() > 0)
        return QStringLiteral("错误提示 :\n\r该时段已有账单，请点击“漏账入账”生成!");
    return QString();
}

bool SettleVoucher::checkLimitDate() const {
    return isTrueText(
        ReadCompanyParameter(m_session, QStringLiteral("isCheckLimitDate"), QStringLiteral("0")));
}

QVector<SettleLine> SettleVoucher::compute(const QDateTime& start, const QDateTime& end) const {
    const QString nf = m_session.dialect().nullFunction();
    const QString S = startOf(start).toString(kTimeFormat);
    const QString E = endOf(end).toString(kTimeFormat);
    const QString cardDate = checkLimitDate() ? QStringLiteral("validdate") : QStringLiteral("issue_date");
    QSqlQuery q(m_session.ModuleConnection);
    const auto row = [&](const QString& sql, const QVariantMap& params) {
        m_session.runner().RunQuery(q, sql, true, params);
        if (!q.next())
            throw DbError(QStringLiteral("没有读到统计结果"));
    };
    const auto money = [&q](int i) { return Currency::fromVariant(q.value(i)); };
    const QVariantMap period{{QStringLiteral("s"), S}, {QStringLiteral("e"), E}};

    // Cards issued before D that were not reported lost, returned or replaced before D.
    const auto accounts = [&](const QString& day) {
        row(QStringLiteral(
                "select count(*) from cardinfo where %1 < :d and card_id not in (select card_id from "
                "cardinfo where cardstatusdate < :d and cardstatus = 2) and card_id not in (select card_id "
                "from returncard where return_date < :d and card_id is not null) and card_id not in "
                "(select old_card_id from mchangecard where op_date < :d and old_card_id is not null)")
                .arg(cardDate),
            {{QStringLiteral("d"), day}});
        return q.value(0).toInt();
    };
    // The settled balances of the cards (their history before the last
    // settlement is archived) plus every movement on file before `before`.
    const auto balance = [&](const QString& before) {
        row(QStringLiteral(
                "select (select %1(sum(last_balance),0) from hum_employee) + (select %1(sum(charge_money),0) "
                "from MChargeRecords where KIND in (0,2,30,31,33,1,3,104) and Op_date < :d) - (select "
                "%1(sum(card_consume),0) from MealRecords where flag in (1,2,3,5,6,9,90,103,14,105,102) "
                "and sign_time < :d)")
                .arg(nf),
            {{QStringLiteral("d"), before}});
        return money(0);
    };
    const auto costTotal = [&](int kind, const QString& before) {
        row(QStringLiteral("select %1(sum(%1(in_money,0)),0) - %1(sum(%1(out_money,0)),0) from mcardcost "
                           "where kind = :k and Op_date < :d")
                .arg(nf),
            {{QStringLiteral("k"), kind}, {QStringLiteral("d"), before}});
        return money(0);
    };

    const QString dayAfterEnd = endOf(end).addSecs(1).toString(kDayFormat);
    const QString startDay = startOf(start).toString(kDayFormat);
    SettleLine atEnd{0,
                     QStringLiteral("期末状态"),
                     0,
                     accounts(dayAfterEnd),
                     balance(E),
                     costTotal(2, E),
                     costTotal(1, E)};
    SettleLine atStart{
        1, QStringLiteral("期初状态"), 0, accounts(startDay), balance(S), costTotal(2, S), costTotal(1, S)};
    SettleLine change{2,
                      QStringLiteral("总变化量"),
                      0,
                      atEnd.empconut - atStart.empconut,
                      atEnd.balancemoney - atStart.balancemoney,
                      atEnd.managemoney - atStart.managemoney,
                      atEnd.costmoney - atStart.costmoney};

    const auto charges = [&](const char* kinds) {
        row(QStringLiteral("select count(*), %1(sum(charge_money),0) from MChargeRecords where kind in (%2) "
                           "and op_date >= :s and op_date <= :e")
                .arg(nf, QLatin1String(kinds)),
            period);
        return std::make_pair(q.value(0).toInt(), money(1));
    };
    const auto costs = [&](int kind) {
        row(QStringLiteral(
                "select count(*), %1(sum(%1(in_money,0)),0) - %1(sum(%1(out_money,0)),0) from mcardcost "
                "where kind = :k and op_date >= :s and op_date <= :e")
                .arg(nf),
            {{QStringLiteral("k"), kind}, {QStringLiteral("s"), S}, {QStringLiteral("e"), E}});
        return std::make_pair(q.value(0).toInt(), money(1));
    };
    const auto count = [&](const QString& sql) {
        row(sql, period);
        return q.value(0).toInt();
    };

    // Consumption, refunds and clearings of the period in one pass over its meal rows.
    row(QStringLiteral(
            "select %1(sum(case when %2 then 1 else 0 end),0), %1(sum(case when %2 then card_consume "
            "end),0), %1(sum(case when %3 then 1 else 0 end),0), %1(sum(case when %3 then "
            "card_consume end),0), %1(sum(case when %4 then 1 else 0 end),0), %1(sum(case when %4 "
            "then card_consume end),0) from MealRecords where sign_time >= :s and sign_time <= :e")
            .arg(nf, QStringLiteral("flag not in (14,102)"), QStringLiteral("flag = 102"),
                 QStringLiteral("flag = 14")),
        period);
    const std::pair<int, Currency> consumption{q.value(0).toInt(), money(1)};
    const std::pair<int, Currency> refund{q.value(2).toInt(), money(3)};
    const std::pair<int, Currency> cleared{q.value(4).toInt(), money(5)};
    const auto recharge = charges("0,2,30,31");
    const auto allowance = charges("33,1,3,104");
    const auto fee = costs(2);
    const auto cost = costs(1);
    // A replacement card is no new account: it is counted as a replacement.
    const int opened = count(
        QStringLiteral("select count(*) from cardinfo where %1 between :s and :e and card_id not in (select "
                       "new_card_id from mchangecard where op_date between :s and :e and new_card_id is not "
                       "null)")
            .arg(cardDate));
    const int lost = count(QStringLiteral(
        "select count(*) from cardinfo where cardstatusdate between :s and :e and cardstatus = 2"));
    const int replaced =
        count(QStringLiteral("select count(*) from mchangecard where op_date between :s and :e"));
    const int returned =
        count(QStringLiteral("select count(*) from returncard where return_date between :s and :e"));
    const Currency zero;

    QVector<SettleLine> out{
        atEnd,
        atStart,
        change,
        {20, QStringLiteral("总消费"), consumption.first, 0, zero - consumption.second, zero, zero},
        {3, QStringLiteral("充值"), recharge.first, 0, recharge.second, zero, zero},
        {4, QStringLiteral("补贴"), allowance.first, 0, allowance.second, zero, zero},
        {5, QStringLiteral("管理费"), fee.first, 0, zero, fee.second, zero},
        {6, QStringLiteral("押金"), cost.first, 0, zero, zero, cost.second},
        {7, QStringLiteral("退款"), refund.first, 0, zero - refund.second, zero, zero},
        {8, QStringLiteral("清零"), cleared.first, 0, zero - cleared.second, zero, zero},
        {9, QStringLiteral("开户"), opened, opened, zero, zero, zero},
        {10, QStringLiteral("挂失"), lost, -lost, zero, zero, zero},
        {11, QStringLiteral("补办卡"), replaced, replaced, zero, zero, zero},
        {12, QStringLiteral("退卡"), returned, -returned, zero, zero, zero},
        {13, QStringLiteral("总计"), 0, opened - lost + replaced - returned,
         recharge.second + allowance.second - consumption.second - refund.second - cleared.second, fee.second,
         cost.second},
    };

    QHash<int, QString> rooms;
    m_session.runner().RunQuery(q, QStringLiteral("select dinroom_id, dinroom_name from dinroom"), true);
    while (q.next())
        rooms.insert(q.value(0).toInt(), q.value(1).toString());
    m_session.runner().RunQuery(
        q,
        QStringLiteral(
            // Summed per terminal first: joined row by row, the server reads
            // every meal row of each terminal through the terminal index.
            "select c.dinroom_id, %1(sum(s.n),0), %1(sum(s.m),0) from (select clock_id, count(*) n, "
            "sum(card_consume) m from MealRecords where flag not in (14,102) and sign_time >= :s and "
            "sign_time <= :e group by clock_id) s, clocks c where s.clock_id = c.clock_id group by "
            "c.dinroom_id order by c.dinroom_id")
            .arg(nf),
        true, period);
    while (q.next()) {
        const int room = q.value(0).toInt();
        out.push_back({21 + room, rooms.value(room, QStringLiteral("无此餐厅%1").arg(room)),
                       q.value(1).toInt(), 0, zero - money(2), zero, zero});
    }
    return out;
}

void SettleVoucher::build(const QString& number, const QDateTime& start, const QDateTime& end) const {
    const QVector<SettleLine> figures = compute(start, end);
    const QString now = QDateTime::currentDateTime().toString(kTimeFormat);
    QSqlQuery ins(m_session.ModuleConnection);
    for (const SettleLine& l : figures)
        m_session.runner().RunQuery(
            ins,
            QStringLiteral(
                "insert into settlestatistic (opid, optype, opcount, empconut, balancemoney, managemoney, "
                "costmoney, stadescr, stabegdate, staenddate, opdatetime, opuser) values (:id, :type, "
                ":count, :accounts, :balance, :fee, :cost, :num, :b, :e, :now, :user)"),
            false,
            {{QStringLiteral("id"), l.opid},
             {QStringLiteral("type"), l.optype},
             {QStringLiteral("count"), l.opcount},
             {QStringLiteral("accounts"), l.empconut},
             {QStringLiteral("balance"), l.balancemoney.toString()},
             {QStringLiteral("fee"), l.managemoney.toString()},
             {QStringLiteral("cost"), l.costmoney.toString()},
             {QStringLiteral("num"), number},
             {QStringLiteral("b"), startOf(start).toString(kTimeFormat)},
             {QStringLiteral("e"), endOf(end).toString(kTimeFormat)},
             {QStringLiteral("now"), now},
             {QStringLiteral("user"), m_session.CurrentUserName}});
}

namespace {
// Runs `body` in one transaction; a failure rolls back and says the voucher
// was not built, and why.
template <typename Body> void inTransaction(QSqlDatabase db, Body body) {
    if (!db.transaction())
        throw DbError(QStringLiteral("结算凭证生成失败: 无法开始事务"));
    try {
        body();
        if (!db.commit())
            throw DbError(QStringLiteral("提交失败"));
    } catch (const DbError& e) {
        db.rollback();
        throw DbError(QStringLiteral("结算凭证生成失败: %1").arg(e.message()));
    }
}
} // namespace

void SettleVoucher::create(const QString& number, const QDateTime& begin, const QDateTime& end, int rights) {
    const QString refusal = createRefusal(number, begin, end, rights);
    if (!refusal.isEmpty())
        throw DbError(refusal);
    inTransaction(m_session.ModuleConnection, [&] { build(number, begin, end); });
}

void SettleVoucher::regenerate(const QString& number) {
    const std::optional<SettleHead> voucher = head(number);
    if (!voucher)
        throw DbError(QStringLiteral("没有结算凭证 %1").arg(number));
    inTransaction(m_session.ModuleConnection, [&] {
        QSqlQuery q(m_session.ModuleConnection);
        m_session.runner().RunQuery(q, QStringLiteral("delete from settlestatistic where stadescr = :num"),
                                    false, {{QStringLiteral("num"), number}});
        build(number, voucher->begin, voucher->end);
    });
}

void SettleVoucher::remove(const QString& number) {
    if (!CashierBillBook::deleteEnabled(m_session))
        throw DbError(QStringLiteral("本工作站不允许删除账单 (SystemConfigure/isCanDel)!"));
    if (!head(number))
        throw DbError(QStringLiteral("无账单可删!"));
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, QStringLiteral("delete from settlestatistic where stadescr = :num"), false,
                                {{QStringLiteral("num"), number}});
}
