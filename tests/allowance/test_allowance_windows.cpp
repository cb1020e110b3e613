// The allowance terminal windows against simulated terminals: a download to
// two terminals (one killed mid-upload and restarted, one refusing a batch)
// reaches each terminal exactly once per allowance; closing mid-run books
// only what a terminal acknowledged; read-back lists what a terminal holds
// under a card filter; the meal-order parameters round-trip.
#include "../posterm/SimProcess.h"
#include "WorkerHarness.h"
#include "allowance/AllowanceDownload.h"
#include "allowance/ui/AddAllowdown.h"
#include "allowance/ui/ClockListView.h"
#include "allowance/ui/Orderparam.h"
#include "allowance/ui/ShowMallowsInEqu.h"
#include "framework/ModuleContext.h"
#include "util/ScriptedPrompter.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSet>
#include <QTreeWidget>
#include <QtTest>

using namespace allowance;

namespace {
QString key(int n) {
    return AllowanceFixture::address(n) + QStringLiteral(":80");
}
// The distinct (SysID, Batch) pairs among a terminal's waiting records.
int paidPairs(const QStringList& waiting) {
    QSet<QString> pairs;
    for (const QString& w : waiting)
        pairs.insert(w.section(QLatin1Char('\t'), 1, 1) + QLatin1Char('/') +
                     w.section(QLatin1Char('\t'), 3, 3));
    return pairs.size();
}
} // namespace

class TestAllowanceWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<AllowanceFixture> f;
    std::unique_ptr<ModuleContext> context;
    ScriptedPrompter prompter;
    SimProcess simA, simB; // terminal 1 is killed and restarted, terminal 2 refuses a batch
    QStringList argsA;

    bool startSim(SimProcess& sim, const QStringList& extra) {
        return sim.start(QStringList{QStringLiteral("--passwd"), QStringLiteral("0"),
                                     QStringLiteral("--control"), QStringLiteral("127.0.0.1:0")} +
                         extra);
    }
    void fault(SimProcess& sim, int n, const QByteArray& switches) {
        QCOMPARE(sim.control("POST", "/v1/sim/fault?terminal=" + key(n).toUtf8() + '&' + switches), 200);
    }
    void addAllowances(int firstSys, int count, const QString& money = QStringLiteral("12.50")) {
        QStringList rows;
        for (int sys = firstSys; sys < firstSys + count; ++sys)
            rows << QStringLiteral("(%1, 'E%1', %2, '员工%1', %3, 7, '2099-12-31')")
                        .arg(QString::number(sys), QString::number(50000 + sys), money);
        f->db.exec(
            QStringLiteral("insert into mallowance (sys_id, emp_id, card_id, empname, deposit, charge_ver, "
                           "AllowDate) values ") +
            rows.join(QLatin1Char(',')));
    }
    QVector<RecipientRow> notSent(const QString& search = QString()) {
        return AllowanceDownload(context->session).candidates(false, search);
    }

private slots:
    void initTestCase() {
        f = std::make_unique<AllowanceFixture>(QStringLiteral("allowance_windows"));
        argsA = QStringList{QStringLiteral("--listen"), key(1), QStringLiteral("--state"),
                            f->home.filePath(QStringLiteral("a.state"))};
        if (!startSim(simA, argsA) ||
            !startSim(simB, {QStringLiteral("--listen"), key(2), QStringLiteral("--state"),
                             f->home.filePath(QStringLiteral("b.state"))}))
            QSKIP("the simulator cannot listen on port 80 here");
        f->addNetworkClock(1, AllowanceFixture::address(1));
        f->addNetworkClock(2, AllowanceFixture::address(2));
        f->db.exec(QStringLiteral("insert into company (company_ch_name) values ('测试')"));
        context = std::make_unique<ModuleContext>();
        bindSession(context->session, f->db, f->home.path());
        context->session.CurrentUserId = QStringLiteral("ADMIN");
        context->prompter = &prompter;
    }

    void downloadReachesEachTerminalOnce() {
        addAllowances(1000, 300, QStringLiteral("0.29")); // 0.29 * 100 is 28.999... in binary
        auto* w = new TfrmAddAllowdown(*context);
        w->show();
        QCOMPARE(w->clockList()->rowCount(), 2);
        w->addRecipients(notSent());
        w->addRecipients(notSent().mid(0, 5)); // already listed: the list stays as it was
        QCOMPARE(w->recipientCount(), 300);

        fault(simA, 1, "delay=800");
        fault(simB, 2, "skip_appends=1&refuse_append=1");
        prompter.answer(PromptAnswer::Yes); // clean the list once the run is over
        w->uploadClicked();
        QTRY_VERIFY_WITH_TIMEOUT(w->clockList()->statusText(0).startsWith(QLatin1String("(100/300)")), 30000);
        simA.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 60000);
        QCOMPARE(w->recipientCount(), 0);
        QCOMPARE(w->clockList()->statusText(1), QStringLiteral("(200笔)"));
        QVERIFY(w->logText().contains(QStringLiteral("\"2\"号机上传补贴失败!")));

        // The open tasks go with an empty recipient list, to the restarted terminal too.
        QVERIFY(startSim(simA, argsA));
        w->uploadClicked();
        QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 60000);
        for (auto [sim, n] : {std::pair<SimProcess*, int>{&simA, 1}, {&simB, 2}}) {
            const QStringList waiting = dumpRecords(*sim, key(n), 'W');
            QCOMPARE(waiting.size(), 300);
            QCOMPARE(paidPairs(waiting), 300);
            QCOMPARE(waiting.filter(QRegularExpression(QStringLiteral("^W\t\\d+\t\\d+\t7\t29\t"))).size(),
                     300);
        }
        QCOMPARE(f->scalar(QStringLiteral("select count(*) from allowtasklist")), 600);
        QCOMPARE(
            f->scalar(QStringLiteral("select count(*) from allowtasklist where ifnull(iscommit,0) <> 1")), 0);
        QCOMPARE(f->scalar(QStringLiteral("select count(*) from mallowance where downed = 1")), 300);
        w->close();
    }

    // Closed mid-upload: the workers are stopped and waited for, every task
    // booked as sent is on the terminal, and nothing is booked afterwards.
    void closeBooksOnlyWhatWasAcknowledged() {
        addAllowances(5000, 250);
        QPointer<TfrmAddAllowdown> w = new TfrmAddAllowdown(*context);
        w->show();
        w->clockList()->setTicked(1, false);
        w->addRecipients(notSent());
        fault(simA, 1, "delay=800");
        w->uploadClicked();
        QTRY_VERIFY_WITH_TIMEOUT(w->clockList()->statusText(0).startsWith(QLatin1String("(100/250)")), 30000);
        w->close();
        const QString committed =
            QStringLiteral("select count(*) from allowtasklist where iscommit = 1 and sys_id >= 5000");
        const int booked = f->scalar(committed);
        QTest::qWait(1500);
        QCOMPARE(f->scalar(committed), booked);
        QVERIFY(booked >= 100 && booked < 250);
        QSet<QString> held;
        for (const QString& line : dumpRecords(simA, key(1), 'W'))
            held.insert(line.section(QLatin1Char('\t'), 1, 1));
        QSqlQuery q(f->db.db());
        q.exec(QStringLiteral("select sys_id from allowtasklist where iscommit = 1 and sys_id >= 5000"));
        while (q.next())
            QVERIFY2(held.contains(q.value(0).toString()), qPrintable(q.value(0).toString()));
        QTRY_VERIFY(w.isNull());
    }

    void readBackUnderCardFilter_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("rows");
        QTest::newRow("none") << QString() << 300;
        QTest::newRow("one card") << QStringLiteral("51005") << 1;
        QTest::newRow("quote") << QStringLiteral("51005' or '1'='1") << 0;
        QTest::newRow("comment") << QStringLiteral("51005 --") << 0;
        QTest::newRow("wildcard") << QStringLiteral("%") << 0;
        QTest::newRow("backslash") << QStringLiteral("51005\\") << 0;
        QTest::newRow("very long") << QString(5000, QLatin1Char('5')) << 0;
    }
    void readBackUnderCardFilter() {
        QFETCH(QString, filter);
        QFETCH(int, rows);
        auto* w = new TFrmShowMallowsInEqu(*context);
        w->show();
        w->clockList()->setTicked(0, false);
        w->cardFilter()->setText(filter);
        w->readClicked();
        QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 60000);
        QCOMPARE(w->clockList()->statusText(1), QStringLiteral("已完成..."));
        QCOMPARE(w->waitingList()->topLevelItemCount(), rows);
        QCOMPARE(w->progressBar()->value(), 300); // every record counts, listed or not
        if (rows == 1) {
            const QTreeWidgetItem* row = w->waitingList()->topLevelItem(0);
            QCOMPARE(row->text(2), QStringLiteral("1005"));
            QCOMPARE(row->text(6), QStringLiteral("2099-12-31"));
        }
        w->close();
    }

    void pickerSearchFindsOrRefuses_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("found");
        QTest::newRow("number") << QStringLiteral("E1005") << 1;
        QTest::newRow("name prefix") << QStringLiteral("员工100") << 10;
        QTest::newRow("quote") << QStringLiteral("E1005' or '1'='1") << 0;
        QTest::newRow("wildcard") << QStringLiteral("%") << 0;
        QTest::newRow("underscore") << QStringLiteral("E_005") << 0;
        QTest::newRow("backslash") << QStringLiteral("E1005\\") << 0;
    }
    void pickerSearchFindsOrRefuses() {
        QFETCH(QString, search);
        QFETCH(int, found);
        QCOMPARE(AllowanceDownload(context->session).candidates(true, search).size(), found);
    }

    // The pending counts and the pending-task popup of a terminal with open tasks.
    void pendingTasksShown() {
        addAllowances(7000, 3);
        TClockInfo clock;
        clock.clock_id = 2;
        clock.clock_sn = f->clockSn(2);
        const AllowanceDownload download(context->session);
        QCOMPARE(download.writeTasks(clock, notSent(QStringLiteral("E700")), QStringLiteral("ADMIN")), 3);
        // Already waiting for this terminal: not written twice.
        QCOMPARE(download.writeTasks(clock, notSent(QStringLiteral("E700")), QStringLiteral("ADMIN")), 0);
        auto* w = new TfrmAddAllowdown(*context);
        w->show();
        QCOMPARE(w->clockList()->statusText(1), QStringLiteral("(3笔)"));
        w->clockList()->setCurrentItem(w->clockList()->topLevelItem(1));
        w->showPendingList();
        auto* list = w->findChild<TfrmSelectAllowList*>();
        QVERIFY(list);
        QCOMPARE(list->rowCount(), 3);
        list->close();
        w->close();
    }

    void restDaysRoundTrip_data() {
        QTest::addColumn<QList<int>>("weekdays");
        QTest::addColumn<QList<int>>("monthDays");
        QTest::addColumn<QString>("week");
        QTest::addColumn<QString>("month");
        QTest::newRow("none") << QList<int>{} << QList<int>{} << QString() << QString();
        QTest::newRow("weekend, 1st 10th 21st") << QList<int>{7, 1} << QList<int>{21, 1, 10}
                                                << QStringLiteral("1,7") << QStringLiteral("01,10,21");
        QTest::newRow("no 1st, 2nd or 3rd") << QList<int>{2} << QList<int>{10, 12, 21, 23, 31}
                                            << QStringLiteral("2") << QStringLiteral("10,12,21,23,31");
    }
    void restDaysRoundTrip() {
        QFETCH(QList<int>, weekdays);
        QFETCH(QList<int>, monthDays);
        QFETCH(QString, week);
        QFETCH(QString, month);
        auto* w = new TfrmOrderparam(*context);
        for (int d = 1; d <= 7; ++d)
            w->weekdayBox(d)->setChecked(weekdays.contains(d));
        for (int d = 1; d <= 31; ++d)
            w->monthDayBox(d)->setChecked(monthDays.contains(d));
        w->okClicked();
        QCOMPARE(f->db.scalar(QStringLiteral("select week_param from company")).toString(), week);
        QCOMPARE(f->db.scalar(QStringLiteral("select month_param from company")).toString(), month);
        TfrmOrderparam again(*context);
        for (int d = 1; d <= 31; ++d)
            QCOMPARE(again.monthDayBox(d)->isChecked(), monthDays.contains(d));
        for (int d = 1; d <= 7; ++d)
            QCOMPARE(again.weekdayBox(d)->isChecked(), weekdays.contains(d));
    }

    void cleanupTestCase() {
        QCOMPARE(prompter.pendingAnswers(), 0);
        context.reset();
        f.reset();
    }
};

QTEST_MAIN(TestAllowanceWindows)
#include "test_allowance_windows.moc"
