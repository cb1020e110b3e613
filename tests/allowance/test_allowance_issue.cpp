// Issuing and listing allowances against the database: who may be chosen
// (hostile search text included), the refusals of `mealctl allowance issue`
// in their order, serials under two issuers at once, the change and delete
// rules on taken and sent rows, the list's three dates, and the pickers.
#include "MealctlRun.h"
#include "TestDatabase.h"
#include "allowance/AllowanceIssue.h"
#include "allowance/AllowanceRecords.h"
#include "db/DatabaseConnection.h"
#include "db/SchemaUpgrade.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

using By = IssueCandidateFilter::By;
Q_DECLARE_METATYPE(By)

namespace {
// Registered allowances of the list's test: amount in cents and its three dates.
struct ListRow {
    const char* emp;
    int cents;
    const char* entered;
    const char* taken; // null: not taken
    const char* valid;
};
const ListRow kListRows[] = {
    {"1001", 1000, "2026-11-01 00:00:00", "2026-11-20 10:00:00", "2026-12-31 23:59:59"},
    {"1002", 2050, "2026-11-15 08:00:00", nullptr, "2026-11-30 23:59:59"},
    {"2001", 305, "2026-11-30 23:59:59", "2026-12-01 00:00:00", "2027-01-31 23:59:59"},
    {"1001", 9999, "2026-12-01 00:00:00", nullptr, "2026-11-30 00:00:00"},
};
} // namespace

class TestAllowanceIssue : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    std::unique_ptr<TestDatabase> db;
    Session session;

    QStringList stored() {
        QSqlQuery q(db->db());
        q.exec("select concat_ws('|', emp_id, cast(deposit as char), cast(AllowDate as char), charge_ver, "
               "ifnull(Memo, 'null')) from mallowance order by id");
        QStringList rows;
        while (q.next())
            rows << q.value(0).toString();
        return rows;
    }

private slots:
    void initTestCase() {
        db = std::make_unique<TestDatabase>(QStringLiteral("allowance_issue"));
        bindSession(session, *db, home.path());
        session.CurrentUserName = QStringLiteral("发放员");
        db->exec("insert into Company (company_ch_name, parameters) values ('测试', 'edmaxbalance=1000')");
        db->exec("insert into sys_user (Userid, UserName, Password) values ('ADMIN', '管理员', 'x')");
        UpgradeSchema(session);
        const struct {
            const char* empno;
            int card, issued, status, type;
            const char* name;
            const char* dept;
        } people[] = {{"1001", 5001, 1, 3, 1, "张三", "0101"},
                      {"1002", 5002, 1, 3, 1, "O'Brien\\%", "0102"},
                      {"1003", 5003, 0, 3, 1, "王五", "0101"},
                      {"1004", 5004, 1, 4, 1, "赵六", "0201"},
                      {"2001", 5005, 1, 3, 2, "钱七", "0201"}};
        for (const auto& p : people) {
            QSqlQuery q(db->db());
            q.prepare("insert into hum_employee (empno, empname, deptno, deptname, card_id, sys_id, issued, "
                      "cardtype) values (?, ?, ?, '部门', ?, ?, ?, ?)");
            for (const QVariant& v :
                 {QVariant(p.empno), QVariant(QString::fromUtf8(p.name)), QVariant(p.dept), QVariant(p.card),
                  QVariant(p.card - 4000), QVariant(p.issued), QVariant(p.type)})
                q.addBindValue(v);
            QVERIFY(q.exec());
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

    // Only issued employees with a card in use; a department is a prefix of
    // its sub-departments' numbers; typed text is a value, never SQL.
    void candidates_data() {
        QTest::addColumn<By>("by");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cardType");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("department prefix") << By::Department << "01" << 0 << QStringList{"1001", "1002"};
        QTest::newRow("blacklisted card left out") << By::Department << "0201" << 0 << QStringList{"2001"};
        QTest::newRow("card type") << By::Everyone << "" << 2 << QStringList{"2001"};
        QTest::newRow("everyone") << By::Everyone << "" << 0 << QStringList{"1001", "1002", "2001"};
        QTest::newRow("no card issued") << By::EmpNo << "1003" << 0 << QStringList{};
        QTest::newRow("quote and wildcard in a name")
            << By::EmpName << "O'Brien\\%" << 0 << QStringList{"1002"};
        QTest::newRow("injection") << By::EmpNo << "1001' or '1'='1" << 0 << QStringList{};
        QTest::newRow("backslash quote") << By::EmpName << "\\' or 1=1 -- " << 0 << QStringList{};
        QTest::newRow("wildcard department") << By::Department << "%" << 0 << QStringList{};
        QTest::newRow("long text") << By::EmpName << QString(5000, QLatin1Char('x')) << 0 << QStringList{};
    }
    void candidates() {
        QFETCH(By, by);
        QFETCH(QString, text);
        QFETCH(int, cardType);
        QFETCH(QStringList, found);
        IssueCandidateFilter f;
        f.by = by;
        f.text = text;
        f.departmentNo = text;
        f.cardType = cardType;
        QStringList got;
        for (const IssueEmployee& e : AllowanceIssue::loadCandidates(f, session))
            got << e.empNo;
        QCOMPARE(got, found);
        QCOMPARE(db->scalar("select count(*) from hum_employee").toInt(), 5);
    }

    // The refusals in their order, nothing written by a refused run, the
    // amount equal to the maximum accepted, the placeholder note stored empty.
    void mealctlIssue_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("rows");
        const QStringList valid{"--valid", "2027-01-31"};
        QTest::newRow("zero before nobody") << QStringList{"--emp", "9999", "--amount", "0"} + valid << 1
                                            << "补贴金额不能为0！" << QStringList{};
        QTest::newRow("above maximum") << QStringList{"--all", "--amount", "1000.01"} + valid << 1
                                       << "补贴金额不能大于系统参数中定义的卡上最大可能余额" << QStringList{};
        QTest::newRow("nobody chosen")
            << QStringList{"--emp", "1003", "--amount", "5"} + valid << 1 << "尚未选择人员!" << QStringList{};
        QTest::newRow("three decimals") << QStringList{"--all", "--amount", "1.005"} + valid << 1
                                        << "补贴金额必须是不超过两位小数的非负数!" << QStringList{};
        QTest::newRow("negative") << QStringList{"--all", "--amount", "-5"} + valid << 1
                                  << "补贴金额必须是不超过两位小数的非负数!" << QStringList{};
        QTest::newRow("bad date") << QStringList{"--all", "--amount", "5", "--valid", "2027-02-30"} << 1
                                  << "--valid" << QStringList{};
        QTest::newRow("one unknown of two")
            << QStringList{"--emp", "1001,9999", "--amount", "12.30"} + valid << 1 << "1 issued, 1 refused"
            << QStringList{"1001|12.30|2027-01-31 23:59:59|1|null"};
        QTest::newRow("maximum, placeholder note")
            << QStringList{"--dept",   "02",
                           "--amount", "1000",
                           "--valid",  "2027-01-31 12:00:00",
                           "--note",   "这里输入补贴说明"}
            << 0 << "1 issued, 0 refused" << QStringList{"2001|1000.00|2027-01-31 12:00:00|1|null"};
    }
    void mealctlIssue() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QStringList, rows);
        db->writeDaybookIni(home.path());
        const MealctlRun r =
            runMealctl(QStringLiteral(MEALCTL_FILE), home.path(), QStringList{"allowance", "issue"} + args);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.status, status);
        QCOMPARE(stored(), rows);
    }

    // Two issuers at once on their own connections, to the same people: every
    // allowance registered, each person's serials 1..n without a repeat.
    void concurrentIssuersKeepSerialsUnique() {
        IssueCandidateFilter everyone;
        everyone.by = By::Everyone;
        const QVector<IssueEmployee> people = AllowanceIssue::loadCandidates(everyone, session);
        QCOMPARE(people.size(), 3);
        constexpr int kRounds = 40;
        int issued[2] = {0, 0};
        QString failures[2];
        auto worker = [&](int n) {
            return QThread::create([&, n] {
                const QString name = QStringLiteral("issue-%1").arg(n);
                {
                    QSqlDatabase own = openClone(db->db(), name);
                    const QueryRunner runner = session.runner();
                    AllowanceIssueRun run(own, runner, Currency::fromInteger(n + 1),
                                          QDateTime(QDate(2027, 1, 31), QTime(23, 59, 59)), QString(), "x");
                    for (int i = 0; i < kRounds && failures[n].isEmpty(); ++i)
                        issued[n] += run.issueSlice(people, 0, 1000, &failures[n]);
                }
                QSqlDatabase::removeDatabase(name);
            });
        };
        std::unique_ptr<QThread> a(worker(0)), b(worker(1));
        a->start();
        b->start();
        QVERIFY(a->wait(120000) && b->wait(120000));
        QCOMPARE(failures[0] + failures[1], QString());
        QCOMPARE(issued[0] + issued[1], 2 * kRounds * 3);
        for (const IssueEmployee& e : people) {
            const QString where = QStringLiteral(" from mallowance where emp_id = '%1'").arg(e.empNo);
            QCOMPARE(db->scalar("select count(distinct charge_ver)" + where).toInt(), 2 * kRounds);
            QCOMPARE(db->scalar("select max(charge_ver)" + where).toInt(), 2 * kRounds);
        }
    }

    // A taken or sent allowance is neither changed nor deleted, also when the
    // list that shows it was read before it was sent.
    void changeAndDeleteRules_data() {
        QTest::addColumn<int>("charged");
        QTest::addColumn<int>("downed");
        QTest::addColumn<QString>("editRefusal");
        QTest::newRow("new") << 0 << 0 << "";
        QTest::newRow("taken") << 1 << 0 << "已补贴记录不可修改!";
        QTest::newRow("sent") << 0 << 1 << "已下发补贴记录不可修改!";
        QTest::newRow("taken and sent") << 1 << 1 << "已补贴记录不可修改!";
    }
    void changeAndDeleteRules() {
        QFETCH(int, charged);
        QFETCH(int, downed);
        QFETCH(QString, editRefusal);
        db->exec(
            QStringLiteral("insert into mallowance (emp_id, sys_id, deposit, charge_ver, charged, downed) "
                           "values ('1001', 1001, 5, 7, %1, %2), ('1001', 1001, 5, 8, 0, 0)")
                .arg(QString::number(charged), QString::number(downed)));
        const AllowanceRecords::StoredState s = AllowanceRecords::storedState(session, 1001, 7);
        QVERIFY(s.exists);
        QCOMPARE(AllowanceRecords::editRefusal(s.charged, s.downed), editRefusal);
        QCOMPARE(AllowanceRecords::deleteAllowance(session, 1001, 7), editRefusal.isEmpty());
        QCOMPARE(db->scalar("select count(*) from mallowance where charge_ver = 7").toInt(),
                 editRefusal.isEmpty() ? 0 : 1);
        QCOMPARE(db->scalar("select count(*) from mallowance where charge_ver = 8").toInt(), 1);
    }

    // Each date kind selects by its own column, both ends included, against
    // a count and sum worked out here from the rows.
    void listByDateKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        for (int kind = 0; kind < 3; ++kind)
            for (auto [from, to] : {std::pair{"2026-11-01 00:00:00", "2026-11-30 23:59:59"},
                                    std::pair{"2026-11-30 23:59:59", "2026-12-31 23:59:59"}})
                QTest::addRow("%d %s", kind, from) << kind << from << to;
    }
    void listByDateKind() {
        QFETCH(int, kind);
        QFETCH(QString, from);
        QFETCH(QString, to);
        int count = 0, serial = 0;
        qint64 cents = 0, untaken = 0;
        for (const ListRow& r : kListRows) {
            db->exec(
                QStringLiteral("insert into mallowance (emp_id, deposit, charged, charge_money, op_date, "
                               "charge_date, AllowDate, charge_ver) values ('%1', %2 / 100, %3, %4, '%5', "
                               "%6, '%7', %8)")
                    .arg(QLatin1String(r.emp), QString::number(r.cents), QLatin1String(r.taken ? "1" : "0"),
                         QLatin1String(r.taken ? "1" : "null"), QLatin1String(r.entered),
                         r.taken ? QStringLiteral("'%1'").arg(QLatin1String(r.taken))
                                 : QStringLiteral("null"),
                         QLatin1String(r.valid), QString::number(++serial)));
            const char* at = kind == 0 ? r.entered : kind == 1 ? r.taken : r.valid;
            if (at && from <= QLatin1String(at) && QLatin1String(at) <= to) {
                ++count;
                cents += r.cents;
                untaken += r.taken ? r.cents - 100 : r.cents;
            }
        }
        AllowanceListFilter f;
        f.by = AllowanceDateKind(kind);
        QString sql = AllowanceRecords::listStatement(f, session);
        sql.replace(QLatin1String(":@begindate"), "'" + from + "'")
            .replace(QLatin1String(":@enddate"), "'" + to + "'");
        QSqlQuery q(db->db());
        QVERIFY(
            q.exec("select count(*), ifnull(sum(deposit * 100), 0), ifnull(sum(nunDeposit * 100), 0) from (" +
                   sql + ") t"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), count);
        QCOMPARE(q.value(1).toLongLong(), cents);
        QCOMPARE(q.value(2).toLongLong(), untaken);
    }

    // The pickers: not yet sent or sent, by department, number or name (the
    // text a value), sent ones within their entry period.
    void pickers_data() {
        QTest::addColumn<bool>("downed");
        QTest::addColumn<int>("by");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("period");
        QTest::addColumn<QStringList>("found");
        using P = AllowancePickerFilter::By;
        QTest::newRow("unsent, root")
            << false << int(P::Department) << "" << false << QStringList{"1001/1", "1002/1"};
        QTest::newRow("sent, department")
            << true << int(P::Department) << "02" << false << QStringList{"2001/1"};
        QTest::newRow("sent, outside period") << true << int(P::Department) << "02" << true << QStringList{};
        QTest::newRow("name with quote")
            << false << int(P::EmpName) << "O'Brien\\%" << false << QStringList{"1002/1"};
        QTest::newRow("injection") << false << int(P::EmpId) << "x' or downed=1 or '1'='1" << false
                                   << QStringList{};
    }
    void pickers() {
        QFETCH(bool, downed);
        QFETCH(int, by);
        QFETCH(QString, text);
        QFETCH(bool, period);
        QFETCH(QStringList, found);
        db->exec(
            "insert into mallowance (emp_id, empname, deptno, sys_id, deposit, charge_ver, downed, op_date) "
            "values ('1001', '张三', '0101', 1001, 5, 1, 0, '2026-11-02 00:00:00'), "
            "('1002', 'O''Brien\\\\%', '0102', 1002, 5, 1, 0, '2026-11-02 00:00:00'), "
            "('2001', '钱七', '0201', 1005, 5, 1, 1, '2026-11-02 00:00:00')");
        AllowancePickerFilter f;
        f.downed = downed;
        f.by = AllowancePickerFilter::By(by);
        f.rootNode = text.isEmpty();
        f.departmentNo = f.text = text;
        if (period)
            f.entered = qMakePair(QDateTime(QDate(2026, 12, 1), QTime(0, 0)),
                                  QDateTime(QDate(2026, 12, 31), QTime()));
        QStringList got;
        for (const PickedAllowance& a :
             AllowancePicker::load(AllowancePicker::statement(f, session), session))
            got << QStringLiteral("%1/%2").arg(a.empId, QString::number(a.chargeVer));
        QCOMPARE(got, found);
    }
};

QTEST_GUILESS_MAIN(TestAllowanceIssue)
#include "test_allowance_issue.moc"
