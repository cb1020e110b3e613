// The statement runner, the quoting routine against the real server, company
// parameters and the user's department list.
#include "TestDatabase.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestDbQueries : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;

    QStringList traceLines() const {
        QFile f(m_session.trace().currentFilePath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        for (QString& line : lines)
            line = line.mid(26); // after the time stamp and three blanks
        return lines;
    }

    void setCompanyParameters(const QVariant& text) {
        m_db->exec(QStringLiteral("DELETE FROM Company"));
        QSqlQuery q(m_db->db());
        q.prepare(QStringLiteral("INSERT INTO Company (company_ch_name, parameters) VALUES ('c', :p)"));
        q.bindValue(QStringLiteral(":p"), text);
        QVERIFY(q.exec());
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("db_queries"));
        m_db->writeDaybookIni(m_home.path(), QStringLiteral("[RunTimeConfig]\nisWritelog=1\n"));
        bindSession(m_session, *m_db, m_home.path());
        QVERIFY(m_session.trace().toFile());
        m_db->exec(QStringLiteral("CREATE TABLE quoted (id int, t text)"));
        m_db->exec(QStringLiteral("CREATE TABLE x (id int)"));
    }
    void cleanupTestCase() { m_db.reset(); }

    void runQueryOpensAndExecutes() {
        QSqlQuery q(m_session.ModuleConnection);
        const QueryRunner runner = m_session.runner();
        runner.RunQuery(q, QStringLiteral("insert into x (id) values (1), (2), (3)"), false);
        QVERIFY(!q.isActive());
        runner.RunQuery(q, QStringLiteral("select id from x order by id"), true);
        QVERIFY(q.isActive());
        QList<int> ids;
        while (q.next())
            ids << q.value(0).toInt();
        QCOMPARE(ids, (QList<int>{1, 2, 3}));
        // The same query object takes the next statement; bound values too.
        runner.RunQuery(q, QStringLiteral("select count(*) from x where id > :low"), true,
                        {{QStringLiteral("low"), 1}});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 2);
        const QStringList lines = traceLines();
        QVERIFY(lines.contains(QStringLiteral("insert into x (id) values (1), (2), (3)")));
        QVERIFY(lines.contains(QStringLiteral("select id from x order by id")));
        runner.RunQuery(q, QStringLiteral("delete from x"), false);
    }

    // An engine error reaches the caller with the engine's message; the
    // statement was traced before it ran.
    void runQueryRaisesEngineErrors() {
        QSqlQuery q(m_session.ModuleConnection);
        const QString bad = QStringLiteral("select nosuchcolumn from x");
        try {
            m_session.runner().RunQuery(q, bad, true);
            QFAIL("no error raised");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("nosuchcolumn")), qPrintable(e.message()));
        }
        QCOMPARE(traceLines().last(), bad);
        QVERIFY_THROWS_EXCEPTION(
            DbError, m_session.runner().RunQuery(q, QStringLiteral("update nosuchtable set a=1"), false));
        // The query object is usable again after an error.
        m_session.runner().RunQuery(q, QStringLiteral("select 5"), true);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 5);
    }

    // The record windows name their parameters ":@begindate"/":@enddate";
    // bound through the runner, a quoted text that looks like one stays text.
    void atPlaceholders() {
        m_db->exec(
            QStringLiteral("INSERT INTO quoted (id, t) VALUES (100, '2026-01-05'), (101, '2026-02-05'), "
                           "(102, ':@begindate')"));
        QSqlQuery q(m_session.ModuleConnection);
        m_session.runner().RunQuery(
            q,
            QStringLiteral("select id from quoted where id >= 100 and (t >= :@begindate "
                           "And t <= :@enddate or t = ':@begindate') order by id"),
            true,
            {{QStringLiteral("@begindate"), QStringLiteral("2026-01-01 00:00:00")},
             {QStringLiteral("enddate"), QStringLiteral("2026-01-31 23:59:59")}});
        QList<int> ids;
        while (q.next())
            ids << q.value(0).toInt();
        QCOMPARE(ids, (QList<int>{100, 102}));
        m_db->exec(QStringLiteral("DELETE FROM quoted WHERE id >= 100"));
    }

    // Operator texts pasted through quote() arrive as literals, whatever they hold.
    void quotedTextsRoundTrip() {
        const QStringList texts{QStringLiteral("'; drop table x; --"),
                                QStringLiteral("O'Brien"),
                                QStringLiteral("back\\slash"),
                                QStringLiteral("ends with \\"),
                                QStringLiteral("\\'"),
                                QStringLiteral("\\' or '1'='1"),
                                QStringLiteral("张三 \"双引号\" `反引号`"),
                                QStringLiteral("%_ wildcard")};
        const SqlDialect dialect = m_session.dialect();
        QSqlQuery q(m_session.ModuleConnection);
        for (int i = 0; i < texts.size(); ++i)
            m_session.runner().RunQuery(q,
                                        QStringLiteral("insert into quoted (id, t) values (%1, %2)")
                                            .arg(i)
                                            .arg(dialect.quote(texts[i])),
                                        false);
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from quoted")).toInt(), int(texts.size()));
        QVERIFY(m_db->scalar(QStringLiteral("select count(*) from x")).isValid()); // table x is still there
        for (int i = 0; i < texts.size(); ++i) {
            m_session.runner().RunQuery(
                q, QStringLiteral("select id, t from quoted where t = %1").arg(dialect.quote(texts[i])),
                true);
            QVERIFY2(q.next(), qPrintable(texts[i]));
            QCOMPARE(q.value(0).toInt(), i);
            QCOMPARE(q.value(1).toString(), texts[i]);
            QVERIFY(!q.next());
        }
    }

    void companyParameters() {
        m_db->exec(QStringLiteral("DELETE FROM Company"));
        QCOMPARE(ReadCompanyParameter(m_session, QStringLiteral("ClientCode"), QStringLiteral("1")),
                 QStringLiteral("1"));
        QCOMPARE(ReadCompanyMoneyParameter(m_session, QStringLiteral("edmaxbalance")), qint64(0));

        setCompanyParameters(QStringLiteral("ClientCode=7\r\nbackCode=\r\nIsSetOtherMatters=10100000\r\n"
                                            "edmaxbalance=1234.56\r\nCardMinMoney=1.005\nIDCountMoney=0.285\n"
                                            "edmaxmoney=abc\ncbClock=True\nnote=a=b"));
        const auto read = [this](const char* name, const char* def) {
            return ReadCompanyParameter(m_session, QString::fromLatin1(name), QString::fromLatin1(def));
        };
        QCOMPARE(read("ClientCode", "1"), QStringLiteral("7"));
        QCOMPARE(read("backCode", "1"), QStringLiteral("1")); // empty value: the default
        QCOMPARE(read("missing", "d"), QStringLiteral("d"));
        QCOMPARE(read("IsSetOtherMatters", "00000000"), QStringLiteral("10100000"));
        QCOMPARE(read("note", ""), QStringLiteral("a=b")); // split at the first "="
        QVERIFY(isTrueText(read("cbClock", "False")));
        QVERIFY(!isTrueText(read("cbDepart", "False")));
        // Money values are kept in cents, rounded half away from zero in decimal.
        QCOMPARE(ReadCompanyMoneyParameter(m_session, QStringLiteral("edmaxbalance")), qint64(123456));
        QCOMPARE(ReadCompanyMoneyParameter(m_session, QStringLiteral("CardMinMoney")), qint64(101));
        QCOMPARE(ReadCompanyMoneyParameter(m_session, QStringLiteral("IDCountMoney")), qint64(29));
        QCOMPARE(ReadCompanyMoneyParameter(m_session, QStringLiteral("edmaxmoney")), qint64(0));

        setCompanyParameters(QVariant()); // a row whose parameters are null
        QCOMPARE(read("ClientCode", "1"), QStringLiteral("1"));
    }

    void userDepartsList() {
        m_db->exec(QStringLiteral("DELETE FROM sys_user"));
        m_db->exec(QStringLiteral("INSERT INTO sys_user (Userid, departs) VALUES "
                                  "('U1', '''01'',''0102'''), ('U2', NULL), ('U3', '')"));
        const auto departs = [this](const QString& user) {
            m_session.CurrentUserId = user;
            return UserDepartsList(m_session);
        };
        QCOMPARE(departs(QStringLiteral("U1")), QStringLiteral("('01','0102')"));
        QCOMPARE(departs(QStringLiteral("u1")),
                 QStringLiteral("('01','0102')")); // the collation ignores case
        QCOMPARE(departs(QStringLiteral("U2")), QStringLiteral("('0')"));
        QCOMPARE(departs(QStringLiteral("U3")), QStringLiteral("('0')"));
        QCOMPARE(departs(QStringLiteral("nobody")), QStringLiteral("('0')"));
        QCOMPARE(departs(QStringLiteral("x' or '1'='1")), QStringLiteral("('0')"));
        QCOMPARE(departs(QStringLiteral("U1' -- ")), QStringLiteral("('0')"));
    }
};

QTEST_GUILESS_MAIN(TestDbQueries)
#include "test_db_queries.moc"
