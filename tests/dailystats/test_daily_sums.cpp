// The daily sums' figures on the hand-made November against sums computed
// here from the same rows; the drill-downs' journal rows against their cells;
// refused filter values; mealctl's chart file.
#include "DailySumsData.h"
#include "MealctlRun.h"
#include "dailystats/ChargeSumQuery.h"
#include "dailystats/DailySumsDrill.h"
#include "dailystats/DailySumsReports.h"
#include "dailystats/MealSumDaySecQuery.h"
#include "dataset/DataSet.h"
#include "dataset/FieldTypes.h"
#include "db/DbError.h"
#include "db/Session.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Row = QMap<QString, Currency>;
using Rows = QMap<QString, Row>; // by day ("/operator"), or "all"
using Form = ChargeSumFilter::Form;
const DayRange kNovember{QDate(2026, 11, 1), QDate(2026, 11, 30)};
const QString kPeriodNames[] = {QStringLiteral("Nine"), QStringLiteral("One"), QStringLiteral("Two"),
                                QStringLiteral("Three"), QStringLiteral("Four")};

bool inRange(const DayRange& r, const char* time) {
    return dayOf(time) >= r.begin && dayOf(time) <= r.end;
}
QString key(const QString& day, const char* op, Form form) {
    if (form == Form::OneRecord)
        return QStringLiteral("all");
    const QString who = (op && *op) ? QString::fromLatin1(op) : ChargeSumQuery::machineOperator();
    return form == Form::PerOperator ? day + QLatin1Char('/') + who : day;
}

Rows expectedChargeSums(const DayRange& r, Form form) {
    Rows out;
    const auto add = [&](const char* time, const char* op, const QString& field, Currency v) {
        if (!inRange(r, time))
            return;
        Row& row = out[key(dayOf(time).toString(Qt::ISODate), op, form)];
        for (const QString& f : ChargeSumQuery::moneyFields())
            row[f];
        row[field] += v;
    };
    const QMap<int, QString> byKind = {{0, QStringLiteral("sum_charge_money")},
                                       {2, QStringLiteral("sum_bat_money")},
                                       {30, QStringLiteral("Sum_ChuNa_money")},
                                       {31, QStringLiteral("sum_rate_money")}};
    for (const ChargeRow& c : kCharges)
        add(c.time, c.op, byKind.value(c.kind, QStringLiteral("sum_add_money")), money(c.money));
    for (const MealRow& m : kMeals)
        if (m.flag == 102)
            add(m.time, m.op, QStringLiteral("sum_return_money"), money(m.money));
    for (const CostRow& c : kCosts) {
        add(c.time, c.op,
            c.kind == 1 ? QStringLiteral("sum_cost_money") : QStringLiteral("sum_manager_money"),
            money(c.in));
        if (c.kind == 1)
            add(c.time, c.op, QStringLiteral("sum_cost_money_red"), money(c.out));
    }
    for (Row& row : out)
        row[QStringLiteral("sum_sum_cash")] =
            row[QStringLiteral("sum_charge_money")] + row[QStringLiteral("sum_bat_money")] +
            row[QStringLiteral("sum_cost_money")] + row[QStringLiteral("Sum_ChuNa_money")] +
            row[QStringLiteral("sum_manager_money")] - row[QStringLiteral("sum_cost_money_red")] -
            row[QStringLiteral("sum_return_money")];
    return out;
}

Rows expectedMealSums(const MealSumDayFilter& f) {
    Rows out;
    bool excluded = false;
    const QVector<int> flags = MealSumDayQuery::kindFlags(f.kind, &excluded);
    for (const MealRow& m : kMeals) {
        const bool validPeriod = m.kind == 0 || m.kind == 1 || m.kind == 2; // 3 invalid, 4 without a row
        const bool room = f.dinRoom.isEmpty() || f.dinRoom == QString::number(m.clock); // room n has clock n
        if (!inRange(f.range, m.time) || !validPeriod || !room || flags.contains(m.flag) == excluded)
            continue;
        Row& row = out[f.oneRecord ? QStringLiteral("all") : dayOf(m.time).toString(Qt::ISODate)];
        for (const QString& total : {kPeriodNames[m.kind], QStringLiteral("Total")}) {
            row[total + QStringLiteral("Count")] += Currency::fromInteger(1);
            row[total + QStringLiteral("Money")] += money(m.money);
        }
    }
    return out;
}

Rows expectedDaySec(const DayRange& r) {
    Rows out;
    const auto add = [&](const char* time, const char* field, Currency v) {
        if (!inRange(r, time))
            return;
        Row& row = out[dayOf(time).toString(Qt::ISODate)];
        for (const QString& f : MealSumDaySecQuery::moneyFields())
            row[f];
        row[QString::fromLatin1(field)] += v;
    };
    for (const CostRow& c : kCosts)
        add(c.time, c.kind == 1 ? "sum_cost_money" : "sum_manager_money",
            c.kind == 1 ? money(c.in) - money(c.out) : money(c.in));
    for (const ChargeRow& c : kCharges)
        add(c.time,
            c.kind == 0 || c.kind == 2     ? "sum_charge_money"
            : c.kind >= 30 && c.kind <= 31 ? "Sum_ChuNa_money"
                                           : "sum_allow_money",
            money(c.money));
    for (const MealRow& m : kMeals)
        add(m.time, m.flag == 102 ? "sum_return_money" : "sum_Meal_money", money(m.money));
    add(kAllowanceDay, "sum_charge_money", Currency());
    for (auto it = out.begin(); it != out.end(); ++it) {
        const QDate day = QDate::fromString(it.key(), Qt::ISODate);
        Currency balance = money(kLastBalances);
        for (const ChargeRow& c : kCharges)
            balance += dayOf(c.time) <= day ? money(c.money) : Currency();
        for (const MealRow& m : kMeals)
            balance -= dayOf(m.time) <= day ? money(m.money) : Currency();
        it.value()[QStringLiteral("card_balance")] = balance;
    }
    return out;
}

} // namespace

class TestDailySums : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> db;
    QTemporaryDir home;
    Session session;

    void open(DataSet& ds, const QString& sql, const QVariantMap& params = {}) {
        try {
            ds.open(session.ModuleConnection, sql, params);
        } catch (const DbError& e) {
            QFAIL(qPrintable(e.message() + QStringLiteral("\n") + sql));
        }
    }
    // Every expected figure equals the row's, and no row is missing or extra.
    void compare(DataSet& ds, const Rows& expected) {
        Rows actual;
        for (int p = 0; p < ds.recordCount(); ++p) {
            const Bookmark b = ds.bookmarkAt(p);
            const Field* day = ds.findField(QStringLiteral("op_ymd"));
            const Field* op = ds.findField(QStringLiteral("opcard_id"));
            QString k =
                day ? ds.valueAt(b, day->index()).toDate().toString(Qt::ISODate) : QStringLiteral("all");
            if (op)
                k += QLatin1Char('/') + ds.textAt(b, op->index());
            const Row want = expected.value(k);
            for (auto it = want.begin(); it != want.end(); ++it)
                actual[k][it.key()] = Currency::fromUnits(ds.fixedAt(b, ds.fieldByName(it.key()).index()));
            actual[k];
        }
        QCOMPARE(actual.keys(), expected.keys());
        for (auto it = expected.begin(); it != expected.end(); ++it)
            for (auto f = it.value().begin(); f != it.value().end(); ++f)
                QVERIFY2(actual[it.key()][f.key()] == f.value(),
                         qPrintable(QStringLiteral("%1 %2: %3, expected %4")
                                        .arg(it.key(), f.key(), actual[it.key()][f.key()].toString(),
                                             f.value().toString())));
    }
    // The faster statement gives the rows of the one it replaces, cell for cell.
    void sameRows(DataSet& ds, const QString& reference, const QVariantMap& params) {
        DataSet ref;
        open(ref, reference, params);
        QCOMPARE(ds.recordCount(), ref.recordCount());
        QCOMPARE(ds.fieldCount(), ref.fieldCount());
        for (int p = 0; p < ds.recordCount(); ++p)
            for (int i = 0; i < ds.fieldCount(); ++i)
                QCOMPARE(ds.valueAt(ds.bookmarkAt(p), i), ref.valueAt(ref.bookmarkAt(p), i));
    }
    // Each money cell's journal rows add up to it (refunds and deposits paid back are listed negated); a
    // count cell's are as many.
    void drillEveryCell(DataSet& ds,
                        const std::function<std::optional<DrillTarget>(const DrillCell&)>& target) {
        int drilled = 0;
        for (int p = 0; p < ds.recordCount(); ++p)
            for (int i = 0; i < ds.fieldCount(); ++i) {
                const Field* f = ds.field(i);
                DrillCell cell{f->fieldName(), f->displayLabel(), kNovember, {}, false, {}, false, {}};
                const Bookmark b = ds.bookmarkAt(p);
                if (const Field* day = ds.findField(QStringLiteral("op_ymd")))
                    cell.day = ds.valueAt(b, day->index()).toDate();
                if (const Field* op = ds.findField(QStringLiteral("opcard_id")))
                    cell = {cell.field, cell.columnTitle,          kNovember, cell.day,
                            true,       ds.textAt(b, op->index()), false,     {}};
                const std::optional<DrillTarget> t = target(cell);
                if (!t || !isNumericType(f->dataType()))
                    continue;
                DataSet journal;
                open(journal, JournalQuery::statement(t->page, t->conditions, session));
                const bool meals = t->page == JournalPage::Consumption;
                const Field& amount = journal.fieldByName(meals ? QStringLiteral("card_consume")
                                                                : QStringLiteral("charge_money"));
                const qint64 cellValue = ds.fixedAt(b, i);
                const bool payout = t->conditions.cost == JournalConditions::CostDirection::Payout;
                const int negated = t->page == JournalPage::Refund || payout ? -1 : 1;
                const qint64 sum = f->fieldName().endsWith(QLatin1String("Count"))
                                       ? qint64(journal.recordCount()) * Currency::Scale
                                       : journal.sumFixed(amount.index()) * negated;
                QVERIFY2(sum == cellValue,
                         qPrintable(QStringLiteral("%1 %2: journal %3, cell %4")
                                        .arg(cell.day.toString(Qt::ISODate), f->fieldName(),
                                             QString::number(sum), QString::number(cellValue))));
                ++drilled;
            }
        QVERIFY(drilled > 0);
    }

private slots:
    void initTestCase() {
        db = std::make_unique<TestDatabase>(QStringLiteral("daily_sums"));
        bindSession(session, *db, home.path());
        fillDailySumsData(*db);
    }

    void chargeSums_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QDate>("begin");
        QTest::addColumn<QDate>("end");
        QTest::newRow("per day, November") << int(Form::PerDay) << kNovember.begin << kNovember.end;
        QTest::newRow("per day, its last day") << int(Form::PerDay) << kNovember.end << kNovember.end;
        QTest::newRow("one record") << int(Form::OneRecord) << kNovember.begin << kNovember.end;
        QTest::newRow("one record, mid-month")
            << int(Form::OneRecord) << QDate(2026, 11, 2) << QDate(2026, 11, 29);
        QTest::newRow("per operator") << int(Form::PerOperator) << kNovember.begin << kNovember.end;
        QTest::newRow("per operator, October to December")
            << int(Form::PerOperator) << QDate(2026, 10, 31) << QDate(2026, 12, 1);
    }
    void chargeSums() {
        QFETCH(int, form);
        QFETCH(QDate, begin);
        QFETCH(QDate, end);
        const ChargeSumFilter f{{begin, end}, Form(form)};
        DataSet ds;
        open(ds, ChargeSumQuery::statement(f, session.dialect()), DailySums::dayParameters(f.range));
        compare(ds, expectedChargeSums(f.range, f.form));
        if (f.range.begin == kNovember.begin && f.range.end == kNovember.end)
            drillEveryCell(ds, [](const DrillCell& c) { return DailySumsDrill::chargeSum(c); });
    }

    void mealSums_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("room");
        QTest::addColumn<bool>("one");
        for (int kind = 0; kind <= 4; ++kind)
            QTest::addRow("type %d", kind) << kind << QString() << false;
        QTest::newRow("room 1") << 4 << QStringLiteral("1") << false;
        QTest::newRow("room 2, amounts") << 0 << QStringLiteral("2") << false;
        QTest::newRow("one record") << 4 << QString() << true;
    }
    void mealSums() {
        QFETCH(int, kind);
        QFETCH(QString, room);
        QFETCH(bool, one);
        MealSumDayFilter f;
        f.range = kNovember;
        f.kind = kind;
        f.dinRoom = room;
        f.oneRecord = one;
        DataSet ds;
        open(ds, MealSumDayQuery::statement(f, session.dialect()), DailySums::dayParameters(f.range));
        compare(ds, expectedMealSums(f));
        sameRows(ds, MealSumDayQuery::rowStatement(f, session.dialect()), DailySums::dayParameters(f.range));
        const QVector<MealPeriodColumn> periods =
            MealSumDayQuery::periodColumns(MealSumDayQuery::readPeriods(session));
        drillEveryCell(ds, [&](const DrillCell& c) { return DailySumsDrill::mealSumDay(c, f, periods); });
    }

    void daySums_data() {
        QTest::addColumn<QDate>("begin");
        QTest::addColumn<QDate>("end");
        QTest::newRow("November") << kNovember.begin << kNovember.end;
        QTest::newRow("first day") << kNovember.begin << kNovember.begin;
        QTest::newRow("last day") << kNovember.end << kNovember.end;
        QTest::newRow("allowance day") << QDate(2026, 11, 21) << QDate(2026, 11, 25);
    }
    void daySums() {
        QFETCH(QDate, begin);
        QFETCH(QDate, end);
        DataSet ds;
        open(ds, MealSumDaySecQuery::statement({begin, end}, session.dialect()),
             DailySums::dayParameters({begin, end}));
        compare(ds, expectedDaySec({begin, end}));
        sameRows(ds, MealSumDaySecQuery::rowStatement({begin, end}, session.dialect()),
                 DailySums::dayParameters({begin, end}));
        drillEveryCell(ds, [](const DrillCell& c) { return DailySumsDrill::mealSumDaySec(c); });
    }

    void refusals_data() {
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("kind");
        QTest::newRow("room with SQL") << QStringLiteral("1 or 1=1") << QStringLiteral("4");
        QTest::newRow("room quoted") << QStringLiteral("1'--") << QStringLiteral("4");
        QTest::newRow("negative room") << QStringLiteral("-1") << QStringLiteral("4");
        QTest::newRow("type out of the list") << QString() << QStringLiteral("5");
        QTest::newRow("type not a number") << QString() << QStringLiteral("4;drop table MealRecords");
    }
    void refusals() {
        QFETCH(QString, room);
        QFETCH(QString, kind);
        MealSumDayFilter f;
        f.range = kNovember;
        f.dinRoom = room;
        QVERIFY_THROWS_EXCEPTION(DbError, {
            f.kind = DailySumsReports::kindOf(kind, 7);
            MealSumDayQuery::statement(f, session.dialect());
        });
    }

    // mealctl draws the window's chart of the rows it wrote, and a workbook
    // carries it as a native chart over the written cells.
    void chartFile() {
        db->writeDaybookIni(home.path());
        db->exec(QStringLiteral(
            "insert into sys_user (Userid, UserName, Password) values ('ADMIN', '管理员', 'x')"));
        const QString png = home.filePath(QStringLiteral("sums.png"));
        const QString mealctl = QStringLiteral(MEALCTL_FILE);
        const MealctlRun chart =
            runMealctl(mealctl, home.path(),
                       {"report", "ActMealSumDay", "--from", "2026-11-01", "--to", "2026-11-30", "--out",
                        home.filePath(QStringLiteral("sums.csv")), "--chart", png});
        QVERIFY2(chart.status == 0 && chart.err.contains(QStringLiteral("chart of 3 rows")),
                 qPrintable(chart.err.right(400)));
        QVERIFY(!QImage(png).isNull());
        // Operator and day (A, B) are the categories, each money column from C a series, over the rows.
        const QString xlsx = home.filePath(QStringLiteral("charges.xlsx"));
        QCOMPARE(runMealctl(mealctl, home.path(),
                            {"report", "ActChargeSumDay", "--per-operator", "--from", "2026-11-01", "--to",
                             "2026-11-30", "--format", "xlsx", "--out", xlsx})
                     .status,
                 0);
        QByteArray expected = "#chart\tlineChart";
        const int last = 2 + expectedChargeSums(kNovember, Form::PerOperator).size();
        for (int i = 0; i < ChargeSumQuery::moneyFields().size(); ++i)
            expected += QStringLiteral(" dschargeSum3!$A$3:$B$%1/dschargeSum3!$%2$3:$%2$%1")
                            .arg(QString::number(last), QChar(u'C' + i))
                            .toUtf8();
        QProcess ctl;
        ctl.start("/usr/bin/python3", {MEAL_XLSX_CELLS_SCRIPT, xlsx});
        QVERIFY(ctl.waitForFinished(60000) && ctl.readAllStandardOutput().contains(expected + '\n'));
    }
};

QTEST_GUILESS_MAIN(TestDailySums)
#include "test_daily_sums.moc"
