// The host's log-in against sys_user and its connection set-up: right and
// wrong passwords, unknown and hostile user ids, passwords not stored as a
// hash, a database without the table, the company name, and the messages a
// failed connection gives.
#include "host/HostCommandLine.h"
#include "host/HostDatabase.h"
#include "host/HostLogin.h"
#include "host/LoginDialog.h"

#include "TestDatabase.h"
#include "db/DbError.h"
#include "db/PasswordHash.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestHostLogin : public QObject {
    Q_OBJECT
private:
    TestDatabase* m_db = nullptr;

    void addUser(const QString& id, const QString& name, const QString& storedPassword) {
        QSqlQuery q(m_db->db());
        QVERIFY(q.prepare(QStringLiteral("insert into sys_user (Userid, UserName, Password, Access, departs, "
                                         "dinroom_id) values (:id, :name, :pw, '', '', '')")));
        q.bindValue(QStringLiteral(":id"), id);
        q.bindValue(QStringLiteral(":name"), name);
        q.bindValue(QStringLiteral(":pw"), storedPassword);
        QVERIFY(q.exec());
    }

    // A well-formed hash of only 1000 iterations (make() never writes one).
    static QString weakHash(const QString& password) {
        const QByteArray salt = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        return QStringLiteral("pbkdf2-sha256$1000$%1$%2")
            .arg(QString::fromLatin1(salt.toHex()),
                 QString::fromLatin1(PasswordHash::pbkdf2Sha256(password.toUtf8(), salt, 1000, 32).toHex()));
    }
    static HostLogin quickLogin(const QSqlDatabase& db) {
        HostLogin login(db);
        login.failureDelayMs = 0;
        return login;
    }

private slots:
    void initTestCase() {
        m_db = new TestDatabase(QStringLiteral("host_login"));
        // The fewest iterations still accepted keep the suite fast; the check
        // reads the count from the stored text.
        const int fast = PasswordHash::kMinimumIterations;
        addUser(QStringLiteral("ADMIN"), QStringLiteral("系统管理员"),
                PasswordHash::make(QStringLiteral("admin"), fast));
        addUser(QStringLiteral("OPER1"), QStringLiteral("操作员一"),
                PasswordHash::make(QStringLiteral("oper1"), fast));
        addUser(QStringLiteral("NONAME"), QString(), PasswordHash::make(QStringLiteral("pw"), fast));
        // Stored as plain text (a site's table from before hashing), or not at all.
        addUser(QStringLiteral("PLAIN"), QStringLiteral("明文"), QStringLiteral("plain"));
        addUser(QStringLiteral("EMPTY"), QStringLiteral("空"), QString());
        // A hash below the floor of iterations, though the password is right.
        addUser(QStringLiteral("WEAK"), QStringLiteral("弱"), weakHash(QStringLiteral("weak")));
    }

    void cleanupTestCase() { delete m_db; }

    void acceptsRightPassword() {
        const HostLogin login(m_db->db());
        const LoginResult r = login.verify(QStringLiteral("OPER1"), QStringLiteral("oper1"));
        QVERIFY2(r.accepted(), qPrintable(r.message));
        QCOMPARE(r.userId, QStringLiteral("OPER1"));
        QCOMPARE(r.userName, QStringLiteral("操作员一"));
        // Blanks round a typed id do not matter.
        QVERIFY(login.verify(QStringLiteral("  ADMIN "), QStringLiteral("admin")).accepted());
        // A user without a name is shown by the id.
        QCOMPARE(login.verify(QStringLiteral("NONAME"), QStringLiteral("pw")).userName,
                 QStringLiteral("NONAME"));
        // An empty id is asked for, in other words than a rejection.
        const LoginResult empty = login.verify(QStringLiteral("   "), QStringLiteral("admin"));
        QCOMPARE(empty.status, LoginResult::Rejected);
        QVERIFY(!empty.message.isEmpty() && empty.message != HostLogin::rejectedMessage());
    }

    void rejects_data() {
        QTest::addColumn<QString>("userId");
        QTest::addColumn<QString>("password");
        const auto row = [](const char* name, const char* id, const char* password) {
            QTest::newRow(name) << QString::fromUtf8(id) << QString::fromUtf8(password);
        };
        row("wrong password", "OPER1", "admin");
        row("empty password", "OPER1", "");
        row("password with blanks", "OPER1", " oper1");
        row("unknown user", "NOBODY", "oper1");
        row("plain-text stored password, wrong", "PLAIN", "plai");
        row("plain-text stored password, other case", "PLAIN", "PLAIN");
        row("no stored password", "EMPTY", "");
        row("hash below the floor", "WEAK", "weak");
        row("injection or", "x' or '1'='1", "admin");
        row("injection comment", "ADMIN' -- ", "anything");
        row("injection hash comment", "ADMIN'#", "anything");
        row("injection union", "x' union select 'ADMIN','a','b','c','d','e' -- ", "admin");
        row("injection backslash", "ADMIN\\' or 1=1 -- ", "admin");
    }

    void rejects() {
        QFETCH(QString, userId);
        QFETCH(QString, password);
        const HostLogin login = quickLogin(m_db->db());
        const LoginResult r = login.verify(userId, password);
        QVERIFY(!r.accepted());
        QCOMPARE(r.status, LoginResult::Rejected);
        // The same words whether the id exists or not.
        QCOMPARE(r.message, HostLogin::rejectedMessage());
        QVERIFY(r.userId.isEmpty());
        // The statement stayed intact: sys_user still holds its six rows.
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from sys_user")).toInt(), 6);
    }

    // A password stored as plain text logs in once and is replaced by its
    // hash in that step; afterwards only the hash is there.
    void plainTextPasswordIsHashedAtLogIn() {
        addUser(QStringLiteral("LEGACY"), QStringLiteral("旧"), QStringLiteral("old pw"));
        const HostLogin login = quickLogin(m_db->db());
        QVERIFY(!login.verify(QStringLiteral("LEGACY"), QStringLiteral("old")).accepted());
        QCOMPARE(
            m_db->scalar(QStringLiteral("select Password from sys_user where Userid = 'LEGACY'")).toString(),
            QStringLiteral("old pw"));
        const LoginResult r = login.verify(QStringLiteral("LEGACY"), QStringLiteral("old pw"));
        QVERIFY2(r.accepted(), qPrintable(r.message));
        const QString stored =
            m_db->scalar(QStringLiteral("select Password from sys_user where Userid = 'LEGACY'")).toString();
        QVERIFY2(stored.startsWith(QStringLiteral("pbkdf2-sha256$%1$").arg(PasswordHash::kIterations)),
                 qPrintable(stored));
        QVERIFY(!stored.contains(QStringLiteral("old pw")));
        // The hash now answers; the plain text stored before is gone.
        QVERIFY(login.verify(QStringLiteral("LEGACY"), QStringLiteral("old pw")).accepted());
        QVERIFY(!login.verify(QStringLiteral("LEGACY"), stored).accepted());
        m_db->exec(QStringLiteral("delete from sys_user where Userid = 'LEGACY'"));
    }

    // Each rejection waits, longer for every further one in a row; an
    // acceptance starts again from the first delay.
    void failedLogInsAreDelayed() {
        HostLogin login(m_db->db());
        login.failureDelayMs = 100;
        QList<int> waits;
        login.wait = [&](int ms) { waits << ms; };
        for (const char* id : {"OPER1", "NOBODY", "OPER1", "OPER1", "OPER1", "OPER1", "OPER1"})
            QVERIFY(!login.verify(QString::fromLatin1(id), QStringLiteral("wrong")).accepted());
        QCOMPARE(waits, QList<int>({100, 200, 400, 800, 1600, 1600, 1600}));
        QVERIFY(login.verify(QStringLiteral("OPER1"), QStringLiteral("oper1")).accepted());
        QVERIFY(!login.verify(QStringLiteral("OPER1"), QStringLiteral("x")).accepted());
        QCOMPARE(waits.size(), 8);
        QCOMPARE(waits.last(), 100);
        // Without a stand-in the time is really spent.
        HostLogin real(m_db->db());
        real.failureDelayMs = 150;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!real.verify(QStringLiteral("OPER1"), QStringLiteral("wrong")).accepted());
        QVERIFY(timer.elapsed() >= 150);
    }

    // Hash parameters: new hashes take the full count, a lower one asked for
    // is raised to the floor, and stored hashes outside the bounds never verify.
    void hashParameters() {
        QVERIFY(PasswordHash::make(QStringLiteral("x"), 1000)
                    .startsWith(QStringLiteral("pbkdf2-sha256$%1$").arg(PasswordHash::kMinimumIterations)));
        QVERIFY(!PasswordHash::verify(QStringLiteral("x"),
                                      QStringLiteral("pbkdf2-sha256$99999999$00112233$00112233")));
        QVERIFY(PasswordHash::matchesPlainText(QStringLiteral("abc"), QStringLiteral("abc")));
        QVERIFY(!PasswordHash::matchesPlainText(QStringLiteral("abc"), QStringLiteral("abcd")));
        QVERIFY(!PasswordHash::matchesPlainText(QString(), QString()));
        const QString hash = PasswordHash::make(QStringLiteral("abc"), PasswordHash::kMinimumIterations);
        QVERIFY(!PasswordHash::matchesPlainText(hash, hash)); // a hash typed as the password
    }

    // Where an unattended log-in takes its password from: the option, a line
    // of standard input for "-", or MEAL_PASSWORD; the option wins.
    void passwordSources_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("stdinLine");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("password"); // null: refused
        const QString none;
        QTest::newRow("option") << QStringList{"--user", "A", "--password", "pw"} << none << none << "pw";
        QTest::newRow("stdin") << QStringList{"--user", "A", "--password", "-"} << "a b'c" << none << "a b'c";
        QTest::newRow("stdin empty line")
            << QStringList{"--user", "A", "--password", "-"} << "" << none << "";
        QTest::newRow("stdin at end")
            << QStringList{"--user", "A", "--password", "-"} << none << none << none;
        QTest::newRow("environment") << QStringList{"--user", "A"} << none << "env pw"
                                     << "env pw";
        QTest::newRow("option over environment")
            << QStringList{"--user", "A", "--password", "pw"} << none << "env pw"
            << "pw";
        QTest::newRow("no password") << QStringList{"--user", "A"} << none << none << none;
        QTest::newRow("password without user") << QStringList{"--password", "-"} << "x" << none << none;
    }

    void passwordSources() {
        QFETCH(QStringList, args);
        QFETCH(QString, stdinLine);
        QFETCH(QString, environment);
        QFETCH(QString, password);
        int reads = 0;
        const HostCommandLine cmd = HostCommandLine::parse(
            QStringList{"mealhost"} + args,
            [&] {
                ++reads;
                return stdinLine;
            },
            environment);
        if (password.isNull()) {
            QVERIFY(!cmd.error.isEmpty());
            return;
        }
        QVERIFY2(cmd.error.isEmpty(), qPrintable(cmd.error));
        QVERIFY(cmd.hasCredentials);
        QCOMPARE(cmd.password, password);
        QCOMPARE(reads, args.contains(QStringLiteral("-")) ? 1 : 0);
    }

    void dialogStaysOpenUntilAccepted() {
        const HostLogin login = quickLogin(m_db->db());
        LoginDialog dialog(login, QStringLiteral("示例食堂"));
        auto* id = dialog.findChild<QLineEdit*>(QStringLiteral("edUserId"));
        auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("edPassword"));
        auto* message = dialog.findChild<QLabel*>(QStringLiteral("lblMessage"));
        QVERIFY(id && password && message);
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        dialog.show();

        id->setText(QStringLiteral("x' or '1'='1"));
        password->setText(QStringLiteral("admin"));
        dialog.accept();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(message->text(), HostLogin::rejectedMessage());
        // The rejected password is cleared for the next try.
        QVERIFY(password->text().isEmpty());

        dialog.setUserId(QStringLiteral("ADMIN"));
        password->setText(QStringLiteral("admin"));
        dialog.accept();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.loginResult().userId, QStringLiteral("ADMIN"));
        QCOMPARE(dialog.password(), QStringLiteral("admin"));
    }

    void missingTableIsADatabaseError() {
        TestDatabase bare(QStringLiteral("host_login_bare"), false);
        const HostLogin login(bare.db());
        const LoginResult r = login.verify(QStringLiteral("ADMIN"), QStringLiteral("admin"));
        QCOMPARE(r.status, LoginResult::DatabaseError);
        QVERIFY2(r.message.contains(QStringLiteral("sys_user"), Qt::CaseInsensitive), qPrintable(r.message));
        // And the company name fails the same way, with the engine's words.
        QVERIFY_THROWS_EXCEPTION(DbError, readCompanyName(bare.db()));
    }

    void companyName() {
        QCOMPARE(readCompanyName(m_db->db()), QString());
        m_db->exec(QStringLiteral(
            "insert into company (company_ch_name) values (null), (''), ('示例食堂'), ('其他')"));
        QCOMPARE(readCompanyName(m_db->db()), QStringLiteral("示例食堂"));
        m_db->exec(QStringLiteral("delete from company"));
    }

    void connectionFromProgramFolder() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString ini = folder.filePath(QStringLiteral("Daybook.ini"));
        // No configuration file: the message names it.
        try {
            openHostDatabase(ini, QStringLiteral("host_login_missing"));
            QFAIL("opened without Daybook.ini");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(ini), qPrintable(e.message()));
        }
        // The test database's own settings open.
        m_db->writeDaybookIni(folder.path());
        {
            QSqlDatabase db = openHostDatabase(ini, QStringLiteral("host_login_ok"));
            QVERIFY(db.isOpen());
            QCOMPARE(readCompanyName(db), QString());
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("host_login_ok"));
        // A database that does not exist: the driver's own words reach the operator.
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral("[Connection]\nDatatype=MYSQL\nServerName=%1\nDatabaseName=no_such_db_here\n"
                               "UserId=%2\nPassword=%3\n")
                    .arg(m_db->settings().ServerName, m_db->settings().UserId, m_db->settings().Password)
                    .toUtf8());
        f.close();
        try {
            openHostDatabase(ini, QStringLiteral("host_login_bad"));
            QFAIL("opened a database that does not exist");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("no_such_db_here")), qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(TestHostLogin)
#include "test_host_login.moc"
