// The allowance import against the database: rows, refusals in order, end
// lines and serials from a workbook and a CSV file; two imports at once never
// give a person one serial twice; damaged and hostile files write nothing.
#include "MealctlRun.h"
#include "TestDatabase.h"
#include "allowance/AllowanceImport.h"
#include "db/DatabaseConnection.h"
#include "db/SchemaUpgrade.h"
#include "db/Session.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

QString fixture(const char* name) {
    return QStringLiteral(MEAL_FIXTURE_DIR "/") + QLatin1String(name);
}

struct Outcome {
    AllowanceImportResult result;
    QStringList memo;
    QStringList messages;
    QPair<int, int> lastProgress{-1, -1};
};

} // namespace

class TestAllowanceImport : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    std::unique_ptr<TestDatabase> db;
    Session session;

    // The settings are read on the interface thread's connection, before a worker starts.
    Outcome import(const QString& path, QSqlDatabase connection = QSqlDatabase(),
                   std::optional<AllowanceImportSettings> settings = std::nullopt) {
        Outcome o;
        AllowanceImportEvents events;
        events.memoLine = [&](const QString& l) { o.memo << l; };
        events.message = [&](const QString& m) { o.messages << m; };
        events.progress = [&](int row, int total) { o.lastProgress = {row, total}; };
        const QueryRunner runner = session.runner();
        AllowanceImport run(connection.isValid() ? connection : db->db(), runner,
                            settings ? *settings : AllowanceImportSettings::fromSession(session));
        o.result = run.run(path, events);
        return o;
    }
    QStringList stored(const QString& columns = QStringLiteral(
                           "emp_id, cast(deposit as char), cast(AllowDate as char), charge_ver")) {
        QSqlQuery q(db->db());
        q.exec(QStringLiteral("select concat_ws('|', %1) from mallowance order by id").arg(columns));
        QStringList rows;
        while (q.next())
            rows << q.value(0).toString();
        return rows;
    }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = home.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write");
        f.write(bytes);
        return path;
    }

private slots:
    void initTestCase() {
        db = std::make_unique<TestDatabase>(QStringLiteral("allowance_import"));
        bindSession(session, *db, home.path());
        session.CurrentUserName = QStringLiteral("导入员");
        db->exec("insert into Company (company_ch_name, parameters) values ('测试', 'edmaxbalance=1000')");
        QVERIFY(UpgradeSchema(session).indexesAdded.contains(
            QStringLiteral("create unique index ux_mallowance_emp_ver on mallowance (emp_id, charge_ver)")));
        const struct {
            const char* empno;
            int card;
            int issued;
            int status;
            const char* name;
        } people[] = {{"1001", 5001, 1, 3, "张三"}, {"E002", 5002, 1, 3, "李四"},
                      {"1003", 5003, 1, 3, "王五"}, {"1004", 5004, 1, 3, "赵六"},
                      {"1005", 5005, 1, 3, "钱七"}, {"1006", 5006, 1, 3, "孙八"},
                      {"1007", 5007, 0, 3, "周九"}, {"1008", 5008, 1, 4, "吴十"},
                      {"1009", 5009, 1, 3, "郑一"}, {"1010", 5010, 1, 3, "王二"}};
        for (const auto& p : people) {
            db->exec(
                QStringLiteral("insert into hum_employee (empno, empname, deptno, deptname, card_id, sys_id, "
                               "issued) values ('%1', '%2', '0101', '人事部', %3, %4, %5)")
                    .arg(QLatin1String(p.empno), QString::fromUtf8(p.name), QString::number(p.card),
                         QString::number(p.card - 4000), QString::number(p.issued)));
            db->exec(QStringLiteral("insert into cardinfo (empno, sys_id, card_id, CardStatus) values "
                                    "('%1', %2, %3, %4)")
                         .arg(QLatin1String(p.empno), QString::number(p.card - 4000), QString::number(p.card),
                              QString::number(p.status)));
        }
    }
    void cleanupTestCase() {
        session.ModuleConnection = QSqlDatabase();
        db.reset();
    }
    void init() { db->exec("delete from mallowance"); }

    // Refusals in the order of the checks, the end lines; the spreadsheet
    // stops at the first row without an employee number and checks the card,
    // a CSV file goes on to its end and does not.
    void importsFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("memo");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("rows");
        const QStringList sheetMemo{
            "工号 ：1003 补贴金额为零导致导入失败!",
            "工号 ：1004 系统查无此工号或者查无此卡号导致导入失败!",
            "工号 ：1005 补贴金额超过两位小数导致导入失败!",
            "工号 ：1006 补贴有效期为空或无法识别导致导入失败!",
            "工号 ：1007 未发卡导致导入失败!",
            "卡号 ：5008 此卡为黑名单导致导入失败!",
            "工号 ：1010补贴后金额大于系统设置的最大金额导致导入失败!",
            "导入文件行数4",
            "导入完成(11/4)",
        };
        const QStringList sheetRows{"1001|100.00|2026-12-31 00:00:00|1", "E002|50.50|2026-12-31 23:59:59|1",
                                    "1009|1000.00|2026-12-31 00:00:00|1", "1001|30.00|2027-01-31 00:00:00|2"};
        const QStringList csvMemo =
            sheetMemo.mid(0, 4) + QStringList{sheetMemo[6], "导入文件行数7", "导入完成(11/7)"};
        const QStringList csvRows{"1001|100.00|2026-12-31 00:00:00|1",  "E002|50.50|2026-12-31 23:59:59|1",
                                  "1007|10.00|2026-12-31 00:00:00|1",   "1008|10.00|2026-12-31 00:00:00|1",
                                  "1009|1000.00|2026-12-31 00:00:00|1", "1001|30.00|2027-01-31 00:00:00|2",
                                  "1005|5.00|2026-12-31 00:00:00|1"};
        const QStringList done{"  导入数据操作完成"};
        const QStringList csvDone{"部门编号不能为空!\n请检查导入文件!", "  导入数据操作完成"};
        QTest::newRow("xlsx") << fixture("allowances.xlsx") << sheetMemo << done << sheetRows;
        QTest::newRow("csv gbk") << fixture("allowances-gbk.csv") << csvMemo << csvDone << csvRows;
    }
    void importsFile() {
        QFETCH(QString, file);
        QFETCH(QStringList, memo);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, rows);
        const Outcome o = import(file);
        QCOMPARE(o.memo, memo);
        QCOMPARE(o.messages, messages);
        QCOMPARE(stored(), rows);
        QCOMPARE(o.result.imported, rows.size());
        QCOMPARE(o.result.refused, memo.size() - 2);
        QVERIFY(o.result.failure.isEmpty());
        QCOMPARE(o.lastProgress.second, 11);
        // Name and department come from the personnel table, never from the file.
        QCOMPARE(
            stored(QStringLiteral("sys_id, card_id, empname, deptno, deptname, op_user, charged, downed"))
                .first(),
            QStringLiteral("1001|5001|张三|0101|人事部|导入员|0|0"));
    }

    // Two imports at once, each on its own connection, for the same people:
    // every allowance is registered and no serial is given twice.
    void concurrentImportsKeepSerialsUnique() {
        QByteArray csv("工号,卡号,补贴金额,补贴有效期\n");
        for (int i = 0; i < 150; ++i)
            csv += i % 2 ? "1001,5001,1.00,2026-12-31\n" : "E002,5002,2.00,2026-12-31\n";
        const QString path = writeFile(QStringLiteral("many.csv"), csv);
        const AllowanceImportSettings settings = AllowanceImportSettings::fromSession(session);
        int imported[2] = {0, 0};
        QString failures[2];
        auto worker = [&](int n) {
            return QThread::create([&, n] {
                const QString name = QStringLiteral("import-%1").arg(n);
                {
                    QSqlDatabase own = openClone(db->db(), name);
                    const Outcome o = import(path, own, settings);
                    imported[n] = o.result.imported;
                    failures[n] = o.result.failure;
                }
                QSqlDatabase::removeDatabase(name);
            });
        };
        std::unique_ptr<QThread> a(worker(0)), b(worker(1));
        a->start();
        b->start();
        QVERIFY(a->wait(120000) && b->wait(120000));
        QCOMPARE(failures[0], QString());
        QCOMPARE(failures[1], QString());
        QCOMPARE(imported[0] + imported[1], 300);
        for (const char* emp : {"1001", "E002"}) {
            const QString where =
                QStringLiteral(" from mallowance where emp_id = '%1'").arg(QLatin1String(emp));
            QCOMPARE(db->scalar("select count(*)" + where).toInt(), 150);
            QCOMPARE(db->scalar("select count(distinct charge_ver)" + where).toInt(), 150);
            QCOMPARE(db->scalar("select max(charge_ver)" + where).toInt(), 150);
        }
    }

    // The key counter is reseeded only on SQL Server: on MariaDB the command
    // does not exist, so sending it there ends the run before any row.
    void reseedOnlyOnSqlServer() {
        AllowanceImportSettings settings = AllowanceImportSettings::fromSession(session);
        QVERIFY(!settings.dialect.isSqlServer());
        QVERIFY(import(fixture("allowances.xlsx"), QSqlDatabase(), settings).result.failure.isEmpty());
        db->exec("delete from mallowance");
        settings.dialect = SqlDialect(true, false);
        const Outcome o = import(fixture("allowances.xlsx"), QSqlDatabase(), settings);
        QVERIFY(!o.result.failure.isEmpty());
        QCOMPARE(db->scalar("select count(*) from mallowance").toInt(), 0);
    }

    // A damaged or missing file: the operator is told, nothing is written.
    void unreadableFilesWriteNothing() {
        QFile xlsx(fixture("allowances.xlsx"));
        QVERIFY(xlsx.open(QIODevice::ReadOnly));
        const QByteArray workbook = xlsx.readAll();
        const QPair<QString, QString> cases[] = {
            {writeFile(QStringLiteral("t.xlsx"), workbook.left(workbook.size() - 100)),
             AllowanceImportText::unreadableFile()},
            {home.filePath(QStringLiteral("none.xls")), AllowanceImportText::missingFile()}};
        for (const auto& [path, message] : cases) {
            const Outcome o = import(path);
            QCOMPARE(o.messages, QStringList{message});
            QVERIFY(o.memo.isEmpty() && !o.result.ran);
            QCOMPARE(db->scalar("select count(*) from mallowance").toInt(), 0);
        }
    }

    // Hostile cells are values: they find nobody and change nothing.
    void hostileCellsAreRefused() {
        const QByteArray csv = "工号,卡号,补贴金额,补贴有效期\n"
                               "1001' or '1'='1,5001,10,2026-12-31\n"
                               "1001\\,5001,10,2026-12-31\n"
                               "%,5001,10,2026-12-31\n"
                               "1001,5001 or 1=1,10,2026-12-31\n"
                               "1001,5001,10; delete from mallowance,2026-12-31\n"
                               "1001,5001,10,2026-12-31'); drop table mallowance; --\n"
                               "1001,5001,1e2,2026-12-31\n" +
                               QByteArray(3000, '9') + ",5001,10,2026-12-31\n";
        const Outcome o = import(writeFile(QStringLiteral("hostile.csv"), csv));
        QCOMPARE(o.result.imported, 0);
        QCOMPARE(o.result.refused, 8);
        QCOMPARE(o.memo.at(0),
                 QStringLiteral("工号 ：1001' or '1'='1 系统查无此工号或者查无此卡号导致导入失败!"));
        QCOMPARE(o.memo.at(4), QStringLiteral("工号 ：1001 补贴金额无法识别导致导入失败!"));
        QCOMPARE(o.memo.at(5), QStringLiteral("工号 ：1001 补贴有效期为空或无法识别导致导入失败!"));
        QCOMPARE(o.memo.at(6), QStringLiteral("工号 ：1001 补贴金额无法识别导致导入失败!"));
        QCOMPARE(db->scalar("select count(*) from hum_employee").toInt(), 10);
    }

    // mealctl allowance import: the same lines, and an exit status a script
    // can test (non-zero when a row was refused or the file was not read).
    void mealctlImport() {
        db->writeDaybookIni(home.path());
        db->exec("insert into sys_user (Userid, UserName, Password) values ('ADMIN', '管理员', 'x')");
        auto run = [&](const QString& file) {
            return runMealctl(QStringLiteral(MEALCTL_FILE), home.path(), {"allowance", "import", file});
        };
        MealctlRun r = run(fixture("allowances-gbk.csv"));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(QStringLiteral("工号 ：1004 系统查无此工号或者查无此卡号导致导入失败!\n")) &&
                     r.out.endsWith(QStringLiteral("导入文件行数7\n导入完成(11/7)\n")),
                 qPrintable(r.out));
        QVERIFY2(r.err.contains(QStringLiteral("7 imported, 5 refused")), qPrintable(r.err));
        QCOMPARE(db->scalar("select count(*) from mallowance where op_user = '管理员'").toInt(), 7);
        r = run(writeFile(QStringLiteral("clean.csv"),
                          "工号,卡号,补贴金额,补贴有效期\n1009,5009,12.30,2026-12-31\n"));
        QCOMPARE(r.status, 0);
        QCOMPARE(
            db->scalar(
                  "select cast(deposit as char) from mallowance where emp_id = '1009' and charge_ver = 2")
                .toString(),
            QStringLiteral("12.30"));
        r = run(home.filePath(QStringLiteral("none.xlsx")));
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("选择的Excel文件不存在! 不能导入。")));
        QCOMPARE(run(QString()).status, 1);
    }

    void cellReadings_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("amount"); // "-" unreadable
        QTest::addColumn<QString>("date");   // "-" unreadable
        const char* cases[][4] = {
            {"blank", "", "0.00", "-"},
            {"integer", "100", "100.00", "1900-04-09 00:00:00"},
            {"binary noise", "0.30000000000000004", "0.30", "-"},
            {"iso date", "2026-12-31", "-", "2026-12-31 00:00:00"},
            {"date-time", "2026-12-31 23:59:59", "-", "2026-12-31 23:59:59"},
            {"slashes", "2026/1/5 8:30", "-", "2026-01-05 08:30:00"},
            {"chinese", "2026年12月31日", "-", "2026-12-31 00:00:00"},
            {"serial", "46387.5", "46387.50", "2026-12-31 12:00:00"},
            {"no such day", "2026-02-30", "-", "-"},
            {"text", "abc", "-", "-"},
        };
        for (const auto& c : cases)
            QTest::newRow(c[0]) << QString::fromUtf8(c[1]) << QString::fromUtf8(c[2])
                                << QString::fromUtf8(c[3]);
    }
    void cellReadings() {
        QFETCH(QString, cell);
        QFETCH(QString, amount);
        QFETCH(QString, date);
        const auto a = importAmount(cell);
        QCOMPARE(a ? a->toString(2) : QStringLiteral("-"), amount);
        const auto d = importValidDate(cell);
        QCOMPARE(d ? d->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("-"), date);
    }
};

QTEST_GUILESS_MAIN(TestAllowanceImport)
#include "test_allowance_import.moc"
