// The terminal allowance worker against the simulator and against a terminal
// written from the protocol alone: batches and their booking, refused and
// lost batches, a terminal killed mid-upload, booking failures, read-back
// paging, failures of the link and the database, and closing mid-run.
#include "../posterm/SimProcess.h"
#include "MealctlRun.h"
#include "ProtocolResponder.h"
#include "WorkerHarness.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QTest>

using namespace allowance;
using workers::WM_THREADDONE;

namespace {
const QString kSync = QStringLiteral("同步中... ");

QString key(int n) {
    return AllowanceFixture::address(n) + QStringLiteral(":80");
}

// Field `i` (1-based, after the kind letter) of a dump line.
QString dumpField(const QString& line, int i) {
    return line.section(QLatin1Char('\t'), i, i);
}

QSet<QString> paidPairs(const QStringList& waiting) {
    QSet<QString> pairs;
    for (const QString& w : waiting)
        pairs.insert(dumpField(w, 1) + QLatin1Char('/') + dumpField(w, 3));
    return pairs;
}
} // namespace

class TestAllowanceWorker : public QObject {
    Q_OBJECT
    std::unique_ptr<AllowanceFixture> f;
    SimProcess sim;

    bool startSim(SimProcess& process, const QStringList& extra) {
        QStringList args{QStringLiteral("--passwd"), QStringLiteral("0"), QStringLiteral("--control"),
                         QStringLiteral("127.0.0.1:0")};
        QString error;
        if (!process.start(args + extra, &error)) {
            qWarning("posterm-sim did not start (port 80 needs the right to bind it): %s", qPrintable(error));
            return false;
        }
        return true;
    }
    void fault(int n, const QByteArray& switches) {
        QCOMPARE(sim.control("POST", "/v1/sim/fault?terminal=" + key(n).toUtf8() + '&' + switches), 200);
    }
    // Task states of terminal `clock` in allow_id order: 1, 0 or "-" (null).
    QString taskStates(int clock) const {
        QString out;
        QSqlQuery q(f->db.db());
        q.exec(QStringLiteral("select iscommit from allowtasklist where clock_id = %1 order by allow_id")
                   .arg(clock));
        while (q.next())
            out += q.value(0).isNull() ? QStringLiteral("-") : q.value(0).toString();
        return out;
    }
    int downed(int firstSys, int count) const {
        return f->scalar(
            QStringLiteral("select count(*) from mallowance where downed = 1 and sys_id between %1 and %2")
                .arg(firstSys)
                .arg(firstSys + count - 1));
    }

private slots:
    void initTestCase() {
        f = std::make_unique<AllowanceFixture>(QStringLiteral("allowanceworker"));
        QStringList args;
        for (int n : {1, 2, 3, 4, 11})
            args << QStringLiteral("--listen") << key(n);
        args << QStringLiteral("--state") << f->home.filePath(QStringLiteral("main.state"));
        if (!startSim(sim, args))
            QSKIP("the simulator cannot listen on port 80 here");
        for (int n : {1, 2, 3, 4, 11})
            f->addNetworkClock(n, AllowanceFixture::address(n));
    }

    void uploadGoesInBatchesAndIsBooked() {
        f->addTasks(1, 250, 1000);
        f->addTasks(1, 1, 9000); // same terminal number, another serial number: not this terminal's
        f->db.exec(QStringLiteral("update allowtasklist set clock_sn = 'OTHER' where sys_id = 9000"));
        WindowStub w;
        QVERIFY(f->run(w, UploadAllowances, QStringLiteral("1")));
        QCOMPARE(w.statuses(QStringLiteral("1")),
                 QStringList({QStringLiteral("联接中... "), QStringLiteral("(0/250)") + kSync,
                              QStringLiteral("(100/250) ") + kSync, QStringLiteral("(200/250) ") + kSync,
                              QStringLiteral("(250/250) ") + kSync, QStringLiteral("上传补贴成功")}));
        const QStringList logs = w.logs();
        QCOMPARE(logs.size(), 252);
        QCOMPARE(logs.first(), QStringLiteral("\"1\"号机正在上传补贴,请耐心等待..."));
        QCOMPARE(logs.at(1), QStringLiteral("\"1\"号机上上传补贴卡号\"51000\"成功"));
        QCOMPARE(logs.last(), QStringLiteral("\"1\"号机上传补贴成功!"));
        QCOMPARE(w.seen.last().number, int(WM_THREADDONE));

        QCOMPARE(taskStates(1), QString(250, QLatin1Char('1')) + QLatin1Char('-'));
        QCOMPARE(
            f->scalar(QStringLiteral("select count(*) from allowtasklist where clock_id = 1 and iscommit = 1 "
                                     "and commit_date is not null")),
            250);
        QCOMPARE(
            f->scalar(QStringLiteral("select count(*) from mallowance where downed = 1 and clock_id = 1")),
            250);
        const QStringList waiting = dumpRecords(sim, key(1), 'W');
        QCOMPARE(waiting.size(), 250);
        QCOMPARE(dumpField(waiting.first(), 4), QStringLiteral("1250")); // 12.50 in hundredths
        QCOMPARE(dumpField(waiting.first(), 5), QStringLiteral("20991231"));
        QVERIFY(
            !QSqlDatabase::connectionNames().join(QLatin1Char(' ')).contains(QLatin1String("allowworker")));

        // Nothing open: success without sending anything.
        WindowStub again;
        QVERIFY(f->run(again, UploadAllowances, QStringLiteral("1")));
        QCOMPARE(again.statuses(QStringLiteral("1")),
                 QStringList({QStringLiteral("联接中... "), QStringLiteral("(0/0)") + kSync,
                              QStringLiteral("上传补贴成功")}));
        QCOMPARE(dumpRecords(sim, key(1), 'W').size(), 250);
    }

    void refusedSecondBatchStaysOpen() {
        f->addTasks(2, 250, 2000);
        fault(2, "skip_appends=1&refuse_append=1");
        WindowStub w;
        QVERIFY(f->run(w, UploadAllowances, QStringLiteral("2")));
        QCOMPARE(w.statuses(QStringLiteral("2")),
                 QStringList({QStringLiteral("联接中... "), QStringLiteral("(0/250)") + kSync,
                              QStringLiteral("(100/250) ") + kSync, QStringLiteral("上传补贴失败")}));
        QCOMPARE(w.logs().last(), QStringLiteral("\"2\"号机上传补贴失败!"));
        QCOMPARE(taskStates(2), QString(100, QLatin1Char('1')) + QString(100, QLatin1Char('0')) +
                                    QString(50, QLatin1Char('-')));
        QCOMPARE(downed(2000, 100), 100);
        QCOMPARE(downed(2100, 150), 0);
        QCOMPARE(dumpRecords(sim, key(2), 'W').size(), 100);
    }

    // The terminal stored the second batch but its answer never came: the
    // batch stays open, and the re-send is taken as a duplicate.
    void lostAnswerIsNotPaidTwice() {
        f->addTasks(3, 250, 3000);
        fault(3, "skip_appends=1&drop_append=20");
        WindowStub first;
        QVERIFY(f->run(first, UploadAllowances, QStringLiteral("3")));
        QCOMPARE(first.statuses(QStringLiteral("3")).last(), QStringLiteral("上传补贴失败"));
        QCOMPARE(dumpRecords(sim, key(3), 'W').size(), 200);
        QCOMPARE(taskStates(3).count(QLatin1Char('1')), 100);

        WindowStub second;
        QVERIFY(f->run(second, UploadAllowances, QStringLiteral("3")));
        QCOMPARE(second.statuses(QStringLiteral("3")).at(1), QStringLiteral("(0/150)") + kSync);
        QCOMPARE(second.statuses(QStringLiteral("3")).last(), QStringLiteral("上传补贴成功"));
        QCOMPARE(taskStates(3), QString(250, QLatin1Char('1')));
        const QStringList waiting = dumpRecords(sim, key(3), 'W');
        QCOMPARE(waiting.size(), 250);
        QCOMPARE(paidPairs(waiting).size(), 250);
    }

    void killedTerminalIsNotPaidTwice() {
        SimProcess own;
        const QStringList args{QStringLiteral("--listen"), key(5), QStringLiteral("--state"),
                               f->home.filePath(QStringLiteral("killed.state"))};
        QVERIFY(startSim(own, args));
        f->addNetworkClock(5, AllowanceFixture::address(5));
        f->addTasks(5, 600, 5000);
        QCOMPARE(own.control("POST", "/v1/sim/fault?terminal=" + key(5).toUtf8() + "&delay=40"), 200);
        WindowStub w;
        w.onMessage = [&](const SeenMsg& m) {
            if (m.text == QStringLiteral("(200/600) ") + kSync)
                own.kill();
        };
        QVERIFY(f->run(w, UploadAllowances, QStringLiteral("5")));
        QCOMPARE(w.statuses(QStringLiteral("5")).last(), QStringLiteral("上传补贴失败"));
        QVERIFY(taskStates(5).count(QLatin1Char('1')) < 600);

        QVERIFY(startSim(own, args)); // the same terminal, back with its stored tables
        WindowStub again;
        QVERIFY(f->run(again, UploadAllowances, QStringLiteral("5")));
        QCOMPARE(again.statuses(QStringLiteral("5")).last(), QStringLiteral("上传补贴成功"));
        QCOMPARE(taskStates(5), QString(600, QLatin1Char('1')));
        const QStringList waiting = dumpRecords(own, key(5), 'W');
        QCOMPARE(waiting.size(), 600);
        QCOMPARE(paidPairs(waiting).size(), 600);
    }

    // A batch the terminal took is booked even when a statement fails once;
    // when it keeps failing, the task stays open and the run is no success.
    void bookingFailureKeepsTheTaskOpen() {
        f->addTasks(4, 250, 4000);
        f->db.exec(QStringLiteral("create trigger book_fails before update on allowtasklist for each row "
                                  "if new.iscommit = 1 and new.sys_id = 4149 then "
                                  "signal sqlstate '45000' set message_text = 'booking refused'; end if"));
        WindowStub w;
        QVERIFY(f->run(w, UploadAllowances, QStringLiteral("4")));
        QCOMPARE(w.statuses(QStringLiteral("4")).mid(2),
                 QStringList({QStringLiteral("(100/250) ") + kSync, QStringLiteral("(200/250) ") + kSync,
                              QStringLiteral("上传补贴失败")}));
        QVERIFY(w.logs().contains(
            QStringLiteral("\"4\"号机补贴卡号\"54149\"已上传,但记账失败,任务保留待下次上传")));
        QVERIFY(!w.logs().contains(QStringLiteral("\"4\"号机上上传补贴卡号\"54149\"成功")));
        QCOMPARE(taskStates(4), QString(149, QLatin1Char('1')) + QLatin1Char('-') +
                                    QString(50, QLatin1Char('1')) + QString(50, QLatin1Char('-')));
        QCOMPARE(dumpRecords(sim, key(4), 'W').size(), 200);

        // Once the database takes it, the next run books it; the terminal keeps one copy.
        f->db.exec(QStringLiteral("drop trigger book_fails"));
        f->db.exec(QStringLiteral(
            "create trigger book_fails before update on allowtasklist for each row "
            "if new.iscommit = 1 and new.sys_id = 4305 and ifnull(@failed, 0) = 0 then "
            "set @failed = 1; signal sqlstate '45000' set message_text = 'booking refused'; end if"));
        f->addTasks(4, 10, 4300);
        WindowStub again;
        QVERIFY(f->run(again, UploadAllowances, QStringLiteral("4")));
        QCOMPARE(again.statuses(QStringLiteral("4")).last(), QStringLiteral("上传补贴成功"));
        QCOMPARE(taskStates(4), QString(260, QLatin1Char('1')));
        QCOMPARE(dumpRecords(sim, key(4), 'W').size(), 260);
        f->db.exec(QStringLiteral("drop trigger book_fails"));
    }

    void readBackPagesAndModes() {
        // Terminal tables written straight into a state file: 10,500 taken
        // records on a network terminal, 2,500 on one serial terminal, and on
        // a second one a gap longer than a page.
        const auto taken = [](int from, int to) {
            QString out;
            for (int r = from; r <= to; ++r)
                out +=
                    QStringLiteral("T\t%1\t%2\t3\t7\t20260301120000\t1250\t5000\t1\t20991231\t20260301\t%3\n")
                        .arg(1000 + r % 97)
                        .arg(51000 + r % 97)
                        .arg(r);
            return out;
        };
        QString state = QStringLiteral("[terminal %1]\nnext\t41\t10501\nlast\t5000\t0\n").arg(key(6));
        for (int r = 1; r <= 40; ++r)
            state += QStringLiteral("W\t%1\t%2\t7\t1250\t20991231\t20260301\t%3\n")
                         .arg(2000 + r)
                         .arg(52000 + r)
                         .arg(r);
        state += taken(1, 10500);
        state += QStringLiteral("[terminal rs31]\nnext\t1\t2501\nlast\t0\t0\n") + taken(1, 2500);
        state += QStringLiteral("[terminal rs32]\nnext\t1\t2101\nlast\t0\t0\n") + taken(1, 500) +
                 taken(2000, 2100);
        QFile file(f->home.filePath(QStringLiteral("read.state")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(state.toUtf8());
        file.close();
        SimProcess own;
        QVERIFY(startSim(own, {QStringLiteral("--listen"), key(6), QStringLiteral("--serial"),
                               QStringLiteral("31,32"), QStringLiteral("--state"), file.fileName()}));
        f->writeIni(QStringLiteral("COM7=") + own.serialDevices().value(0));
        f->addNetworkClock(6, AllowanceFixture::address(6));
        f->addSerialClock(31, 7, 1);
        f->addSerialClock(32, 7, 1);

        const auto pageSizes = [](const WindowStub& w, int clock) {
            QList<int> sizes;
            for (const workers::TAllowTypeMsg& p : w.pages)
                if (p.clock_id == clock)
                    sizes << p.recordCount;
            return sizes;
        };
        WindowStub net;
        QVERIFY(f->run(net, ReadSidyLog, QStringLiteral("6")));
        QCOMPARE(pageSizes(net, 6), QList<int>({10000, 500}));
        QCOMPARE(net.statuses(QStringLiteral("6")),
                 QStringList({QStringLiteral("联接中... "), QStringLiteral("采集中... "),
                              QStringLiteral("已完成...")}));
        QCOMPARE(net.logs(), QStringList({QStringLiteral("\"6\"号机正在读取 ,请耐心等待..."),
                                          QStringLiteral("\"6\"号机读取补贴成功!")}));
        QSet<int> recNos;
        for (const workers::TAllowTypeMsg& p : net.pages) {
            QCOMPARE(p.mode, 1);
            QCOMPARE(p.clock_name, QStringLiteral("补贴机6"));
            const QStringList lines = p.records.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), p.recordCount);
            for (const QString& line : lines)
                recNos.insert(line.section(QLatin1Char('\t'), 20, 20).toInt());
        }
        QCOMPARE(recNos.size(), 10500);
        QVERIFY(recNos.contains(1) && recNos.contains(10500));
        QStringList progress;
        for (const SeenMsg& m : net.seen)
            if (m.number == workers::WM_OPPROGRESS)
                progress << m.target + QLatin1Char('=') + m.text;
        QCOMPARE(progress, QStringList({QStringLiteral("opMax=10000"), QStringLiteral("opMax=500")}));

        // Both serial terminals of the line in one worker, 1000 records a page.
        WindowStub line;
        QVERIFY(f->run(line, ReadSidyLog, QStringLiteral("31,32")));
        QCOMPARE(pageSizes(line, 31), QList<int>({999, 1000, 501}));
        QCOMPARE(line.statuses(QStringLiteral("31")).last(), QStringLiteral("已完成..."));
        QCOMPARE(pageSizes(line, 32), QList<int>({500}));
        QCOMPARE(line.statuses(QStringLiteral("32")).last(), QStringLiteral("采集失败... "));
        QVERIFY(line.logs().contains(QStringLiteral("\"32\"号机读取补贴失败!")));

        WindowStub waiting;
        QVERIFY(f->run(waiting, ReadSubsidyLog, QStringLiteral("6")));
        QCOMPARE(pageSizes(waiting, 6), QList<int>({40}));
        QCOMPARE(waiting.pages.first().mode, 2);
        QVERIFY(waiting.pages.first().records.startsWith(QStringLiteral("2001\t52001\t7\t12.50\t")));
        QCOMPARE(waiting.statuses(QStringLiteral("6")).last(), QStringLiteral("已完成..."));
        f->writeIni();
    }

    void failuresShowTheirStatus() {
        f->addNetworkClock(7, AllowanceFixture::address(7)); // nothing listens there
        WindowStub w;
        QVERIFY(f->run(w, UploadAllowances, QStringLiteral("7")));
        QCOMPARE(w.statuses(QStringLiteral("7")),
                 QStringList({QStringLiteral("联接中... "), QStringLiteral("无法联接... ")}));
        QCOMPARE(w.logs(), QStringList({QStringLiteral("无法联接\"7\"号机...")}));

        // Without isPing=1 an address that does not answer the ping is not connected at all.
        f->db.writeDaybookIni(f->home.path());
        f->db.exec(QStringLiteral("update clocks set TCPIP_Address = '192.0.2.1' where clock_id = 7"));
        WindowStub pinged;
        QVERIFY(f->run(pinged, UploadAllowances, QStringLiteral("7")));
        QCOMPARE(pinged.statuses(QStringLiteral("7")).last(), QStringLiteral("无法联接... "));
        f->writeIni();

        const QString failed = QStringLiteral("连接数据源失败... ");
        for (const QString& list : {QStringLiteral("999"), QStringLiteral("7,x"), QString()}) {
            WindowStub none;
            QVERIFY(f->run(none, UploadAllowances, list));
            QCOMPARE(none.statuses(list), QStringList({failed}));
        }
        QSqlDatabase broken = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("broken"));
        broken.setDatabaseName(QStringLiteral("no_such_database_here"));
        broken.setConnectOptions(QStringLiteral("UNIX_SOCKET=") + f->db.settings().ServerName);
        broken.setUserName(f->db.settings().UserId);
        broken.setPassword(f->db.settings().Password);
        const AllowWorkerSetup good = f->setup;
        f->setup.hostConnection = broken;
        WindowStub noDb;
        QVERIFY(f->run(noDb, UploadAllowances, QStringLiteral("7,8")));
        f->setup = good;
        QCOMPARE(noDb.statuses(QStringLiteral("7,8")), QStringList({failed}));
        broken = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("broken"));
    }

    // Lines exactly as the protocol wants them, checked by a terminal that
    // shares no code with the simulator.
    void independentTerminalReceivesExactLines() {
        ProtocolResponder modern;
        ProtocolResponder old;
        old.fwVersion = "Ver 1.0 (r3)"; // the first eight characters decide
        QVERIFY(modern.listen(AllowanceFixture::address(9)));
        QVERIFY(old.listen(AllowanceFixture::address(10)));
        f->addNetworkClock(9, AllowanceFixture::address(9));
        f->addNetworkClock(10, AllowanceFixture::address(10));
        // Amounts as the SQL Server schema keeps them, with four decimals.
        f->db.exec(QStringLiteral("alter table allowtasklist modify charge_money decimal(12,4)"));
        f->addTasks(9, 248, 9000);
        f->addTasks(9, 1, 9248, QStringLiteral("12.345"));
        f->addTasks(9, 1, 9249, QStringLiteral("0.29")); // 0.29 * 100 is 28.999... in binary
        f->addTasks(10, 3, 9500);

        WindowStub w;
        f->start(w, UploadAllowances, QStringLiteral("9"));
        f->start(w, UploadAllowances, QStringLiteral("10"));
        QVERIFY(w.waitIdle());
        QCOMPARE(modern.unauthorised, 0);
        QCOMPARE(
            modern.requestLines.mid(0, 2),
            QList<QByteArray>({"GET /v1/device HTTP/1.1", "GET /v1/info?items=System.FwVersion HTTP/1.1"}));
        QCOMPARE(modern.appendBodies.size(), 3);
        QList<int> sizes;
        const QRegularExpression shape(
            QStringLiteral("^SysID=9\\d{3}\tCardNo=59\\d{3}\tBatch=7\tMoney=\\d+\tAllowDate=20991231$"));
        for (const QByteArray& body : modern.appendBodies) {
            QVERIFY(body.endsWith("\r\n"));
            const QList<QByteArray> lines = body.chopped(2).split('\n');
            sizes << lines.size();
            for (const QByteArray& line : lines)
                QVERIFY2(
                    shape.match(QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line)).hasMatch(),
                    line.constData());
        }
        QCOMPARE(sizes, QList<int>({100, 100, 50}));
        QVERIFY(modern.appendBodies.last().contains("SysID=9248\tCardNo=59248\tBatch=7\tMoney=1234\t"));
        QVERIFY(modern.appendBodies.last().contains("SysID=9249\tCardNo=59249\tBatch=7\tMoney=29\t"));

        QCOMPARE(old.appendBodies, QList<QByteArray>({"SysID=9500\tCardNo=59500\tBatch=7\tMoney=1250\r\n"
                                                      "SysID=9501\tCardNo=59501\tBatch=7\tMoney=1250\r\n"
                                                      "SysID=9502\tCardNo=59502\tBatch=7\tMoney=1250\r\n"}));
        QCOMPARE(w.statuses(QStringLiteral("10")).last(), QStringLiteral("上传补贴成功"));

        // The second of three batches refused by this terminal too.
        f->db.exec(QStringLiteral("update allowtasklist set iscommit = null where clock_id = 9"));
        modern.appendBodies.clear();
        modern.refusedAppends = {2};
        WindowStub refused;
        QVERIFY(f->run(refused, UploadAllowances, QStringLiteral("9")));
        QCOMPARE(modern.appendBodies.size(), 2);
        QCOMPARE(refused.statuses(QStringLiteral("9")).last(), QStringLiteral("上传补贴失败"));
        QCOMPARE(taskStates(9), QString(100, QLatin1Char('1')) + QString(100, QLatin1Char('0')) +
                                    QString(50, QLatin1Char('-')));
    }

    // The window goes mid-upload: nothing reaches it afterwards, every worker
    // ends and frees itself, and what the terminal took is booked.
    void closingMidRunStopsCleanly() {
        f->addTasks(11, 1000, 11000);
        fault(11, "delay=30");
        auto w = std::make_unique<WindowStub>();
        bool closeNow = false;
        w->onMessage = [&](const SeenMsg& m) {
            closeNow = closeNow || m.text == QStringLiteral("(100/1000) ") + kSync;
        };
        f->start(*w, UploadAllowances, QStringLiteral("11"));
        QVERIFY(w->waitFor([&] { return closeNow; }));
        w->closePool();
        QVERIFY(workers::TMealWorkerThread::WaitForAllWorkers(30000));
        QTest::qWait(200);
        QCOMPARE(w->deliveredAfterClose, 0);
        QCOMPARE(workers::TMealWorkerThread::liveWorkers(), 0);
        const int booked = taskStates(11).count(QLatin1Char('1'));
        QVERIFY(booked >= 100 && booked < 1000);
        QCOMPARE(booked % 100, 0);
        QCOMPARE(dumpRecords(sim, key(11), 'W').size(), booked);
        fault(11, "clear=1");
    }

    // mealctl over the same workers: the list with open tasks, a read-back
    // printed as TSV, and a failing terminal in the exit status.
    void mealctlListsAndReads() {
        f->db.exec(
            QStringLiteral("insert into sys_user (Userid, UserName, Password) values ('ADMIN', 'a', 'x')"));
        const auto terminals = [&](const QStringList& args) {
            return runMealctl(QStringLiteral(MEALCTL_PATH), f->home.path(), QStringList{"terminals"} + args,
                              60000);
        };
        MealctlRun r = terminals({});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains("\n2\t补贴机2\t" + AllowanceFixture::address(2) + "\tTCP/IP\tSN2\t150\n"),
                 qPrintable(r.out));
        QVERIFY(r.out.contains("\n1\t补贴机1\t" + AllowanceFixture::address(1) + "\tTCP/IP\tSN1\t0\n"));

        r = terminals({"read", "--mode", "2", "--clock", "2"});
        QCOMPARE(r.status, 0);
        const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 100);
        QVERIFY(lines.first().startsWith(QStringLiteral("2\t2000\t52000\t7\t12.50\t")));
        QVERIFY(r.err.contains(QStringLiteral("[2] 已完成...")));

        r = terminals({"upload", "--clock", "7"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("[7] 无法联接... ")));
        QCOMPARE(terminals({"read", "--mode", "3"}).status, 2);
        QCOMPARE(terminals({"read", "--mode", "1x"}).status, 2);
        // A terminal number must be wholly a positive number: "-5" once meant
        // every terminal, "2abc" is refused rather than read as 2. Nothing runs.
        for (const char* clock : {"-5", "0", "2abc", " ", "2.0"}) {
            r = terminals({"upload", "--clock", QString::fromUtf8(clock)});
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains(QStringLiteral("--clock takes a terminal number")), qPrintable(r.err));
            QVERIFY2(!r.err.contains(QRegularExpression(QStringLiteral("\\[\\d+\\]"))), qPrintable(r.err));
        }
    }

    void cleanupTestCase() {
        sim.stop();
        f.reset();
    }
};

QTEST_MAIN(TestAllowanceWorker)
#include "tst_allowanceworker.moc"
