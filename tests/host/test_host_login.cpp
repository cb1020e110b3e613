// The host's log-in against sys_user and its connection set-up: right and
// wrong passwords, unknown and hostile user ids, passwords not stored as a
// hash, a database without the table, the company name, and the messages a
// failed connection gives.
#include "host/HostDatabase.h"
#include "host/HostLogin.h"
#include "host/LoginDialog.h"

#include "TestDatabase.h"
#include "db/DbError.h"
#include "db/PasswordHash.h"

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

private slots:
    void initTestCase() {
        m_db = new TestDatabase(QStringLiteral("host_login"));
        // Few iterations keep the suite fast; the check reads the count from the stored text.
        addUser(QStringLiteral("ADMIN"), QStringLiteral("系统管理员"),
                PasswordHash::make(QStringLiteral("admin"), 1000));
        addUser(QStringLiteral("OPER1"), QStringLiteral("操作员一"),
                PasswordHash::make(QStringLiteral("oper1"), 1000));
        addUser(QStringLiteral("NONAME"), QString(), PasswordHash::make(QStringLiteral("pw"), 1000));
        // Stored as plain text, or not at all: such rows never log in.
        addUser(QStringLiteral("PLAIN"), QStringLiteral("明文"), QStringLiteral("plain"));
        addUser(QStringLiteral("EMPTY"), QStringLiteral("空"), QString());
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
        row("plain-text stored password", "PLAIN", "plain");
        row("no stored password", "EMPTY", "");
        row("injection or", "x' or '1'='1", "admin");
        row("injection comment", "ADMIN' -- ", "anything");
        row("injection hash comment", "ADMIN'#", "anything");
        row("injection union", "x' union select 'ADMIN','a','b','c','d','e' -- ", "admin");
        row("injection backslash", "ADMIN\\' or 1=1 -- ", "admin");
    }

    void rejects() {
        QFETCH(QString, userId);
        QFETCH(QString, password);
        const HostLogin login(m_db->db());
        const LoginResult r = login.verify(userId, password);
        QVERIFY(!r.accepted());
        QCOMPARE(r.status, LoginResult::Rejected);
        // The same words whether the id exists or not.
        QCOMPARE(r.message, HostLogin::rejectedMessage());
        QVERIFY(r.userId.isEmpty());
        // The statement stayed intact: sys_user still holds its five rows.
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from sys_user")).toInt(), 5);
    }

    void dialogStaysOpenUntilAccepted() {
        const HostLogin login(m_db->db());
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
