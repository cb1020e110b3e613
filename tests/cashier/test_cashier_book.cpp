// The cashier's bills and the settlement vouchers on a hand-made set: every
// cash-relevant record in one bill or none, bill rows and voucher figures
// against sums computed here from the records, concurrent creators, the
// printed documents' cells.
#include "TestDatabase.h"
#include "cashier/CashierDocuments.h"
#include "db/DbError.h"
#include "db/Session.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <map>
#include <thread>

namespace {

// One source record: `table` c (charge), m (meal), k (card cost), r (return), x (card change).
struct Rec {
    char table;
    int kind; // charge Kind, meal flag, card-cost kind
    QString op;
    int clock;
    int sequ;
    qint64 cents;
    qint64 outCents; // card cost paid back
    QString when;
};

const QList<Rec> kRecords = {
    {'c', 0, "ADMIN", 0, 5, 10000, 0, "2026-11-02 09:00:00"},
    {'c', 0, "ADMIN", 0, 1, 5000, 0, "2026-11-02 10:00:00"},
    {'c', 30, "", 3, 7, 2050, 0, "2026-11-03 11:00:00"},
    {'c', 2, "OPER1", 0, 4, 30000, 0, "2026-11-30 23:00:00"},
    {'c', 31, "", 3, 8, 100, 0, "2026-11-03 11:00:05"},
    {'c', 0, "ADMIN", 0, 9, 777, 0, "2026-12-01 00:00:00"},
    {'m', 102, "ADMIN", 0, 3, 1234, 0, "2026-11-05 12:00:00"},
    {'m', 1, "", 0, 4, 800, 0, "2026-11-05 12:30:00"},
    {'k', 1, "OPER1", 0, 0, 2000, 0, "2026-11-06 08:00:00"},
    {'k', 1, "OPER1", 0, 0, 0, 2000, "2026-11-07 08:00:00"},
    {'k', 2, "OPER1", 0, 0, 500, 0, "2026-11-06 08:00:01"},
    {'r', 0, "ADMIN", 0, 0, 4321, 0, "2026-11-08 08:00:00"},
    {'x', 0, "OPER1", 0, 0, 999, 0, "2026-10-31 23:59:59"},
    {'x', 0, "OPER1", 0, 0, 999, 0, "2026-11-09 08:00:00"},
};
const QList<Rec> kLate = {
    {'c', 0, "OPER1", 0, 12, 4000, 0, "2026-11-20 09:00:00"},
    {'m', 102, "OPER1", 0, 13, 66, 0, "2026-11-21 09:00:00"},
};

QString money(qint64 cents) {
    return Currency::fromUnits(cents * 100).toString();
}

void insert(const TestDatabase& db, const Rec& r) {
    QString sql = QString::fromUtf8(
        r.table == 'c'
            ? "insert into MChargeRecords (opcard_id, clock_id, Kind, card_sequ, charge_money, op_date) "
              "values ('%1', %2, %3, %4, %5, '%6')"
        : r.table == 'm'
            ? "insert into MealRecords (op_user, clock_id, flag, card_sequ, card_consume, sign_time) "
              "values ('%1', %2, %3, %4, %5, '%6')"
        : r.table == 'k'
            ? "insert into mcardcost (op_user, sys_id, kind, card_id, in_money, op_date, out_money) "
              "values ('%1', %2, %3, %4, %5, '%6', %7)"
        : r.table == 'r'
            ? "insert into ReturnCard (op_user, card_sequ, card_id, sys_id, card_balance, return_date) "
              "values ('%1', %2, %3, %4, %5, '%6')"
            : "insert into MChangeCard (op_user, old_card_id, new_card_id, sys_id, card_balance, "
              "op_date) values ('%1', %2, %3, %4, %5, '%6')");
    const QString values[] = {
        r.op,   QString::number(r.clock), QString::number(r.kind), QString::number(r.sequ), money(r.cents),
        r.when, money(r.outCents)};
    for (int i = 0; i < 7; ++i)
        sql.replace(QStringLiteral("%%1").arg(i + 1), values[i]);
    db.exec(sql);
}

using BillRows =
    std::map<std::pair<QString, QString>, QString>; // (operator, type) -> "count balance deposit fee must"

// The bill a period's records make, by the business-type rules.
BillRows expectedBill(const QList<Rec>& records) {
    std::map<std::pair<QString, QString>, std::array<qint64, 4>> sums;
    const QStringList types = CashierBillBook::typeNames();
    const auto add = [&](const QString& op, int type, int count, qint64 balance, qint64 deposit, qint64 fee) {
        for (const QString& t : types)
            sums[{op, t}];
        auto& s = sums[{op, types.at(type)}];
        s[0] += count, s[1] += balance, s[2] += deposit, s[3] += fee;
    };
    for (const Rec& r : records) {
        if (r.when < "2026-11-01" || r.when >= "2026-12-01 00:00:00")
            continue;
        const QString op = r.clock
                               ? (r.op.isEmpty() ? QStringLiteral("%1号出纳机").arg(r.clock)
                                                 : QStringLiteral("%1(%2 号出纳机)").arg(r.op).arg(r.clock))
                               : r.op;
        if (r.table == 'c' && r.kind == 0 && r.sequ == 1)
            add(op, 2, 1, 0, 0, 0);
        else if (r.table == 'c' && r.kind != 31)
            add(op, 0, 1, r.cents, 0, 0);
        else if (r.table == 'm' && r.kind == 102)
            add(op, 4, 1, -r.cents, 0, 0);
        else if (r.table == 'k' && r.kind == 1)
            add(op, 2, 0, 0, r.cents, 0), add(op, 3, 0, 0, -r.outCents, 0);
        else if (r.table == 'k')
            add(op, 2, 0, 0, 0, r.cents);
        else if (r.table == 'r')
            add(op, 3, 1, 0, 0, 0);
        else if (r.table == 'x')
            add(op, 1, 1, 0, 0, 0), add(op, 2, 1, 0, 0, 0);
    }
    BillRows out;
    for (const auto& [key, s] : sums)
        out[key] =
            QStringLiteral("%1 %2 %3 %4 %5")
                .arg(QString::number(s[0]), money(s[1]), money(s[2]), money(s[3]), money(s[1] + s[2] + s[3]));
    return out;
}

BillRows storedBill(const TestDatabase& db, const QString& number) {
    QSqlQuery q(db.db());
    q.exec(QStringLiteral(
               "select opuser, optype, opcount, balance, deposit, opfee, mustmoney from balancestatistic "
               "where stadescr = '%1'")
               .arg(number));
    BillRows out;
    while (q.next()) {
        const auto m = [&q](int i) { return Currency::fromVariant(q.value(i)).toString(); };
        out[{q.value(0).toString(), q.value(1).toString()}] =
            QStringLiteral("%1 %2 %3 %4 %5").arg(q.value(2).toString(), m(3), m(4), m(5), m(6));
    }
    return out;
}

// Records stamped with `number`, and stamped with anything.
std::pair<qint64, qint64> stamped(const TestDatabase& db, const QString& number) {
    qint64 mine = 0, any = 0;
    for (const char* table : {"MChargeRecords", "MealRecords", "mcardcost", "ReturnCard", "MChangeCard"}) {
        mine += db.scalar(QStringLiteral("select count(*) from %1 where stadescr = '%2'")
                              .arg(QLatin1String(table), number))
                    .toLongLong();
        any += db.scalar(QStringLiteral("select count(*) from %1 where ifnull(stadescr, '') <> ''")
                             .arg(QLatin1String(table)))
                   .toLongLong();
    }
    return {mine, any};
}

// Cash-relevant records of November.
qint64 billable(const QList<Rec>& records) {
    return std::count_if(records.begin(), records.end(), [](const Rec& r) {
        return r.when >= "2026-11-01" && r.when < "2026-12-01" && !(r.table == 'c' && r.kind == 31) &&
               !(r.table == 'm' && r.kind != 102);
    });
}

} // namespace

class TestCashierBook : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    std::unique_ptr<TestDatabase> db;
    Session session;
    const CashierPeriod november{QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
                                 QDateTime(QDate(2026, 12, 1), QTime(0, 0))};

    void fresh(const QList<Rec>& records, bool canDelete = true) {
        session.ModuleConnection = QSqlDatabase();
        db = std::make_unique<TestDatabase>(QStringLiteral("cashier"));
        db->writeDaybookIni(home.path(),
                            canDelete ? QStringLiteral("[SystemConfigure]\nisCanDel=1\n") : QString());
        bindSession(session, *db, home.path());
        session.CurrentUserId = QStringLiteral("ADMIN");
        session.CompanyName = QStringLiteral("测试食堂公司");
        for (const Rec& r : records)
            insert(*db, r);
    }

private slots:
    void cleanup() {
        session.ModuleConnection = QSqlDatabase();
        db.reset();
    }

    // Created, extended with late records, deleted, created again: each
    // record in the bill or in none, the rows equal to the records' sums.
    void billLifecycle() {
        fresh(kRecords);
        CashierBillBook book(session);
        const QString number = QStringLiteral("2026-11"); // not to be read as 2026 - 11
        const QList<Rec> all = kRecords + kLate;
        const struct {
            const char* step;
            QList<Rec> billed;
        } steps[] = {{"create", kRecords}, {"post", all}, {"delete", {}}, {"create again", all}};
        for (const auto& s : steps) {
            const QByteArray step(s.step);
            if (step == "create" || step == "create again")
                book.create(number, november);
            else if (step == "post") {
                for (const Rec& r : kLate)
                    insert(*db, r);
                QCOMPARE(book.post(number), 2);
            } else
                book.remove(number);
            const qint64 expected = billable(s.billed);
            QCOMPARE(stamped(*db, number), std::make_pair(expected, expected));
            QCOMPARE(storedBill(*db, number), s.billed.isEmpty() ? BillRows() : expectedBill(s.billed));
        }
    }

    void refusals() {
        fresh(kRecords, false);
        CashierBillBook book(session);
        book.create(QStringLiteral("B1"), november);
        const CashierPeriod december{november.end, november.end.addDays(31)};
        const struct {
            const char* user;
            const char* number;
            CashierPeriod period;
            const char* refusal;
        } cases[] = {
            {"OPER1", "B2", december, "只有管理员"},
            {"ADMIN", "B1", december, "账单编号重复"},
            {"ADMIN", "B2", {november.begin.addDays(10), november.end.addDays(3)}, "该时段已有账单"},
            {"ADMIN", "12345678901", december, "1到10个字符"},
            {"ADMIN", "B2", {december.end, december.begin}, "开始日期时间不能大于"},
            {"ADMIN", "B2", {december.end, december.end.addDays(31)}, "没有需要入账的记录"},
        };
        for (const auto& c : cases) {
            session.CurrentUserId = QString::fromLatin1(c.user);
            try {
                book.create(QString::fromLatin1(c.number), c.period);
                QFAIL(c.number);
            } catch (const DbError& e) {
                QVERIFY2(e.message().contains(QString::fromUtf8(c.refusal)), qPrintable(e.message()));
            }
        }
        session.CurrentUserId = QStringLiteral("ADMIN");
        QVERIFY_THROWS_EXCEPTION(DbError, book.remove(QStringLiteral("B1"))); // isCanDel off
        QVERIFY_THROWS_EXCEPTION(DbError, book.post(QStringLiteral("B1")));   // nothing to post
        QCOMPARE(stamped(*db, QStringLiteral("B1")).second, billable(kRecords));
    }

    // Two workstations making a bill for the same period at once.
    void concurrentCreators() {
        fresh(kRecords);
        std::atomic<int> made{0}, refused{0};
        const auto creator = [&](const QString& number) {
            const QString name = QStringLiteral("creator-") + number;
            {
                QSqlDatabase conn = QSqlDatabase::cloneDatabase(db->db(), name);
                QVERIFY(conn.open());
                Session s;
                s.programFolder = home.path();
                s.ModuleConnection = conn;
                s.readConfiguration();
                s.CurrentUserId = QStringLiteral("ADMIN");
                try {
                    CashierBillBook(s).create(number, november);
                    ++made;
                } catch (const DbError&) {
                    ++refused;
                }
                s.ModuleConnection = QSqlDatabase();
            }
            QSqlDatabase::removeDatabase(name);
        };
        std::thread a(creator, QStringLiteral("A")), b(creator, QStringLiteral("B"));
        a.join();
        b.join();
        QCOMPARE(made.load(), 1);
        QCOMPARE(refused.load(), 1);
        const qint64 inA = stamped(*db, QStringLiteral("A")).first,
                     inB = stamped(*db, QStringLiteral("B")).first;
        QCOMPARE(inA + inB, billable(kRecords));
        QCOMPARE(stamped(*db, QStringLiteral("A")).second, billable(kRecords));
        QCOMPARE(storedBill(*db, inA ? QStringLiteral("A") : QStringLiteral("B")), expectedBill(kRecords));
    }

    // A voucher against sums over the records, on a site whose history
    // before October is archived in last_balance; then a failed rebuild.
    void voucherFigures() {
        struct Move {
            char table; // c charge, m meal, k card cost
            int kind;
            qint64 cents;
            int clock;
            QString when;
        };
        const QList<Move> moves = {
            {'c', 0, 6000, 0, "2026-10-20 10:00:00"},  {'c', 0, 3000, 0, "2026-11-05 10:00:00"},
            {'c', 33, 1200, 0, "2026-11-06 10:00:00"}, {'c', 31, 100, 0, "2026-11-07 10:00:00"},
            {'m', 1, 800, 1, "2026-10-21 12:00:00"},   {'m', 1, 500, 1, "2026-11-08 12:00:00"},
            {'m', 1, 250, 2, "2026-11-09 12:00:00"},   {'m', 102, 400, 1, "2026-11-10 12:00:00"},
            {'m', 14, 125, 1, "2026-11-11 12:00:00"},  {'k', 1, 2000, 0, "2026-10-01 09:00:00"},
            {'k', 1, 2000, 0, "2026-11-15 09:00:00"},  {'k', 2, 500, 0, "2026-11-15 09:00:01"},
        };
        fresh({});
        db->exec("insert into hum_employee (empno, last_balance) values ('E1', 100.00), ('E2', 50.50)");
        db->exec("insert into dinroom (DinRoom_id, DinRoom_name) values (1, '一食堂')");
        db->exec("insert into clocks (clock_id, dinroom_id) values (1, 1), (2, 9)");
        // Card 2 lost and replaced by card 4, card 5 returned, card 3 issued on the end day.
        db->exec(
            "insert into cardinfo (empno, sys_id, card_id, issue_date, CardStatus, CardStatusDate) values "
            "('E1', 1, 1, '2026-10-01', 1, null), ('E2', 2, 2, '2026-10-05', 2, '2026-11-10'), "
            "('E3', 3, 3, '2026-11-30 12:00', 1, null), ('E2', 4, 4, '2026-11-15', 1, null), "
            "('E5', 5, 5, '2026-10-01', 1, null)");
        db->exec("insert into MChangeCard (old_card_id, new_card_id, op_date) values (2, 4, '2026-11-15')");
        db->exec("insert into ReturnCard (card_id, return_date) values (5, '2026-11-20')");
        for (const Move& m : moves)
            db->exec(
                m.table == 'c'
                    ? QStringLiteral("insert into MChargeRecords (Kind, charge_money, op_date) values "
                                     "(%1, %2, '%4')")
                          .arg(QString::number(m.kind), money(m.cents), m.when)
                : m.table == 'm'
                    ? QStringLiteral(
                          "insert into MealRecords (flag, card_consume, clock_id, sign_time) values "
                          "(%1, %2, %3, '%4')")
                          .arg(QString::number(m.kind), money(m.cents), QString::number(m.clock), m.when)
                    : QStringLiteral("insert into mcardcost (kind, in_money, op_date) values (%1, %2, '%4')")
                          .arg(QString::number(m.kind), money(m.cents), m.when));
        const auto sum = [&](char table, std::initializer_list<int> kinds, const QString& from,
                             const QString& to, int clock = -1) {
            qint64 s = 0, n = 0;
            for (const Move& m : moves)
                if (m.table == table && std::find(kinds.begin(), kinds.end(), m.kind) != kinds.end() &&
                    m.when >= from && m.when < to && (clock < 0 || m.clock == clock))
                    s += m.cents, ++n;
            return std::make_pair(n, s);
        };
        const QString S = "2026-11-01", E = "2026-11-30 23:59:59", F = "2026-11-30 23:59:60";
        const auto balanceBefore = [&](const QString& d) {
            return 15050 + sum('c', {0, 2, 30, 31, 33, 1, 3, 104}, "", d).second -
                   sum('m', {1, 2, 3, 5, 6, 9, 90, 103, 14, 105, 102}, "", d).second;
        };
        const auto spent = sum('m', {1, 2, 3, 5, 6, 9, 90, 103}, S, F), refund = sum('m', {102}, S, F),
                   cleared = sum('m', {14}, S, F), charged = sum('c', {0, 2, 30, 31}, S, F),
                   allowed = sum('c', {33, 1, 3, 104}, S, F), cost = sum('k', {1}, S, F),
                   fee = sum('k', {2}, S, F);
        const qint64 costAtEnd = sum('k', {1}, "", E).second, costAtStart = sum('k', {1}, "", S).second;
        // accounts: at the start cards 1, 2, 5; at the end 1, 3, 4; one opened (3), one lost,
        // one replaced, one returned
        const QStringList expected = {
            QStringLiteral("0 期末状态 0 3 %1 %2 %3")
                .arg(money(balanceBefore(E)), money(fee.second), money(costAtEnd)),
            QStringLiteral("1 期初状态 0 3 %1 0.00 %2").arg(money(balanceBefore(S)), money(costAtStart)),
            QStringLiteral("2 总变化量 0 0 %1 %2 %3")
                .arg(money(balanceBefore(E) - balanceBefore(S)), money(fee.second),
                     money(costAtEnd - costAtStart)),
            QStringLiteral("3 充值 %1 0 %2 0.00 0.00").arg(charged.first).arg(money(charged.second)),
            QStringLiteral("4 补贴 %1 0 %2 0.00 0.00").arg(allowed.first).arg(money(allowed.second)),
            QStringLiteral("5 管理费 %1 0 0.00 %2 0.00").arg(fee.first).arg(money(fee.second)),
            QStringLiteral("6 押金 %1 0 0.00 0.00 %2").arg(cost.first).arg(money(cost.second)),
            QStringLiteral("7 退款 %1 0 %2 0.00 0.00").arg(refund.first).arg(money(-refund.second)),
            QStringLiteral("8 清零 %1 0 %2 0.00 0.00").arg(cleared.first).arg(money(-cleared.second)),
            "9 开户 1 1 0.00 0.00 0.00",
            "10 挂失 1 -1 0.00 0.00 0.00",
            "11 补办卡 1 1 0.00 0.00 0.00",
            "12 退卡 1 -1 0.00 0.00 0.00",
            QStringLiteral("13 总计 0 0 %1 %2 %3")
                .arg(money(charged.second + allowed.second - spent.second - refund.second - cleared.second),
                     money(fee.second), money(cost.second)),
            QStringLiteral("20 总消费 %1 0 %2 0.00 0.00").arg(spent.first).arg(money(-spent.second)),
            QStringLiteral("22 一食堂 %1 0 %2 0.00 0.00")
                .arg(sum('m', {1}, S, F, 1).first)
                .arg(money(-sum('m', {1}, S, F, 1).second)),
            QStringLiteral("30 无此餐厅9 1 0 %1 0.00 0.00").arg(money(-sum('m', {1}, S, F, 2).second)),
        };
        SettleVoucher voucher(session);
        voucher.create("2026-11", QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
                       QDateTime(QDate(2026, 11, 30), QTime()), 0);
        const auto stored = [&] {
            QStringList out;
            for (const SettleLine& l : voucher.lines("2026-11"))
                out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                           .arg(QString::number(l.opid), l.optype, QString::number(l.opcount),
                                QString::number(l.empconut), l.balancemoney.toString(),
                                l.managemoney.toString(), l.costmoney.toString());
            return out;
        };
        QCOMPARE(stored(), expected);
        QCOMPARE(voucher.nextStart(), QDateTime(QDate(2026, 12, 1), QTime(0, 0)));

        db->exec("rename table dinroom to dinroom_gone");
        try {
            voucher.regenerate("2026-11");
            QFAIL("a rebuild without its tables");
        } catch (const DbError& e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("结算凭证生成失败")), qPrintable(e.message()));
        }
        db->exec("rename table dinroom_gone to dinroom");
        QCOMPARE(stored(), expected);

        // The printed documents carry the cells an accountant signs, each
        // whole and clear of its neighbours, inside the page's margins: also
        // a long company name and totals in the hundreds of millions.
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        insert(*db, kRecords.first());
        CashierBillBook book(session);
        book.create("2026-11", november);
        const CashierDocuments::Site site = CashierDocuments::siteOf(session);
        CashierDocuments::Site longName = site;
        longName.company = QString(36, QChar(0x98df)); // 食…
        const QDate today(2026, 12, 2);
        const Currency huge = Currency::fromUnits(-9876543219876);
        const QVector<CashierBillRow> hugeRows = {
            {"十七号出纳机十七号出纳机十七号出纳机", "充值", 987654, huge, huge, huge, huge},
            {"OPER1", "退款", 123456, huge, huge, huge, huge}};
        const struct {
            PrintedDocument document;
            QStringList cells;
        } documents[] = {
            {CashierDocuments::bill(site, *book.head("2026-11"), book.rows("2026-11", {}, true), true, today),
             {"测试食堂公司", "账单号：2026-11", "账单时间段：2026-11-01 00:00:00 至 2026-12-01 00:00:00",
              "￥100.00", "打印日期：2026-12-02", "1/1"}},
            {CashierDocuments::voucher(site, *voucher.head("2026-11"), voucher.lines("2026-11"), today),
             {"测试食堂公司 结算凭证", "2026-11-01---2026-11-30", "无此餐厅9",
              money(balanceBefore(E)).prepend("￥"), "打印日期：2026-12-02", "1/1"}},
            {CashierDocuments::bill(longName, *book.head("2026-11"), hugeRows, true, today),
             {longName.company, "￥-987654321.99", "-1975308643.98", "OPER1"}},
            {CashierDocuments::voucher(longName, *voucher.head("2026-11"), voucher.lines("2026-11"), today),
             {longName.company + " 结算凭证"}},
        };
        static const QRegularExpression word(
            QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                           "yMax=\"([\\d.]+)\">([^<]*)</word>"));
        for (auto d : documents) {
            const QString path = home.filePath("document.pdf");
            QString error;
            QVERIFY2(d.document.writePdf(path, "t", &error), qPrintable(error));
            QProcess p;
            p.start(pdftotext, {"-bbox", path, "-"});
            QVERIFY(p.waitForFinished());
            QString text;
            QVector<QPair<QRectF, QString>> words;
            for (auto m = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); m.hasNext();) {
                const QRegularExpressionMatch w = m.next();
                const QRectF box(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                                 QPointF(w.captured(3).toDouble(), w.captured(4).toDouble()));
                const QString at =
                    QStringLiteral("%1 at %2,%3").arg(w.captured(5)).arg(box.left()).arg(box.top());
                QVERIFY2(box.left() >= PrintedDocument::Margin - 1 &&
                             box.right() <= PrintedDocument::PageWidth - PrintedDocument::Margin + 1,
                         qPrintable(at + " outside the margins"));
                for (const auto& other : words)
                    QVERIFY2(!box.adjusted(0.5, 0.5, -0.5, -0.5).intersects(other.first),
                             qPrintable(at + " overlaps " + other.second));
                words.append({box, at});
                text += w.captured(5) + " ";
            }
            for (const QString& cell : d.cells)
                QVERIFY2(text.contains(cell), qPrintable(cell + " missing in:\n" + text));
        }
    }
};

QTEST_MAIN(TestCashierBook)
#include "test_cashier_book.moc"
