// The consumption records statement on a hand-built database: rows and sums
// per type, department, terminal and card filter; refused card numbers; the
// merged list of master and detail lines, its footer and its work table;
// re-matching of meal periods.
#include "MealRecordsData.h"
#include "dataset/DataSet.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/GridFooter.h"
#include "db/DbError.h"
#include "db/Session.h"
#include "reports/MealRecordsMerge.h"
#include "reports/MealRecordsQuery.h"
#include "reports/MealRecordsRematch.h"

#include <QSemaphore>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestMealRecordsQuery : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;
    const QDateTime m_begin{QDate(2026, 11, 1), QTime(0, 0)};
    const QDateTime m_end{QDate(2026, 11, 30), QTime(23, 59, 59)};

    // Opens the statement of `f` for November; returns the row count and the
    // sum of card_consume in cents.
    QPair<int, qint64> run(const MealRecordsFilter& f, DataSet* keep = nullptr) {
        DataSet local;
        DataSet& ds = keep ? *keep : local;
        const QString sql = MealRecordsQuery::statement(f, m_session);
        ds.open(m_session.ModuleConnection, sql,
                {{QStringLiteral("@begindate"), m_begin.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
                 {QStringLiteral("@enddate"), m_end.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))}});
        const int consume = ds.fieldByName(QStringLiteral("card_consume")).index();
        return {ds.recordCount(), ds.sumFixed(consume) / 100};
    }
    static MealRecordsFilter kind(int index) {
        MealRecordsFilter f;
        f.kindIndex = index;
        return f;
    }
    QStringList column(DataSet& ds, const QString& field) {
        QStringList out;
        for (int i = 0; i < ds.recordCount(); ++i)
            out << ds.valueAt(ds.bookmarkAt(i), field).toString();
        return out;
    }
    // The work table as the session's connection sees it (a temporary table
    // is in no catalogue); -1 when there is none.
    static int workTableRows(const QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("select count(*) from Meal_TempTable")) || !q.next())
            return -1;
        return q.value(0).toInt();
    }
    bool workTableExists() const { return workTableRows(m_session.ModuleConnection) >= 0; }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("meal_records_query"));
        bindSession(m_session, *m_db, m_home.path());
        m_session.CurrentUserId = QStringLiteral("ADMIN");
        fillMealRecordsData(*m_db);
    }
    void cleanupTestCase() { m_db.reset(); }

    void rowsAndSumsPerType_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("rows");
        QTest::addColumn<qint64>("cents");
        QTest::newRow("定值") << 0 << 1 << qint64(1000);
        QTest::newRow("金额 (December only)") << 1 << 0 << qint64(0);
        QTest::newRow("键值") << 2 << 2 << qint64(1950);
        QTest::newRow("计次") << 3 << 0 << qint64(0);
        QTest::newRow("商品") << 4 << 1 << qint64(3000);
        QTest::newRow("计时") << 5 << 1 << qint64(500);
        QTest::newRow("纠错/补单/清零") << 7 << 3 << qint64(350);
        QTest::newRow("全部 without refunds") << 8 << 8 << qint64(6800);
    }
    void rowsAndSumsPerType() {
        QFETCH(int, index);
        QFETCH(int, rows);
        QFETCH(qint64, cents);
        const auto got = run(kind(index));
        QCOMPARE(got.first, rows);
        QCOMPARE(got.second, cents);
    }

    void departmentTerminalAndCardFilters() {
        MealRecordsFilter f;
        f.department.departmentSelected = true;
        f.department.departmentNo = QStringLiteral("01"); // sub-departments included
        QCOMPARE(run(f), qMakePair(7, qint64(6700)));
        f.department.departmentNo = QStringLiteral("0101");
        QCOMPARE(run(f), qMakePair(5, qint64(3200)));
        f.department.departmentFilter = false; // the dining-room page is shown
        QCOMPARE(run(f).first, 8);

        f = MealRecordsFilter();
        f.byTerminals = true;
        f.terminals = {1, 2};
        QCOMPARE(run(f), qMakePair(5, qint64(6200)));
        f.terminals = {2};
        QCOMPARE(run(f), qMakePair(2, qint64(3700)));
        f.terminals = {}; // a room without terminals
        QCOMPARE(run(f).first, 0);

        f = MealRecordsFilter();
        f.cardText = QStringLiteral(" 5002 ");
        QCOMPARE(run(f), qMakePair(2, qint64(3500)));

        // An operator bound to dining room 2 sees its terminals (also those
        // that are no POS terminals) when the company restricts by room.
        f = MealRecordsFilter();
        f.userDinRoom = QStringLiteral("2");
        QCOMPARE(run(f).first, 8);
        f.restrictToDinRoom = true;
        QCOMPARE(run(f), qMakePair(3, qint64(600)));
    }

    void terminalStatementsOfTheTree() {
        const SqlDialect d = m_session.dialect();
        const auto ids = [this](const QString& sql) {
            QStringList out;
            QSqlQuery q(m_session.ModuleConnection);
            m_session.runner().RunQuery(q, sql, true);
            while (q.next())
                out << q.value(0).toString();
            return out;
        };
        QCOMPARE(ids(MealRecordsQuery::allTerminalsStatement(d, QString(), true)),
                 QStringList({"1", "2", "3"}));
        QCOMPARE(ids(MealRecordsQuery::allTerminalsStatement(d, QStringLiteral("2"), true)),
                 QStringList({"3"}));
        QCOMPARE(ids(MealRecordsQuery::allTerminalsStatement(d, QStringLiteral("2"), false)).size(), 3);
        QCOMPARE(ids(MealRecordsQuery::roomTerminalsStatement(d, QStringLiteral("3"))), QStringList());
        QCOMPARE(ids(MealRecordsQuery::roomTerminalsStatement(d, QStringLiteral("x' or '1'='1"))),
                 QStringList());

        const QVector<MealRecordsQuery::ClockTreeRoom> rooms = MealRecordsQuery::loadClockTree(m_session);
        QCOMPARE(rooms.size(), 3);
        const auto terminals = [&](int room) {
            QStringList shown;
            for (const MealRecordsQuery::ClockTreeTerminal& t : rooms[room].terminals)
                shown << QStringLiteral("%1:%2").arg(QString::number(t.clockId), t.caption);
            return shown;
        };
        QCOMPARE(terminals(0), QStringList({"1:1(127.0.0.1-80)", "2:2(COM3-9600)"}));
        QCOMPARE(terminals(1), QStringList({"3:3(127.0.0.3-81)"}));
        QVERIFY(rooms[2].terminals.isEmpty());
    }

    // The card number goes into the statement unquoted: only digits pass,
    // and a refusal happens before anything is queried.
    void cardNumbersMustBeDigits() {
        for (const QString& bad : {QStringLiteral("5001 or 1=1"), QStringLiteral("-1"),
                                   QStringLiteral("+5001"), QStringLiteral("5e3"), QStringLiteral("５００１"),
                                   QStringLiteral("0x10"), QStringLiteral("1;drop table MealRecords")}) {
            MealRecordsFilter f;
            f.cardText = bad;
            try {
                MealRecordsQuery::statement(f, m_session);
                QFAIL(qPrintable(QStringLiteral("accepted card number ") + bad));
            } catch (const DbError& e) {
                QVERIFY(e.message().contains(QStringLiteral("卡号")));
            }
        }
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from MealRecords")).toInt(), 10);
    }

    // Key-value and goods records show their master columns only on the first
    // line of each transaction; timed records on every line. Records outside
    // any meal period keep their lines.
    void mergedListShowsMasterColumnsOnFirstLines() {
        struct Case {
            int index;
            QStringList empIds;
            QStringList detail;
            QString detailField;
            QString sum; // the footer of card_consume
        };
        const Case cases[] = {
            {2, {"0001", "", "0001"}, {"7", "8", "7"}, QStringLiteral("KeyID"), QStringLiteral("￥19.50")},
            {4, {"0002", ""}, {"米饭", "鸡腿"}, QStringLiteral("StoreName"), QStringLiteral("￥30.00")},
            {5, {"0002"}, {"65.00"}, QStringLiteral("EndBanlance"), QStringLiteral("￥5.00")},
        };
        for (const Case& c : cases) {
            MergedKind merged;
            QVERIFY(MealRecordsMerge::kindOfIndex(c.index, &merged));
            DataSet rows;
            bool written = false;
            MealRecordsMerge::run(m_session, merged, kind(c.index), m_begin, m_end, rows, [&](DataSet& ds) {
                QVERIFY(workTableExists());
                QCOMPARE(column(ds, QStringLiteral("emp_id")), c.empIds);
                QStringList detail = column(ds, c.detailField);
                if (c.detailField == QLatin1String("EndBanlance"))
                    detail[0] = QString::number(detail[0].toDouble(), 'f', 2);
                QCOMPARE(detail, c.detail);
                // Every master column follows the first-line rule.
                for (int i = 0; i < ds.recordCount(); ++i) {
                    const bool first = !c.empIds[i].isEmpty();
                    for (const char* master : {"empname", "card_id", "sign_time", "card_consume", "flag"})
                        QCOMPARE(ds.isNullAt(ds.bookmarkAt(i), ds.fieldByName(QLatin1String(master)).index()),
                                 !first);
                }
                // The footer sums money and counts the lines.
                MealRecordsMerge::applyLabels(ds);
                DataSetTableModel model;
                model.setDataSet(&ds);
                GridFooter footer;
                MealRecordsMerge::mergedFooter(model, footer);
                QCOMPARE(footer.text(ds, *ds.field(0)), QStringLiteral("汇总:"));
                QCOMPARE(footer.text(ds, ds.fieldByName(QStringLiteral("card_consume"))), c.sum);
                QCOMPARE(footer.text(ds, ds.fieldByName(QStringLiteral("emp_id"))),
                         QString::number(c.empIds.size()));
                if (c.index == MealRecordsQuery::KeyValueIndex)
                    QCOMPARE(footer.text(ds, ds.fieldByName(QStringLiteral("KeyPrice"))), c.sum);
                written = true;
            });
            QVERIFY(written);
            QVERIFY(!workTableExists());
        }
    }

    // Conditions the window adds during a tree click or for a bound dining
    // room name the master's terminal column, which the detail tables share.
    // Texts the operator typed stay inside their literals: an "order" or a
    // period placeholder in a name does not cut or rewrite the conditions.
    void mergedListFollowsTheConditions() {
        const auto lines = [this](const MealRecordsFilter& f) {
            DataSet rows;
            int count = -1;
            MealRecordsMerge::run(m_session, MergedKind::KeyValue, f, m_begin, m_end, rows,
                                  [&](DataSet& ds) { count = ds.recordCount(); });
            return count;
        };
        MealRecordsFilter f = kind(MealRecordsQuery::KeyValueIndex);
        f.byTerminals = true;
        f.terminals = {2};
        f.userDinRoom = QStringLiteral("1");
        f.restrictToDinRoom = true;
        QCOMPARE(lines(f), 1); // terminal 2 has one key-value line in November

        f = kind(MealRecordsQuery::KeyValueIndex);
        f.department.fromSearchButton = true;
        f.department.nameText = QStringLiteral("x' order by :@begindate %5 --");
        QCOMPARE(lines(f), 0);
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from keydetail")).toInt(), 3);
    }

    // Lines stay with their transaction whatever order the server joins in.
    // Here it reads the detail table first (a handful of lines against many
    // master rows of another type), and the lines are stored in an order
    // unlike their masters': a number given in scan order would split them.
    void mergedLinesStayWithTheirTransaction() {
        TestDatabase other(QStringLiteral("meal_records_merge_order"));
        Session s;
        bindSession(s, other, m_home.path());
        s.CurrentUserId = QStringLiteral("ADMIN");
        other.exec(QStringLiteral(
            "insert into MealRecords (emp_id, sys_id, empname, card_id, clock_id, pos_sequ, card_sequ, "
            "sign_time, flag, card_consume, card_balance, kind) select concat('9', lpad(seq, 3, '0')), seq, "
            "'other', 9000 + seq, 2, seq, 1, '2026-11-10 12:00:00', 1, 1.00, 10.00, 1 from seq_1_to_3000"));
        other.exec(QStringLiteral(
            "insert into MealRecords (emp_id, sys_id, empname, card_id, clock_id, pos_sequ, card_sequ, "
            "sign_time, flag, card_consume, card_balance, kind) values "
            "('0003', 3, '王五', 5003, 1, 10, 7, '2026-11-02 07:00:00', 3, 3.00, 10.00, 1),"
            "('0001', 1, '张三', 5001, 1, 11, 5, '2026-11-03 07:00:00', 3, 6.00, 10.00, 1),"
            "('0002', 2, '李四', 5002, 1, 12, 2, '2026-11-04 07:00:00', 3, 2.00, 10.00, 1)"));
        // KeyID: transaction (pos 10, 11, 12) * 10 + line number.
        other.exec(QStringLiteral("insert into keydetail (clock_id, Devno, RecNo, KeyID, Price) values "
                                  "(1, 12, 1, 121, 1), (1, 10, 2, 102, 1), (1, 11, 0, 110, 3), "
                                  "(1, 12, 0, 120, 1), (1, 10, 0, 100, 1), (1, 11, 1, 111, 3), "
                                  "(1, 10, 1, 101, 1)"));
        other.exec(QStringLiteral("analyze table MealRecords, keydetail"));
        QSqlQuery plan(other.db());
        QVERIFY(plan.exec(QStringLiteral(
            "explain select * from MealRecords m inner join keydetail v on m.clock_id = v.clock_id and "
            "m.pos_sequ = v.Devno where m.flag = 3 and m.sign_time between '2026-11-01' and '2026-11-30'")));
        QVERIFY(plan.next());
        QCOMPARE(plan.value(QStringLiteral("table")).toString(), QStringLiteral("v")); // the details first
        plan.finish();

        DataSet rows;
        QStringList emp;
        QStringList keys;
        MealRecordsMerge::run(s, MergedKind::KeyValue, kind(MealRecordsQuery::KeyValueIndex), m_begin, m_end,
                              rows, [&](DataSet& ds) {
                                  emp = column(ds, QStringLiteral("emp_id"));
                                  keys = column(ds, QStringLiteral("KeyID"));
                              });
        QCOMPARE(emp, QStringList({"0001", "", "0002", "", "0003", "", ""}));
        QCOMPARE(keys, QStringList({"110", "111", "120", "121", "100", "101", "102"}));
    }

    // Two exports at once, each on its own connection, each see their own
    // work table: neither drops, refills nor reads the other's.
    void concurrentExportsKeepTheirOwnWorkTables() {
        struct Export {
            MergedKind kind;
            MealRecordsFilter filter;
            int lines = -1;
            int workRows = -2;
            QString error;
        };
        Export exports[2] = {
            {MergedKind::KeyValue, kind(MealRecordsQuery::KeyValueIndex), -1, -2, QString()},
            {MergedKind::Goods, kind(MealRecordsQuery::GoodsIndex), -1, -2, QString()},
        };
        QSemaphore filled;
        const ConnectionSettings settings = m_db->settings();
        const QString home = m_home.path();
        const auto work = [&](Export& e, const QString& name) {
            {
                Session s;
                try {
                    s.programFolder = home;
                    s.ModuleConnection = openDatabase(settings, name);
                    s.readConfiguration();
                    DataSet rows;
                    MealRecordsMerge::run(s, e.kind, e.filter, m_begin, m_end, rows, [&](DataSet& ds) {
                        // Both have filled their tables before either reads or drops.
                        filled.release();
                        if (!filled.tryAcquire(2, 10000))
                            throw DbError(QStringLiteral("the other export did not fill its table"));
                        filled.release(2);
                        e.lines = ds.recordCount();
                        e.workRows = workTableRows(s.ModuleConnection);
                    });
                } catch (const DbError& ex) {
                    e.error = ex.message();
                    filled.release(); // never leave the other one waiting
                }
                s.ModuleConnection.close();
                s.ModuleConnection = QSqlDatabase();
            }
            QSqlDatabase::removeDatabase(name);
        };
        std::unique_ptr<QThread> a(QThread::create(work, std::ref(exports[0]), QStringLiteral("merge_a")));
        std::unique_ptr<QThread> b(QThread::create(work, std::ref(exports[1]), QStringLiteral("merge_b")));
        a->start();
        b->start();
        QVERIFY(a->wait(30000) && b->wait(30000));
        for (const Export& e : exports) {
            QVERIFY2(e.error.isEmpty(), qPrintable(e.error));
            QCOMPARE(e.workRows, e.lines);
        }
        QCOMPARE(exports[0].lines, 3); // key-value lines
        QCOMPARE(exports[1].lines, 2); // goods lines
    }

    void workTableIsDroppedEvenWhenTheExportFails() {
        // A table of that name that is not ours is neither in the way nor dropped.
        m_db->exec(QStringLiteral("create table Meal_TempTable (x int)"));
        const MealRecordsFilter goods = kind(MealRecordsQuery::GoodsIndex);
        DataSet rows;
        try {
            MealRecordsMerge::run(m_session, MergedKind::Goods, goods, m_begin, m_end, rows,
                                  [](DataSet&) { throw DbError(QStringLiteral("磁盘已满")); });
            QFAIL("the writer's failure was swallowed");
        } catch (const DbError& e) {
            QCOMPARE(e.message(), QStringLiteral("磁盘已满"));
        }
        QCOMPARE(workTableRows(m_session.ModuleConnection), 0);
        QVERIFY(!rows.isActive());
        // A filling statement the server refuses leaves no table either.
        m_db->exec(QStringLiteral("rename table vstoredetail to vstoredetail_away"));
        try {
            MealRecordsMerge::run(m_session, MergedKind::Goods, goods, m_begin, m_end, rows, [](DataSet&) {});
            m_db->exec(QStringLiteral("rename table vstoredetail_away to vstoredetail"));
            QFAIL("a broken statement ran");
        } catch (const DbError&) {
        }
        m_db->exec(QStringLiteral("rename table vstoredetail_away to vstoredetail"));
        QCOMPARE(workTableRows(m_session.ModuleConnection), 0); // the other table, still there
        m_db->exec(QStringLiteral("drop table Meal_TempTable"));
        QVERIFY(!workTableExists());
    }

    // "全部" is ordered by employee and card counter. Re-matching writes only
    // records whose period is wrong; a time in no valid period gets period 1.
    void rematchWritesOnlyWrongPeriods() {
        DataSet ds;
        run(kind(MealRecordsQuery::AllIndex), &ds);
        QCOMPARE(column(ds, QStringLiteral("pos_sequ")),
                 QStringList({"10", "11", "21", "20", "30", "40", "32", "13"}));
        MealPeriodMatcher matcher(m_session);
        QStringList changed;
        for (int i = 0; i < ds.recordCount(); ++i) {
            const Bookmark b = ds.bookmarkAt(i);
            RematchRecord r{ds.valueAt(b, QStringLiteral("emp_id")), ds.valueAt(b, QStringLiteral("card_id")),
                            ds.valueAt(b, QStringLiteral("card_sequ")),
                            ds.valueAt(b, QStringLiteral("sign_time")).toDateTime(),
                            ds.valueAt(b, QStringLiteral("kind"))};
            if (matcher.rematch(r))
                changed << ds.valueAt(b, QStringLiteral("pos_sequ")).toString();
        }
        // 12:00 was breakfast, 08:00 outside any period; 20:00 is in none and has 1 already.
        QCOMPARE(changed, QStringList({"11", "30"}));
        QCOMPARE(m_db->scalar(QStringLiteral("select kind from MealRecords where pos_sequ = 11")).toInt(), 2);
        QCOMPARE(m_db->scalar(QStringLiteral("select kind from MealRecords where pos_sequ = 30")).toInt(), 1);
        QCOMPARE(m_db->scalar(QStringLiteral("select kind from MealRecords where pos_sequ = 40")).toInt(), 1);
        // The refund of 03:00 was not in the list and keeps its period.
        QCOMPARE(m_db->scalar(QStringLiteral("select kind from MealRecords where pos_sequ = 31")).toInt(), 5);
        m_db->exec(QStringLiteral("update MealRecords set kind = 1 where pos_sequ = 11"));
        m_db->exec(QStringLiteral("update MealRecords set kind = 0 where pos_sequ = 30"));
    }
};

QTEST_MAIN(TestMealRecordsQuery)
#include "test_meal_records_query.moc"
