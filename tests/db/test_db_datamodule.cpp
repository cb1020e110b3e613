// The data module's registry of data sets, its meal levels from DinLev, the cash column over a server row.
#include "TestDatabase.h"
#include "db/MealDataModule.h"
#include "db/Session.h"

#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString shown(const MealDataModule& dm, const char* set, const char* field, const QVariant& value) {
    return dm.displayText(QString::fromLatin1(set), QString::fromLatin1(field), value);
}
} // namespace

class TestDbDataModule : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("db_datamodule"));
        m_db->writeDaybookIni(m_home.path(), QStringLiteral("[RunTimeConfig]\nisWritelog=1\n"));
        bindSession(m_session, *m_db, m_home.path());
    }
    void cleanupTestCase() { m_db.reset(); }

    void namesAreUniqueAndFound() {
        QSet<QString> names;
        for (const DataSetDef& d : MealDataModule::dataSets()) {
            QVERIFY2(!names.contains(d.name.toLower()), qPrintable(d.name));
            names.insert(d.name.toLower());
            QCOMPARE(MealDataModule::dataSet(d.name.toUpper()), &d);
            QSet<QString> fields;
            for (const DataSetFieldDef& f : d.fields) {
                QVERIFY2(!fields.contains(f.name.toLower()), qPrintable(d.name + QLatin1Char('.') + f.name));
                fields.insert(f.name.toLower());
            }
        }
        QVERIFY(!MealDataModule::dataSet(QStringLiteral("dsNoSuchSet")));
        QCOMPARE(MealDataModule::handlerOf(QStringLiteral("dsNoSuchSet"), QStringLiteral("flag")),
                 TextHandler::None);
        QCOMPARE(MealDataModule::handlerOf(QStringLiteral("dsMealRec"), QStringLiteral("nosuchfield")),
                 TextHandler::None);
    }

    // Fields show their codes through the set's handler, found in any letter case.
    void fieldsShowTheirCodes() {
        MealDataModule dm;
        QCOMPARE(shown(dm, "dsChargeBak", "Kind", 31), QStringLiteral("优惠"));
        QCOMPARE(shown(dm, "dsExceptRec", "ctkind", QStringLiteral("CH,104")),
                 QStringLiteral("手工补贴充值"));
        QCOMPARE(shown(dm, "dsIssueCardRecord", "in_money2", QVariant()), QStringLiteral("0"));
        // A field without a handler shows its value; null shows nothing.
        QCOMPARE(shown(dm, "dsCharge", "tradeNo", QStringLiteral("T1")), QStringLiteral("T1"));
        QVERIFY(shown(dm, "dsCharge", "tradeNo", QVariant()).isEmpty());
    }

    // Every fixed statement runs against the host schema.
    void fixedStatementsRun() {
        QSqlQuery q(m_db->db());
        for (const DataSetDef& d : MealDataModule::dataSets())
            if (!d.commandText.isEmpty())
                QVERIFY2(q.exec(d.commandText), qPrintable(d.name + QLatin1String(": ") + d.commandText));
        QVERIFY(q.exec(MealDataModule::activationStatement()));
    }

    void mealPeriodsFromDinLev() {
        m_db->exec(QStringLiteral("DELETE FROM Dinlev"));
        m_db->exec(QStringLiteral("INSERT INTO Dinlev (DinLev_ID, DinLev_Name, isvalid) VALUES "
                                  "(10, '夜宵', 1), (1, '早餐', 1), (2, '午餐', 1)"));
        MealDataModule dm;
        QVERIFY(!dm.isMealTimeOpen());
        dm.openMealTime(m_session);
        QVERIFY(dm.isMealTimeOpen());
        QCOMPARE(dm.mealLevels().size(), 3);
        QCOMPARE(dm.mealLevels().first().name, QStringLiteral("早餐"));
        QCOMPARE(dm.mealLevels().last().name, QStringLiteral("夜宵"));
        QCOMPARE(shown(dm, "dsMealRec", "kind", 2), QStringLiteral("午餐"));
        QCOMPARE(shown(dm, "dsMealRec", "kind", QStringLiteral("10")), QStringLiteral("夜宵"));
        QVERIFY(shown(dm, "dsMealRec", "kind", 0).isEmpty());
        QCOMPARE(shown(dm, "dsMealRec", "flag", 8), QString());

        QFile f(m_session.trace().currentFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(f.readAll())
                    .contains(QStringLiteral("   select * from DinLev order by DinLev_id\r\n")));

        dm.closeMealTime();
        QVERIFY(!dm.isMealTimeOpen());
        QVERIFY(dm.displayText(TextHandler::MealLevel, 1).isEmpty());
    }

    // Decimal sums, a null and names in another letter case, as the server returns them.
    void cashColumnOverServerRow() {
        QSqlQuery q(m_db->db());
        QVERIFY(q.exec(
            QStringLiteral("select sum(a) as SUM_CHARGE_MONEY, cast(0.20 as decimal(12,2)) as sum_bat_money, "
                           "cast(null as decimal(12,2)) as sum_cost_money, cast(1234567890.07 as "
                           "decimal(12,2)) as sum_chuna_money, "
                           "cast(0 as decimal(12,2)) as sum_manager_money, cast(0.3 as decimal(12,2)) as "
                           "sum_cost_money_red, "
                           "cast(0.01 as decimal(12,2)) as sum_return_money from (select cast(0.1 as "
                           "decimal(12,2)) as a union all "
                           "select 0.1 union all select 0.1) t")));
        QVERIFY(q.next());
        QCOMPARE(CodeTables::sumSumCash(q.record()).toString(), QStringLiteral("1234567890.26"));
    }
};

QTEST_GUILESS_MAIN(TestDbDataModule)
#include "test_db_datamodule.moc"
