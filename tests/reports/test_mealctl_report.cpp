// mealctl report ActMealRecord on the hand-built database: the rows and sums
// per type, department, terminal and card, the formats, the merged list and
// the refusals.
#include "MealRecordsData.h"
#include "MealctlRun.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestMealctlReport : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;

    using Run = MealctlRun;
    Run run(const QStringList& args) { return runMealctl(QStringLiteral(MEALCTL_FILE), m_home.path(), args); }
    QString path(const QString& name) const { return m_home.filePath(name); }
    // The CSV lines of a report of November with extra options.
    QStringList csv(const QStringList& extra, int expectStatus = 0) {
        QStringList args = {QStringLiteral("report"), QStringLiteral("ActMealRecord"),
                            QStringLiteral("--from"), QStringLiteral("2026-11-01"),
                            QStringLiteral("--to"),   QStringLiteral("2026-11-30"),
                            QStringLiteral("--out"),  path(QStringLiteral("r.csv"))};
        QFile::remove(path(QStringLiteral("r.csv")));
        const Run r = run(args + extra);
        if (r.status != expectStatus)
            qWarning() << r.err;
        [&] { QCOMPARE(r.status, expectStatus); }();
        QFile f(path(QStringLiteral("r.csv")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromUtf8(f.readAll());
        text.remove(QChar(0xFEFF));
        return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)
            .replaceInStrings(QStringLiteral("\n"), QString());
    }
    // Data lines (without title and footer) and the footer line.
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
    void cleanupTestCase() { m_db.reset(); }

    void rowsAndSumsPerFilter_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("sum");
        QTest::newRow("all") << QStringList() << 8 << QStringLiteral("￥68.00");
        QTest::newRow("key-value") << QStringList({"--kind", "2"}) << 2 << QStringLiteral("￥19.50");
        QTest::newRow("by item text")
            << QStringList({"--kind", "商品消费"}) << 1 << QStringLiteral("￥30.00");
        QTest::newRow("corrections") << QStringList({"--kind", "7"}) << 3 << QStringLiteral("￥3.50");
        QTest::newRow("department") << QStringList({"--dept", "0101"}) << 5 << QStringLiteral("￥32.00");
        QTest::newRow("terminals") << QStringList({"--terminal", "1,2"}) << 5 << QStringLiteral("￥62.00");
        QTest::newRow("dining room") << QStringList({"--dinroom", "2"}) << 2 << QStringLiteral("￥5.00");
        QTest::newRow("room without terminals") << QStringList({"--dinroom", "3"}) << 0 << QStringLiteral("");
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
        const QStringList footer = lines.last().split(QLatin1Char(','));
        QCOMPARE(footer.value(0), QStringLiteral("汇总:"));
        if (rows > 0)
            QVERIFY2(lines.last().contains(sum), qPrintable(lines.last()));
    }

    void codesShowAsTexts() {
        const QStringList lines = csv({QStringLiteral("--terminal"), QStringLiteral("1")});
        QVERIFY2(lines.value(1).contains(QStringLiteral("键值")), qPrintable(lines.value(1)));
        QVERIFY(lines.value(1).contains(QStringLiteral("2026-11-02 07:00:00")));
    }

    void departmentRightsOfTheUser() {
        m_db->exec(QStringLiteral("update Company set parameters = 'cbDepart=True'"));
        const QStringList lines = csv({QStringLiteral("--user-check")}, 2); // unknown option refused
        QVERIFY(lines.isEmpty());
        QFile::remove(path(QStringLiteral("r.csv")));
        const Run r = run({QStringLiteral("--user"), QStringLiteral("OPER2"), QStringLiteral("report"),
                           QStringLiteral("ActMealRecord"), QStringLiteral("--from"),
                           QStringLiteral("2026-11-01"), QStringLiteral("--to"), QStringLiteral("2026-11-30"),
                           QStringLiteral("--out"), path(QStringLiteral("o.csv"))});
        m_db->exec(QStringLiteral("update Company set parameters = ''"));
        QCOMPARE(r.status, 0);
        QFile f(path(QStringLiteral("o.csv")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()).count(QStringLiteral("李四")), 2); // department 0102 only
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

    void otherFormatsAndRefusals() {
        for (const QString& format : {QStringLiteral("xls"), QStringLiteral("html"), QStringLiteral("rtf"),
                                      QStringLiteral("txt"), QStringLiteral("xml"), QStringLiteral("adtg")}) {
            const QString out = path(QStringLiteral("r.") + format);
            const Run r = run({QStringLiteral("report"), QStringLiteral("ActMealRecord"),
                               QStringLiteral("--from"), QStringLiteral("2026-11-01"), QStringLiteral("--to"),
                               QStringLiteral("2026-11-30"), QStringLiteral("--out"), out});
            QVERIFY2(r.status == 0, qPrintable(format + QLatin1Char(' ') + r.err));
            QVERIFY(QFileInfo(out).size() > 100);
            QVERIFY(r.err.contains(QStringLiteral("8 rows written")));
        }
        const Run card =
            run({QStringLiteral("report"), QStringLiteral("ActMealRecord"), QStringLiteral("--card"),
                 QStringLiteral("1 or 1=1"), QStringLiteral("--out"), path(QStringLiteral("x.csv"))});
        QCOMPARE(card.status, 1);
        QVERIFY(card.err.contains(QStringLiteral("卡号")));
        QVERIFY(!QFile::exists(path(QStringLiteral("x.csv"))));
        QCOMPARE(run({QStringLiteral("report"), QStringLiteral("ActNoSuch"), QStringLiteral("--out"),
                      path(QStringLiteral("x.csv"))})
                     .status,
                 2);
        QCOMPARE(run({QStringLiteral("report"), QStringLiteral("ActMealRecord"), QStringLiteral("--out"),
                      path(QStringLiteral("x.pdf"))})
                     .status,
                 2);
        QCOMPARE(run({QStringLiteral("report"), QStringLiteral("ActMealRecord"), QStringLiteral("--kind"),
                      QStringLiteral("9"), QStringLiteral("--out"), path(QStringLiteral("x.csv"))})
                     .status,
                 1);
        const Run list = run({QStringLiteral("report"), QStringLiteral("--help-reports")});
        QVERIFY(list.out.contains(QStringLiteral("ActMealRecord")));
    }
};

QTEST_MAIN(TestMealctlReport)
#include "test_mealctl_report.moc"
