// The data module's registry of named data sets and its meal-level lookup
// read from table DinLev; the cash column over a real recharge-sum row.
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
        static_assert(std::is_same_v<TMealDM, MealDataModule>, "the data module keeps its old name");
    }

    void consumptionRecordFields() {
        const DataSetDef* d = MealDataModule::dataSet(QStringLiteral("dsMealRec"));
        QVERIFY(d);
        QStringList names, labels, noSum, hidden;
        for (const DataSetFieldDef& f : d->fields) {
            names << f.name;
            labels << f.label;
            if (f.tag == MealDataModule::NoSumTag)
                noSum << f.name;
            if (!f.visible)
                hidden << f.name;
        }
        QCOMPARE(names, (QStringList{"emp_id", "empname", "card_id", "deptno", "deptname", "sign_time",
                                     "card_consume", "card_balance", "Card_Sequ", "clock_id", "Pos_Sequ",
                                     "flag", "kind", "opcard_id"}));
        QCOMPARE(labels, (QStringList{"工号", "姓名", "卡号", "部门编号", "部门名称", "消费时间", "消费金额",
                                      "卡余额", "卡流水号", "机号", "机器流水号", "标志", "餐别", "操作员"}));
        QCOMPARE(noSum, (QStringList{"card_id", "card_balance", "Card_Sequ", "clock_id", "Pos_Sequ", "flag",
                                     "kind"}));
        QCOMPARE(hidden, (QStringList{"deptno", "kind", "opcard_id"}));
        QCOMPARE(d->field(QStringLiteral("CARD_CONSUME"))->kind, FieldKind::Currency);
        QCOMPARE(MealDataModule::handlerOf(QStringLiteral("dsMealRec"), QStringLiteral("flag")),
                 TextHandler::ConsumptionFlag);
        QCOMPARE(MealDataModule::handlerOf(QStringLiteral("dsMealRec"), QStringLiteral("kind")),
                 TextHandler::MealLevel);
    }

    void rechargeRecordFields() {
        const DataSetDef* d = MealDataModule::dataSet(QStringLiteral("dsCharge"));
        QVERIFY(d);
        QCOMPARE(d->fields.size(), 16);
        QCOMPARE(d->field(QStringLiteral("charge_money"))->label, QStringLiteral("充值金额"));
        QCOMPARE(d->field(QStringLiteral("Kind"))->label, QStringLiteral("类型"));
        QCOMPARE(d->field(QStringLiteral("op_date"))->label, QStringLiteral("充值时间"));
        QCOMPARE(d->field(QStringLiteral("stadescr"))->label, QStringLiteral("收支统计账单号"));
        QCOMPARE(d->field(QStringLiteral("PaySource"))->label, QStringLiteral("支付方式"));
        QCOMPARE(d->field(QStringLiteral("tradeNo"))->label, QStringLiteral("交易码"));
        MealDataModule dm;
        QCOMPARE(shown(dm, "dsCharge", "kind", 104), QStringLiteral("手工补贴充值"));
        QCOMPARE(shown(dm, "dsCharge", "PaySource", 2), QStringLiteral("微信"));
        QCOMPARE(shown(dm, "dsChargeBak", "Kind", 31), QStringLiteral("优惠"));
        QCOMPARE(shown(dm, "dsCardCost", "kind", 1), QStringLiteral("押金"));
        QCOMPARE(shown(dm, "dsExceptRec", "ctkind", QStringLiteral("CH,104")),
                 QStringLiteral("手工补贴充值"));
        QCOMPARE(shown(dm, "dsExceptRec", "ktype", 1), QStringLiteral("挂失卡"));
        QCOMPARE(shown(dm, "dsIssueCardRecord", "in_money2", QVariant()), QStringLiteral("0"));
        // A field without a handler shows its value; null shows nothing.
        QCOMPARE(shown(dm, "dsCharge", "tradeNo", QStringLiteral("T1")), QStringLiteral("T1"));
        QVERIFY(shown(dm, "dsCharge", "tradeNo", QVariant()).isEmpty());
    }

    void fixedStatementsAndCalculatedFields() {
        const auto command = [](const char* name) {
            return MealDataModule::dataSet(QLatin1String(name))->commandText;
        };
        QCOMPARE(command("dsMealTime"), QStringLiteral("select * from DinLev order by DinLev_id"));
        QCOMPARE(command("dsdinlev"), QStringLiteral("select * from dinlev "));
        QCOMPARE(command("dsDinRoom"), QStringLiteral("select * from  DinRoom"));
        QCOMPARE(command("dsSQL"), QStringLiteral("select * from MUserSQL"));
        QCOMPARE(command("dsReturnCard"),
                 QStringLiteral(
                     "select card_id,emp_id,empname,deptno,deptname,return_date,op_user from returncard"));
        QStringList withCash;
        for (const DataSetDef& d : MealDataModule::dataSets())
            if (d.calculatedFields.contains(QStringLiteral("sum_sum_cash")))
                withCash << d.name;
        QCOMPARE(withCash, (QStringList{"dsChargeSum", "dschargesum2", "dschargeSum3", "dsChargeSum1",
                                        "dsChargeSum1_Bak", "dsMChargeSum"}));
        // Every fixed statement runs against the host schema.
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

        // The statement went through the trace.
        QFile f(m_session.trace().currentFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(f.readAll())
                    .contains(QStringLiteral("   select * from DinLev order by DinLev_id\r\n")));

        dm.closeMealTime();
        QVERIFY(!dm.isMealTimeOpen());
        QVERIFY(dm.displayText(TextHandler::MealLevel, 1).isEmpty());
    }

    // The cash column over a row as the server returns it: decimal sums, a
    // null, and field names in another letter case.
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
