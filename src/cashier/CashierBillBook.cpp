#include "cashier/CashierBillBook.h"

#include "db/DbError.h"
#include "db/IniFile.h"
#include "db/Session.h"

#include <QSqlQuery>

#include <algorithm>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString timeText(const QDateTime& t) {
    return t.toString(kTimeFormat);
}

// The stamped rows of every source table under one business code each; a
// recharge's operator is the operator card it was made with.
QString sourceRows(const QString& nf) {
    return QStringLiteral(
               " select opcard_id as op_user, %1(clock_id,0) as clock_id, Kind as kind, charge_money as "
               "money, "
               "op_date from mchargeRecords where stadescr = :num and Kind in (0,2,30) and charge_money <> 0 "
               "and not (Kind = 0 and %1(card_sequ,0) = 1) "
               " union all select opcard_id, %1(clock_id,0), 25, charge_money, op_date from mchargeRecords "
               "where stadescr = :num and Kind = 0 and card_sequ = 1 and charge_money <> 0 "
               " union all select op_user, 0, 102, card_consume, sign_time from MealRecords "
               "where stadescr = :num and flag = 102 "
               " union all select op_user, 0, 20, %1(in_money,0), op_date from mcardcost where stadescr = "
               ":num and kind = 1 "
               " union all select op_user, 0, 21, %1(out_money,0), op_date from mcardcost where stadescr = "
               ":num and kind = 1 "
               " union all select op_user, 0, 22, %1(in_money,0), op_date from mcardcost where stadescr = "
               ":num and kind = 2 "
               " union all select op_user, 0, 23, card_balance, return_date from ReturnCard where stadescr = "
               ":num "
               " union all select op_user, 0, 24, card_balance, op_date from mchangecard where stadescr = "
               ":num ")
        .arg(nf);
}

QString statisticStatement(const QString& nf) {
    const auto count = [](const char* codes) {
        return QStringLiteral("sum(case when kind in (%1) then 1 else 0 end)").arg(QLatin1String(codes));
    };
    const auto money = [&nf](const char* codes) {
        return QStringLiteral("%1(sum(case when kind in (%2) then money else 0 end),0)")
            .arg(nf, QLatin1String(codes));
    };
    return QStringLiteral("SELECT op_user, clock_id, %1 as fullcount, %2 as fullbalance, %3 as changecount, "
                          "%4 as issuecount, %5 as issuedeposit, %6 as issuefee, %7 as returncount, "
                          "%8 as returndeposit, %9 as rmoneycount, %10 as rmoneybalance from (%11) a "
                          "where 1=1 and (op_date >= :b and op_date < :e) group by op_user, clock_id "
                          "order by op_user ")
        .arg(count("0,2,30"), money("0,2,30"), count("24"), count("24,25"), money("20"), money("22"),
             count("23"), money("21"), count("102"), money("102"), sourceRows(nf));
}

// The operator of a statistic row: a cashier terminal's rows carry its number.
QString operatorName(const QString& user, int clock) {
    const QString name = user.trimmed();
    if (clock == 0)
        return name.isEmpty() ? QStringLiteral("0号出纳机") : name;
    if (name.isEmpty())
        return QStringLiteral("%1号出纳机").arg(clock);
    return QStringLiteral("%1(%2 号出纳机)").arg(name, QString::number(clock));
}

QVariantMap bounds(const QString& number, const CashierPeriod& period) {
    return {{QStringLiteral("num"), number},
            {QStringLiteral("b"), timeText(period.begin)},
            {QStringLiteral("e"), timeText(period.end)}};
}

} // namespace

const QStringList& CashierBillBook::typeNames() {
    static const QStringList names = {QStringLiteral("充值"), QStringLiteral("挂失换卡"),
                                      QStringLiteral("发卡"), QStringLiteral("退卡"), QStringLiteral("退款")};
    return names;
}

const QHash<QString, QString>& CashierBillBook::fieldLabels() {
    static const QHash<QString, QString> labels = {
        {QStringLiteral("optype"), QStringLiteral("业务类型")},
        {QStringLiteral("opcount"), QStringLiteral("次数")},
        {QStringLiteral("balance"), QStringLiteral("变动金额")},
        {QStringLiteral("deposit"), QStringLiteral("押金")},
        {QStringLiteral("opfee"), QStringLiteral("手续费")},
        {QStringLiteral("mustmoney"), QStringLiteral("实收现金")},
        {QStringLiteral("opuser"), QStringLiteral("操作员")},
        {QStringLiteral("stadescr"), QStringLiteral("收支统计账单号")},
        {QStringLiteral("stabegdate"), QStringLiteral("统计开始日期")},
        {QStringLiteral("staenddate"), QStringLiteral("统计结束日期")},
        {QStringLiteral("opdatetime"), QStringLiteral("入账时间")},
    };
    return labels;
}

QString CashierBillBook::listStatement() {
    return QStringLiteral(
        "select distinct(stadescr), stabegdate, staenddate from balancestatistic order by stadescr");
}

QString CashierBillBook::listStatement(const QDateTime& from, const QDateTime& to, QVariantMap* params) {
    params->insert(QStringLiteral("b"), timeText(from));
    params->insert(QStringLiteral("e"), timeText(to));
    return QStringLiteral("select distinct(stadescr), stabegdate, staenddate from balancestatistic "
                          "where stabegdate >= :b and staenddate <= :e order by stadescr");
}

QString CashierBillBook::rowsStatement(const QString& number, const QString& opuser, QVariantMap* params) {
    params->insert(QStringLiteral("num"), number);
    if (!opuser.isEmpty()) {
        params->insert(QStringLiteral("op"), opuser);
        return QStringLiteral("select * from balancestatistic where stadescr = :num and opuser = :op "
                              "order by stadescr, opuser, id");
    }
    return QStringLiteral(
        "select distinct b.opdatetime, b.stadescr, b.stabegdate, b.staenddate, a.* from (select optype, "
        "sum(opcount) opcount, sum(balance) balance, sum(deposit) deposit, sum(opfee) opfee, "
        "sum(mustmoney) mustmoney from balancestatistic where stadescr = :num group by optype) a "
        "left join balancestatistic b on a.optype = b.optype where b.stadescr = :num");
}

std::optional<QDateTime> CashierBillBook::latestEnd() const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, QStringLiteral("select max(staenddate) from balancestatistic"), true);
    if (q.next() && !q.value(0).isNull())
        return q.value(0).toDateTime();
    return std::nullopt;
}

std::optional<CashierBillHead> CashierBillBook::head(const QString& number) const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q,
                                QStringLiteral("select min(stabegdate), max(staenddate), max(opdatetime) "
                                               "from balancestatistic where stadescr = :num"),
                                true, {{QStringLiteral("num"), number}});
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return CashierBillHead{
        number, {q.value(0).toDateTime(), q.value(1).toDateTime()}, q.value(2).toDateTime()};
}

QStringList CashierBillBook::operators(const QString& number) const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(
        q,
        QStringLiteral("select distinct opuser from balancestatistic where stadescr = :num order by opuser"),
        true, {{QStringLiteral("num"), number}});
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

QVector<CashierBillRow> CashierBillBook::rows(const QString& number, const QString& opuser,
                                              bool perOperator) const {
    QString sql = QStringLiteral("select opuser, optype, opcount, balance, deposit, opfee, mustmoney "
                                 "from balancestatistic where stadescr = :num");
    QVariantMap params{{QStringLiteral("num"), number}};
    if (!opuser.isEmpty()) {
        sql += QStringLiteral(" and opuser = :op");
        params.insert(QStringLiteral("op"), opuser);
    }
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, sql + QStringLiteral(" order by opuser, id"), true, params);
    QVector<CashierBillRow> out;
    while (q.next()) {
        CashierBillRow r{perOperator ? q.value(0).toString() : QString(),
                         q.value(1).toString(),
                         q.value(2).toInt(),
                         Currency::fromVariant(q.value(3)),
                         Currency::fromVariant(q.value(4)),
                         Currency::fromVariant(q.value(5)),
                         Currency::fromVariant(q.value(6))};
        auto same = std::find_if(out.begin(), out.end(), [&r](const CashierBillRow& o) {
            return o.opuser == r.opuser && o.optype == r.optype;
        });
        if (same == out.end()) {
            out << r;
            continue;
        }
        same->opcount += r.opcount;
        same->balance += r.balance;
        same->deposit += r.deposit;
        same->opfee += r.opfee;
        same->mustmoney += r.mustmoney;
    }
    std::stable_sort(out.begin(), out.end(), [](const CashierBillRow& a, const CashierBillRow& b) {
        if (a.opuser != b.opuser)
            return a.opuser < b.opuser;
        return typeNames().indexOf(a.optype) < typeNames().indexOf(b.optype);
    });
    return out;
}

bool CashierBillBook::numberExists(const QString& number) const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q,
                                QStringLiteral("select count(*) from balancestatistic where stadescr = :num"),
                                true, {{QStringLiteral("num"), number}});
    return q.next() && q.value(0).toLongLong() > 0;
}

QString CashierBillBook::createRefusal(const QString& number, const CashierPeriod& period) const {
    if (!m_session.isAdmin())
        return QStringLiteral("只有管理员有权限新增收支报表!");
    if (number.trimmed().isEmpty() || number.size() > 10)
        return QStringLiteral("错误提示 :\n\r账单编号必须是1到10个字符!");
    if (!period.begin.isValid() || !period.end.isValid() || period.end < period.begin)
        return QStringLiteral("开始日期时间不能大于结束日期时间！");
    if (numberExists(number))
        return QStringLiteral("错误提示 :\n\r账单编号重复，请重新生成账单!");
    // The end is excluded: a bill may start where the latest one ended.
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(
        q, QStringLiteral("select count(*) from balancestatistic where stabegdate < :e and staenddate > :b"),
        true, {{QStringLiteral("b"), timeText(period.begin)}, {QStringLiteral("e"), timeText(period.end)}});
    if (q.next() && q.value(0).toLongLong() > 0)
        return QStringLiteral("错误提示 :\n\r该时段已有账单，请选择【漏帐入账】功能!");
    return QString();
}

template <typename Body> int CashierBillBook::exclusive(Body body) {
    QSqlDatabase db = m_session.ModuleConnection;
    const bool mysql = !m_session.dialect().isSqlServer();
    QSqlQuery q(db);
    // One bill at a time across workstations: the checks and the stamping
    // of two creators never interleave.
    if (mysql) {
        m_session.runner().RunQuery(q, QStringLiteral("select get_lock('meal_cashier_bill', 60)"), true);
        if (!q.next() || q.value(0).toInt() != 1)
            throw DbError(QStringLiteral("另一个账单正在生成，请稍后再试!"));
    }
    const auto release = [&] {
        if (mysql)
            m_session.runner().RunQuery(q, QStringLiteral("select release_lock('meal_cashier_bill')"), true);
    };
    if (!db.transaction()) {
        release();
        throw DbError(QStringLiteral("无法开始事务"));
    }
    try {
        if (!mysql)
            m_session.runner().RunQuery(q,
                                        QStringLiteral("EXEC sp_getapplock @Resource = 'meal_cashier_bill', "
                                                       "@LockMode = 'Exclusive', @LockOwner = 'Transaction'"),
                                        false);
        const int result = body();
        if (!db.commit())
            throw DbError(QStringLiteral("提交失败"));
        release();
        return result;
    } catch (...) {
        db.rollback();
        release();
        throw;
    }
}

int CashierBillBook::stamp(const QString& number, const CashierPeriod& period) const {
    static const char* const kStamps[] = {
        "update mchargeRecords set stadescr = :num where %1(stadescr,'') = '' and kind in (0,2,30) "
        "and op_date >= :b and op_date < :e",
        "update mealRecords set stadescr = :num where %1(stadescr,'') = '' and flag = 102 "
        "and sign_time >= :b and sign_time < :e",
        "update mchangecard set stadescr = :num where %1(stadescr,'') = '' and op_date >= :b and op_date < "
        ":e",
        "update mcardcost set stadescr = :num where %1(stadescr,'') = '' and op_date >= :b and op_date < :e",
        "update returncard set stadescr = :num where %1(stadescr,'') = '' and return_date >= :b "
        "and return_date < :e",
    };
    const QString nf = m_session.dialect().nullFunction();
    int stamped = 0;
    QSqlQuery q(m_session.ModuleConnection);
    for (const char* sql : kStamps) {
        // Left open: the count of stamped rows is read from the active query.
        m_session.runner().RunQuery(q, QString::fromLatin1(sql).arg(nf), true, bounds(number, period));
        stamped += std::max(0, q.numRowsAffected());
    }
    return stamped;
}

void CashierBillBook::storeRows(const QString& number, const CashierPeriod& period) const {
    const QString nf = m_session.dialect().nullFunction();
    QSqlQuery del(m_session.ModuleConnection);
    m_session.runner().RunQuery(del, QStringLiteral("delete from balancestatistic where stadescr = :num"),
                                false, {{QStringLiteral("num"), number}});
    QSqlQuery q(m_session.ModuleConnection);
    q.setForwardOnly(true);
    m_session.runner().RunQuery(q, statisticStatement(nf), true, bounds(number, period));
    struct Line {
        QString user;
        int clock;
        QVariantList values;
    };
    QVector<Line> lines;
    while (q.next()) {
        QVariantList values;
        for (int i = 2; i < 12; ++i)
            values << q.value(i);
        lines.push_back({q.value(0).toString(), q.value(1).toInt(), values});
    }
    const QString now = timeText(QDateTime::currentDateTime());
    QSqlQuery ins(m_session.ModuleConnection);
    for (const Line& line : lines) {
        const auto money = [&line](int i) { return Currency::fromVariant(line.values.at(i)); };
        const Currency zero;
        // count, balance, deposit, fee per type (the deposit paid back and the
        // refund go out of the till)
        const struct {
            int count;
            Currency balance, deposit, fee;
        } types[] = {
            {line.values.at(0).toInt(), money(1), zero, zero},
            {line.values.at(2).toInt(), zero, zero, zero},
            {line.values.at(3).toInt(), zero, money(4), money(5)},
            {line.values.at(6).toInt(), zero, zero - money(7), zero},
            {line.values.at(8).toInt(), zero - money(9), zero, zero},
        };
        for (int t = 0; t < 5; ++t) {
            const auto& v = types[t];
            m_session.runner().RunQuery(
                ins,
                QStringLiteral(
                    "insert into balancestatistic (stadescr, stabegdate, staenddate, opdatetime, opuser, "
                    "optype, opcount, balance, deposit, opfee, mustmoney) values (:num, :b, :e, :now, "
                    ":user, :type, :count, :balance, :deposit, :fee, :must)"),
                false,
                {{QStringLiteral("num"), number},
                 {QStringLiteral("b"), timeText(period.begin)},
                 {QStringLiteral("e"), timeText(period.end)},
                 {QStringLiteral("now"), now},
                 {QStringLiteral("user"), operatorName(line.user, line.clock)},
                 {QStringLiteral("type"), typeNames().at(t)},
                 {QStringLiteral("count"), v.count},
                 {QStringLiteral("balance"), v.balance.toString()},
                 {QStringLiteral("deposit"), v.deposit.toString()},
                 {QStringLiteral("fee"), v.fee.toString()},
                 {QStringLiteral("must"), (v.balance + v.deposit + v.fee).toString()}});
        }
    }
}

int CashierBillBook::create(const QString& number, const CashierPeriod& period) {
    return exclusive([&] {
        // Checked again under the lock: another workstation may have made a
        // bill since the operator was asked.
        const QString refusal = createRefusal(number, period);
        if (!refusal.isEmpty())
            throw DbError(refusal);
        const int stamped = stamp(number, period);
        if (stamped == 0)
            throw DbError(QStringLiteral("提示 :\n\r该时段内没有需要入账的记录，账单没有生成!"));
        storeRows(number, period);
        return stamped;
    });
}

int CashierBillBook::post(const QString& number) {
    if (!m_session.isAdmin())
        throw DbError(QStringLiteral("只有管理员有权限新增收支报表!"));
    return exclusive([&] {
        const std::optional<CashierBillHead> bill = head(number);
        if (!bill)
            throw DbError(QStringLiteral("提示 :\n\r没有账单信息，无法处理漏帐，请先建立账单!"));
        const int stamped = stamp(number, bill->period);
        if (stamped == 0)
            throw DbError(QStringLiteral("提示 :\n\r该账单时间段内无需入账的记录，不用处理!"));
        // The rows are stored again over every record of the bill, so an
        // operator keeps one row per type.
        storeRows(number, bill->period);
        return stamped;
    });
}

void CashierBillBook::remove(const QString& number) {
    if (!deleteEnabled(m_session))
        throw DbError(QStringLiteral("本工作站不允许删除账单 (SystemConfigure/isCanDel)!"));
    exclusive([&] {
        const std::optional<CashierBillHead> bill = head(number);
        if (!bill)
            throw DbError(QStringLiteral("没有账单 %1").arg(number));
        static const char* const kUnstamps[] = {
            "delete from balancestatistic where stadescr = :num",
            "update mchargeRecords set stadescr = null where stadescr = :num and kind in (0,2,30) "
            "and op_date >= :b and op_date < :e",
            "update mealRecords set stadescr = null where stadescr = :num and flag = 102 "
            "and sign_time >= :b and sign_time < :e",
            "update mchangecard set stadescr = null where stadescr = :num and op_date >= :b and op_date < :e",
            "update mcardcost set stadescr = null where stadescr = :num and op_date >= :b and op_date < :e",
            "update returncard set stadescr = null where stadescr = :num and return_date >= :b "
            "and return_date < :e",
        };
        QSqlQuery q(m_session.ModuleConnection);
        for (const char* sql : kUnstamps)
            m_session.runner().RunQuery(q, QString::fromLatin1(sql), false, bounds(number, bill->period));
        return 0;
    });
}

bool CashierBillBook::deleteEnabled(const Session& session) {
    return IniFile(session.iniPath())
        .readBool(QStringLiteral("SystemConfigure"), QStringLiteral("isCanDel"), false);
}
