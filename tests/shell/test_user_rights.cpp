// Rights per action from the Access list of sys_user, and the password hash.
#include "TestDatabase.h"
#include "db/DbError.h"
#include "db/PasswordHash.h"
#include "db/Session.h"
#include "db/UserAccounts.h"

#include <QTemporaryDir>
#include <QtTest>

class TestUserRights : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("user_rights"));
        bindSession(m_session, *m_db, m_home.path());
        m_db->exec(QStringLiteral("INSERT INTO sys_user (Userid, UserName, Access) VALUES ('OPER1', '张三', "
                                  "'_ActMealRecord=31\\r\\n_ActFullRecord=8\\r\\n_ActCardCost=abc\\r\\n"
                                  "_ActReturnCard=')"));
    }
    void cleanupTestCase() { m_db.reset(); }

    // A missing line gives 0; names match in any case; a value that is no integer raises.
    void rightsFromTheAccessList() {
        m_session.CurrentUserId = QStringLiteral("OPER1");
        QCOMPARE(ReadUserRight(m_session, QStringLiteral("_ActMealRecord")), QStringLiteral("31"));
        QCOMPARE(userRightBits(m_session, QStringLiteral("ActFullRecord")), 8);
        QCOMPARE(userRightBits(m_session, QStringLiteral("ActBackRecords")), 0);
        QCOMPARE(userRightBits(m_session, QStringLiteral("actmealrecord")), 31);
        QVERIFY_THROWS_EXCEPTION(DbError, userRightBits(m_session, QStringLiteral("ActCardCost")));
        QVERIFY_THROWS_EXCEPTION(DbError, userRightBits(m_session, QStringLiteral("ActReturnCard")));
        // Were the id pasted, this would select OPER1's row and its rights.
        m_session.CurrentUserId = QStringLiteral("x' or '1'='1");
        QCOMPARE(userRightBits(m_session, QStringLiteral("ActMealRecord")), 0);
    }

    // RFC 6070-style PBKDF2-HMAC-SHA256 vectors; a stored text that is no hash never verifies.
    void passwordHash() {
        QCOMPARE(PasswordHash::pbkdf2Sha256("password", "salt", 1, 32).toHex(),
                 QByteArray("120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"));
        QCOMPARE(PasswordHash::pbkdf2Sha256("password", "salt", 2, 32).toHex(),
                 QByteArray("ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43"));
        QVERIFY(!PasswordHash::verify(QStringLiteral("x"), QStringLiteral("x")));
        QVERIFY(!PasswordHash::verify(QStringLiteral("x"), QStringLiteral("pbkdf2-sha256$0$00$00")));
    }
};

QTEST_MAIN(TestUserRights)
#include "test_user_rights.moc"
