// mealctl against a test database: the schema upgrade on an older database,
// statements printed as TSV, the --user account and a hostile one.
#include "MealctlRun.h"
#include "TestDatabase.h"
#include "db/PasswordHash.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestMealctl : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;

    using Run = MealctlRun;
    Run run(const QStringList& args) { return runMealctl(QStringLiteral(MEALCTL_FILE), m_home.path(), args); }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("mealctl"));
        m_db->writeDaybookIni(m_home.path(), QStringLiteral("[RunTimeConfig]\nisWritelog=1\n"));
        m_db->exec(QStringLiteral(
            "INSERT INTO sys_user (Userid, UserName, Password) VALUES ('OPER1', '张三', 'x')"));
    }
    void cleanupTestCase() { m_db.reset(); }

    // The upgrade adds what an older database lacks; a second run only probes (and both are traced).
    void upgradeAddsWhatIsMissingThenOnlyProbes() {
        m_db->exec(QStringLiteral("ALTER TABLE Cardinfo DROP COLUMN CardStatusDate"));
        m_db->exec(QStringLiteral("ALTER TABLE mallowance DROP COLUMN newCard_id"));
        m_db->exec(QStringLiteral("DROP TABLE pos_lockBillDate"));
        Run r = run({QStringLiteral("upgrade-schema")});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("executed: create table pos_lockBillDate")) &&
                     r.out.contains(QStringLiteral("statements: 3")),
                 qPrintable(r.out));
        r = run({QStringLiteral("upgrade-schema")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("probes: 17, statements: 0")));
        QDir log(m_home.filePath(QStringLiteral("log")));
        QCOMPARE(log.entryList(QDir::Files).size(), 1);
    }

    void sqlPrintsRowsAsTsv() {
        m_db->exec(QStringLiteral(
            "INSERT INTO dinroom (dinroom_id, dinroom_name) VALUES (1, '一食堂'), (2, 'B\\tside')"));
        const Run r =
            run({QStringLiteral("--user"), QStringLiteral("OPER1"), QStringLiteral("sql"),
                 QStringLiteral("select dinroom_id, dinroom_name from dinroom order by dinroom_id")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("dinroom_id\tdinroom_name\n1\t一食堂\n2\tB side\n"));
    }

    // Plain-text passwords are replaced by their hash; a second run finds nothing to do.
    void usersRehashReplacesPlainText() {
        m_db->exec(QStringLiteral("INSERT INTO sys_user (Userid, UserName, Password) VALUES ('OLD1', 'a', "
                                  "'se''cret'), ('NOPW', 'b', NULL), ('HASHED', 'c', '%1')")
                       .arg(PasswordHash::make(QStringLiteral("h"), PasswordHash::kMinimumIterations)));
        const auto stored = [&](const char* id) {
            return m_db
                ->scalar(QStringLiteral("select Password from sys_user where Userid = '%1'")
                             .arg(QLatin1String(id)))
                .toString();
        };
        const QString hashedBefore = stored("HASHED");
        Run r = run({QStringLiteral("users"), QStringLiteral("rehash")});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        // OPER1 ('x') and OLD1 were plain text.
        QVERIFY2(
            r.out.contains(QStringLiteral("users: 2 rehashed, 1 already hashed, 0 with a hash too weak to "
                                          "log in, 1 without a password")),
            qPrintable(r.out));
        const QString old1 = stored("OLD1");
        QVERIFY2(old1.startsWith(QStringLiteral("pbkdf2-sha256$600000$")), qPrintable(old1));
        QVERIFY(PasswordHash::verify(QStringLiteral("se'cret"), old1));
        QVERIFY(PasswordHash::verify(QStringLiteral("x"), stored("OPER1")));
        QCOMPARE(stored("HASHED"), hashedBefore);
        QVERIFY(stored("NOPW").isEmpty());
        r = run({QStringLiteral("users"), QStringLiteral("rehash")});
        QVERIFY(r.out.contains(QStringLiteral("users: 0 rehashed, 3 already hashed")));
        QCOMPARE(run({QStringLiteral("users"), QStringLiteral("purge")}).status, 2);
        m_db->exec(QStringLiteral("delete from sys_user where Userid in ('OLD1', 'NOPW', 'HASHED')"));
    }

    void unknownOrHostileUsersAreRefused() {
        for (const QString& user : {QStringLiteral("NOBODY"), QStringLiteral("x' or '1'='1")}) {
            const Run r =
                run({QStringLiteral("--user"), user, QStringLiteral("sql"), QStringLiteral("select 1")});
            QCOMPARE(r.status, 1);
            QVERIFY(r.err.contains(QStringLiteral("不存在")));
            QVERIFY(r.out.isEmpty());
        }
        const Run bad = run({QStringLiteral("--user"), QStringLiteral("OPER1"), QStringLiteral("sql"),
                             QStringLiteral("select * from no_such_table")});
        QCOMPARE(bad.status, 1);
        QVERIFY(bad.err.contains(QStringLiteral("no_such_table")));
    }
};

QTEST_MAIN(TestMealctl)
#include "test_mealctl.moc"
