// The daily sums' windows offscreen on the hand-made November, each opened
// through the window table; the chart against the grid after a filter and a
// sort; a drill-down opening the journal.
#include "../framework/FrameworkFixture.h"
#include "DailySumsData.h"
#include "WindowTableOpen.h"
#include "charts/ui/StatsChartView.h"
#include "dailystats/ui/ChargeSum.h"
#include "dailystats/ui/DinRoomSum.h"
#include "dataset/Field.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/ui/DBGrid.h"
#include "reports/ui/AllRecordsUnt.h"
#include "shell/ActionNames.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTableView>

class TestDailySumsWindow : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    std::unique_ptr<TfrmRecordBaseClass> open(const QString& action) {
        return openFromWindowTable<TfrmRecordBaseClass>(*fx.context, action, [](TfrmRecordBaseClass& w) {
            if (auto* daily = qobject_cast<DailySumsWindow*>(&w))
                daily->setRange(QDate(2026, 11, 1), QDate(2026, 11, 30));
        });
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("daily_sums_window"), QStringLiteral("ADMIN"));
        fx.context->session.OtherMattersFlags = QStringLiteral("00001000");
        fillDailySumsData(*fx.db);
    }
    void cleanupTestCase() { fx.stop(); }

    void opensThroughTheWindowTable_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("firstTitle"); // the first money column's caption
        QTest::newRow("recharges") << ActionName::ChargeSumDay << 4 << QStringLiteral("补贴");
        QTest::newRow("meals") << ActionName::MealSumDay << 3 << QStringLiteral("早餐|次数");
        QTest::newRow("recharges and meals") << ActionName::MealSumDaySec << 5 << QStringLiteral("卡成本");
        QTest::newRow("dining rooms") << ActionName::DinRoomSum << 0 << QString();
    }
    void opensThroughTheWindowTable() {
        QFETCH(QString, action);
        QFETCH(int, rows);
        QFETCH(QString, firstTitle);
        auto w = open(action);
        QVERIFY(w);
        if (auto* rooms = qobject_cast<TfrmDinRoomSum*>(w.get())) {
            QCOMPARE(rooms->dinRooms()->recordCount(), 2);
            return;
        }
        QCOMPARE(w->dataSet()->recordCount(), rows);
        QCOMPARE(w->grid()->model()->fieldAt(1)->displayLabel(), firstTitle);
        QCOMPARE(w->printSubheading(), QStringLiteral("日期: (2026-11-01 至 2026-11-30)"));
        // The chart draws the grid's rows.
        QCOMPARE(qobject_cast<DailySumsWindow*>(w.get())->chart()->data().categories.size(), rows);
        QVERIFY(fx.prompter.calls().isEmpty());
    }

    // The chart shows the grid's rows in the grid's order, after a filter and a sort, value for value.
    void chartFollowsTheGrid() {
        auto w = open(QLatin1String(ActionName::ChargeSumDay));
        auto* sums = qobject_cast<TfrmChargeSum*>(w.get());
        sums->perOperatorBox()->setChecked(true);
        QVERIFY(!sums->oneRecordBox()->isChecked());
        sums->oneRecordBox()->setChecked(true);
        QVERIFY(!sums->perOperatorBox()->isChecked());
        sums->perOperatorBox()->setChecked(true);
        w->actDataRefreshExecute();
        WAIT_LOADED(*w);
        DataSet& ds = *w->dataSet();
        const int all = ds.recordCount();
        ds.setFilter(QStringLiteral("sum_sum_cash <> 0"));
        ds.setFiltered(true);
        ds.setSort(QStringLiteral("sum_sum_cash DESC"));
        // The chart redraws by itself on the data set's change.
        const ChartData& data = sums->chart()->data();
        const DataSetTableModel& grid = *w->grid()->model();
        QVERIFY(QTest::qWaitFor([&] { return data.categories.size() == grid.rowCount(); }, 5000));
        QVERIFY(grid.rowCount() > 1 && grid.rowCount() < all);
        QCOMPARE(data.categories.size(), grid.rowCount());
        const int day = grid.columnOf(ds.findField(QStringLiteral("op_ymd")));
        const int op = grid.columnOf(ds.findField(QStringLiteral("opcard_id")));
        for (int r = 0; r < grid.rowCount(); ++r) {
            QCOMPARE(data.categories[r], grid.index(r, day).data().toString() + QLatin1Char(' ') +
                                             grid.index(r, op).data().toString());
            for (const ChartSeries& s : data.series)
                QCOMPARE(s.values[r].units(), ds.fixedAt(ds.bookmarkAt(r), ds.fieldByName(s.field).index()));
        }
        QVERIFY(data.series.last().values.first().units() > data.series.last().values.last().units());
    }

    // A cell opens the journal on its rows, its caption naming the column, the day and the operator.
    void drillDownOpensTheJournal() {
        auto w = open(QLatin1String(ActionName::ChargeSumDay));
        auto* sums = qobject_cast<TfrmChargeSum*>(w.get());
        const int column =
            w->grid()->model()->columnOf(w->dataSet()->findField(QStringLiteral("sum_charge_money")));
        std::unique_ptr<TFrmAllRecordsUnt> journal(sums->drillDown(0, column));
        QVERIFY(journal);
        WAIT_LOADED(*journal);
        QCOMPARE(journal->dataSet()->recordCount(), 2);
        QVERIFY(journal->windowTitle().endsWith(QStringLiteral("---(现金收入|现金充值日期：2026-11-01)")));

        // Enter with no cell chosen drills into the first row's first figure, not its day.
        auto* enter = w->findChild<QAction*>(QStringLiteral("actDrillDown"));
        QVERIFY(enter);
        QTableView* view = w->grid()->view();
        view->setCurrentIndex(QModelIndex());
        enter->trigger();
        const QModelIndex chosen = view->currentIndex();
        QCOMPARE(chosen.row(), 0);
        const Field* figure = w->grid()->model()->fieldAt(chosen.column());
        QVERIFY(figure && figure->dataType() != FieldType::String && figure->dataType() != FieldType::Date &&
                figure->dataType() != FieldType::DateTime);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* opened = qobject_cast<TFrmAllRecordsUnt*>(top); opened && opened != journal.get())
                opened->deleteLater();
    }
};

QTEST_MAIN(TestDailySumsWindow)
#include "test_daily_sums_window.moc"
