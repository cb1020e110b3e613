// The statistics windows on a hand-built database: every figure against a
// computation from the rows below without SQL, the journal rows behind each
// cell summing to it, the faster statements equal to the plain ones, the
// person account's difference, refused terminal lists, and each window
// opened from the window table.
#include "../framework/FrameworkFixture.h"
#include "WindowTableOpen.h"
#include "db/Currency.h"
#include "db/DbError.h"
#include "framework/ui/DptRecordBaseClass.h"
#include "reports/JournalQuery.h"
#include "reports/stats/GoodsSalesQuery.h"
#include "reports/stats/MealLevelQuery.h"
#include "reports/stats/PersonAccountQuery.h"
#include "reports/stats/PersonalRechargeQuery.h"
#include "reports/stats/ui/EmpDinlev.h"
#include "reports/ui/AllRecordsUnt.h"
#include "shell/ActionNames.h"

#include <QApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
struct Meal {
    const char *emp, *dept;
    int card, clock;
    const char* time;
    int flag, kind;
    const char* money;
};
// Periods 1 and 2 valid, 3 not, 7 unknown; E3 has left; E2 has two cards.
const QVector<Meal> kMeals = {
    {"E1", "01", 101, 1, "2026-11-01 07:30:00", 1, 1, "5.00"},
    {"E1", "01", 101, 1, "2026-11-02 12:00:00", 2, 2, "12.50"},
    {"E1", "01", 101, 2, "2026-11-30 18:00:00", 1, 3, "8.00"},
    {"E1", "01", 101, 2, "2026-11-30 23:59:59", 4, 0, "3.30"},
    {"E2", "0101", 102, 1, "2026-11-10 12:00:00", 1, 2, "11.11"},
    {"E2", "0101", 105, 2, "2026-11-11 07:00:00", 103, 1, "2.22"},
    {"E2", "0101", 102, 1, "2026-11-12 12:00:00", 102, 2, "-4.00"},
    {"E3", "02", 103, 2, "2026-11-15 12:00:00", 1, 2, "9.99"},
    {"E3", "02", 103, 2, "2026-11-16 12:00:00", 14, 0, "1.01"},
    {"E1", "01", 101, 1, "2026-12-01 07:30:00", 1, 1, "6.00"},
    {"E2", "0101", 102, 1, "2026-11-05 12:00:00", 105, 7, "0.70"},
    {"E1", "01", 101, 1, "2026-10-31 23:59:59", 1, 1, "4.00"},
};
struct Charge {
    const char *emp, *dept;
    int card, kind;
    const char *money, *time;
};
const QVector<Charge> kCharges = {
    {"E1", "01", 101, 0, "100.00", "2026-11-01 08:00:00"},
    {"E1", "01", 101, 33, "50.00", "2026-11-05 09:00:00"},
    {"E1", "01", 101, 31, "0.50", "2026-11-05 09:00:00"},
    {"E2", "0101", 102, 2, "20.00", "2026-11-03 10:00:00"},
    {"E2", "0101", 105, 30, "10.00", "2026-11-20 10:00:00"},
    {"E2", "0101", 102, 104, "7.77", "2026-11-30 23:59:59"},
    {"E3", "02", 103, 0, "30.00", "2026-11-02 10:00:00"},
    {"E1", "01", 101, 0, "9.00", "2026-12-01 08:00:00"},
};
struct Goods {
    int clock, pos, store;
    const char* price;
    int amount;
};
const QVector<Goods> kGoods = {
    {1, 5, 1, "1.00", 2}, {1, 2, 1, "1.50", 1}, {2, 6, 2, "3.00", 1}, {1, 10, 2, "3.00", 5}};

Currency money(const char* t) {
    Currency c;
    Currency::parse(QString::fromLatin1(t), c);
    return c;
}
QDateTime at(const char* t) {
    return QDateTime::fromString(QString::fromLatin1(t), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
QString cell(const QSqlQuery& q, const QString& name) {
    const QVariant v = q.value(name);
    const QString t = v.toString();
    if (v.isNull())
        return QStringLiteral("null");
    return t.contains(QLatin1Char('.')) ? Currency::fromVariant(v).toString(2) : t;
}
// Every row of a statement as "column=value" texts, sorted.
QStringList rowsOf(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << q.record().fieldName(i).toLower() + QLatin1Char('=') + cell(q, q.record().fieldName(i));
        rows << cells.join(QLatin1Char(' '));
    }
    rows.sort();
    return rows;
}
// Rows and money of the journal behind a cell.
QPair<int, QString> journal(const QSqlDatabase& db, const QString& sql, const char* column) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    int n = 0;
    Currency sum;
    while (q.next()) {
        ++n;
        sum = sum + Currency::fromVariant(q.value(QLatin1String(column)));
    }
    return {n, sum.toString(2)};
}
} // namespace

class TestStatistics : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("statistics"), QStringLiteral("ADMIN"));
        fx.context->session.config.ModuleOptions = 2 | 4 | 8;
        fx.context->session.OtherMattersFlags = QStringLiteral("00001000");
        const auto exec = [&](const QString& sql) { fx.db->exec(sql); };
        exec(QStringLiteral(
            "insert into Dinlev (DinLev_ID, DinLev_Name, isvalid) values (1,'早餐',1),(2,'午餐',1),"
            "(3,'晚餐',0)"));
        exec(QStringLiteral("insert into clocks (clock_id, clock_name, Clock_type, dinroom_id) values "
                            "(1,'一号机','1',1),(2,'二号机','1',2)"));
        exec(QStringLiteral(
            "insert into hum_employee (empno, empname, deptno, deptname, card_id, sys_id, "
            "last_balance) values ('E1','张三','01','总部',101,1,10.00),('E2','李四','0101','食堂',"
            "102,2,null),('E4','王五','02','车间',null,null,5.00)"));
        exec(QStringLiteral("insert into hum_employee_lz (empno, empname, deptno, deptname, card_id, sys_id, "
                            "last_balance) values ('E3','赵六','02','车间',103,3,2.00)"));
        // E1 lost a count consumption (flag 4) to no column, E3 1.23 to a bad balance; E2 is consistent.
        exec(QStringLiteral(
            "insert into cardinfo (empno, sys_id, card_id, card_balance) values ('E1',1,101,124.70),"
            "('E2',2,102,27.74),('E2',5,105,99.00),('E3',3,103,19.77)"));
        exec(QStringLiteral("insert into OrderMeal (emp_id, mealsum) values ('E1', 6.00)"));
        exec(QStringLiteral("insert into store (storeno, storename) values (1,'米饭'),(2,'可乐')"));
        for (int i = 0; i < kMeals.size(); ++i) {
            const Meal& m = kMeals[i];
            exec(QStringLiteral(
                     "insert into MealRecords (emp_id, empname, deptno, deptname, card_id, clock_id, "
                     "pos_sequ, card_sequ, sign_time, op_ymd, flag, kind, card_consume) values ('%1', "
                     "'n', '%2', 'd%2', %3, %4, %5, %5, '%6', '%7', %8, %9, %10)")
                     .arg(QLatin1String(m.emp), QLatin1String(m.dept), QString::number(m.card),
                          QString::number(m.clock), QString::number(i + 1), QLatin1String(m.time),
                          QLatin1String(m.time).left(10), QString::number(m.flag), QString::number(m.kind),
                          QLatin1String(m.money)));
        }
        for (const Charge& c : kCharges)
            exec(QStringLiteral(
                     "insert into MChargeRecords (emp_id, empname, deptno, deptname, card_id, Kind, "
                     "charge_money, op_date, op_ymd) values ('%1', 'n', '%2', 'd%2', %3, %4, %5, '%6', "
                     "'%7')")
                     .arg(QLatin1String(c.emp), QLatin1String(c.dept), QString::number(c.card),
                          QString::number(c.kind), QLatin1String(c.money), QLatin1String(c.time),
                          QLatin1String(c.time).left(10)));
        for (const Goods& g : kGoods)
            exec(QStringLiteral(
                     "insert into storedetail (clock_id, Devno, RecSum, StoreNo, Price, Amount) values "
                     "(%1, %2, 1, %3, %4, %5)")
                     .arg(QString::number(g.clock), QString::number(g.pos), QString::number(g.store),
                          QLatin1String(g.price), QString::number(g.amount)));
    }
    void cleanupTestCase() { fx.stop(); }

    // Each period column, the totals and the journal behind each cell.
    void mealPeriodFigures_data() {
        QTest::addColumn<int>("grouping");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("dept");
        using G = MealLevelGrouping;
        const QDate nov1(2026, 11, 1), nov30(2026, 11, 30);
        const QString all;
        QTest::newRow("employees, November") << int(G::Employee) << nov1 << nov30 << 4 << all << all;
        QTest::newRow("employees, room 1")
            << int(G::Employee) << nov1.addDays(1) << nov1.addDays(14) << 4 << "1" << all;
        QTest::newRow("employees, dept 01") << int(G::Employee) << nov1 << nov30 << 4 << all << "01";
        QTest::newRow("departments, amounts") << int(G::Department) << nov1 << nov30 << 0 << all << all;
        QTest::newRow("departments, 0101")
            << int(G::Department) << nov1 << QDate(2026, 12, 31) << 4 << all << "0101";
        QTest::newRow("terminals, all") << int(G::Terminal) << nov1.addDays(-1) << nov30 << 4 << all << all;
        QTest::newRow("terminals, counts") << int(G::Terminal) << nov1 << nov30 << 1 << all << all;
    }
    void mealPeriodFigures() {
        QFETCH(int, grouping);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(int, type);
        QFETCH(QString, room);
        QFETCH(QString, dept);
        MealLevelFilter f;
        f.grouping = MealLevelGrouping(grouping);
        f.begin = from;
        f.end = to;
        f.typeIndex = type;
        f.dinRoom = room;
        f.departmentSelected = !dept.isEmpty();
        f.departmentNo = dept;
        // The expected cells by row key, from the rows above.
        bool excluded = false;
        const QVector<int> flags = MealLevelQuery::typeFlags(type, &excluded);
        QMap<QString, QMap<QString, QPair<int, Currency>>> expected;
        for (const Meal& m : kMeals) {
            const QDate day = at(m.time).date();
            if (day < f.begin || day > f.end || flags.contains(m.flag) == excluded || m.kind > 2 ||
                (!room.isEmpty() && QString::number(m.clock) != room) ||
                !QLatin1String(m.dept).startsWith(dept))
                continue;
            const QString key =
                f.grouping == MealLevelGrouping::Employee
                    ? QStringLiteral("%1/%2/%3")
                          .arg(QLatin1String(m.emp), QString::number(m.card), QLatin1String(m.dept))
                : f.grouping == MealLevelGrouping::Department ? QLatin1String(m.dept)
                                                              : QString::number(m.clock);
            for (const QString& column : {MealLevelQuery::countField(m.kind), QStringLiteral("Total")}) {
                QPair<int, Currency>& c =
                    expected[key][column.chopped(column == QLatin1String("Total") ? 0 : 5)];
                c.first += 1;
                c.second = c.second + money(m.money);
            }
        }
        const QSqlDatabase db = fx.db->db();
        const QString sql = MealLevelQuery::statement(f, fx.context->session);
        QCOMPARE(rowsOf(db, sql), rowsOf(db, MealLevelQuery::recordStatement(f, fx.context->session)));
        const QVector<MealPeriod> periods = MealLevelQuery::readPeriods(fx.context->session);
        QSqlQuery q(db);
        QVERIFY(q.exec(sql));
        int rows = 0;
        while (q.next()) {
            ++rows;
            MealLevelQuery::DrillKey key;
            key.empId = q.value(QStringLiteral("emp_id")).toString();
            key.cardId = q.value(QStringLiteral("card_id")).toString();
            key.hasDept = f.grouping != MealLevelGrouping::Terminal;
            key.deptNo = q.value(QStringLiteral("deptno")).toString();
            key.clockId = q.value(QStringLiteral("Clock_id")).toLongLong();
            const QString rowKey = f.grouping == MealLevelGrouping::Employee
                                       ? QStringLiteral("%1/%2/%3").arg(key.empId, key.cardId, key.deptNo)
                                   : f.grouping == MealLevelGrouping::Department
                                       ? key.deptNo
                                       : QString::number(key.clockId);
            QVERIFY2(expected.contains(rowKey), qPrintable(rowKey));
            for (int period = -1; period <= 8; ++period) {
                const QString stem =
                    period < 0 ? QStringLiteral("Total") : MealLevelQuery::countField(period).chopped(5);
                const QPair<int, Currency> want = expected[rowKey].value(stem);
                const QString what = rowKey + QLatin1Char(' ') + stem;
                QCOMPARE(q.value(stem + QStringLiteral("Count")).toInt(), want.first);
                QCOMPARE(Currency::fromVariant(q.value(stem + QStringLiteral("Money"))).toString(2),
                         want.second.toString(2));
                if (period > 2)
                    continue;
                const JournalConditions c = MealLevelQuery::drillConditions(f, period, periods, key);
                const auto behind =
                    journal(db, JournalQuery::statement(JournalPage::Consumption, c, fx.context->session),
                            "card_consume");
                QVERIFY2(behind == qMakePair(want.first, want.second.toString(2)), qPrintable(what));
            }
        }
        QCOMPARE(rows, expected.size());
    }

    void personalRecharges_data() {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("dept");
        QTest::newRow("November") << QDate(2026, 11, 1) << QDate(2026, 11, 30) << QString();
        QTest::newRow("first days, dept 01") << QDate(2026, 11, 1) << QDate(2026, 11, 5) << "01";
    }

    void personalRecharges() {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, dept);
        PersonalRechargeFilter f;
        f.begin = from;
        f.end = to;
        f.department.departmentSelected = !dept.isEmpty();
        f.department.departmentNo = dept;
        const QVector<QPair<QString, QVector<int>>> columns = {
            {QStringLiteral("sum_charge_money"), {0}}, {QStringLiteral("sum_add_money"), {33, 1, 3, 104}},
            {QStringLiteral("sum_bat_money"), {2}},    {QStringLiteral("sum_chuna_money"), {30}},
            {QStringLiteral("sum_rate_money"), {31}},  {QStringLiteral("sum_money"), {}}};
        QSqlQuery q(fx.db->db());
        QVERIFY(q.exec(PersonalRechargeQuery::statement(f, fx.context->session)));
        QSet<QString> seen;
        while (q.next()) {
            const QString emp = q.value(QStringLiteral("emp_id")).toString();
            seen << emp;
            for (const auto& column : columns) {
                int n = 0;
                Currency sum;
                for (const Charge& c : kCharges) {
                    const QDate day = at(c.time).date();
                    if (QLatin1String(c.emp) == emp && day >= f.begin && day <= f.end &&
                        (column.second.isEmpty() || column.second.contains(c.kind))) {
                        ++n;
                        sum = sum + money(c.money);
                    }
                }
                QCOMPARE(Currency::fromVariant(q.value(column.first)).toString(2), sum.toString(2));
                if (column.second.isEmpty())
                    QCOMPARE(q.value(QStringLiteral("Totalcount")).toInt(), n);
                const JournalConditions c = PersonalRechargeQuery::drillConditions(
                    f, column.first, emp, q.value(QStringLiteral("deptno")).toString());
                QCOMPARE(journal(fx.db->db(),
                                 JournalQuery::statement(JournalPage::Recharge, c, fx.context->session),
                                 "charge_money"),
                         qMakePair(n, sum.toString(2)));
            }
        }
        QSet<QString> want;
        for (const Charge& c : kCharges)
            if (at(c.time).date() >= f.begin && at(c.time).date() <= f.end &&
                QLatin1String(c.dept).startsWith(dept))
                want << QLatin1String(c.emp);
        QCOMPARE(seen, want);
    }

    // With the price column hidden an article's prices are summed into one row.
    void goodsSales_data() {
        QTest::addColumn<bool>("byPrice");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("per price") << true << QStringList{"1 1.00 2 2.00", "1 1.50 1 1.50", "2 3.00 1 3.00"};
        QTest::newRow("per article") << false << QStringList{"1 2.50 3 3.50", "2 3.00 1 3.00"};
    }
    void goodsSales() {
        QFETCH(bool, byPrice);
        QFETCH(QStringList, rows);
        GoodsSalesFilter f;
        f.begin = at("2026-11-01 00:00:00");
        f.end = at("2026-11-30 23:59:59");
        f.byPrice = byPrice;
        QSqlQuery q(fx.db->db());
        QVERIFY(q.exec(GoodsSalesQuery::statement(f, fx.context->session)));
        QStringList got;
        while (q.next())
            got << QStringLiteral("%1 %2 %3 %4")
                       .arg(q.value(0).toString(),
                            Currency::fromVariant(q.value(QStringLiteral("Price"))).toString(2),
                            q.value(QStringLiteral("sum_Count")).toString(),
                            Currency::fromVariant(q.value(QStringLiteral("sum_Money"))).toString(2));
        got.sort();
        QCOMPARE(got, rows);
        f.articleName = QStringLiteral("x' or '1'='1");
        QVERIFY(q.exec(GoodsSalesQuery::statement(f, fx.context->session)));
        QVERIFY(!q.next());
    }

    // The difference is zero for a consistent account and the known fault for the others.
    void personAccountDifference_data() {
        QTest::addColumn<bool>("departed");
        QTest::addColumn<QString>("dept");
        QTest::addColumn<QStringList>("balances");
        QTest::newRow("current") << false << "" << QStringList{"E1 3.30", "E2 0.00", "E4 5.00"};
        QTest::newRow("current, dept 01") << false << "01" << QStringList{"E1 3.30", "E2 0.00"};
        QTest::newRow("departed") << true << "" << QStringList{"E3 1.23"};
    }
    void personAccountDifference() {
        QFETCH(bool, departed);
        QFETCH(QString, dept);
        QFETCH(QStringList, balances);
        PersonAccountFilter f;
        f.departed = departed;
        f.departmentNo = dept;
        const QString sql = PersonAccountQuery::statement(f, fx.context->session);
        QCOMPARE(rowsOf(fx.db->db(), sql),
                 rowsOf(fx.db->db(), PersonAccountQuery::correlatedStatement(f, fx.context->session)));
        QSqlQuery q(fx.db->db());
        QVERIFY(q.exec(sql));
        QStringList got;
        while (q.next()) {
            const QString emp = q.value(QStringLiteral("empno")).toString();
            Currency in, out;
            for (const Charge& c : kCharges)
                if (QLatin1String(c.emp) == emp)
                    in = in + money(c.money);
            for (const Meal& m : kMeals)
                if (QLatin1String(m.emp) == emp &&
                    QVector<int>{1, 2, 3, 5, 6, 9, 90, 14, 105, 102, 103}.contains(m.flag))
                    out = out + money(m.money);
            QCOMPARE(Currency::fromVariant(q.value(QStringLiteral("MSumcharge"))).toString(2),
                     in.toString(2));
            const Currency orders = emp == QLatin1String("E1") ? money("6.00") : Currency();
            QCOMPARE(Currency::fromVariant(q.value(QStringLiteral("MSumConsume"))).toString(2),
                     (out + orders).toString(2));
            got << emp + QLatin1Char(' ') +
                       Currency::fromVariant(q.value(QStringLiteral("Balance"))).toString(2);
        }
        got.sort();
        QCOMPARE(got, balances);
        // The detail lists E1's recharges, consumptions and meal order (not the count consumption).
        QCOMPARE(journal(fx.db->db(),
                         PersonAccountQuery::detailStatement(QStringLiteral("E1"), fx.context->session),
                         "变动金额")
                     .first,
                 4 + 5 + 1);
    }

    void terminalListsRefused_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("statement") << "1) or (1=1";
        QTest::newRow("semicolon") << "1;2";
        QTest::newRow("letters") << "1,a";
        QTest::newRow("empty") << " , ";
        QTest::newRow("negative") << "-3";
    }
    void terminalListsRefused() {
        QFETCH(QString, typed);
        MealLevelFilter f;
        f.grouping = MealLevelGrouping::Terminal;
        f.fromSearch = true;
        f.keyText = typed;
        QVERIFY_THROWS_EXCEPTION(DbError, MealLevelQuery::statement(f, fx.context->session));
    }

    void windowsOpenFromTheTable_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("rows");
        QTest::newRow("per employee") << QString::fromLatin1(ActionName::EmpDinLev) << 4;
        QTest::newRow("per department") << QString::fromLatin1(ActionName::DepartDinLev) << 3;
        QTest::newRow("per terminal") << QString::fromLatin1(ActionName::ClockDinlev) << 2;
        QTest::newRow("goods") << QString::fromLatin1(ActionName::HSRecords) << 3;
        QTest::newRow("recharges") << QString::fromLatin1(ActionName::EmpChargeSum) << 3;
        QTest::newRow("accounts") << QString::fromLatin1(ActionName::PersonAccount) << 3;
    }
    void windowsOpenFromTheTable() {
        QFETCH(QString, action);
        QFETCH(int, rows);
        auto w =
            openFromWindowTable<TfrmDptRecordBaseClass>(*fx.context, action, [](TfrmDptRecordBaseClass& d) {
                d.setPeriod(at("2026-11-01 00:00:00"), at("2026-11-30 23:59:59"));
            });
        QVERIFY(w);
        QCOMPARE(w->dataSet()->recordCount(), rows);
        QVERIFY(fx.prompter.calls().isEmpty());
        // Money arrives as fixed-point, never as binary floating point.
        for (int i = 0; i < w->dataSet()->fieldCount(); ++i) {
            const Field* f = w->dataSet()->field(i);
            if (f->fieldName().contains(QLatin1String("money"), Qt::CaseInsensitive) ||
                f->fieldName().endsWith(QLatin1String("balance"), Qt::CaseInsensitive))
                QVERIFY2(f->dataType() == FieldType::BCD, qPrintable(f->fieldName()));
        }
    }

    // A double-click on a cell opens the journal on the cell's records, titled by the row's card.
    void drillDownOpensTheJournal() {
        TfrmEmpDinlev w(*fx.context);
        w.setPeriod(at("2026-11-01 00:00:00"), at("2026-11-30 23:59:59"));
        w.show();
        w.activate();
        QVERIFY(waitLoaded(w));
        QVERIFY(w.dataSet()->locate(QStringLiteral("card_id"), 101));
        const Currency cell =
            Currency::fromVariant(w.dataSet()->fieldByName(QStringLiteral("TwoMoney")).value());
        w.drillDown(QStringLiteral("TwoMoney"));
        TFrmAllRecordsUnt* journal = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<TFrmAllRecordsUnt*>(top))
                journal = found;
        QVERIFY(journal);
        QVERIFY(waitLoaded(*journal));
        QVERIFY(journal->windowTitle().endsWith(QStringLiteral("---(卡号：101)")));
        QCOMPARE(journal->dataSet()->recordCount(), 1);
        QCOMPARE(
            Currency::fromVariant(journal->dataSet()->fieldByName(QStringLiteral("card_consume")).value()),
            cell);
        journal->close();
    }
};

QTEST_MAIN(TestStatistics)
#include "test_statistics.moc"
