// The record windows' statements on a hand-built database, checked against
// sums computed from the fixture without SQL; hostile texts; the restore and
// the duplicate mover under injected failures; the repair's password and key.
#include "MealctlRun.h"
#include "RecordFamilyData.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "db/MaintenanceKey.h"
#include "db/SchemaUpgrade.h"
#include "db/Session.h"
#include "monthly/RecordRepair.h"
#include "reports/EmpAllRecordsQuery.h"
#include "reports/ExceptRecordsQuery.h"
#include "reports/FullBakQuery.h"
#include "reports/JournalQuery.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
const QDateTime kBegin(QDate(2026, 11, 1), QTime(0, 0));
const QDateTime kEnd(QDate(2026, 11, 30), QTime(23, 59, 59));
bool inNovember(const char* time) {
    const QDateTime t = familyTime(time);
    return t >= kBegin && t <= kEnd;
}
QString text(const char* t) {
    return t ? QString::fromUtf8(t) : QString();
}

// Rows and the sum of one money column.
struct Tally {
    int rows = 0;
    qint64 units = 0;
    void add(Currency c) {
        ++rows;
        units += c.units();
    }
    bool operator==(const Tally& o) const { return rows == o.rows && units == o.units; }
};
char* toString(const Tally& t) {
    return QTest::toString(
        QStringLiteral("%1 rows, %2").arg(t.rows).arg(Currency::fromUnits(t.units).toString(4)));
}

struct FullBakRow {
    const char* emp;
    int card;
    const char *dept, *money, *balance;
    int sequ;
    const char* time;
};
const QVector<FullBakRow> kBackups = {
    {"E1", 101, "01", "12.34", "112.34", 6, "2026-11-12 10:00:00"},
    {"E2", 102, "0101", "8.00", "28.00", 3, "2026-11-13 10:00:00"},
    {"E1", 101, "01", "1.00", "5.00", 7, "2026-12-03 10:00:00"},
    {"E2", 102, "0101", "2.00", "22.00", 4, "2026-11-14 10:00:00"},
    {"E2", 102, "0101", "2.00", "22.00", 4, "2026-11-14 10:00:00"}, // the same recharge twice
};
FullBakKey keyOf(const FullBakRow& r) {
    return {text(r.emp), r.card, familyMoney(r.money), familyMoney(r.balance), familyTime(r.time)};
}
DptWhereInput who(const QString& emp, const QString& dept) {
    DptWhereInput d;
    d.fromSearchButton = !emp.isEmpty();
    d.keyText = emp;
    d.departmentSelected = !dept.isEmpty();
    d.departmentNo = dept;
    return d;
}
RepairRow repairRow(const char* emp, int card, int sequ, const char* balance, const char* amount,
                    const char* time) {
    return {text(emp), card, sequ, familyMoney(balance), familyMoney(amount), familyTime(time), std::nullopt};
}
} // namespace

class TestRecordFamily : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;

    Tally open(const QString& sql, const QString& moneyColumn, const QVariantMap& params = {}) {
        DataSet ds;
        ds.open(m_session.ModuleConnection, sql, params);
        Tally t;
        t.rows = ds.recordCount();
        t.units = ds.sumFixed(ds.fieldByName(moneyColumn).index());
        return t;
    }
    static QVariantMap period() {
        return {{QStringLiteral("@begindate"), kBegin.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
                {QStringLiteral("@enddate"), kEnd.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))}};
    }
    int count(const QString& sql) const { return m_db->scalar(sql).toInt(); }
    int backupsLike(const FullBakRow& r, const QString& table) const {
        return count(QStringLiteral("select count(*) from %1 where emp_id = '%2' and card_id = %3 and "
                                    "charge_money = %4 and op_date = '%5'")
                         .arg(table, text(r.emp), QString::number(r.card), QString::fromLatin1(r.money),
                              QString::fromLatin1(r.time)));
    }
    // A step that fails: the engine refuses every delete from `table` until dropped.
    void failDeletesFrom(const QString& table) {
        m_db->exec(
            QStringLiteral("create trigger fail_delete before delete on %1 for each row signal sqlstate "
                           "'45000' set message_text = 'injected failure'")
                .arg(table));
    }
    void dropFailure() { m_db->exec(QStringLiteral("drop trigger if exists fail_delete")); }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("record_family"));
        bindSession(m_session, *m_db, m_home.path());
        m_session.CurrentUserId = QStringLiteral("ADMIN");
        fillRecordFamilyData(*m_db);
        m_db->writeDaybookIni(m_home.path());
        m_db->exec(
            QStringLiteral("insert into sys_user (Userid, UserName, Password) values ('ADMIN', 'a', 'x')"));
        if (m_db->scalar(QStringLiteral("select count(*) from Company")).toInt() == 0)
            m_db->exec(
                QStringLiteral("insert into Company (company_ch_name, parameters) values ('测试', '')"));
        for (const FullBakRow& r : kBackups)
            m_db->exec(QStringLiteral(
                           "insert into MChargeRecords_FullBak (emp_id, sys_id, card_id, empname, deptno, "
                           "charge_money, card_balance, card_sequ, Kind, op_date, op_ymd) values ('%1', "
                           "1, %2, 'n', '%3', %4, %5, %6, 0, '%7', date('%7'))")
                           .arg(text(r.emp), QString::number(r.card), QString::fromLatin1(r.dept),
                                QString::fromLatin1(r.money), QString::fromLatin1(r.balance),
                                QString::number(r.sequ), QString::fromLatin1(r.time)));
    }
    void cleanupTestCase() { m_db.reset(); }
    void cleanup() { dropFailure(); }

    // The person's history and the recharge backups by employee, department, card and terminal.
    void historyAndBackups_data() {
        QTest::addColumn<bool>("backups");
        QTest::addColumn<QString>("emp");
        QTest::addColumn<QString>("dept");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QVector<qint64>>("terminals");
        const QString all;
        QTest::newRow("everything") << false << all << all << all << QVector<qint64>();
        QTest::newRow("one employee") << false << "E1" << all << all << QVector<qint64>();
        QTest::newRow("department with sub-departments") << false << all << "01" << all << QVector<qint64>();
        QTest::newRow("card") << false << all << all << "105" << QVector<qint64>();
        QTest::newRow("terminal 2") << false << all << all << all << QVector<qint64>{2};
        QTest::newRow("backups") << true << all << all << all << QVector<qint64>();
        QTest::newRow("backups, employee") << true << "E2" << all << all << QVector<qint64>();
        QTest::newRow("backups, department") << true << all << "01" << all << QVector<qint64>();
        QTest::newRow("backups, card") << true << all << all << "101" << QVector<qint64>();
    }
    void historyAndBackups() {
        QFETCH(bool, backups);
        QFETCH(QString, emp);
        QFETCH(QString, dept);
        QFETCH(QString, card);
        QFETCH(QVector<qint64>, terminals);
        EmpAllRecordsFilter f;
        f.begin = kBegin;
        f.end = kEnd;
        f.department = who(emp, dept);
        f.cardText = card;
        f.byTerminals = !terminals.isEmpty();
        f.terminals = terminals;
        const auto keep = [&](const char* e, const char* d, int c, int clock) {
            return (emp.isEmpty() || text(e) == emp) && (dept.isEmpty() || text(d).startsWith(dept)) &&
                   (card.isEmpty() || QString::number(c) == card) &&
                   (terminals.isEmpty() || terminals.contains(clock));
        };
        Tally expected;
        if (backups) {
            for (const FullBakRow& r : kBackups)
                if (inNovember(r.time) && keep(r.emp, r.dept, r.card, -1))
                    expected.add(familyMoney(r.money));
            FullBakFilter b;
            b.department = f.department;
            b.cardText = card;
            QCOMPARE(open(FullBakQuery::statement(b, m_session), "charge_money", period()), expected);
            return;
        }
        for (const FamilyMeal& m : familyMeals())
            if (inNovember(m.time) && keep(m.emp, m.dept, m.card, m.clock))
                expected.add(familyMoney(m.consume));
        for (const FamilyCharge& c : familyCharges())
            if (inNovember(c.time) && !QVector<int>{1, 3, 33, 104}.contains(c.kind) &&
                keep(c.emp, c.dept, c.card, -1))
                expected.add(familyMoney(c.money));
        for (const FamilyAllowance& a : familyAllowances())
            if (inNovember(a.time) && keep(a.emp, a.dept, a.card, -1))
                expected.add(familyMoney(a.deposit));
        QCOMPARE(open(EmpAllRecordsQuery::statement(f, m_session), "charge_money"), expected);
    }

    // An allowance shows what is not yet credited of its deposit.
    void allowanceShowsItsUncreditedDeposit() {
        EmpAllRecordsFilter f;
        f.begin = kBegin;
        f.end = kEnd;
        DataSet ds;
        ds.open(m_session.ModuleConnection, EmpAllRecordsQuery::statement(f, m_session));
        const auto at = [&](const char* column) { return ds.fieldByName(QLatin1String(column)).index(); };
        QStringList got; // employee, version, deposit shown
        for (int i = 0; i < ds.recordCount(); ++i)
            if (ds.value(i, at("rs")).toInt() == 3)
                got << QStringLiteral("%1 %2 %3")
                           .arg(ds.value(i, 0).toString(), ds.value(i, at("charge_ver")).toString(),
                                Currency::fromUnits(ds.fixedAt(ds.bookmarkAt(i), at("nunDeposit")))
                                    .toString(2));
        got.sort();
        QCOMPARE(got, (QStringList{"E1 1 0.00", "E1 2 20.00", "E2 1 5.00"}));
    }

    void exceptionRecords_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("validDates");
        QTest::newRow("外来卡") << 0 << false;
        QTest::newRow("挂失卡") << 1 << false;
        QTest::newRow("测试卡 by issue date") << 2 << false;
        QTest::newRow("测试卡 by validity date") << 2 << true;
        QTest::newRow("全部") << 3 << true;
    }
    void exceptionRecords() {
        QFETCH(int, type);
        QFETCH(bool, validDates);
        // The card's dates, the foreign cards and the replaced card, as the fixture sets them.
        const QDate cardDate =
            validDates ? QDate(2026, 11, 5) : QDate(2026, 11, 1); // card 101; others October
        const auto kinds = [&](const char* emp, int card, const char* time) {
            const QDateTime t = familyTime(time);
            QVector<int> out;
            if (card == 109 || !emp)
                out << 0;
            if (card == 105 && t > QDateTime(QDate(2026, 11, 15), QTime(0, 0)))
                out << 1;
            if (t.date() < (card == 101 ? cardDate : QDate(2026, 10, 1)))
                out << 2;
            return out;
        };
        Tally expected;
        for (const FamilyCharge& c : familyCharges())
            if (inNovember(c.time))
                for (int k : kinds(c.emp, c.card, c.time))
                    if (type == 3 || k == type)
                        expected.add(familyMoney(c.money));
        for (const FamilyMeal& m : familyMeals())
            if (inNovember(m.time))
                for (int k : kinds(m.emp, m.card, m.time))
                    if (type == 3 || k == type)
                        expected.add(Currency() - familyMoney(m.consume));
        ExceptRecordsFilter f;
        f.begin = kBegin;
        f.end = kEnd;
        f.typeIndex = type;
        f.checkLimitDate = validDates;
        QCOMPARE(open(ExceptRecordsQuery::statement(f, m_session), "card_consume", period()), expected);
    }

    void allExceptionsAreLimitedAlsoByTheBoundPeriod() {
        ExceptRecordsFilter f;
        f.begin = kBegin;
        f.end = kEnd;
        QVariantMap narrow = period();
        narrow[QStringLiteral("@enddate")] = QStringLiteral("2026-11-10 00:00:00");
        // Only the foreign card's two records lie before the 10th.
        QCOMPARE(open(ExceptRecordsQuery::statement(f, m_session), "card_consume", narrow).rows, 2);
    }

    void journalPages_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QVector<int>>("kinds");
        QTest::addColumn<bool>("income");
        QTest::newRow("recharge") << int(JournalPage::Recharge) << QVector<int>() << false;
        QTest::newRow("recharge, allowances")
            << int(JournalPage::Recharge) << QVector<int>{33, 1, 3, 104} << false;
        QTest::newRow("refund") << int(JournalPage::Refund) << QVector<int>() << false;
        QTest::newRow("card cost") << int(JournalPage::CardCost) << QVector<int>() << false;
        QTest::newRow("deposits taken") << int(JournalPage::CardCost) << QVector<int>{1} << true;
        QTest::newRow("consumption") << int(JournalPage::Consumption) << QVector<int>{1, 2, 3, 5, 6, 103}
                                     << false;
        QTest::newRow("combined") << int(JournalPage::Combined) << QVector<int>() << false;
    }
    void journalPages() {
        QFETCH(int, page);
        QFETCH(QVector<int>, kinds);
        QFETCH(bool, income);
        const JournalPage p = JournalPage(page);
        Tally expected;
        const bool all = p == JournalPage::Combined;
        if (p == JournalPage::Recharge || all)
            for (const FamilyCharge& c : familyCharges())
                if (inNovember(c.time) && (kinds.isEmpty() || kinds.contains(c.kind)))
                    expected.add(familyMoney(c.money));
        if (p == JournalPage::Refund || all)
            for (const FamilyMeal& m : familyMeals())
                if (inNovember(m.time) && m.flag == 102)
                    expected.add(Currency() - familyMoney(m.consume));
        if (p == JournalPage::CardCost || all)
            for (const FamilyCost& c : familyCosts())
                if (inNovember(c.time) && (kinds.isEmpty() || kinds.contains(c.kind)) &&
                    (!income || (familyMoney(c.in) != Currency() && familyMoney(c.out) == Currency())))
                    expected.add(familyMoney(c.in) - familyMoney(c.out));
        JournalConditions c;
        c.begin = kBegin;
        c.end = kEnd;
        QString money = "charge_money";
        if (p == JournalPage::Consumption) {
            money = "card_consume";
            c.flags = kinds;
            for (const FamilyMeal& m : familyMeals())
                if (inNovember(m.time) && kinds.contains(m.flag))
                    expected.add(familyMoney(m.consume));
        } else {
            c.kinds = kinds;
        }
        if (income)
            c.cost = JournalConditions::CostDirection::Income;
        QCOMPARE(open(JournalQuery::statement(p, c, m_session), money), expected);
    }

    void mealctlWritesTheWindowsRows_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rows");
        const QStringList november = {"--from", "2026-11-01", "--to", "2026-11-30"};
        QTest::newRow("person's history, one card")
            << (QStringList{"ActEmpAllRecords", "--card", "105"} + november) << 2;
        QTest::newRow("exceptions, lost cards")
            << (QStringList{"ActExceptRecord", "--type", "1"} + november) << 2;
        QTest::newRow("recharge backups") << (QStringList{"ActFullBak"} + november) << 4;
        QTest::newRow("journal, allowances")
            << (QStringList{"AllRecordsUnt", "--page", "charge", "--kinds", "33,1,3,104"} + november) << 1;
    }
    void mealctlWritesTheWindowsRows() {
        QFETCH(QStringList, args);
        QFETCH(int, rows);
        const QString out = m_home.filePath(QStringLiteral("r.csv"));
        QFile::remove(out);
        const MealctlRun r = runMealctl(QStringLiteral(MEALCTL_FILE), m_home.path(),
                                        QStringList{"report"} + args + QStringList{"--out", out});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(int(lines.size()) - 2, rows); // titles and footer around the rows
    }

    void hostileSearchTextsFindNothingAndChangeNothing() {
        const int meals = count(QStringLiteral("select count(*) from MealRecords"));
        for (const QString& t :
             QStringList{"E1' or '1'='1", "E1\\' or 1=1 -- ", "%", "E1'; delete from MealRecords; --"}) {
            EmpAllRecordsFilter e;
            e.begin = kBegin;
            e.end = kEnd;
            e.department = who(t, QString());
            e.department.nameText = t;
            QCOMPARE(open(EmpAllRecordsQuery::statement(e, m_session), "charge_money").rows, 0);
            ExceptRecordsFilter x;
            x.begin = kBegin;
            x.end = kEnd;
            x.empId = t;
            QCOMPARE(open(ExceptRecordsQuery::statement(x, m_session), "card_consume", period()).rows, 0);
            FullBakFilter b;
            b.department.fromSearchButton = true;
            b.department.nameText = t;
            QCOMPARE(open(FullBakQuery::statement(b, m_session), "charge_money", period()).rows, 0);
            JournalConditions j;
            j.empId = t;
            j.operatorId = t;
            QCOMPARE(open(JournalQuery::statement(JournalPage::Combined, j, m_session), "charge_money").rows,
                     0);
            // A card number that is not a number is refused before anything runs.
            e.cardText = t;
            QVERIFY_THROWS_EXCEPTION(DbError, EmpAllRecordsQuery::statement(e, m_session));
            x.cardText = QStringLiteral("101 or 1=1");
            QVERIFY_THROWS_EXCEPTION(DbError, ExceptRecordsQuery::statement(x, m_session));
        }
        QCOMPARE(count(QStringLiteral("select count(*) from MealRecords")), meals);
    }

    void restoreMovesOneBackupRow() {
        const FullBakRow& r = kBackups[0];
        FullBakQuery::restore(m_session, keyOf(r));
        QCOMPARE(backupsLike(r, QStringLiteral("MChargeRecords_FullBak")), 0);
        QCOMPARE(backupsLike(r, QStringLiteral("MChargeRecords")), 1);
        // Booked once: restoring it again finds no backup row and says so.
        QVERIFY_THROWS_EXCEPTION(DbError, FullBakQuery::restore(m_session, keyOf(r)));
        QCOMPARE(backupsLike(r, QStringLiteral("MChargeRecords")), 1);
    }

    void restoreRefusals_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("emp");
        QTest::addColumn<QString>("money");
        QTest::addColumn<bool>("injectFailure");
        QTest::newRow("no such amount") << 1 << QString() << QStringLiteral("8.01") << false;
        QTest::newRow("hostile employee") << 1 << QStringLiteral("E2' or '1'='1") << QString() << false;
        QTest::newRow("two rows match") << 3 << QString() << QString() << false;
        QTest::newRow("delete fails after the copy") << 1 << QString() << QString() << true;
    }
    void restoreRefusals() {
        QFETCH(int, row);
        QFETCH(QString, emp);
        QFETCH(QString, money);
        QFETCH(bool, injectFailure);
        const FullBakRow& r = kBackups[row];
        FullBakKey key = keyOf(r);
        if (!emp.isEmpty())
            key.empId = emp;
        if (!money.isEmpty())
            Currency::parse(money, key.chargeMoney);
        const int backups = count(QStringLiteral("select count(*) from MChargeRecords_FullBak"));
        const int charges = count(QStringLiteral("select count(*) from MChargeRecords"));
        if (injectFailure)
            failDeletesFrom(QStringLiteral("MChargeRecords_FullBak"));
        QVERIFY_THROWS_EXCEPTION(DbError, FullBakQuery::restore(m_session, key));
        QCOMPARE(count(QStringLiteral("select count(*) from MChargeRecords_FullBak")), backups);
        QCOMPARE(count(QStringLiteral("select count(*) from MChargeRecords")), charges);
        QCOMPARE(backupsLike(r, QStringLiteral("MChargeRecords")), 0);
    }

    void moverMovesOneRowAndNeverLosesOrDoublesIt() {
        // A consumption booked twice: alike in every column but its number.
        for (int i = 0; i < 2; ++i)
            m_db->exec(QStringLiteral(
                "insert into MealRecords (emp_id, card_id, deptno, card_sequ, sign_time, flag, "
                "card_consume, card_balance, pos_sequ, clock_id) values ('E1', 101, '01', 20, "
                "'2026-11-25 12:00:00', 1, 4.00, 50.00, 90, 1)"));
        const QString where = QStringLiteral(" where card_id = 101 and card_sequ = 20");
        // Rows in the main table and in the duplicates.
        const auto rows = [&] {
            return qMakePair(count(QStringLiteral("select count(*) from mealrecords") + where),
                             count(QStringLiteral("select count(*) from mealrecords_dou_bak") + where));
        };
        RepairRow row = repairRow("E1", 101, 20, "50.00", "4.00", "2026-11-25 12:00:00");
        const auto mode = RecordRepair::Mode::Consumption;
        // Without its number the record is either of the two: refused.
        QVERIFY_THROWS_EXCEPTION(DbError, RecordRepair::moveOut(m_session, mode, row));
        QCOMPARE(rows(), qMakePair(2, 0));
        row.recId = count(QStringLiteral("select max(rec_id) from mealrecords") + where);
        failDeletesFrom(QStringLiteral("mealrecords"));
        QVERIFY_THROWS_EXCEPTION(DbError, RecordRepair::moveOut(m_session, mode, row));
        QCOMPARE(rows(), qMakePair(2, 0));
        dropFailure();
        RecordRepair::moveOut(m_session, mode, row);
        QCOMPARE(rows(), qMakePair(1, 1));
        failDeletesFrom(QStringLiteral("mealrecords_dou_bak"));
        QVERIFY_THROWS_EXCEPTION(DbError, RecordRepair::moveIn(m_session, mode, row));
        QCOMPARE(rows(), qMakePair(1, 1));
        dropFailure();
        RecordRepair::moveIn(m_session, mode, row);
        QCOMPARE(rows(), qMakePair(2, 0));
        // The amount is a decimal: a cent off is another record.
        row.amount = familyMoney("4.01");
        QVERIFY_THROWS_EXCEPTION(DbError, RecordRepair::moveOut(m_session, mode, row));
        QCOMPARE(rows(), qMakePair(2, 0));
        row.amount = familyMoney("4.00");

        // A host that numbers its records under a name of its own: the catalogue names the key.
        QCOMPARE(RecordRepair::recordKeyColumn(m_session, QStringLiteral("mealrecords")),
                 QStringLiteral("rec_id"));
        for (const char* table : {"mealrecords", "mealrecords_dou_bak"})
            m_db->exec(
                QStringLiteral("alter table %1 rename column rec_id to host_no").arg(QLatin1String(table)));
        const QString key = RecordRepair::recordKeyColumn(m_session, QStringLiteral("mealrecords"));
        row.recIdColumn = key;
        row.recId = count(QStringLiteral("select min(host_no) from mealrecords") + where);
        bool moved = true;
        try {
            RecordRepair::moveOut(m_session, mode, row);
        } catch (const DbError&) {
            moved = false;
        }
        const QPair<int, int> after = rows();
        for (const char* table : {"mealrecords", "mealrecords_dou_bak"})
            m_db->exec(
                QStringLiteral("alter table %1 rename column host_no to rec_id").arg(QLatin1String(table)));
        QCOMPARE(key, QStringLiteral("host_no"));
        QVERIFY(moved);
        QCOMPARE(after, qMakePair(1, 1));
        QCOMPARE(count(QStringLiteral("select count(*) from mealrecords_dou_bak where rec_id = ") +
                       QString::number(*row.recId)),
                 1);
        RecordRepair::moveIn(
            m_session, mode,
            {row.empId, row.cardId, row.cardSequ, row.balance, row.amount, row.time, row.recId});
        QCOMPARE(rows(), qMakePair(2, 0));
    }

    // A recharge and a record without employee go to the duplicates and back;
    // another employee number (hostile, or empty for a missing one) matches nothing.
    void moverRoundTrip_data() {
        QTest::addColumn<bool>("charge");
        QTest::addColumn<QString>("otherEmp");
        QTest::newRow("E2's batch recharge") << true << QStringLiteral("E2' or '1'='1");
        QTest::newRow("consumption without employee") << false << QStringLiteral("");
    }
    void moverRoundTrip() {
        QFETCH(bool, charge);
        QFETCH(QString, otherEmp);
        const FamilyCharge& c = familyCharges()[2];
        const FamilyMeal& m = familyMeals()[4];
        const RepairRow row = charge ? repairRow(c.emp, c.card, c.sequ, c.balance, c.money, c.time)
                                     : repairRow(m.emp, m.card, m.sequ, m.balance, m.consume, m.time);
        const auto mode = charge ? RecordRepair::Mode::Charge : RecordRepair::Mode::Consumption;
        const QString table = charge ? QStringLiteral("mchargerecords") : QStringLiteral("mealrecords");
        const auto rows = [&](const QString& t) {
            return count(QStringLiteral("select count(*) from %1 where card_id = %2 and card_sequ = %3")
                             .arg(t, QString::number(row.cardId), QString::number(row.cardSequ)));
        };
        RecordRepair::moveOut(m_session, mode, row);
        QCOMPARE(rows(table), 0);
        QCOMPARE(rows(table + "_dou_bak"), 1);
        RepairRow other = row;
        other.empId = otherEmp;
        QVERIFY_THROWS_EXCEPTION(DbError, RecordRepair::moveIn(m_session, mode, other));
        RecordRepair::moveIn(m_session, mode, row);
        QCOMPARE(rows(table), 1);
        QCOMPARE(rows(table + "_dou_bak"), 0);
    }

    void backupImportCopiesOneRecordOnce() {
        for (int i = 0; i < 2; ++i)
            m_db->exec(
                QStringLiteral("insert into mealrecords_bak (emp_id, card_id, card_sequ, sign_time, flag, "
                               "card_consume, card_balance, pos_sequ, clock_id) values ('E1', 101, 30, "
                               "'2026-11-26 12:00:00', 1, 2.50, 47.50, 91, 1)"));
        RepairRow row = repairRow("E1", 101, 30, "47.50", nullptr, "2026-11-26 12:00:00");
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 RecordRepair::importBackup(m_session, row, 92)); // no such terminal number
        RecordRepair::importBackup(m_session, row, 91);
        const QString added =
            QStringLiteral("select count(*) from mealrecords where card_id = 101 and card_sequ = 30 "
                           "and isAddBack = 1");
        QCOMPARE(count(added), 1);
        QVERIFY_THROWS_EXCEPTION(DbError, RecordRepair::importBackup(m_session, row, 91)); // already there
        QCOMPARE(count(added), 1);
    }

    void administratorPassword() {
        struct {
            const char *user, *password, *typed;
            bool accepted;
        } const cases[] = {{"ADMIN", "s3cret", "s3cret", true},  {"admin", "s3cret", "s3cret", true},
                           {"ADMIN", "s3cret", "S3cret", false}, {"ADMIN", "s3cret", "s3cre", false},
                           {"OPER1", "s3cret", "s3cret", false}, {"ADMIN", "", "", false}};
        for (const auto& c : cases) {
            Session s;
            s.CurrentUserId = QString::fromLatin1(c.user);
            s.CurrentUserPassword = QString::fromLatin1(c.password);
            QVERIFY2(RecordRepair::administratorConfirmed(s, QString::fromLatin1(c.typed)) == c.accepted,
                     c.typed);
        }
    }

    void maintenanceKey() {
        QSqlQuery q(m_session.ModuleConnection);
        QCOMPARE(MaintenanceKey::ensureSiteSecret(q, m_session.runner()).size(), 1); // the secret, once
        QVERIFY(MaintenanceKey::ensureSiteSecret(q, m_session.runner()).isEmpty());
        const QByteArray secret = MaintenanceKey::siteSecret(m_session);
        const QDate day(2026, 12, 7);
        const QString key = MaintenanceKey::keyFor(secret, day);
        QVERIFY(MaintenanceKey::accepts(secret, day, key));
        QVERIFY(MaintenanceKey::accepts(secret, day, QStringLiteral(" %1 ").arg(key)));
        QVERIFY(!MaintenanceKey::accepts(secret, day.addDays(1), key));
        QVERIFY(!MaintenanceKey::accepts(secret + "x", day, key));
        QVERIFY(!MaintenanceKey::accepts(secret, day, key.left(7)));
        QVERIFY(!MaintenanceKey::accepts(QByteArray(), day, MaintenanceKey::keyFor(QByteArray(), day)));
        QSet<QString> keys;
        for (int i = 0; i < 30; ++i)
            keys.insert(MaintenanceKey::keyFor(secret, day.addDays(i)));
        QVERIFY(keys.size() > 25);
    }

    void mealctlPrintsTheDaysKey() {
        const auto run = [&](const char* date) {
            return runMealctl(QStringLiteral(MEALCTL_FILE), m_home.path(),
                              {"maintenance-key", "--date", QString::fromLatin1(date)});
        };
        const MealctlRun r = run("2026-12-24");
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out.trimmed(),
                 MaintenanceKey::keyFor(MaintenanceKey::siteSecret(m_session), QDate(2026, 12, 24)));
        QCOMPARE(run("24.12.").status, 2);
    }
};

QTEST_MAIN(TestRecordFamily)
#include "test_record_family.moc"
