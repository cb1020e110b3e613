// mealctl monthly as an operator runs it: a bill built, refused under a label
// already used, one card recomputed, and the lock with its period rule; the
// exit status tells a script whether it worked.
#include "MealctlRun.h"
#include "MonthlyFixture.h"

#include <QProcess>

class TestMealctlMonthly : public QObject {
    Q_OBJECT
    MonthlyFixture fx;

    using Run = MealctlRun;
    Run run(const QStringList& args) {
        return runMealctl(QStringLiteral(MEALCTL_FILE), fx.home.path(),
                          QStringList{QStringLiteral("monthly")} + args);
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("mealctl_monthly"));
        fx.db->writeDaybookIni(fx.home.path());
        fx.db->exec("insert into sys_user (Userid, UserName, Password) values ('ADMIN', '管理员', 'x')");
        for (int c = 1; c <= 4; ++c) {
            fx.card(9100 + c, 700 + c, QStringLiteral("M%1").arg(c), "2026-09-01 08:00:00");
            fx.holder(QStringLiteral("M%1").arg(c), 9100 + c, 700 + c, QStringLiteral("员工%1").arg(c));
            fx.charge(9100 + c, 1, 0, "30", "30", "2026-10-01 09:00:00");
            fx.meal(9100 + c, 2, 1, "2.50", "27.50", "2026-11-05 12:00:00");
        }
    }
    void cleanupTestCase() { fx.stop(); }

    void createRecomputeLock() {
        Run r = run(
            {"create", "--label", "2026-11", "--from", "2026-11-01 00:00:00", "--to", "2026-11-30 23:59:59"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("4 rows, 0 with a non-zero balance, 0 not saved")),
                 qPrintable(r.out));
        QVERIFY(r.err.contains(QStringLiteral("4/4")));
        // A label already used is refused and the bill stays as it is.
        fx.db->exec("update MealMonthRec set Now_card_balance = 1 where card_id = 9101");
        r = run(
            {"create", "--label", "2026-11", "--from", "2026-10-01 00:00:00", "--to", "2026-10-31 23:59:59"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("账单编号重复")));
        QCOMPARE(fx.count("select count(*) from MealMonthRec where card_id = 9101 and Now_card_balance = 1"),
                 1);
        // Recomputing the card puts its right row back, and only that row.
        r = run({"recompute", "--label", "2026-11", "--card", "9101"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(r.out.contains(QStringLiteral("opening 30.00, closing 27.50, balance 0.00")));
        QCOMPARE(fx.count("select count(*) from MealMonthRec where MonthDes = '2026-11'"), 4);
        QCOMPARE(
            fx.count("select count(*) from MealMonthRec where card_id = 9101 and Now_card_balance = 27.50"),
            1);
        r = run({"recompute", "--label", "2026-11", "--card", "91 or 1=1"});
        QCOMPARE(r.status, 1);
        // Locking: a 14-day bill is refused, the month is locked.
        r = run(
            {"create", "--label", "short", "--from", "2026-10-01 00:00:00", "--to", "2026-10-14 23:59:59"});
        QCOMPARE(r.status, 0);
        r = run({"lock", "--label", "short"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("该帐单结算日期至少是15天!")));
        QCOMPARE(fx.count("select count(*) from pos_lockBillDate"), 0);
        r = run({"lock", "--label", "2026-11"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(fx.count("select count(*) from pos_lockBillDate where BillLockDate = '2026-11-30 23:59:59'"),
                 1);
    }

    // A label is a value, never part of the statement's template: "%2" once
    // became the card number, so the recompute read bill "9101" and stored a
    // row under the bill "%2", which does not exist.
    void labelIsTakenLiterally() {
        Run r = run(
            {"create", "--label", "9101", "--from", "2026-12-01 00:00:00", "--to", "2026-12-31 23:59:59"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        r = run({"recompute", "--label", "%2", "--card", "9101"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("账单 %2 中没有卡号 9101")), qPrintable(r.err));
        QCOMPARE(fx.count("select count(*) from MealMonthRec where MonthDes = '%2'"), 0);
        QCOMPARE(fx.count("select count(*) from MealMonthRec where MonthDes = '9101'"), 4);
    }

    // A run that fails says so and exits non-zero; it leaves no part of its
    // bill behind, and the bills that were there keep their rows.
    void failedRunsLeaveTheBillsAsTheyWere() {
        struct Case {
            const char* name;
            const char* breakIt;
            const char* repair;
            const char* message;
        };
        const Case cases[] = {
            // The card population cannot be read: nothing is computed at all.
            {"no card table", "rename table cardinfo to cardinfo_away",
             "rename table cardinfo_away to cardinfo", "cardinfo"},
            // The replaced cards cannot be read: the workers' groups fail.
            {"no replaced-card table", "rename table MChangeCard to MChangeCard_away",
             "rename table MChangeCard_away to MChangeCard", "mchangecard"},
            // One row is refused after the others went in: the bill is half written.
            {"one row refused",
             "create trigger refuse_9104 before insert on MealMonthRec for each row begin if new.card_id = "
             "9104 then signal sqlstate '45000' set message_text = 'refused 9104'; end if; end",
             "drop trigger refuse_9104", "未能保存"},
        };
        const QString before = QStringLiteral("select count(*) from MealMonthRec where MonthDes = '2026-11'");
        const int kept = fx.count(before);
        QVERIFY(kept > 0);
        for (const Case& c : cases) {
            fx.db->exec(QString::fromUtf8(c.breakIt));
            Run r = run({"create", "--label", "broken", "--from", "2026-11-01 00:00:00", "--to",
                         "2026-11-30 23:59:59"});
            fx.db->exec(QString::fromUtf8(c.repair));
            QVERIFY2(r.status != 0, c.name);
            QVERIFY2(r.err.contains(QString::fromUtf8(c.message), Qt::CaseInsensitive), qPrintable(r.err));
            QVERIFY2(!r.out.contains(QStringLiteral(" rows")), qPrintable(r.out));
            QCOMPARE(fx.count("select count(*) from MealMonthRec where MonthDes = 'broken'"), 0);
            QCOMPARE(fx.count(before), kept);
        }
        // A recompute that fails keeps the stored row.
        fx.db->exec(
            "update MealMonthRec set Now_card_balance = 1 where card_id = 9102 and MonthDes = '2026-11'");
        fx.db->exec("rename table MChangeCard to MChangeCard_away");
        Run r = run({"recompute", "--label", "2026-11", "--card", "9102"});
        fx.db->exec("rename table MChangeCard_away to MChangeCard");
        QVERIFY(r.status != 0);
        QVERIFY2(r.err.contains(QStringLiteral("mchangecard"), Qt::CaseInsensitive), qPrintable(r.err));
        QCOMPARE(fx.count("select count(*) from MealMonthRec where card_id = 9102 and Now_card_balance = 1"),
                 1);
        QCOMPARE(fx.count(before), kept);
        // With the tables back the same label builds.
        r = run(
            {"create", "--label", "broken", "--from", "2026-11-01 00:00:00", "--to", "2026-11-30 23:59:59"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(fx.count("select count(*) from MealMonthRec where MonthDes = 'broken'"), 4);
    }
};

QTEST_GUILESS_MAIN(TestMealctlMonthly)
#include "test_mealctl_monthly.moc"
