// Stored codes to texts, the record-type conditions, the recharge groups, the
// calculated cash column and the fixed-point money it is computed in.
#include "db/CodeTables.h"
#include "db/Currency.h"

#include <QtTest>

using namespace CodeTables;

namespace {
// A null as the driver returns it for an integer column: typed, holding 0.
QVariant nullInt() {
    return QVariant(QMetaType::fromType<int>());
}
} // namespace

class TestDbCodeTables : public QObject {
    Q_OBJECT

private slots:
    void rechargeKinds() {
        const QList<QPair<int, QString>> known{
            {0, QStringLiteral("现金")},    {1, QStringLiteral("手工补贴充值")},
            {2, QStringLiteral("批量")},    {3, QStringLiteral("手工补贴充值")},
            {30, QStringLiteral("出纳机")}, {31, QStringLiteral("优惠")},
            {33, QStringLiteral("补贴机")}, {104, QStringLiteral("手工补贴充值")}};
        for (const auto& [kind, text] : known) {
            QCOMPARE(rechargeKindText(kind), text);
            QCOMPARE(rechargeKindText(QVariant(kind)), text);
            QCOMPARE(rechargeKindText(QVariant(QString::number(kind))),
                     text); // decimal texts from the driver
        }
        for (int other : {-1, 4, 20, 32, 34, 102, 103, 105, 1000})
            QVERIFY2(rechargeKindText(other).isEmpty(), qPrintable(QString::number(other)));
        QVERIFY(rechargeKindText(QVariant()).isEmpty()); // null is not cash
        QVERIFY(rechargeKindText(nullInt()).isEmpty());
        QVERIFY(rechargeKindText(QVariant(QString())).isEmpty());
        QCOMPARE(rechargeKindText(QVariant(33.0)), QStringLiteral("补贴机"));
        QVERIFY(rechargeKindText(QVariant(0.5)).isEmpty());
    }

    void consumptionFlags() {
        const QList<QPair<int, QString>> known{
            {1, QStringLiteral("定值")},  {2, QStringLiteral("金额")},  {3, QStringLiteral("键值")},
            {4, QStringLiteral("计次")},  {5, QStringLiteral("商品")},  {6, QStringLiteral("计时")},
            {7, QStringLiteral("记帐")},  {9, QStringLiteral("纠错")},  {14, QStringLiteral("清零")},
            {90, QStringLiteral("纠错")}, {105, QStringLiteral("补单")}};
        for (const auto& [flag, text] : known)
            QCOMPARE(consumptionFlagText(QVariant(flag)), text);
        for (int other : {0, 8, 10, 102, 103, 104})
            QVERIFY2(consumptionFlagText(QVariant(other)).isEmpty(), qPrintable(QString::number(other)));
        QVERIFY(consumptionFlagText(QVariant()).isEmpty());
    }

    void flagCategories() {
        QCOMPARE(flagCategoryCondition(0), QStringLiteral(" and C.flag in (1,2,3,5,6,103) "));
        QCOMPARE(flagCategoryCondition(1), QStringLiteral(" and C.flag in (4) "));
        QCOMPARE(flagCategoryCondition(2), QStringLiteral(" and C.flag in (7) "));
        QCOMPARE(flagCategoryCondition(3), QStringLiteral(" and C.flag in (9,90,14,105) "));
        for (int other : {-1, 4, 5, 99})
            QCOMPARE(flagCategoryCondition(other), QStringLiteral(" and C.flag<>102 "));
    }

    void cardCostPaySourceAndIssueMoney() {
        QCOMPARE(cardCostKindText(QVariant(1)), QStringLiteral("押金"));
        QCOMPARE(cardCostKindText(QVariant(QStringLiteral("2"))), QStringLiteral("管理费"));
        QVERIFY(cardCostKindText(QVariant(0)).isEmpty());
        QVERIFY(cardCostKindText(QVariant(3)).isEmpty());
        QVERIFY(cardCostKindText(QVariant()).isEmpty());

        QCOMPARE(paySourceText(QVariant(1)), QStringLiteral("支付宝"));
        QCOMPARE(paySourceText(QVariant(2)), QStringLiteral("微信"));
        QVERIFY(paySourceText(QVariant(0)).isEmpty());
        QVERIFY(paySourceText(QVariant(3)).isEmpty());
        QVERIFY(paySourceText(QVariant()).isEmpty());

        QCOMPARE(issueCardMoneyText(QVariant()), QStringLiteral("0"));
        QCOMPARE(issueCardMoneyText(QVariant(QMetaType::fromType<double>())), QStringLiteral("0"));
        QCOMPARE(issueCardMoneyText(QVariant(QStringLiteral("20.00"))), QStringLiteral("20.00"));
    }

    void exceptionTypes() {
        QCOMPARE(exceptionKTypeText(QVariant(0)), QStringLiteral("外来卡"));
        QCOMPARE(exceptionKTypeText(QVariant(1)), QStringLiteral("挂失卡"));
        QCOMPARE(exceptionKTypeText(QVariant(2)), QStringLiteral("测试卡"));
        QVERIFY(exceptionKTypeText(QVariant(3)).isEmpty());
        QVERIFY(exceptionKTypeText(QVariant()).isEmpty()); // null is not a foreign card
        QVERIFY(exceptionKTypeText(nullInt()).isEmpty());

        QCOMPARE(exceptionCTypeText(QVariant(QStringLiteral("CH"))), QStringLiteral("加款"));
        for (const QVariant& other : {QVariant(QStringLiteral("XF")), QVariant(QStringLiteral("ch")),
                                      QVariant(QString()), QVariant()})
            QCOMPARE(exceptionCTypeText(other), QStringLiteral("减款"));
    }

    void exceptionCtKind_data() {
        QTest::addColumn<QString>("ctkind");
        QTest::addColumn<QString>("text");
        QTest::newRow("CH 104") << "CH,104"
                                << "手工补贴充值";
        QTest::newRow("CH 33") << "CH,33"
                               << "补贴机";
        QTest::newRow("CH 0") << "CH,0"
                              << "现金";
        QTest::newRow("CH flag-only code") << "CH,5"
                                           << "";
        QTest::newRow("CH non-numeric") << "CH,abc"
                                        << "未知类型";
        QTest::newRow("CH empty code") << "CH,"
                                       << "未知类型";
        QTest::newRow("CH 1000") << "CH,1000"
                                 << "未知类型";
        QTest::newRow("other 1000") << "XF,1000"
                                    << "未知类型";
        QTest::newRow("other goods") << "XF,5"
                                     << "商品";
        QTest::newRow("other recharge-only code") << "XF,33"
                                                  << "";
        QTest::newRow("other refund") << "XF,102"
                                      << "";
        QTest::newRow("second comma") << "XF,1,2"
                                      << "未知类型";
        QTest::newRow("no comma") << "5"
                                  << "商品";
        QTest::newRow("empty") << ""
                               << "未知类型";
        QTest::newRow("lower-case ch") << "ch,104"
                                       << "";
    }
    void exceptionCtKind() {
        QFETCH(QString, ctkind);
        QTEST(exceptionCtKindText(ctkind), "text");
    }

    void mealLevels() {
        const QVector<MealLevel> levels{{QVariant(1), QStringLiteral("早餐")},
                                        {QVariant(2), QStringLiteral("午餐")},
                                        {QVariant(QStringLiteral("10")), QStringLiteral("夜宵")}};
        QCOMPARE(mealLevelText(QVariant(2), levels), QStringLiteral("午餐"));
        QCOMPARE(mealLevelText(QVariant(QStringLiteral(" 1")), levels), QStringLiteral("早餐"));
        QCOMPARE(mealLevelText(QVariant(10), levels), QStringLiteral("夜宵"));
        QVERIFY(mealLevelText(QVariant(0), levels).isEmpty());
        QVERIFY(mealLevelText(QVariant(), levels).isEmpty());
        QVERIFY(mealLevelText(nullInt(), {{QVariant(0), QStringLiteral("餐外消费")}}).isEmpty());
        QVERIFY(mealLevelText(QVariant(QStringLiteral("x")), levels).isEmpty());
        QVERIFY(mealLevelText(QVariant(1), {}).isEmpty());
    }

    void mealOrderTypesAreEmpty() {
        for (const QVariant& v :
             {QVariant(0), QVariant(1), QVariant(3), QVariant(4), QVariant(-1), QVariant()})
            QVERIFY(mealOrderTypeText(v).isEmpty());
    }

    void rechargeGroups() {
        for (bool personal : {false, true}) {
            QCOMPARE(rechargeGroup(0, personal), RechargeGroup::Cash);
            for (int k : {1, 3, 33})
                QCOMPARE(rechargeGroup(k, personal), RechargeGroup::Allowance);
            QCOMPARE(rechargeGroup(2, personal), RechargeGroup::Batch);
            QCOMPARE(rechargeGroup(30, personal), RechargeGroup::Cashier);
            QCOMPARE(rechargeGroup(31, personal), RechargeGroup::Discount);
            QCOMPARE(rechargeGroup(32, personal), RechargeGroup::None);
            // The kinds listed for a group are exactly those that fall in it.
            for (RechargeGroup g : {RechargeGroup::Cash, RechargeGroup::Allowance, RechargeGroup::Batch,
                                    RechargeGroup::Cashier, RechargeGroup::Discount})
                for (int k : rechargeGroupKinds(g, personal))
                    QCOMPARE(rechargeGroup(k, personal), g);
        }
        QCOMPARE(rechargeGroup(104, true), RechargeGroup::Allowance);
        QCOMPARE(rechargeGroup(104, false), RechargeGroup::None);
        QVERIFY(rechargeGroupKinds(RechargeGroup::Allowance, true).contains(104));
        QVERIFY(!rechargeGroupKinds(RechargeGroup::Allowance, false).contains(104));
    }

    void sumSumCashInDecimal() {
        QVariantMap row{{QStringLiteral("sum_charge_money"), QStringLiteral("0.10")},
                        {QStringLiteral("sum_bat_money"), QStringLiteral("0.20")},
                        {QStringLiteral("sum_cost_money"), QStringLiteral("0.30")},
                        {QStringLiteral("sum_ChuNa_money"), QVariant(QMetaType::fromType<QString>())},
                        {QStringLiteral("sum_manager_money"), 5},
                        {QStringLiteral("sum_cost_money_Red"), QStringLiteral("0.60")},
                        {QStringLiteral("sum_return_money"), 0.1}};
        const auto byName = [&row](const QString& name) { return row.value(name); };
        // 0.1 + 0.2 + 0.3 + 5 - 0.6 - 0.1 is exactly 4.9 in decimal.
        QCOMPARE(sumSumCash(byName), Currency::fromUnits(49000));
        QCOMPARE(sumSumCash(byName).toString(), QStringLiteral("4.90"));

        // Large day totals keep their cents.
        row = {{QStringLiteral("sum_charge_money"), QStringLiteral("99999999999999.99")},
               {QStringLiteral("sum_bat_money"), QStringLiteral("0.01")},
               {QStringLiteral("sum_return_money"), QStringLiteral("0.03")}};
        QCOMPARE(sumSumCash(byName).toString(), QStringLiteral("99999999999999.97"));

        row.clear(); // every field missing or null reads as 0
        QCOMPARE(sumSumCash(byName), Currency());
    }

    void currencyParsing() {
        Currency c;
        QVERIFY(Currency::parse(QStringLiteral("12.34"), c));
        QCOMPARE(c.units(), qint64(123400));
        QVERIFY(Currency::parse(QStringLiteral(" -0.5 "), c));
        QCOMPARE(c.units(), qint64(-5000));
        QVERIFY(Currency::parse(QStringLiteral("+.25"), c));
        QCOMPARE(c.units(), qint64(2500));
        QVERIFY(Currency::parse(QStringLiteral("7."), c));
        QCOMPARE(c.units(), qint64(70000));
        QVERIFY(Currency::parse(QStringLiteral("1.23455"), c)); // half away from zero
        QCOMPARE(c.units(), qint64(12346));
        QVERIFY(Currency::parse(QStringLiteral("-1.23455"), c));
        QCOMPARE(c.units(), qint64(-12346));
        QVERIFY(Currency::parse(QStringLiteral("1.23454999"), c));
        QCOMPARE(c.units(), qint64(12345));
        c = Currency::fromUnits(77);
        for (const char* bad : {"", ".", "-", "1e5", "1,5", "1.2.3", "abc", "12 3", "99999999999999999999"}) {
            QVERIFY2(!Currency::parse(QString::fromLatin1(bad), c), bad);
            QCOMPARE(c.units(), qint64(77)); // left alone
        }

        bool ok = true;
        QCOMPARE(Currency::fromVariant(QVariant(0.1)).units(), qint64(1000));
        QCOMPARE(Currency::fromVariant(QVariant(qlonglong(-3))).units(), qint64(-30000));
        QCOMPARE(Currency::fromVariant(QVariant(), &ok).units(), qint64(0));
        QVERIFY(ok);
        QCOMPARE(Currency::fromVariant(QVariant(QStringLiteral("x")), &ok).units(), qint64(0));
        QVERIFY(!ok);
    }

    void currencyText() {
        QCOMPARE(Currency::fromUnits(123456).toString(), QStringLiteral("12.35"));
        QCOMPARE(Currency::fromUnits(-123450).toString(), QStringLiteral("-12.35"));
        QCOMPARE(Currency::fromUnits(-40).toString(), QStringLiteral("0.00"));
        QCOMPARE(Currency::fromUnits(5).toString(4), QStringLiteral("0.0005"));
        QCOMPARE(Currency::fromUnits(15000).toString(0), QStringLiteral("2"));
        QCOMPARE(Currency::fromInteger(-7).toString(), QStringLiteral("-7.00"));
        QCOMPARE((Currency::fromInteger(1) - Currency::fromUnits(1)).toString(4), QStringLiteral("0.9999"));
    }
};

QTEST_GUILESS_MAIN(TestDbCodeTables)
#include "test_db_codetables.moc"
