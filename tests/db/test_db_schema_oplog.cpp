// The schema upgrade on a database missing columns and tables, run twice, and
// stopped by a failing statement; the operation log rows and their failure.
#include "TestDatabase.h"
#include "db/DbError.h"
#include "db/OpLog.h"
#include "db/SchemaUpgrade.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestDbSchemaOpLog : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;
    int m_traceSeen = 0;

    // The statements traced since the last call.
    QStringList newTraceTexts() {
        QFile f(m_session.trace().currentFilePath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QStringList all =
            QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QStringList fresh;
        for (qsizetype i = m_traceSeen; i < all.size(); ++i)
            fresh << all[i].mid(26);
        m_traceSeen = int(all.size());
        return fresh;
    }

    bool hasColumn(const QString& table, const QString& column) const {
        return m_db->scalar(
                       QStringLiteral("select count(*) from information_schema.columns where table_schema = "
                                      "database() and lower(table_name) = lower('%1') and column_name = '%2'")
                           .arg(table, column))
                   .toInt() == 1;
    }
    bool hasTable(const QString& table) const {
        return m_db->scalar(
                       QStringLiteral("select count(*) from information_schema.tables where table_schema = "
                                      "database() and lower(table_name) = lower('%1')")
                           .arg(table))
                   .toInt() == 1;
    }
    static int countProbes(const QStringList& texts) {
        int n = 0;
        for (const QString& t : texts)
            if (t.startsWith(QLatin1String("select ")))
                ++n;
        return n;
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("db_schema_oplog"));
        m_db->writeDaybookIni(m_home.path(), QStringLiteral("[RunTimeConfig]\nisWritelog=1\n"));
        bindSession(m_session, *m_db, m_home.path());
        m_session.CurrentUserName = QStringLiteral("张三");
        newTraceTexts();
    }
    void cleanupTestCase() { m_db.reset(); }

    void missingColumnsAreAdded() {
        m_db->exec(QStringLiteral("ALTER TABLE cardinfo DROP COLUMN CardStatusDate, DROP COLUMN validdate"));
        m_db->exec(QStringLiteral("ALTER TABLE mallowance DROP COLUMN newCard_id"));
        m_db->exec(QStringLiteral("ALTER TABLE mchargerecords DROP COLUMN charge_ver"));
        m_db->exec(QStringLiteral("ALTER TABLE company DROP COLUMN isControlCard"));
        m_db->exec(QStringLiteral("DROP TABLE pos_lockBillDate"));
        m_db->exec(QStringLiteral("INSERT INTO Company (company_ch_name) VALUES ('甲')"));

        const SchemaUpgradeResult r = UpgradeSchema(m_session);
        const QStringList expected{
            QStringLiteral("Alter table Cardinfo  add validdate datetime"),
            QStringLiteral("Alter table Cardinfo add CardStatusDate datetime NULL;"),
            QStringLiteral("create table pos_lockBillDate(BillLockDate datetime , AddDate datetime)"),
            QStringLiteral("alter table mchargerecords add charge_ver int NULL"),
            QStringLiteral("alter table mallowance add newCard_id int NULL"),
            QStringLiteral("alter table company add isControlCard int "),
        };
        QCOMPARE(r.statementsRun, expected);
        // The second newCard_id probe finds the column the first step added;
        // isControlCard is probed again after its statement.
        QCOMPARE(r.probesRun, 18);
        const QStringList texts = newTraceTexts();
        QCOMPARE(texts.size(), 18 + int(expected.size()));
        const qsizetype at = texts.indexOf(QStringLiteral("alter table mallowance add newCard_id int NULL"));
        QCOMPARE(texts.mid(at - 1, 3),
                 (QStringList{QStringLiteral("select newCard_id  from mallowance where 1=2 "), expected[4],
                              QStringLiteral("select newCard_id  from mallowance where 1=2 ")}));
        QCOMPARE(texts.mid(texts.size() - 3),
                 (QStringList{QStringLiteral("select isControlCard  from company "), expected[5],
                              QStringLiteral("select isControlCard  from company ")}));

        QVERIFY(hasColumn(QStringLiteral("cardinfo"), QStringLiteral("validdate")));
        QVERIFY(hasColumn(QStringLiteral("cardinfo"), QStringLiteral("CardStatusDate")));
        QVERIFY(hasColumn(QStringLiteral("mchargerecords"), QStringLiteral("charge_ver")));
        QVERIFY(hasColumn(QStringLiteral("mallowance"), QStringLiteral("newCard_id")));
        QVERIFY(hasColumn(QStringLiteral("company"), QStringLiteral("isControlCard")));
        QVERIFY(hasTable(QStringLiteral("pos_lockBillDate")));

        // Run again on the now complete database: the seventeen probes and no statement.
        const SchemaUpgradeResult again = UpgradeSchema(m_session);
        QCOMPARE(again.probesRun, 17);
        QVERIFY(again.statementsRun.isEmpty());
        const QStringList probes = newTraceTexts();
        QCOMPARE(probes.size(), 17);
        QCOMPARE(countProbes(probes), 17);
        QCOMPARE(probes.count(QStringLiteral("select newCard_id  from mallowance where 1=2 ")), 2);
        QCOMPARE(probes.first(), QStringLiteral("select Amount  from StoreDetail where 1=2 "));
        QCOMPARE(probes.last(), QStringLiteral("select isControlCard  from company "));
    }

    // A statement that fails ends the upgrade with its error; what ran before
    // stays, nothing after it runs.
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
        QVERIFY(hasColumn(QStringLiteral("cardinfo"), QStringLiteral("CardFactory")));
        QVERIFY(!hasColumn(QStringLiteral("clocks"), QStringLiteral("clock_sn")));
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

QTEST_GUILESS_MAIN(TestDbSchemaOpLog)
#include "test_db_schema_oplog.moc"
