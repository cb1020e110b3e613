// The demo data generator at scale S: card histories that add up, every flag
// and recharge kind, line items that join their sale, side tables that agree
// with the transactions, and the same rows on a second run.
#include "../support/TestDatabase.h"
#include "db/Currency.h"

#include "ctl/demo/DemoDataCommand.h"
#include "ctl/demo/DemoDataGenerator.h"
#include "dailystats/MealSumDayQuery.h"
#include "dailystats/MealSumDaySecQuery.h"
#include "dataset/DataSet.h"
#include "db/Session.h"
#include "reports/stats/MealLevelQuery.h"
#include "reports/stats/PersonAccountQuery.h"

#include <QMap>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kArgs = {QStringLiteral("--scale"), QStringLiteral("S"), QStringLiteral("--end-date"),
                           QStringLiteral("2026-03-15")};

// Money read as the fixed-point value it is, in cents.
qint64 cents(const QVariant& v) {
    return Currency::fromVariant(v).units() / (Currency::Scale / 100);
}

struct Row {
    qint64 amount; // signed: balance before + amount = balance after
    qint64 balance;
    bool live;
};

} // namespace

class DemoDataTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void commandRefusesWrongArgumentsAndFilledDatabase();
    void sequencesHaveOnlyTheDeliberateGaps();
    void balancesAddUpAlongEachCard();
    void everyFlagAndKindOccurs();
    void lineItemsJoinTheirSale();
    void sideTablesAgreeWithTransactions();
    void secondRunGivesTheSameRows();
    void fasterStatisticsGiveTheRowsTheyReplace();

private:
    QList<QVariantList> rows(const QString& sql) const;
    int count(const QString& sql) const { return m_db->scalar(sql).toInt(); }
    int count(const char* sql) const { return count(QString::fromUtf8(sql)); }
    QScopedPointer<TestDatabase> m_db;
    QMap<int, QMap<int, Row>> m_history; // card -> sequence -> row (live and backup)
};

QList<QVariantList> DemoDataTest::rows(const QString& sql) const {
    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    if (!q.exec(sql))
        qFatal("%s\n%s", qPrintable(q.lastError().text()), qPrintable(sql));
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList r;
        for (int i = 0; i < q.record().count(); ++i)
            r << q.value(i);
        out << r;
    }
    return out;
}

void DemoDataTest::initTestCase() {
    m_db.reset(new TestDatabase(QStringLiteral("demo_data")));
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(runDemoDataCommand(m_db->db(), kArgs, out, err), 0);
    QVERIFY2(outText.contains(QLatin1String("transactions")), qPrintable(outText + errText));

    for (const QVariantList& r : rows(QStringLiteral(
             "select card_id, card_sequ, card_consume, card_Balance, 1 from vIsCheckCardRecord union all "
             "select card_id, card_sequ, -card_consume, card_balance, 0 from mealrecords_bak union all "
             "select card_id, card_sequ, charge_money, card_balance, 0 from MChargeRecords_bak"))) {
        QMap<int, Row>& card = m_history[r[0].toInt()];
        const int sequence = r[1].toInt();
        const Row row{cents(r[2]), cents(r[3]), r[4].toInt() == 1};
        if (!card.contains(sequence) || row.live)
            card.insert(sequence, row);
    }
    QVERIFY(m_history.size() >= 190);
}

void DemoDataTest::commandRefusesWrongArgumentsAndFilledDatabase() {
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(runDemoDataCommand(m_db->db(), {QStringLiteral("--scale"), QStringLiteral("XL")}, out, err), 2);
    QCOMPARE(runDemoDataCommand(m_db->db(), {QStringLiteral("--scale")}, out, err), 2);
    QCOMPARE(runDemoDataCommand(
                 m_db->db(),
                 {QStringLiteral("--scale=S"), QStringLiteral("--end-date"), QStringLiteral("2026-13-01")},
                 out, err),
             2);
    const qint64 before = m_db->scalar(QStringLiteral("select count(*) from MealRecords")).toLongLong();
    QCOMPARE(runDemoDataCommand(m_db->db(), kArgs, out, err), 1);
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from MealRecords")).toLongLong(), before);
}

void DemoDataTest::sequencesHaveOnlyTheDeliberateGaps() {
    // Live rows: no repeated sequence number on a card; missing numbers are
    // exactly those kept in the backup tables, and with them every card runs
    // 1, 2, 3 ... to its latest number.
    QVERIFY(
        rows(QStringLiteral("select card_id, card_sequ from vIsCheckCardRecord group by card_id, card_sequ "
                            "having count(*) > 1"))
            .isEmpty());
    int gaps = 0;
    for (auto card = m_history.cbegin(); card != m_history.cend(); ++card) {
        int expected = 1;
        for (auto it = card.value().cbegin(); it != card.value().cend(); ++it, ++expected) {
            QVERIFY2(it.key() == expected,
                     qPrintable(QStringLiteral("card %1 misses %2").arg(card.key()).arg(expected)));
            if (!it.value().live)
                gaps += it.key() < card.value().lastKey() ? 1 : 0;
        }
    }
    QVERIFY(gaps >= 2);
    QVERIFY(gaps <= 4);
    // The recharge kept aside can be restored from the recharge backups.
    QVERIFY(m_db->scalar(QStringLiteral("select count(*) from MChargeRecords_FullBak")).toInt() >= 1);
    // A terminal delivered one record twice to the backup table.
    QVERIFY(!rows(QStringLiteral("select card_id, card_sequ from mealrecords_bak group by card_id, card_sequ "
                                 "having count(*) > 1"))
                 .isEmpty());
}

void DemoDataTest::balancesAddUpAlongEachCard() {
    QSet<int> transfers;
    for (const QVariantList& r : rows(QStringLiteral("select new_card_id, card_balance from mchangecard")))
        transfers.insert(r[0].toInt());
    QVERIFY(!transfers.isEmpty());
    for (auto card = m_history.cbegin(); card != m_history.cend(); ++card) {
        qint64 balance = 0;
        for (auto it = card.value().cbegin(); it != card.value().cend(); ++it) {
            const Row& row = it.value();
            if (it.key() == 1 && transfers.contains(card.key())) {
                // A replacement card opens with the balance moved from the lost one.
                QCOMPARE(row.amount, 0);
                QCOMPARE(row.balance,
                         cents(m_db->scalar(
                             QStringLiteral("select card_balance from mchangecard where new_card_id=%1")
                                 .arg(card.key()))));
            } else {
                QVERIFY2(balance + row.amount == row.balance,
                         qPrintable(QStringLiteral("card %1 sequence %2").arg(card.key()).arg(it.key())));
            }
            QVERIFY(row.balance >= 0);
            balance = row.balance;
        }
    }
    // The card table holds each card's latest balance and sequence number.
    const QList<QVariantList> cards =
        rows(QStringLiteral("select card_id, card_balance, card_sequ from cardinfo"));
    QCOMPARE(cards.size(), m_history.size());
    for (const QVariantList& c : cards) {
        const QMap<int, Row>& history = m_history[c[0].toInt()];
        QCOMPARE(c[2].toInt(), history.lastKey());
        QCOMPARE(cents(c[1]), history.last().balance);
    }
}

void DemoDataTest::everyFlagAndKindOccurs() {
    QSet<int> flags, kinds;
    for (const QVariantList& r : rows(QStringLiteral("select distinct flag from MealRecords")))
        flags.insert(r[0].toInt());
    for (const QVariantList& r : rows(QStringLiteral("select distinct Kind from MChargeRecords")))
        kinds.insert(r[0].toInt());
    for (int flag : {1, 2, 3, 4, 5, 6, 7, 9, 14, 90, 102, 103, 105})
        QVERIFY2(flags.contains(flag), qPrintable(QString::number(flag)));
    for (int kind : {0, 1, 2, 3, 30, 31, 33, 104})
        QVERIFY2(kinds.contains(kind), qPrintable(QString::number(kind)));
    // Sales and refunds take money off, corrections give it back.
    QCOMPARE(count("select count(*) from MealRecords where (flag in (9,90) and card_consume >= 0) or "
                   "(flag not in (9,90) and card_consume < 0)"),
             0);
    // Meal periods: every sale inside a valid period's window carries that period.
    QCOMPARE(count("select count(*) from MealRecords m join Dinlev d on d.isvalid = 1 and "
                   "date_format(m.sign_time, '%H:%i') between d.beg_time and d.end_time where m.kind <> "
                   "d.DinLev_ID"),
             0);
    QVERIFY(count("select count(*) from MealRecords where kind = 0") > 0);
    // About 20,000 transactions over one month ending on the given day.
    const int transactions = count("select count(*) from vIsCheckCardRecord");
    QVERIFY2(transactions > 15000 && transactions < 25000, qPrintable(QString::number(transactions)));
    QCOMPARE(m_db->scalar(QStringLiteral("select date(max(op_date)) from vIsCheckCardRecord")).toDate(),
             QDate(2026, 3, 15));
}

void DemoDataTest::lineItemsJoinTheirSale() {
    // Table, flag of its sale, the column numbering the lines of one sale, what they add up to.
    const char* const details[][4] = {{"keydetail", "3", "RecNo", "sum(d.Price)"},
                                      {"vstoredetail", "5", "RecSum", "sum(d.SumMoney)"},
                                      {"tmdetail", "6", "StartTme", "sum(d.StartBanlance - d.EndBanlance)"}};
    for (const auto& d : details) {
        const auto sql = [&d](const char* text) {
            return QString::fromUtf8(text)
                .replace(QLatin1String("{table}"), QLatin1String(d[0]))
                .replace(QLatin1String("{flag}"), QLatin1String(d[1]))
                .replace(QLatin1String("{line}"), QLatin1String(d[2]))
                .replace(QLatin1String("{sum}"), QLatin1String(d[3]));
        };
        // Every line belongs to exactly one sale of its flag.
        QCOMPARE(
            count(sql("select count(*) from {table} d left join MealRecords m on m.clock_id = d.clock_id and "
                      "m.Pos_Sequ = d.Devno where m.flag is null or m.flag <> {flag}")),
            0);
        QCOMPARE(
            count(sql("select count(*) from (select d.clock_id, d.Devno from {table} d join MealRecords m on "
                      "m.clock_id = d.clock_id and m.Pos_Sequ = d.Devno group by d.clock_id, d.Devno, "
                      "d.{line} having count(*) > 1) x")),
            0);
        // Every sale of the flag has lines, and they add up to its amount.
        QCOMPARE(
            count(sql("select count(*) from MealRecords m left join (select d.clock_id, d.Devno, {sum} as "
                      "total from {table} d group by d.clock_id, d.Devno) s on s.clock_id = m.clock_id and "
                      "s.Devno = m.Pos_Sequ where m.flag = {flag} and (s.total is null or s.total <> "
                      "m.card_consume)")),
            0);
        QVERIFY(count(sql("select count(*) from {table}")) > 100);
    }
    // Key lines are numbered from 0 within their sale.
    QCOMPARE(count("select count(*) from (select clock_id, Devno from keydetail group by clock_id, Devno "
                   "having min(RecNo) <> 0) x"),
             0);
}

void DemoDataTest::sideTablesAgreeWithTransactions() {
    // A taken allowance is the kind-33 charge of the same person, serial, amount and time.
    const int taken = count("select count(*) from mallowance where charged = 1");
    QVERIFY(taken > 0);
    QVERIFY(count("select count(*) from mallowance where charged = 0") > 0);
    QCOMPARE(count("select count(*) from mallowance m join MChargeRecords c on c.emp_id = m.emp_id and "
                   "c.Kind = 33 and c.charge_ver = m.charge_ver and c.charge_money = m.charge_money and "
                   "c.op_date = m.charge_date and c.card_sequ = m.card_sequ where m.charged = 1"),
             taken);
    QCOMPARE(count("select count(*) from MChargeRecords where Kind = 33"), taken);
    QVERIFY(count("select count(*) from allowtasklist where iscommit = 0") > 0);
    // Replaced cards were reported lost; returned cards paid out their last balance.
    QCOMPARE(count("select count(*) from mchangecard x join cardinfo c on c.card_id = x.old_card_id where "
                   "c.CardStatus <> 2"),
             0);
    QCOMPARE(count("select count(*) from returncard r join cardinfo c on c.card_id = r.card_id where "
                   "c.CardStatus <> 4 or c.card_balance <> 0"),
             0);
    QVERIFY(count("select count(*) from returncard") > 0);
    // Consumption on a lost card after it was replaced, for the lost-card report.
    QVERIFY(count("select count(*) from mealrecords a, mchangecard b where a.emp_id = b.emp_id and "
                  "a.card_id = b.old_card_id and a.sign_time > b.op_date") > 0);
    // The card balance join on (empno, sys_id) gives one row per issued person.
    QCOMPARE(count("select count(*) from hum_employee E left join cardinfo C on E.empno = C.empno and "
                   "E.sys_id = C.sys_id where E.issued = 1"),
             count("select count(*) from hum_employee where issued = 1"));
    // Departed people are in the departed table only, with their returned card.
    QCOMPARE(count("select count(*) from hum_employee e join hum_employee_lz l on l.empno = e.empno"), 0);
    QCOMPARE(count("select count(*) from hum_employee_lz l left join returncard r on r.card_id = l.card_id "
                   "where r.card_id is null"),
             0);
    // Department codes extend their parent's.
    QCOMPARE(count("select count(*) from hum_Department d join hum_Department p on p.deptno = d.parentno "
                   "where left(d.deptno, length(p.deptno)) <> p.deptno or length(d.deptno) <> "
                   "length(p.deptno) + 2"),
             0);
    // A test card of nobody, used before its issue date.
    QVERIFY(count("select count(*) from vIsCheckCardRecord v join cardinfo c on c.card_id = v.card_id where "
                  "c.empno not in (select empno from hum_employee union all select empno from "
                  "hum_employee_lz) and date(v.op_date) < date(c.issue_date)") > 0);
    // Log-in users with hashed passwords.
    QVERIFY(m_db->scalar(QStringLiteral("select Password from sys_user where Userid = 'OPER1'"))
                .toString()
                .startsWith(QLatin1String("pbkdf2-sha256$")));
}

void DemoDataTest::secondRunGivesTheSameRows() {
    TestDatabase second(QStringLiteral("demo_data_again"));
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(runDemoDataCommand(second.db(), kArgs, out, err), 0);
    int count = 0;
    const char* const* tables = DemoDataGenerator::filledTables(&count);
    for (int i = 0; i < count; ++i) {
        const QString table = QString::fromLatin1(tables[i]);
        if (table.compare(QLatin1String("sys_user"), Qt::CaseInsensitive) == 0)
            continue; // password salts differ from run to run
        QSqlQuery a(m_db->db()), b(second.db());
        const QString sql = QStringLiteral("CHECKSUM TABLE %1").arg(table);
        QVERIFY(a.exec(sql) && a.next());
        QVERIFY(b.exec(sql) && b.next());
        QVERIFY2(a.value(1) == b.value(1), qPrintable(table));
    }
    QCOMPARE(second.scalar(QStringLiteral("select count(*) from MealRecords")).toLongLong(),
             m_db->scalar(QStringLiteral("select count(*) from MealRecords")).toLongLong());
}

// The statistics read a month through statements that sum before they spread
// or join; on the demo's month they give the rows of the statements they
// replace, cell for cell.
void DemoDataTest::fasterStatisticsGiveTheRowsTheyReplace() {
    QTemporaryDir home;
    Session session;
    bindSession(session, *m_db, home.path());
    const DayRange month{QDate(2026, 2, 1), QDate(2026, 2, 28)};
    const auto table = [&](const QString& sql, const QVariantMap& params) {
        DataSet ds;
        ds.open(session.ModuleConnection, sql, params);
        QStringList out;
        for (int p = 0; p < ds.recordCount(); ++p) {
            QStringList cells;
            for (int i = 0; i < ds.fieldCount(); ++i)
                cells << ds.valueAt(ds.bookmarkAt(p), i).toString();
            out << cells.join(QLatin1Char('|'));
        }
        out.sort();
        return out;
    };
    const auto same = [&](const QString& faster, const QString& replaced, const QVariantMap& params) {
        const QStringList rows = table(faster, params);
        QVERIFY(!rows.isEmpty());
        QCOMPARE(rows, table(replaced, params));
    };
    for (const MealLevelGrouping grouping :
         {MealLevelGrouping::Employee, MealLevelGrouping::Department, MealLevelGrouping::Terminal})
        for (const int type : {0, 4}) {
            MealLevelFilter f;
            f.grouping = grouping;
            f.typeIndex = type;
            f.begin = month.begin;
            f.end = month.end;
            same(MealLevelQuery::statement(f, session), MealLevelQuery::recordStatement(f, session), {});
        }
    for (const bool one : {false, true}) {
        MealSumDayFilter f;
        f.range = month;
        f.oneRecord = one;
        same(MealSumDayQuery::statement(f, session.dialect()),
             MealSumDayQuery::rowStatement(f, session.dialect()), DailySums::dayParameters(month));
    }
    same(MealSumDaySecQuery::statement(month, session.dialect()),
         MealSumDaySecQuery::rowStatement(month, session.dialect()), DailySums::dayParameters(month));
    same(PersonAccountQuery::statement(PersonAccountFilter(), session),
         PersonAccountQuery::correlatedStatement(PersonAccountFilter(), session), {});
}

QTEST_GUILESS_MAIN(DemoDataTest)
#include "DemoDataTest.moc"
