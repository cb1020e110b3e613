// How a bill is handed out and stopped, and the rules of closing the books:
// batch sizes of 999, 1000 and 2509 cards end to end, the split of cards with
// sequence gaps, a run stopped mid-way that writes nothing afterwards, the
// 15-day and end-date rules of a lock, deleting a locked bill, and the breaks
// the card history and the detail analysis list.
#include "MonthlyFixture.h"
#include "db/DbError.h"
#include "monthly/CardChain.h"
#include "monthly/MonthlyBillBook.h"
#include "monthly/MonthlyCardRules.h"

class TestMonthlyRuns : public QObject {
    Q_OBJECT
    MonthlyFixture fx;

    // Cards 1..n issued on `issued`, each with one recharge the next day.
    void addCards(int first, int count, const QString& issued, const QString& charged) {
        QStringList cards;
        QStringList charges;
        for (int c = first; c < first + count; ++c) {
            cards << QStringLiteral("('N%1', %1, %1, '%2', 3)").arg(c).arg(issued);
            charges << QStringLiteral("(%1, 1, 0, 10, 10, '%2', '%2', 0)").arg(c).arg(charged);
        }
        fx.db->exec(
            QStringLiteral("insert into cardinfo (empno, sys_id, card_id, issue_date, CardStatus) values ") +
            cards.join(QLatin1Char(',')));
        fx.db->exec(QStringLiteral(
                        "insert into MChargeRecords (card_id, card_sequ, Kind, charge_money, card_balance, "
                        "op_date, op_ymd, isAddBack) values ") +
                    charges.join(QLatin1Char(',')));
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("monthly_runs"));
        addCards(1, 999, QStringLiteral("2026-01-01"), QStringLiteral("2026-01-02"));
        addCards(1000, 1, QStringLiteral("2026-02-01"), QStringLiteral("2026-02-02"));
        addCards(1001, 1509, QStringLiteral("2026-03-01"), QStringLiteral("2026-03-02"));
    }
    void cleanupTestCase() { fx.stop(); }

    void batchSizes() {
        // The sizes of 999, 1000 and 2509 cards show in the whole bills' worker counts.
        QCOMPARE(monthlyBatchSize(50, 0), 100);
        // Cards with gaps and the others fill separate batches; the rest goes A first.
        MonthlyBatchPlanner planner(2);
        QVERIFY(planner.add(QStringLiteral("b1"), false).isEmpty());
        QVERIFY(planner.add(QStringLiteral("a1"), true).isEmpty());
        QCOMPARE(planner.add(QStringLiteral("b2"), false), (QStringList{"b1", "b2"}));
        QVERIFY(planner.add(QStringLiteral("b3"), false).isEmpty());
        QCOMPARE(planner.finish(), (QVector<QStringList>{{"a1"}, {"b3"}}));
        QVERIFY(planner.finish().isEmpty());
    }

    void cardLinesRoundTrip() {
        const TMonthlyRec r = parseMonthlyCardLine(monthlyCardLine(
            QStringLiteral("77"), QStringLiteral("E\t1"), 123, QStringLiteral("名"), QStringLiteral("部")));
        QCOMPARE(r.sys_id, QStringLiteral("77"));
        QCOMPARE(r.empno, QStringLiteral("E 1"));
        QCOMPARE(r.card_id, 123);
        QCOMPARE(r.deptname, QStringLiteral("部"));
        QVERIFY(r.hasHolder);
        const TMonthlyRec noHolder =
            parseMonthlyCardLine(monthlyCardLine(QString(), QString(), 456, QString(), QString()));
        QCOMPARE(noHolder.sys_id, QStringLiteral("456"));
        QVERIFY(!noHolder.hasHolder);
    }

    void wholeBillsOfEachSize_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("cards");
        QTest::addColumn<int>("workers");
        QTest::newRow("999") << "2026-01-15 00:00:00" << 999 << 10;
        QTest::newRow("1000") << "2026-02-15 00:00:00" << 1000 << 10;
        QTest::newRow("2509") << "2026-03-15 00:00:00" << 2509 << 11;
    }
    void wholeBillsOfEachSize() {
        QFETCH(QString, from);
        QFETCH(int, cards);
        QFETCH(int, workers);
        const QString label = QStringLiteral("b%1").arg(cards);
        const QString to = from.left(8) + QStringLiteral("28 23:59:59");
        QCOMPARE(fx.runBill(fx.config(label, from, to)), workers);
        QCOMPARE(
            fx.count(QStringLiteral("select count(*) from MealMonthRec where MonthDes = '%1'").arg(label)),
            cards);
        QCOMPARE(fx.count(QStringLiteral(
                              "select count(distinct card_id) from MealMonthRec where MonthDes = '%1' and "
                              "last_balance = 10 and Now_card_balance = 10 and Balance = 0")
                              .arg(label)),
                 cards);
    }

    // The window goes while the workers run: after its run object is gone no
    // worker writes another row, and every worker ends.
    void stoppedRunWritesNothingMore() {
        MonthlyRunConfig c = fx.config(QStringLiteral("stop"), "2026-03-15 00:00:00", "2026-03-28 23:59:59");
        c.groupSize = 5;
        auto run = std::make_unique<MonthlyBillRun>();
        run->startMaster(c);
        QElapsedTimer t;
        t.start();
        while (run->position() == 0 && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QVERIFY(run->position() > 0);
        run.reset();
        const int atStop = fx.count("select count(*) from MealMonthRec where MonthDes = 'stop'");
        QVERIFY(workers::TMealWorkerThread::WaitForAllWorkers(30000));
        QCOMPARE(fx.count("select count(*) from MealMonthRec where MonthDes = 'stop'"), atStop);
        QVERIFY(atStop < 2509);
    }

    void lockPeriodRules() {
        const QDateTime first(QDate(2026, 10, 1), QTime(0, 0));
        const QDateTime now(QDate(2026, 12, 6), QTime(12, 0));
        QCOMPARE(
            MonthlyBillBook::lockPeriodError(first, QDateTime(QDate(2026, 10, 15), QTime(23, 59, 59)), now),
            QString());
        QCOMPARE(
            MonthlyBillBook::lockPeriodError(first, QDateTime(QDate(2026, 10, 14), QTime(23, 59, 59)), now),
            QStringLiteral("该帐单结算日期至少是15天!"));
        QCOMPARE(MonthlyBillBook::lockPeriodError(first, first.addDays(-1), now),
                 QStringLiteral("该帐单结算日期至少是15天!"));
        // A bill ending today at 23:59:59 waits for that second.
        const QDateTime endToday(QDate(2026, 12, 6), QTime(23, 59, 59));
        QCOMPARE(MonthlyBillBook::lockPeriodError(QDateTime(QDate(2026, 11, 20), QTime(0, 0)), endToday, now),
                 QStringLiteral("该帐单结束日期大于当前日期!"));
        QCOMPARE(
            MonthlyBillBook::lockPeriodError(QDateTime(QDate(2026, 11, 20), QTime(0, 0)), endToday, endToday),
            QString());
    }

    void deletingAndLockingBills() {
        const QDateTime lock(QDate(2026, 2, 28), QTime(23, 59, 59));
        QVERIFY(!MonthlyBillBook::deleteAllowed(lock, lock));
        QVERIFY(!MonthlyBillBook::deleteAllowed(lock.addDays(-1), lock));
        QVERIFY(MonthlyBillBook::deleteAllowed(lock.addSecs(1), lock));
        QVERIFY(MonthlyBillBook::deleteAllowed(lock, std::nullopt));

        MonthlyBillBook book(fx.session);
        const MonthlyPeriod p{QDateTime(QDate(2026, 2, 15), QTime(0, 0)), lock};
        QCOMPARE(book.lockContentError(QStringLiteral("b1000"), p), QString());
        // A card without a row, then a row that does not balance, each refuse the lock.
        fx.db->exec("update MealMonthRec set MonthDes = 'gone' where MonthDes = 'b1000' and card_id = 5");
        QCOMPARE(book.lockContentError(QStringLiteral("b1000"), p),
                 QStringLiteral("该帐单有部分卡号没有计算，请重新生成帐单!"));
        fx.db->exec("update MealMonthRec set MonthDes = 'b1000' where MonthDes = 'gone'");
        fx.db->exec("update MealMonthRec set Balance = 0.01 where MonthDes = 'b1000' and card_id = 6");
        QCOMPARE(book.lockContentError(QStringLiteral("b1000"), p),
                 QStringLiteral("该帐单存在平衡值不为0的记录，请重新生成帐单!"));
        fx.db->exec("update MealMonthRec set Balance = 0 where MonthDes = 'b1000'");

        // The stored lock date binds only while the company keeps one
        // (dsSysParamIsBillLockDate); a lock another session wrote is stored.
        const auto lockSwitch = [this](bool on) {
            fx.db->exec(
                QStringLiteral("update Company set parameters = 'aballowtype=False\\nisCheckLimitDate="
                               "False\\ndsSysParamIsBillLockDate=%1'")
                    .arg(on ? QStringLiteral("True") : QStringLiteral("False")));
        };
        fx.db->exec("insert into pos_lockBillDate (BillLockDate, AddDate) values ('2026-02-28 23:59:59', "
                    "'2026-03-01 08:00:00')");
        lockSwitch(false);
        QVERIFY(!book.lockDateEnabled());
        QCOMPARE(book.lockDate(), std::nullopt);
        QVERIFY(MonthlyBillBook::deleteAllowed(lock, book.lockDate()));
        lockSwitch(true);
        QVERIFY(book.lockDateEnabled());
        QCOMPARE(book.lockDate(), std::optional<QDateTime>(lock));
        QVERIFY(!MonthlyBillBook::deleteAllowed(lock, book.lockDate()));
        fx.db->exec("delete from pos_lockBillDate");

        QVERIFY(!fx.session.BillLockDate);
        book.writeLock(lock, QDateTime(QDate(2026, 3, 1), QTime(8, 0)));
        book.writeLock(lock, QDateTime(QDate(2026, 3, 2), QTime(8, 0)));
        QCOMPARE(fx.count("select count(*) from pos_lockBillDate"), 1);
        QCOMPARE(book.lockDate(), std::optional<QDateTime>(lock));
        // What this session locked binds also with the switch off.
        lockSwitch(false);
        QCOMPARE(book.lockDate(), std::optional<QDateTime>(lock));
        lockSwitch(true);
        QCOMPARE(fx.session.BillLockDate, std::optional<QDateTime>(lock));

        // Locking an older bill stores its end, but what this session locked
        // stays locked: the delete check still refuses February.
        const QDateTime older(QDate(2026, 1, 31), QTime(23, 59, 59));
        book.writeLock(older, QDateTime(QDate(2026, 3, 3), QTime(8, 0)));
        QCOMPARE(book.storedLockDate(), std::optional<QDateTime>(older));
        QCOMPARE(book.lockDate(), std::optional<QDateTime>(lock));
        QVERIFY(!MonthlyBillBook::deleteAllowed(lock, book.lockDate()));

        // A write that fails leaves the stored lock and the session's as they were.
        const QDateTime later(QDate(2026, 3, 31), QTime(23, 59, 59));
        fx.db->exec("rename table pos_lockBillDate to pos_lockBillDate_away");
        QVERIFY_THROWS_EXCEPTION(DbError, book.writeLock(later, QDateTime(QDate(2026, 4, 1), QTime(8, 0))));
        fx.db->exec("rename table pos_lockBillDate_away to pos_lockBillDate");
        QCOMPARE(fx.session.BillLockDate, std::optional<QDateTime>(lock));
        QCOMPARE(book.lockDate(), std::optional<QDateTime>(lock));
        // A later lock raises it.
        book.writeLock(later, QDateTime(QDate(2026, 4, 1), QTime(8, 0)));
        QCOMPARE(fx.session.BillLockDate, std::optional<QDateTime>(later));
        QCOMPARE(book.lockDate(), std::optional<QDateTime>(later));
        fx.session.BillLockDate.reset();
        lockSwitch(false);
    }

    // The gap test of the hand-out and the breaks the card history lists.
    void sequenceGapsAndBreaks() {
        auto rows = [](std::initializer_list<int> sequences) {
            std::vector<CardTxn> v;
            for (int s : sequences) {
                CardTxn t;
                t.card_sequ = s;
                v.push_back(t);
            }
            return v;
        };
        QVERIFY(hasSequenceGap(rows({5, 6, 8})));
        QVERIFY(!hasSequenceGap(rows({5, 6, 7})));
        QVERIFY(!hasSequenceGap(rows({1, 2, 3})));
        QVERIFY(hasSequenceGap(rows({1, 2, 2})));
        QVERIFY(!hasSequenceGap(rows({})));

        QCOMPARE(sequenceBreaks({1, 2, 2, 3}), QVector<int>{2});
        QCOMPARE(sequenceBreaks({5, 7}), QVector<int>{5});
        QCOMPARE(sequenceBreaks({1, 2, 3}), QVector<int>{});
        QCOMPARE(sequenceBreaks({}), QVector<int>{});
    }

    void cardChainFindsEachBreakOnce() {
        const auto money = [](qint64 cents) { return Currency::fromUnits(cents * 100); };
        // Two cards listed out of counter order; a meal order outside the chain; on card 7 a
        // consumption whose balance is 1 cent off and a repeated counter; on card 9 a gap.
        const QVector<ChainRow> rows{
            {7, 2, money(-500), money(9500)},   {9, 1, money(2000), money(2000)},
            {7, 1, money(10000), money(10000)}, {7, std::nullopt, money(-800), std::nullopt},
            {7, 3, money(-700), money(8801)},   {7, 3, money(-700), money(8101)},
            {9, 4, money(-100), money(1900)},   {7, 4, money(300), std::nullopt},
        };
        const QVector<ChainFinding> found = checkCardChain(rows);
        QCOMPARE(found.size(), 3);
        QCOMPARE(found[0].kind, ChainFinding::BalanceBreak);
        QCOMPARE(found[0].row, 4);
        QCOMPARE(found[0].expected, money(8800));
        QCOMPARE(found[0].found, money(8801));
        QCOMPARE(found[1].kind, ChainFinding::SequenceBreak);
        QCOMPARE(found[1].row, 5); // the second row numbered 3
        QCOMPARE(found[2].card, qint64(9));
        QCOMPARE(found[2].previousSequence, qint64(1));
        QCOMPARE(found[2].sequence, qint64(4));
        QVERIFY(describeCardChain(rows.size(), found)
                    .startsWith(QStringLiteral("共 8 条记录：卡流水号断号或重号 2 处，余额不连续 1 处。")));
        // A sound chain: 100.00 on, 5.00 off, 0.01 off.
        QVERIFY(checkCardChain({{3, 1, money(10000), money(10000)},
                                {3, 2, money(-500), money(9500)},
                                {3, 3, Currency::fromUnits(-100), Currency::fromUnits(949900)}})
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMonthlyRuns)
#include "test_monthly_runs.moc"
