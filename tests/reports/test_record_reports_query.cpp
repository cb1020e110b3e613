// The recharge, refund, card balance, deposit, issued-card and lost-card
// statements on a hand-built database: rows and money sums per period, type,
// department, card and department rights, counted by hand from the rows
// inserted; hostile search texts; the deposit/fee pairing of the issued
// cards on both engines.
#include "RecordReportsData.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "db/Session.h"
#include "reports/CardBalanceQuery.h"
#include "reports/CardCostQuery.h"
#include "reports/ChargeRecQuery.h"
#include "reports/IssueCardRecordQuery.h"
#include "reports/LossCardMealRecordQuery.h"
#include "reports/RefundQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
// What a list is asked for, as its window or mealctl would ask.
struct Ask {
    QDateTime begin{QDate(2026, 11, 1), QTime(0, 0)};
    QDateTime end{QDate(2026, 11, 30), QTime(23, 59, 59)};
    int kind = -1; // recharge type position; -1 "全部"
    bool departed = false;
    RecordReportFilter records;
};
struct Built {
    QString sql;
    QVariantMap params;
    QString money; // the column summed
};
} // namespace

class TestRecordReportsQuery : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;

    Built build(const QString& list, const Ask& a) {
        const QVariantMap period = RecordReportQuery::periodParameters(a.begin, a.end);
        if (list == QLatin1String("charge")) {
            ChargeRecFilter f;
            f.records = a.records;
            const auto items = ChargeRecQuery::kindItems(m_session.ModuleOptions());
            f.kind = a.kind < 0 ? ChargeKind::All : items.at(a.kind).kind;
            return {ChargeRecQuery::statement(f, m_session), period, QStringLiteral("charge_money")};
        }
        if (list == QLatin1String("refund"))
            return {RefundQuery::statement(a.records, m_session), period, QStringLiteral("card_consume")};
        if (list == QLatin1String("cost"))
            return {CardCostQuery::statement(a.records, m_session), period, QStringLiteral("in_money")};
        if (list == QLatin1String("balance")) {
            CardBalanceFilter f;
            f.records = a.records;
            f.departed = a.departed;
            return {CardBalanceQuery::statement(f, m_session), {}, QStringLiteral("card_balance")};
        }
        if (list == QLatin1String("issue")) {
            IssueCardRecordFilter f;
            f.records = a.records;
            f.begin = a.begin;
            f.end = a.end;
            return {IssueCardRecordQuery::statement(f, m_session), {}, QStringLiteral("charge_money")};
        }
        return {LossCardMealRecordQuery::statement(a.records.department, m_session),
                {},
                QStringLiteral("card_consume")};
    }
    // Rows and the money column's sum in cents.
    QPair<int, qint64> run(const QString& list, const Ask& a, DataSet* keep = nullptr) {
        DataSet local;
        DataSet& ds = keep ? *keep : local;
        const Built b = build(list, a);
        ds.open(m_session.ModuleConnection, b.sql, b.params);
        return {ds.recordCount(), ds.sumFixed(ds.fieldByName(b.money).index()) / 100};
    }
    static QDateTime at(const QString& text) {
        return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("record_reports_query"));
        bindSession(m_session, *m_db, m_home.path());
        m_session.CurrentUserId = QStringLiteral("ADMIN");
        m_session.config.ModuleOptions = 2 | 4; // cashier items and allowances
        fillRecordReportsData(*m_db);
    }
    void cleanupTestCase() { m_db.reset(); }

    void rowsAndSums_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("dept");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("rights"); // the user's departments; empty: no rights condition
        QTest::addColumn<int>("rows");
        QTest::addColumn<qint64>("cents");
        const QString nov1 = QStringLiteral("2026-11-01 00:00:00"),
                      nov30 = QStringLiteral("2026-11-30 23:59:59");
        const QString dec1 = QStringLiteral("2026-12-01 00:00:00"),
                      dec31 = QStringLiteral("2026-12-31 23:59:59");
        QTest::newRow("charge November") << "charge" << nov1 << nov30 << -1 << ""
                                         << ""
                                         << "" << 8 << qint64(41875);
        QTest::newRow("charge last day, bound included") << "charge"
                                                         << "2026-11-30 00:00:00" << nov30 << -1 << ""
                                                         << ""
                                                         << "" << 1 << qint64(525);
        QTest::newRow("charge December") << "charge" << dec1 << dec31 << -1 << ""
                                         << ""
                                         << "" << 1 << qint64(7000);
        QTest::newRow("charge cash") << "charge" << nov1 << nov30 << 0 << ""
                                     << ""
                                     << "" << 1 << qint64(10000);
        QTest::newRow("charge batch") << "charge" << nov1 << nov30 << 1 << ""
                                      << ""
                                      << "" << 1 << qint64(5050);
        QTest::newRow("charge cashier") << "charge" << nov1 << nov30 << 2 << ""
                                        << ""
                                        << "" << 1 << qint64(20000);
        QTest::newRow("charge discount") << "charge" << nov1 << nov30 << 3 << ""
                                         << ""
                                         << "" << 1 << qint64(1000);
        QTest::newRow("charge allowance terminal") << "charge" << nov1 << nov30 << 4 << ""
                                                   << ""
                                                   << "" << 1 << qint64(3000);
        QTest::newRow("charge manual 1/3/104") << "charge" << nov1 << nov30 << 5 << ""
                                               << ""
                                               << "" << 3 << qint64(2825);
        QTest::newRow("charge dept 01 with 0101, 0102") << "charge" << nov1 << nov30 << -1 << "01"
                                                        << ""
                                                        << "" << 6 << qint64(36875);
        QTest::newRow("charge dept 0102") << "charge" << nov1 << nov30 << -1 << "0102"
                                          << ""
                                          << "" << 3 << qint64(21300);
        QTest::newRow("charge card") << "charge" << nov1 << nov30 << -1 << ""
                                     << "5003"
                                     << "" << 2 << qint64(5000);
        QTest::newRow("charge rights") << "charge" << nov1 << nov30 << -1 << ""
                                       << ""
                                       << "0101" << 3 << qint64(15575);
        QTest::newRow("charge manual on a card") << "charge" << nov1 << nov30 << 5 << ""
                                                 << "5002"
                                                 << "" << 1 << qint64(300);

        QTest::newRow("refund November") << "refund" << nov1 << nov30 << -1 << ""
                                         << ""
                                         << "" << 2 << qint64(-2050);
        QTest::newRow("refund December") << "refund" << dec1 << dec31 << -1 << ""
                                         << ""
                                         << "" << 1 << qint64(-400);
        QTest::newRow("refund dept") << "refund" << nov1 << nov30 << -1 << "0101"
                                     << ""
                                     << "" << 1 << qint64(-800);
        QTest::newRow("refund card") << "refund" << nov1 << nov30 << -1 << ""
                                     << "5002"
                                     << "" << 1 << qint64(-1250);
        QTest::newRow("refund rights") << "refund" << nov1 << nov30 << -1 << ""
                                       << ""
                                       << "0101" << 1 << qint64(-800);

        QTest::newRow("cost November") << "cost" << nov1 << nov30 << -1 << ""
                                       << ""
                                       << "" << 5 << qint64(7500);
        QTest::newRow("cost December") << "cost" << dec1 << dec31 << -1 << ""
                                       << ""
                                       << "" << 1 << qint64(3000);
        QTest::newRow("cost dept") << "cost" << nov1 << nov30 << -1 << "01"
                                   << ""
                                   << "" << 3 << qint64(6500);
        QTest::newRow("cost card") << "cost" << nov1 << nov30 << -1 << ""
                                   << "5001"
                                   << "" << 2 << qint64(3500);
        QTest::newRow("cost rights") << "cost" << nov1 << nov30 << -1 << ""
                                     << ""
                                     << "0101" << 2 << qint64(3500);

        // Balances have no period; the current card (sys_id) of each issued employee.
        QTest::newRow("balance current") << "balance" << nov1 << nov30 << 0 << ""
                                         << ""
                                         << "" << 4 << qint64(48875);
        QTest::newRow("balance departed") << "balance" << nov1 << nov30 << 1 << ""
                                          << ""
                                          << "" << 1 << qint64(0);
        QTest::newRow("balance dept") << "balance" << nov1 << nov30 << 0 << "01"
                                      << ""
                                      << "" << 3 << qint64(43875);
        QTest::newRow("balance card") << "balance" << nov1 << nov30 << 0 << ""
                                      << "5003"
                                      << "" << 1 << qint64(5000);
        QTest::newRow("balance rights") << "balance" << nov1 << nov30 << 0 << ""
                                        << ""
                                        << "0101" << 2 << qint64(22575);

        QTest::newRow("issue November") << "issue" << nov1 << nov30 << -1 << ""
                                        << ""
                                        << "" << 3 << qint64(33000);
        QTest::newRow("issue December") << "issue" << dec1 << dec31 << -1 << ""
                                        << ""
                                        << "" << 1 << qint64(7000);
        QTest::newRow("issue dept") << "issue" << nov1 << nov30 << -1 << "0101"
                                    << ""
                                    << "" << 1 << qint64(10000);
        QTest::newRow("issue card") << "issue" << nov1 << nov30 << -1 << ""
                                    << "5002"
                                    << "" << 1 << qint64(20000);
        QTest::newRow("issue rights") << "issue" << nov1 << nov30 << -1 << ""
                                      << ""
                                      << "0102" << 1 << qint64(20000);

        // Both tables of the lost-card list have department columns.
        QTest::newRow("lost all") << "lost" << nov1 << nov30 << -1 << ""
                                  << ""
                                  << "" << 3 << qint64(1350);
        QTest::newRow("lost dept") << "lost" << nov1 << nov30 << -1 << "02"
                                   << ""
                                   << "" << 2 << qint64(1000);
        QTest::newRow("lost rights") << "lost" << nov1 << nov30 << -1 << ""
                                     << ""
                                     << "0102" << 1 << qint64(350);
    }
    void rowsAndSums() {
        QFETCH(QString, list);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, kind);
        QFETCH(QString, dept);
        QFETCH(QString, card);
        QFETCH(QString, rights);
        QFETCH(int, rows);
        QFETCH(qint64, cents);
        Ask a;
        a.begin = at(from);
        a.end = at(to);
        a.kind = kind;
        a.departed = kind == 1;
        a.records.department.departmentSelected = !dept.isEmpty();
        a.records.department.departmentNo = dept;
        a.records.department.departmentRights = !rights.isEmpty();
        a.records.department.userDepartments = rights.split(QLatin1Char(','), Qt::SkipEmptyParts);
        a.records.cardText = card;
        QCOMPARE(run(list, a), qMakePair(rows, cents));
    }

    // Without the cashier bit the cashier and discount items vanish and the
    // later ones move up; each item keeps its own condition.
    void chargeTypesFollowTheFeatureBits_data() {
        QTest::addColumn<int>("options");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("manual"); // position of "手工补贴"
        QTest::newRow("both bits") << 6 << QStringList{"现金",   "批量",     "出纳机", "优惠",
                                                       "补贴机", "手工补贴", "全部"}
                                   << 5;
        QTest::newRow("allowances only")
            << 4 << QStringList{"现金", "批量", "补贴机", "手工补贴", "全部"} << 3;
        QTest::newRow("cashier only")
            << 2 << QStringList{"现金", "批量", "出纳机", "优惠", "手工补贴", "全部"} << 4;
        QTest::newRow("none") << 0 << QStringList{"现金", "批量", "手工补贴", "全部"} << 2;
    }
    void chargeTypesFollowTheFeatureBits() {
        QFETCH(int, options);
        QFETCH(QStringList, items);
        QFETCH(int, manual);
        const int kept = m_session.config.ModuleOptions;
        m_session.config.ModuleOptions = options;
        QStringList texts;
        for (const ChargeKindItem& item : ChargeRecQuery::kindItems(options))
            texts << item.text;
        QCOMPARE(texts, items);
        Ask a;
        a.kind = manual;
        const auto got = run(QStringLiteral("charge"), a);
        m_session.config.ModuleOptions = kept;
        QCOMPARE(got, qMakePair(3, qint64(2825)));
    }

    // The type kept in Daybook.ini: the last item without one, or for one
    // that is no position of the list; a file that cannot be read is never
    // rewritten.
    void chargeTypeKeptInTheConfiguration() {
        const QString ini = m_session.iniPath();
        QFile::remove(ini);
        QVERIFY(!ChargeRecQuery::storeKindIndex(m_session, 2));
        QVERIFY(!QFile::exists(ini));
        QCOMPARE(ChargeRecQuery::storedKindIndex(m_session, 7), 6);
        m_db->writeDaybookIni(m_home.path());
        QVERIFY(ChargeRecQuery::storeKindIndex(m_session, 2));
        QCOMPARE(ChargeRecQuery::storedKindIndex(m_session, 7), 2);
        QVERIFY(ChargeRecQuery::storeKindIndex(m_session, 9));
        QCOMPARE(ChargeRecQuery::storedKindIndex(m_session, 7), 6);
        QFile f(ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.contains(QLatin1String("Charge_cbkind=9")));
        QVERIFY(text.contains(QLatin1String("[Connection]"))); // the rest of the file stays
    }

    // A refund without a terminal shows terminal 0: the statement selects the
    // terminal twice and the later, read as 0, is the column shown.
    void refundWithoutTerminalShowsZero() {
        DataSet ds;
        Ask a;
        a.records.cardText = QStringLiteral("5002");
        run(QStringLiteral("refund"), a, &ds);
        QCOMPARE(ds.recordCount(), 1);
        QStringList terminals; // as the grid shows them
        for (int i = 0; i < ds.fieldCount(); ++i)
            if (ds.field(i)->fieldName().compare(QLatin1String("clock_id"), Qt::CaseInsensitive) == 0)
                terminals << ds.displayTextAt(ds.bookmarkAt(0), i);
        QCOMPARE(terminals, (QStringList{QString(), QStringLiteral("0")}));
    }

    // The pairing of deposits and fees keeps a card with only one of them:
    // 5001 both, 5002 and 5009 a deposit only, 5003 a fee only, 5004 a
    // deposit only (December).
    void depositFeePairsOnBothEngines() {
        const QString mariadb = IssueCardRecordQuery::depositFeePairs(m_session.dialect());
        QVERIFY(!mariadb.contains(QLatin1String("full join"), Qt::CaseInsensitive));
        QSqlQuery q(m_session.ModuleConnection);
        QVERIFY2(q.exec(QStringLiteral(
                            "select card_id, in_money1, in_money2, op_date from (%1) e order by card_id")
                            .arg(mariadb)),
                 qPrintable(q.lastError().text()));
        QStringList got;
        while (q.next())
            got << QStringLiteral("%1 %2 %3 %4")
                       .arg(q.value(0).toString(),
                            q.value(1).isNull() ? QStringLiteral("-") : q.value(1).toString(),
                            q.value(2).isNull() ? QStringLiteral("-") : q.value(2).toString(),
                            q.value(3).toDateTime().toString(QStringLiteral("MM-dd HH:mm")));
        QCOMPARE(got, (QStringList{"5001 30 5 11-01 08:00", "5002 30 - 11-02 10:00", "5003 - 10 11-20 08:30",
                                   "5004 30 - 12-01 00:00", "5009 - - 11-25 09:00"}));

        const QString sqlServer = IssueCardRecordQuery::depositFeePairs(SqlDialect(true, false));
        QCOMPARE(
            sqlServer,
            QStringLiteral("select (case when f.card_id IS NULL then g.card_id else f.card_id end) card_id,"
                           "in_money1,in_money2,(case when f.op_date IS null then g.op_date else f.op_date "
                           "end) op_date from (select card_id,in_money as in_money1,op_date from mcardcost "
                           "where kind=1) f full join (select card_id,in_money as in_money2,op_date from "
                           "mcardcost where kind=2) g on f.card_id=g.card_id"));
    }

    void issuedCardsCarryDepositFeeAndType() {
        DataSet ds;
        run(QStringLiteral("issue"), Ask(), &ds);
        QStringList got;
        for (int i = 0; i < ds.recordCount(); ++i) {
            const Bookmark b = ds.bookmarkAt(i);
            got << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(ds.valueAt(b, QStringLiteral("emp_id")).toString(),
                            ds.valueAt(b, QStringLiteral("Name")).toString(),
                            ds.valueAt(b, QStringLiteral("issue_date"))
                                .toDateTime()
                                .toString(QStringLiteral("MM-dd")),
                            ds.valueAt(b, QStringLiteral("in_money1")).isNull()
                                ? QStringLiteral("-")
                                : QString::number(ds.valueAt(b, QStringLiteral("in_money1")).toDouble()),
                            ds.valueAt(b, QStringLiteral("in_money2")).isNull()
                                ? QStringLiteral("-")
                                : QString::number(ds.valueAt(b, QStringLiteral("in_money2")).toDouble()));
        }
        QCOMPARE(got,
                 (QStringList{"0001 普通卡 11-01 30 5", "0002 贵宾卡 11-02 30 -", "0003 普通卡 11-20 - 10"}));
    }

    // Texts typed into the search boxes find what they say or nothing and
    // never break a statement; a card number that is not a number is refused
    // before anything runs.
    void hostileSearchTexts_data() {
        QTest::addColumn<QString>("list");
        for (const char* list : {"charge", "refund", "cost", "balance", "issue", "lost"})
            QTest::newRow(list) << QString::fromLatin1(list);
    }
    void hostileSearchTexts() {
        QFETCH(QString, list);
        const QStringList hostile = {QStringLiteral("x' or '1'='1"),
                                     QStringLiteral("'; drop table cardinfo; --"),
                                     QStringLiteral("\\"),
                                     QStringLiteral("\\'"),
                                     QStringLiteral("%"),
                                     QStringLiteral("0%"),
                                     QStringLiteral("-- ")};
        for (const QString& text : hostile) {
            for (const bool name : {false, true}) {
                Ask a;
                a.records.department.fromSearchButton = true;
                (name ? a.records.department.nameText : a.records.department.keyText) = text;
                QCOMPARE(run(list, a).first, 0);
            }
            Ask a;
            a.records.department.departmentSelected = true;
            a.records.department.departmentNo = text;
            QCOMPARE(run(list, a).first, 0);
        }
        Ask a;
        a.records.department.fromSearchButton = true;
        a.records.department.nameText = QStringLiteral("O'Neil");
        QVERIFY(run(list, a).first > 0);
        if (list == QLatin1String("lost"))
            return; // no card search
        for (const QString& card :
             {QStringLiteral("5001 or 1=1"), QStringLiteral("5001'"), QStringLiteral("%")}) {
            a = Ask();
            a.records.cardText = card;
            QVERIFY_THROWS_EXCEPTION(DbError, build(list, a));
        }
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from cardinfo")).toInt(), 6);
    }
};

QTEST_MAIN(TestRecordReportsQuery)
#include "test_record_reports_query.moc"
