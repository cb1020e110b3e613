// Statements through the session against the host schema: runner and trace, quoting, company
// parameters, department lists, the schema upgrade, the operation log.
#include "TestDatabase.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/OpLog.h"
#include "db/SchemaUpgrade.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {
const QString kSerialKey =
    QStringLiteral("create unique index ux_mallowance_emp_ver on mallowance (emp_id, charge_ver)");
} // namespace

class TestDbStatements : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;
    int m_traceSeen = 0;

    // The traced statements, without the time stamp and three blanks.
    QStringList traceLines() const {
        QFile f(m_session.trace().currentFilePath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        for (QString& line : lines)
            line = line.mid(26);
        return lines;
    }
    // The statements traced since the last call.
    QStringList newTraceTexts() {
        const QStringList all = traceLines();
        const QStringList fresh = all.mid(m_traceSeen);
        m_traceSeen = int(all.size());
        return fresh;
    }

    void setCompanyParameters(const QVariant& text) {
        m_db->exec(QStringLiteral("DELETE FROM Company"));
        QSqlQuery q(m_db->db());
        q.prepare(QStringLiteral("INSERT INTO Company (company_ch_name, parameters) VALUES ('c', :p)"));
        q.bindValue(QStringLiteral(":p"), text);
        QVERIFY(q.exec());
    }

    // Whether the schema holds "table" or "table.column".
    bool has(const char* name) const {
        const QString table = QString::fromLatin1(name).section('.', 0, 0);
        const QString column = QString::fromLatin1(name).section('.', 1);
        const QString where =
            column.isEmpty() ? QString() : QStringLiteral(" and column_name = '%1'").arg(column);
        return m_db->scalar(QStringLiteral("select count(*) from information_schema.%1 where table_schema = "
                                           "database() and lower(table_name) = lower('%2')%3")
                                .arg(column.isEmpty() ? QStringLiteral("tables") : QStringLiteral("columns"),
                                     table, where))
                   .toInt() == 1;
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("db_statements"));
        m_db->writeDaybookIni(m_home.path(), QStringLiteral("[RunTimeConfig]\nisWritelog=1\n"));
        bindSession(m_session, *m_db, m_home.path());
        m_session.CurrentUserName = QStringLiteral("张三");
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

    // An engine error reaches the caller with its message; the statement was traced before it ran.
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

    // ":@begindate"-style parameters bind; a quoted text that looks like one stays text.
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
        // A configuration naming SQL Server is refused and leaves MariaDB quoting (escaped backslashes).
        {
            QFile ini(m_session.iniPath());
            QVERIFY(ini.open(QIODevice::ReadWrite));
            const QByteArray sqlServer = ini.readAll().replace("Datatype=MYSQL", "Datatype=SQLSERVER");
            ini.resize(0);
            ini.write(sqlServer);
        }
        QVERIFY_THROWS_EXCEPTION(DbError, m_session.readConfiguration());
        QVERIFY(m_session.config.IsSQLServer);
        const SqlDialect dialect = m_session.dialect();
        m_db->writeDaybookIni(m_home.path(), QStringLiteral("[RunTimeConfig]\nisWritelog=1\n"));
        m_session.readConfiguration();
        QSqlQuery q(m_session.ModuleConnection);
        for (int i = 0; i < texts.size(); ++i)
            m_session.runner().RunQuery(q,
                                        QStringLiteral("insert into quoted (id, t) values (%1, %2)")
                                            .arg(QString::number(i), dialect.quote(texts[i])),
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

    // The stored list becomes codes quoted again; a list that is no list (injected) is no departments.
    void userDepartments() {
        m_db->exec(QStringLiteral("DELETE FROM sys_user"));
        m_db->exec(QStringLiteral("INSERT INTO sys_user (Userid, departs) VALUES "
                                  "('U1', '''01'',''0102'''), ('U2', NULL), ('U3', ''), ('U4', '03, 04'), "
                                  "('X1', '''03'''') or (1=1'), ('X2', '''03'',''0''); drop table t; --'), "
                                  "('X3', '''03'',,''04''')"));
        const auto departs = [this](const QString& user) {
            m_session.CurrentUserId = user;
            return departmentInList(m_session.dialect(), UserDepartments(m_session));
        };
        const QPair<const char*, const char*> cases[] = {
            {"U1", "('01','0102')"}, {"u1", "('01','0102')"}, // the collation ignores case
            {"U2", "('0')"},         {"U3", "('0')"},           {"U4", "('03','04')"},
            {"X1", "('0')"},         {"X2", "('0')"},           {"X3", "('0')"},
            {"nobody", "('0')"},     {"x' or '1'='1", "('0')"},
        };
        for (const auto& c : cases)
            QCOMPARE(departs(QString::fromUtf8(c.first)), QString::fromUtf8(c.second));
        QCOMPARE(departmentInList(m_session.dialect(), {QStringLiteral("a'b")}), QStringLiteral("('a''b')"));
    }

    void missingColumnsAreAdded() {
        newTraceTexts(); // what ran before
        m_db->exec(QStringLiteral("ALTER TABLE cardinfo DROP COLUMN CardStatusDate, DROP COLUMN validdate"));
        m_db->exec(QStringLiteral("ALTER TABLE mallowance DROP COLUMN newCard_id"));
        m_db->exec(QStringLiteral("ALTER TABLE mchargerecords DROP COLUMN charge_ver"));
        m_db->exec(QStringLiteral("ALTER TABLE company DROP COLUMN isControlCard"));
        m_db->exec(QStringLiteral("DROP TABLE pos_lockBillDate"));
        m_db->exec(QStringLiteral("INSERT INTO Company (company_ch_name) VALUES ('甲')"));

        const SchemaUpgradeResult r = UpgradeSchema(m_session);
        QCOMPARE(r.statementsRun.size(), 6);
        // The allowance serials' unique key is added (the table has no duplicates).
        QCOMPARE(r.indexesAdded, QStringList{kSerialKey});
        // The site secret: its table is there without a row, one is written.
        QCOMPARE(r.siteSecretStatements.size(), 1);
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from meal_site_secret")).toInt(), 1);
        // isControlCard is probed again after the statement that added it.
        const QStringList texts = newTraceTexts();
        const qsizetype at = texts.indexOf(QStringLiteral("alter table company add isControlCard int "));
        QVERIFY(at > 0 && at + 1 < texts.size());
        QCOMPARE(texts.at(at + 1), texts.at(at - 1));
        for (const char* name : {"cardinfo.validdate", "cardinfo.CardStatusDate", "mchargerecords.charge_ver",
                                 "mallowance.newCard_id", "company.isControlCard", "pos_lockBillDate"})
            QVERIFY2(has(name), name);

        // Run again on the now complete database: probes only, no statement.
        const SchemaUpgradeResult again = UpgradeSchema(m_session);
        QVERIFY(again.statementsRun.isEmpty());
        QVERIFY(again.siteSecretStatements.isEmpty()); // the secret is kept
        const QStringList probes = newTraceTexts();
        QVERIFY(std::all_of(probes.begin(), probes.end(),
                            [](const QString& t) { return t.startsWith(QLatin1String("select ")); }));
    }

    // The upgrade makes allowance serials unique; serials stored twice keep the key out, and say so.
    void allowanceSerialKey() {
        QSqlQuery q(m_db->db());
        const QueryRunner runner = m_session.runner();
        m_db->exec(QStringLiteral("ALTER TABLE mallowance DROP INDEX IF EXISTS ux_mallowance_emp_ver"));
        m_db->exec(QStringLiteral("DELETE FROM mallowance"));
        m_db->exec(
            QStringLiteral("INSERT INTO mallowance (emp_id, charge_ver) VALUES ('1001', 3), ('1001', 3), "
                           "('1001', 4), ('E2', 1), ('E2', 1), ('E2', 1), (NULL, 1), (NULL, 1)"));
        QString note;
        QCOMPARE(AddAllowanceSerialKey(q, runner, &note), QString());
        QVERIFY2(note.contains(QStringLiteral("2 serials")) && note.contains(QStringLiteral("1001/3 x2")) &&
                     note.contains(QStringLiteral("E2/1 x3")),
                 qPrintable(note));
        QVERIFY(
            m_db->scalar(QStringLiteral("select count(*) from information_schema.statistics where "
                                        "table_schema = database() and index_name = 'ux_mallowance_emp_ver'"))
                .toInt() == 0);
        // Renumbered, the key is added, and holds.
        m_db->exec(QStringLiteral("DELETE FROM mallowance WHERE emp_id IS NOT NULL"));
        m_db->exec(
            QStringLiteral("INSERT INTO mallowance (emp_id, charge_ver) VALUES ('1001', 3), ('E2', 1)"));
        note.clear();
        QCOMPARE(AddAllowanceSerialKey(q, runner, &note), kSerialKey);
        QVERIFY(note.isEmpty());
        QVERIFY(!q.exec(QStringLiteral("INSERT INTO mallowance (emp_id, charge_ver) VALUES ('1001', 3)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO mallowance (emp_id, charge_ver) VALUES ('1001', 5)")));
        QCOMPARE(AddAllowanceSerialKey(q, runner, &note), QString());
        m_db->exec(QStringLiteral("DELETE FROM mallowance"));
    }

    // A failing statement ends the upgrade: what ran before stays, nothing after runs.
    void failingStatementStopsUpgrade() {
        m_db->exec(QStringLiteral("ALTER TABLE cardinfo DROP COLUMN CardFactory"));
        m_db->exec(QStringLiteral("DROP TABLE MChargeRecords_bak"));
        m_db->exec(QStringLiteral("ALTER TABLE clocks DROP COLUMN clock_sn"));
        try {
            UpgradeSchema(m_session);
            QFAIL("the upgrade did not fail");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("mchargerecords_bak"), Qt::CaseInsensitive),
                     qPrintable(e.message()));
        }
        QVERIFY(has("cardinfo.CardFactory") && !has("clocks.clock_sn"));
        const QStringList texts = newTraceTexts();
        QCOMPARE(texts.last(), QStringLiteral("alter table mchargerecords_bak add charge_ver int NULL"));
        QVERIFY(!texts.contains(QStringLiteral("select clock_sn  from clocks where 1=2 ")));
    }

    void opLogRow() {
        m_db->exec(QStringLiteral("DELETE FROM OpLog"));
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        WriteOpLog(m_session, enterModuleMessage(QStringLiteral("消费明细")));
        WriteOpLog(m_session, QStringLiteral("O'Brien\\'); delete from OpLog; --"));
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);
        QSqlQuery q(m_db->db());
        QVERIFY(q.exec(QStringLiteral("select opTime, BeWrite, opUser, opComPuter from OpLog order by id")));
        QVERIFY(q.next());
        const QDateTime stamp = q.value(0).toDateTime();
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(stamp.toString(Qt::ISODate)));
        QCOMPARE(q.value(1).toString(), QStringLiteral("进入【消费明细】模块"));
        QCOMPARE(q.value(2).toString(), QStringLiteral("张三"));
        const QString computer = q.value(3).toString();
        QCOMPARE(computer, QSysInfo::machineHostName().left(15));
        QVERIFY(!computer.isEmpty() && computer.size() <= 15);
        QVERIFY(q.next());
        QCOMPARE(q.value(1).toString(), QStringLiteral("O'Brien\\'); delete from OpLog; --"));
        QCOMPARE(q.value(2).toString(), QStringLiteral("张三"));
        QVERIFY(!q.next());

        // A worker writes on its own connection under the operator's name.
        WriteOpLog(m_db->db(), QStringLiteral("李四"), batchDeleteMessage(2, QStringLiteral("补贴")));
        QCOMPARE(m_db->scalar(QStringLiteral(
                                  "select concat(opUser, '|', BeWrite) from OpLog order by id desc limit 1"))
                     .toString(),
                 QStringLiteral("李四|批量删除 2 笔【补贴】记录"));
    }

    void opLogFailureRaises() {
        m_db->exec(QStringLiteral("RENAME TABLE OpLog TO OpLogAside"));
        try {
            WriteOpLog(m_session, QStringLiteral("x"));
            QFAIL("no error raised");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("oplog"), Qt::CaseInsensitive),
                     qPrintable(e.message()));
        }
        m_db->exec(QStringLiteral("RENAME TABLE OpLogAside TO OpLog"));
    }

    // A caption is taken as it stands, even with placeholder-like text.
    void messagesKeepCaptions() {
        QCOMPARE(leaveModuleMessage(QStringLiteral("充值明细")), QStringLiteral("退出【充值明细】模块"));
        QCOMPARE(enterModuleMessage(QStringLiteral("50%1 %2")), QStringLiteral("进入【50%1 %2】模块"));
        QCOMPARE(batchDeleteMessage(3, QStringLiteral("%1%2")), QStringLiteral("批量删除 3 笔【%1%2】记录"));
    }
};

QTEST_GUILESS_MAIN(TestDbStatements)
#include "test_db_statements.moc"
