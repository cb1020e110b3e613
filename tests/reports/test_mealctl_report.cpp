// mealctl report ActMealRecord on the hand-built database: the options mapped
// onto the filter (rows and sums), the user's departments, the merged list,
// the file formats and the refusals; the recharge, refund, balance, deposit,
// issued-card and lost-card reports on a database of their own.
#include "MealRecordsData.h"
#include "MealctlRun.h"
#include "RecordReportsData.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestMealctlReport : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_recordsHome;
    std::unique_ptr<TestDatabase> m_records;

    MealctlRun run(const QStringList& args) {
        return runMealctl(QStringLiteral(MEALCTL_FILE), m_home.path(), args);
    }
    // The report of November into the file `out` of the home folder; `global`
    // options go before the command.
    MealctlRun report(const QString& out, const QStringList& extra = {}, const QStringList& global = {}) {
        QFile::remove(m_home.filePath(out));
        return run(global +
                   QStringList{"report", "ActMealRecord", "--from", "2026-11-01", "--to", "2026-11-30",
                               "--out", m_home.filePath(out)} +
                   extra);
    }
    // The lines of a CSV report: titles, data lines, footer.
    QStringList csv(const QStringList& extra, int expectStatus = 0, const QStringList& global = {}) {
        const MealctlRun r = report(QStringLiteral("r.csv"), extra, global);
        [&] { QVERIFY2(r.status == expectStatus, qPrintable(r.err)); }();
        return csvLines(m_home.filePath(QStringLiteral("r.csv")));
    }
    // The lines of a CSV file without its byte-order mark; line breaks inside cells dropped.
    static QStringList csvLines(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll())
            .remove(QChar(0xFEFF))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)
            .replaceInStrings(QStringLiteral("\n"), QString());
    }
    static int dataLines(const QStringList& lines) { return int(lines.size()) - 2; }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("mealctl_report"));
        m_db->writeDaybookIni(m_home.path());
        fillMealRecordsData(*m_db);
        m_db->exec(
            QStringLiteral("insert into sys_user (Userid, UserName, Password, departs, dinroom_id) values "
                           "('ADMIN', '管理员', 'x', NULL, NULL), ('OPER2', '乙', 'x', '''0102''', NULL)"));
        if (m_db->scalar(QStringLiteral("select count(*) from Company")).toInt() == 0)
            m_db->exec(
                QStringLiteral("insert into Company (company_ch_name, parameters) values ('测试', '')"));
    }
    void cleanupTestCase() {
        m_db.reset();
        m_records.reset();
    }

    void rowsAndSumsPerFilter_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("sum");
        QTest::newRow("all") << QStringList() << 8 << QStringLiteral("￥68.00");
        QTest::newRow("key-value") << QStringList({"--kind", "2"}) << 2 << QStringLiteral("￥19.50");
        QTest::newRow("by item text")
            << QStringList({"--kind", "商品消费"}) << 1 << QStringLiteral("￥30.00");
        QTest::newRow("department") << QStringList({"--dept", "0101"}) << 5 << QStringLiteral("￥32.00");
        QTest::newRow("terminals") << QStringList({"--terminal", "1,2"}) << 5 << QStringLiteral("￥62.00");
        QTest::newRow("dining room") << QStringList({"--dinroom", "2"}) << 2 << QStringLiteral("￥5.00");
        QTest::newRow("room without terminals") << QStringList({"--dinroom", "3"}) << 0 << QString();
        QTest::newRow("card") << QStringList({"--card", "5002"}) << 2 << QStringLiteral("￥35.00");
        QTest::newRow("card and type")
            << QStringList({"--card", "5001", "--kind", "2"}) << 2 << QStringLiteral("￥19.50");
    }
    void rowsAndSumsPerFilter() {
        QFETCH(QStringList, options);
        QFETCH(int, rows);
        QFETCH(QString, sum);
        const QStringList lines = csv(options);
        QCOMPARE(dataLines(lines), rows);
        QVERIFY2(lines.value(0).startsWith(QStringLiteral("工号,姓名,卡号,部门名称,消费时间,消费金额")),
                 qPrintable(lines.value(0)));
        QVERIFY2(lines.last().startsWith(QStringLiteral("汇总:,")) && lines.last().contains(sum),
                 qPrintable(lines.last()));
    }

    // Codes show as their texts; an operator restricted to department 0102
    // sees its records only when the company restricts by department.
    void codeTextsAndTheUsersDepartments() {
        const QStringList terminal1 = csv({QStringLiteral("--terminal"), QStringLiteral("1")});
        QVERIFY2(terminal1.value(1).contains(QStringLiteral("键值")), qPrintable(terminal1.value(1)));
        QVERIFY(terminal1.value(1).contains(QStringLiteral("2026-11-02 07:00:00")));

        m_db->exec(QStringLiteral("update Company set parameters = 'cbDepart=True'"));
        const QStringList lines = csv({}, 0, {QStringLiteral("--user"), QStringLiteral("OPER2")});
        // --user is not a log-in: however it is typed, the account's rights
        // apply, and --dept cannot reach past them.
        const QStringList typedLower = csv({}, 0, {QStringLiteral("--user"), QStringLiteral("oper2")});
        const QStringList otherDept = csv({QStringLiteral("--dept"), QStringLiteral("0101")}, 0,
                                          {QStringLiteral("--user"), QStringLiteral("OPER2")});
        m_db->exec(QStringLiteral("update Company set parameters = ''"));
        QCOMPARE(dataLines(typedLower), 2);
        QCOMPARE(dataLines(otherDept), 0);
        QCOMPARE(dataLines(lines), 2);
        QVERIFY(lines.value(1).contains(QStringLiteral("李四")) &&
                lines.value(2).contains(QStringLiteral("李四")));
    }

    void detailsGiveTheMergedList() {
        const QStringList lines =
            csv({QStringLiteral("--kind"), QStringLiteral("2"), QStringLiteral("--details")});
        QCOMPARE(dataLines(lines), 3);
        QVERIFY(lines.first().contains(QStringLiteral("键值编号")));
        QVERIFY(lines.value(1).contains(QStringLiteral("张三")));
        QVERIFY(!lines.value(2).contains(QStringLiteral("张三"))); // the second line of the transaction
        QVERIFY(lines.value(3).contains(QStringLiteral("张三")));
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from information_schema.tables where "
                                             "table_schema = database() and table_name = 'meal_temptable'"))
                     .toInt(),
                 0);
        csv({QStringLiteral("--kind"), QStringLiteral("8"), QStringLiteral("--details")}, 1);
    }

    // Each report writes its window's statement's rows; the footer sums the money.
    void recordReports_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("sums");
        const QStringList nov = {"--from", "2026-11-01", "--to", "2026-11-30"};
        QTest::newRow("recharges") << QStringList{"ActFullRecord"} + nov << 0 << 8 << QStringList{"￥418.75"};
        QTest::newRow("manual allowances")
            << QStringList{"ActFullRecord", "--kind", "手工补贴"} + nov << 0 << 3 << QStringList{"￥28.25"};
        QTest::newRow("recharges of a department")
            << QStringList{"ActFullRecord", "--dept", "0102"} + nov << 0 << 3 << QStringList{"￥213.00"};
        QTest::newRow("unknown type")
            << QStringList{"ActFullRecord", "--kind", "9"} << 1 << -1 << QStringList();
        QTest::newRow("refunds") << QStringList{"ActBackRecords"} + nov << 0 << 2 << QStringList{"-￥20.50"};
        QTest::newRow("balances") << QStringList{"ActCardBalance"} << 0 << 4 << QStringList{"￥488.75"};
        QTest::newRow("departed balances")
            << QStringList{"ActCardBalance", "--type", "离职"} << 0 << 1 << QStringList{"￥0.00"};
        QTest::newRow("unknown record type")
            << QStringList{"ActCardBalance", "--type", "2"} << 1 << -1 << QStringList();
        QTest::newRow("deposits of a card")
            << QStringList{"ActCardCost", "--card", "5001"} + nov << 0 << 2 << QStringList{"￥35.00"};
        QTest::newRow("hostile card")
            << QStringList{"ActCardCost", "--card", "5001'--"} << 1 << -1 << QStringList();
        QTest::newRow("issued cards") << QStringList{"ActIssueCardRecord"} + nov << 0 << 3
                                      << QStringList{"￥330.00", "￥60.00", "￥15.00"};
        QTest::newRow("lost cards of a department")
            << QStringList{"ActLossCardMealRecord", "--dept", "02"} << 0 << 2 << QStringList{"￥10.00"};
        // The company restricts by department: OPER2 sees 0102 only.
        QTest::newRow("lost cards, the user's departments")
            << QStringList{"--user", "OPER2", "ActLossCardMealRecord"} << 0 << 1 << QStringList{"￥3.50"};
        QTest::newRow("recharges, the user's departments")
            << QStringList{"--user", "OPER2", "ActFullRecord"} + nov << 0 << 3 << QStringList{"￥213.00"};
    }
    void recordReports() {
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(int, rows);
        QFETCH(QStringList, sums);
        if (!m_records) {
            m_records = std::make_unique<TestDatabase>(QStringLiteral("mealctl_record_reports"));
            m_records->writeDaybookIni(m_recordsHome.path());
            fillRecordReportsData(*m_records);
            m_records->exec(
                QStringLiteral("insert into sys_user (Userid, UserName, Password, departs) values "
                               "('ADMIN', '管理员', 'x', NULL), ('OPER2', '乙', 'x', '''0102''')"));
            m_records->exec(QStringLiteral("delete from Company"));
            m_records->exec(QStringLiteral(
                "insert into Company (company_ch_name, parameters) values ('测试', 'cbDepart=True')"));
        }
        // Options before the report's name go before the command (--user).
        const int name = int(options.indexOf(QRegularExpression(QStringLiteral("Act.*"))));
        const QStringList global = options.mid(0, name);
        options = options.mid(name);
        const QString out = m_recordsHome.filePath(QStringLiteral("r.csv"));
        QFile::remove(out);
        const MealctlRun r = runMealctl(QStringLiteral(MEALCTL_FILE), m_recordsHome.path(),
                                        global + QStringList{"report"} + options + QStringList{"--out", out});
        QVERIFY2(r.status == status, qPrintable(r.err));
        QCOMPARE(QFile::exists(out), status == 0);
        if (status != 0)
            return;
        const QStringList lines = csvLines(out);
        QCOMPARE(dataLines(lines), rows);
        const QStringList footer = lines.last().split(QLatin1Char(','));
        QCOMPARE(footer.value(0), QStringLiteral("汇总:"));
        for (const QString& sum : sums)
            QVERIFY2(footer.contains(sum), qPrintable(lines.last()));
    }

    void otherFormatsAndRefusals() {
        for (const char* name : {"xls", "html", "rtf", "txt", "xml", "adtg"}) {
            const QString format = QString::fromLatin1(name);
            const MealctlRun r = report(QStringLiteral("r.") + format);
            QVERIFY2(r.status == 0, qPrintable(format + QLatin1Char(' ') + r.err));
            QVERIFY(QFileInfo(m_home.filePath(QStringLiteral("r.") + format)).size() > 100);
            QVERIFY(r.err.contains(QStringLiteral("8 rows written")));
        }
        const MealctlRun card = report(QStringLiteral("x.csv"), {"--card", "1 or 1=1"});
        QCOMPARE(card.status, 1);
        QVERIFY(card.err.contains(QStringLiteral("卡号")));
        QVERIFY(!QFile::exists(m_home.filePath(QStringLiteral("x.csv"))));
        QCOMPARE(report(QStringLiteral("x.csv"), {"--kind", "9"}).status, 1);
        // A dining room is wholly a number: "2abc" once compared as room 2.
        for (const char* room : {"2abc", "2 or 1=1", ""}) {
            const MealctlRun r =
                report(QStringLiteral("x.csv"), {QStringLiteral("--dinroom"), QString::fromLatin1(room)});
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains(QStringLiteral("不是有效的整数")), qPrintable(r.err));
            QVERIFY(!QFile::exists(m_home.filePath(QStringLiteral("x.csv"))));
        }
        QCOMPARE(report(QStringLiteral("x.csv"), {"--user-check"}).status, 2); // unknown option
        QCOMPARE(report(QStringLiteral("x.pdf")).status, 2);
        QCOMPARE(run({"report", "ActNoSuch", "--out", m_home.filePath(QStringLiteral("x.csv"))}).status, 2);
        QVERIFY(run({"report", "--help-reports"}).out.contains(QStringLiteral("ActMealRecord")));
    }
};

QTEST_MAIN(TestMealctlReport)
#include "test_mealctl_report.moc"
