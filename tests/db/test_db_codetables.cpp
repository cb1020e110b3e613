// Stored codes to texts, the recharge groups, the cash column and fixed-point money.
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
    // Codes arrive as numbers, decimal texts or typed nulls; a null is no code.
    void codesFromDriverValues() {
        for (const QVariant& kind : {QVariant(33), QVariant(QStringLiteral("33")), QVariant(33.0)})
            QCOMPARE(rechargeKindText(kind), QStringLiteral("补贴机"));
        for (const QVariant& v : {QVariant(), nullInt(), QVariant(QString()), QVariant(0.5), QVariant(32)})
            QVERIFY(rechargeKindText(v).isEmpty());
        QCOMPARE(consumptionFlagText(QVariant(105)), QStringLiteral("补单"));
        for (const QVariant& v : {QVariant(), QVariant(102)})
            QVERIFY(consumptionFlagText(v).isEmpty());
        QVERIFY(exceptionKTypeText(nullInt()).isEmpty());
        QCOMPARE(exceptionKTypeText(0), QStringLiteral("外来卡"));
        QCOMPARE(issueCardMoneyText(QVariant()), QStringLiteral("0"));
        QCOMPARE(issueCardMoneyText(QStringLiteral("20.00")), QStringLiteral("20.00"));
        QCOMPARE(exceptionCTypeText(QStringLiteral("CH")), QStringLiteral("加款"));
        QCOMPARE(exceptionCTypeText(QStringLiteral("ch")), QStringLiteral("减款"));
    }

    // The kind after "CH," is a recharge kind, otherwise a consumption flag.
    void exceptionCtKind() {
        QCOMPARE(exceptionCtKindText(QStringLiteral("CH,104")), QStringLiteral("手工补贴充值"));
        for (const char* ctkind : {"XF,5", "5"})
            QCOMPARE(exceptionCtKindText(QString::fromLatin1(ctkind)), QStringLiteral("商品"));
        // A code the other table owns shows nothing; what is no code at all is "未知类型".
        for (const char* ctkind : {"CH,5", "XF,33", "XF,102", "ch,104"})
            QVERIFY2(exceptionCtKindText(QString::fromLatin1(ctkind)).isEmpty(), ctkind);
        for (const char* ctkind : {"CH,abc", "CH,", "CH,1000", "XF,1,2", ""})
            QCOMPARE(exceptionCtKindText(QString::fromLatin1(ctkind)), QStringLiteral("未知类型"));
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

    void rechargeGroups() {
        // The kinds listed for a group are exactly those that fall in it; 104 counts only per person.
        for (bool personal : {false, true}) {
            QCOMPARE(rechargeGroup(32, personal), RechargeGroup::None);
            for (RechargeGroup g : {RechargeGroup::Cash, RechargeGroup::Allowance, RechargeGroup::Batch,
                                    RechargeGroup::Cashier, RechargeGroup::Discount}) {
                const auto kinds = rechargeGroupKinds(g, personal);
                QVERIFY(!kinds.isEmpty());
                for (int k : kinds)
                    QCOMPARE(rechargeGroup(k, personal), g);
            }
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

    // Money in units of 1/10000, rounded half away from zero, shown with the decimals asked for.
    void currencyParsingAndText() {
        const QList<QPair<const char*, qint64>> good = {
            {"12.34", 123400},  {" -0.5 ", -5000},    {"+.25", 2500},       {"7.", 70000},
            {"1.23455", 12346}, {"-1.23455", -12346}, {"1.23454999", 12345}};
        Currency c;
        for (const auto& [text, units] : good) {
            QVERIFY2(Currency::parse(QString::fromLatin1(text), c), text);
            QCOMPARE(c.units(), units);
        }
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
