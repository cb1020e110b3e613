// The consumption records window offscreen on the hand-built database: the
// type list, the dining-room tree and its clicks, the detail panel, the
// refused card number, re-matching of selected rows and the merged export
// (written, and cancelled in its progress dialog).
#include "../framework/FrameworkFixture.h"
#include "../framework/RecordFilesFixture.h"
#include "MealRecordsData.h"
#include "WindowWait.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/GridLayout.h"
#include "reports/ui/MealRecords.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

using DataAction = TfrmRecordBaseClass::DataAction;

class TestMealRecordsWindow : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    std::unique_ptr<TfrmMealRecords> openWindow() {
        auto w = std::make_unique<TfrmMealRecords>(*fx.context);
        w->setPeriod(QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
                     QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
        w->show();
        waitIdle(*w);
        return w;
    }
    static void waitIdle(TfrmMealRecords& w) {
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 10000);
        if (w.isDetailShown())
            QTRY_VERIFY_WITH_TIMEOUT(w.detailRows()->isActive() && !w.detailRows()->isLoading(), 10000);
    }
    static QTreeWidgetItem* node(TfrmMealRecords& w, const QString& text) {
        const auto found = w.terminalTree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    static void selectRows(TfrmMealRecords& w, const QList<int>& rows) {
        QItemSelectionModel* sel = w.grid()->view()->selectionModel();
        for (int r : rows)
            sel->select(w.grid()->model()->index(r, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    int kindOf(int pos) const {
        return fx.db->scalar(QStringLiteral("select kind from MealRecords where pos_sequ = %1").arg(pos))
            .toInt();
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("meal_records_window"), QStringLiteral("ADMIN"));
        fillMealRecordsData(*fx.db);
        fx.context->session.OtherMattersFlags = QStringLiteral("10000000");
        fx.context->session.config.ModuleOptions = 0;
    }
    void init() { fx.prompter.clear(); }
    void cleanupTestCase() { fx.stop(); }

    void opensWithEveryTypeAndTheTree() {
        auto w = openWindow();
        // Without the clearing feature item 7 has no "清零"; the records show their type's text.
        QCOMPARE(w->typeList()->itemText(7), QStringLiteral("纠错/补单"));
        QCOMPARE(w->dataSet()->recordCount(), 8);
        QCOMPARE(w->dataSet()->displayText(0, w->dataSet()->fieldByName(QStringLiteral("flag")).index()),
                 QStringLiteral("键值"));
        QVERIFY(!w->detailPanel()->isVisible());
        QCOMPARE(w->terminalTree()->topLevelItem(0)->childCount(), 3);
        QVERIFY(w->rematchAction());

        fx.context->session.config.ModuleOptions = 4;
        fx.context->session.OtherMattersFlags = QStringLiteral("00000000");
        TfrmMealRecords other(*fx.context);
        other.show();
        waitIdle(other);
        QCOMPARE(other.typeList()->itemText(7), QStringLiteral("纠错/补单/清零"));
        QVERIFY(!other.rematchAction());
        fx.context->session.config.ModuleOptions = 0;
        fx.context->session.OtherMattersFlags = QStringLiteral("10000000");
    }

    void treeClicksListTerminalsOnce() {
        auto w = openWindow();
        w->treePages()->setCurrentIndex(1);
        waitIdle(*w);
        w->terminalTree()->setCurrentItem(node(*w, QStringLiteral("空食堂")));
        waitIdle(*w);
        QCOMPARE(w->dataSet()->recordCount(), 0);
        w->terminalTree()->setCurrentItem(node(*w, QStringLiteral("2(COM3-9600)")));
        waitIdle(*w);
        QCOMPARE(w->dataSet()->recordCount(), 2);
        w->terminalTree()->setCurrentItem(w->terminalTree()->topLevelItem(0));
        waitIdle(*w);
        QCOMPARE(w->dataSet()->recordCount(), 7); // terminal 9 is no POS terminal
        w->action(DataAction::Refresh)->trigger();
        waitIdle(*w);
        QCOMPARE(w->dataSet()->recordCount(), 8);
    }

    // A load can be cancelled: the window ends the load, says so and stays usable.
    void cancelledLoadLeavesTheWindowUsable() {
        auto w = openWindow();
        QSignalSpy finished(w.get(), &TfrmMealRecords::queryFinished);
        w->action(DataAction::Refresh)->trigger();
        QVERIFY(w->isLoading());
        QWidget* strip = w->findChild<QWidget*>(QStringLiteral("plLoading"));
        QVERIFY(!strip->isHidden());
        QVERIFY(!w->action(DataAction::Export)->isEnabled());
        w->findChild<QPushButton*>(QStringLiteral("btnCancelLoad"))->click();
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(!w->isLoading());
        QVERIFY(strip->isHidden());
        QVERIFY(w->action(DataAction::Export)->isEnabled());
        // Cancelled before the worker's connection was open, unless the load won the race.
        QVERIFY(w->dataSet()->recordCount() == 8 ||
                w->recordLabel()->text().contains(QStringLiteral("已取消")));
        w->action(DataAction::Refresh)->trigger();
        waitIdle(*w);
        QCOMPARE(w->dataSet()->recordCount(), 8);
    }

    void detailPanelFollowsTypeAndRow() {
        auto w = openWindow();
        w->typeList()->setCurrentIndex(2);
        waitIdle(*w);
        QCOMPARE(w->dataSet()->recordCount(), 8); // the type list narrows at the next query
        w->action(DataAction::Refresh)->trigger();
        waitIdle(*w);
        QCOMPARE(w->dataSet()->recordCount(), 2);
        QVERIFY(w->detailPanel()->isVisible());
        QCOMPARE(w->detailRows()->objectName(), QStringLiteral("qryKey"));
        w->dataSet()->first();
        QCOMPARE(w->detailRows()->recordCount(), 2);
        QCOMPARE(w->detailGrid()->footerRowCount(), 1);
        QCOMPARE(w->detailGrid()->footerText(0), QStringLiteral("汇总:"));
        const int price =
            w->detailGrid()->model()->columnOf(&w->detailRows()->fieldByName(QStringLiteral("Price")));
        QCOMPARE(w->detailGrid()->footerText(price), QStringLiteral("￥12.50"));
        w->dataSet()->next();
        QCOMPARE(w->detailRows()->recordCount(), 1);
        w->typeList()->setCurrentIndex(4);
        waitIdle(*w);
        QCOMPARE(w->detailRows()->objectName(), QStringLiteral("qryStore"));
        w->typeList()->setCurrentIndex(8);
        QVERIFY(!w->detailPanel()->isVisible());
    }

    void cardNumberIsRefusedUnlessDigits() {
        auto w = openWindow();
        w->cardEdit()->setText(QStringLiteral("5001 or 1=1"));
        w->allButton()->click();
        WAIT_LOADED(*w);
        QCOMPARE(fx.prompter.calls().size(), 1);
        QVERIFY(fx.prompter.calls().first().text.contains(QStringLiteral("卡号")));
        QVERIFY(!w->isLoading());
        QCOMPARE(w->dataSet()->recordCount(), 8);
        w->cardEdit()->setText(QStringLiteral("5002"));
        w->allButton()->click();
        waitIdle(*w);
        QCOMPARE(w->dataSet()->recordCount(), 2);
    }

    // Only selected whole rows are re-matched, and only wrong periods written.
    void rematchChangesOnlySelectedWrongRows() {
        auto w = openWindow();
        // Without a row selection nothing is processed.
        w->dataSet()->setRecNo(2); // pos 11, 12:00 with breakfast
        w->rematchAction()->trigger();
        QCOMPARE(kindOf(11), 1);
        // Rows 0 (right), 1 (wrong) and 4 (pos 30, kind 0 at 08:00); row 4 alone is left out.
        selectRows(*w, {0, 1});
        w->rematchAction()->trigger();
        waitIdle(*w);
        QCOMPARE(kindOf(11), 2);
        QCOMPARE(kindOf(10), 1);
        QCOMPARE(kindOf(30), 0);
        QCOMPARE(w->dataSet()->recordCount(), 8);
        fx.db->exec(QStringLiteral("update MealRecords set kind = 1 where pos_sequ = 11"));
    }

    void mergedExportWritesMasterColumnsOnFirstLines() {
        auto w = openWindow();
        w->typeList()->setCurrentIndex(2);
        w->action(DataAction::Refresh)->trigger();
        waitIdle(*w);
        // The operator's layout of the consumption list renames a shared column.
        GridLayout::FieldLayout empId;
        empId.index = 0;
        empId.width = 10;
        empId.label = QStringLiteral("员工0号");
        GridLayoutStore().setValue(w->registryKey(), QStringLiteral("emp_id"), GridLayout::encode(empId));
        const QString path = fx.home.filePath(QStringLiteral("merged.csv"));
        fx.prompter.answerFile(path, 6); // CSV after ADTG, XML, text, XLS, RTF
        w->action(DataAction::Export)->trigger();
        WAIT_LOADED(*w);
        QCOMPARE(fx.prompter.texts().last(), QStringLiteral("数据导出完成!"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5); // titles, three lines, footer
        QVERIFY(lines[0].contains(QStringLiteral("键值编号")));
        QVERIFY2(lines[0].contains(QStringLiteral("员工0号")), qPrintable(lines[0]));
        QVERIFY(lines[1].contains(QStringLiteral("张三")));
        QVERIFY(!lines[2].contains(QStringLiteral("张三")));
        QVERIFY(lines[3].contains(QStringLiteral("张三")));
        QVERIFY(lines[4].contains(QStringLiteral("￥19.50")));
        const auto workTables = [this] {
            return fx.count(
                QStringLiteral("select count(*) from information_schema.tables where table_schema = "
                               "database() and table_name = 'meal_temptable'"));
        };
        QCOMPARE(workTables(), 0);
        // Cancelled while writing: the file is left as it was, the work table dropped.
        const QByteArray written = readAll(path);
        fx.prompter.clear();
        fx.prompter.answerFile(path, 6);
        fx.prompter.answer(PromptAnswer::Yes); // overwrite the file
        cancelNextExport(fx.prompter);
        w->action(DataAction::Export)->trigger();
        WAIT_LOADED(*w);
        QCOMPARE(fx.prompter.texts().last(), QStringLiteral("数据导出已取消!"));
        QVERIFY(!fx.prompter.texts().contains(QStringLiteral("数据导出完成!")));
        QCOMPARE(readAll(path), written);
        QCOMPARE(workTables(), 0);
        // Other types export the main grid itself.
        w->typeList()->setCurrentIndex(8);
        w->action(DataAction::Refresh)->trigger();
        waitIdle(*w);
        fx.prompter.clear();
        fx.prompter.answerFile(path, 6);
        fx.prompter.answer(PromptAnswer::Yes); // overwrite the file
        w->action(DataAction::Export)->trigger();
        WAIT_LOADED(*w);
        f.close();
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).size(), 10);
        QVERIFY(fx.prompter.texts().contains(QStringLiteral("数据导出完成!")));
    }
};

QTEST_MAIN(TestMealRecordsWindow)
#include "test_meal_records_window.moc"
