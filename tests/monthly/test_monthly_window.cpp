// The bill window offscreen on a test database: opening, creating a bill
// (and refusing a label already used before anything is deleted), the
// rows and their filters, deleting against the lock date, locking, a card's
// history with its breaks, and closing while the workers run.
#include "MonthlyFixture.h"
#include "WindowWait.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"
#include "monthly/ui/ConsumeAllRec.h"
#include "monthly/ui/MonthlyBalance.h"
#include "monthly/ui/SelectMonth.h"
#include "util/ScriptedPrompter.h"
#include <QDialog>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimeEdit>

using DataAction = TfrmRecordBaseClass::DataAction;

class TestMonthlyWindow : public QObject {
    Q_OBJECT
    MonthlyFixture fx;
    ScriptedPrompter prompter;
    MealDataModule dm;
    std::unique_ptr<ModuleContext> context;

    std::unique_ptr<TFrmMonthlyBalance> openWindow() {
        auto w = std::make_unique<TFrmMonthlyBalance>(*context);
        w->activate();
        WAIT_LOADED(*w);
        return w;
    }
    // Creates a bill through the window and waits for its timer to see the pool empty.
    void create(TFrmMonthlyBalance& w, const QString& label, const QDateTime& from, const QDateTime& to) {
        w.askPeriod = [=](QString& l, QDateTime& s, QDateTime& e) {
            l = label;
            s = from;
            e = to;
            return true;
        };
        w.createBill();
        QVERIFY(w.run()->waitUntilIdle(30000));
        w.timerTick();
        WAIT_LOADED(w);
    }
    int bills(const QString& label) {
        return fx.count(QStringLiteral("select count(*) from MealMonthRec where MonthDes = '%1'").arg(label));
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("monthly_window"));
        context = std::make_unique<ModuleContext>();
        bindSession(context->session, *fx.db, fx.home.path());
        context->session.CurrentUserId = QStringLiteral("ADMIN");
        context->MealDM = &dm;
        context->prompter = &prompter;
        prompter.setUnexpectedHandler([](const QString& why) { QFAIL(qPrintable(why)); });
        for (int c = 1; c <= 3; ++c) {
            fx.card(8000 + c, 600 + c, QStringLiteral("W%1").arg(c), "2026-09-01 08:00:00");
            fx.holder(QStringLiteral("W%1").arg(c), 8000 + c, 600 + c, QStringLiteral("员工%1").arg(c));
            fx.charge(8000 + c, 1, 0, "50", "50", "2026-10-01 09:00:00");
            fx.meal(8000 + c, 2, 1, "5", "45", "2026-10-03 12:00:00");
        }
        // 8001 misses sequence 3 in November, with no backup to fill it.
        fx.meal(8001, 4, 1, "5", "35", "2026-10-04 12:00:00");
        fx.meal(8002, 3, 1, "5", "40", "2026-11-03 12:00:00");
    }
    void init() { prompter.clear(); }
    void cleanupTestCase() {
        context.reset();
        fx.stop();
    }

    void monthDialog() {
        TFrmSelectMonth dialog(prompter);
        QCOMPARE(dialog.labelEdit()->text(), QDate::currentDate().toString(QStringLiteral("yyyy-MM")));
        QVERIFY(!dialog.startTimeEdit()->isEnabled());
        // One day: from its first to its last second.
        dialog.startDateEdit()->setDate(QDate(2026, 11, 3));
        dialog.endDateEdit()->setDate(QDate(2026, 11, 3));
        dialog.okClicked();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.startDateTime(), QDateTime(QDate(2026, 11, 3), QTime(0, 0)));
        QCOMPARE(dialog.endDateTime(), QDateTime(QDate(2026, 11, 3), QTime(23, 59, 59)));
        // A start equal to the end is accepted; a start after it is refused.
        dialog.setResult(0);
        dialog.endTimeEdit()->setTime(QTime(0, 0));
        dialog.okClicked();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        dialog.setResult(0);
        dialog.endDateEdit()->setDate(QDate(2026, 11, 2));
        dialog.okClicked();
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(prompter.texts().last(), QStringLiteral("开始日期时间不能大于结束日期时间！"));
        QCOMPARE(TFrmSelectMonth::instance(prompter), TFrmSelectMonth::instance(prompter));
        delete TFrmSelectMonth::instance(prompter);
    }

    void createsABillAndRefusesItsLabelAgain() {
        auto w = openWindow();
        QVERIFY(w->lockLabel()->isHidden());
        create(*w, "2026-11", QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
               QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
        QCOMPARE(bills("2026-11"), 3);
        QCOMPARE(w->dataSet()->recordCount(), 3);
        QCOMPARE(w->billList()->fieldByName("monthDes").asString(), QStringLiteral("2026-11"));
        // Who and how much first; the period that every row repeats comes last.
        const auto at = [&](const char* name) {
            return w->dataSet()->findField(QString::fromLatin1(name))->index();
        };
        QVERIFY(at("empno") < at("card_id") && at("card_id") < at("last_balance"));
        QVERIFY(at("last_balance") < at("now_card_balance") && at("now_card_balance") < at("sum_All_out"));
        QVERIFY(at("sys_id") < at("MonthDes") && at("MonthDes") < at("BillStartDate"));
        QVERIFY(!w->dataSet()->findField("Balance")->visible()); // isShowBalance is off
        // The same label again: refused with the message window, the bill kept as it was.
        fx.db->exec("update MealMonthRec set Balance = 7 where MonthDes = '2026-11' and card_id = 8003");
        const int toasts = context->toasts.count();
        create(*w, "2026-11", QDateTime(QDate(2026, 10, 1), QTime(0, 0)),
               QDateTime(QDate(2026, 10, 31), QTime(23, 59, 59)));
        QCOMPARE(context->toasts.count(), toasts + 1);
        QCOMPARE(fx.count("select count(*) from MealMonthRec where MonthDes = '2026-11' and Balance = 7"), 1);
        fx.db->exec("update MealMonthRec set Balance = 0 where MonthDes = '2026-11'");
        // A run that fails (one row refused) says so, leaves none of its rows
        // and shows the bills as they were.
        fx.db->exec(
            "create trigger refuse_8002 before insert on MealMonthRec for each row begin if "
            "new.card_id = 8002 then signal sqlstate '45000' set message_text = 'refused'; end if; end");
        prompter.clear();
        create(*w, "broken", QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
               QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
        fx.db->exec("drop trigger refuse_8002");
        QVERIFY(!prompter.texts().isEmpty());
        QVERIFY2(prompter.texts().last().contains(QStringLiteral("未能保存")),
                 qPrintable(prompter.texts().last()));
        QCOMPARE(bills("broken"), 0);
        QCOMPARE(bills("2026-11"), 3);
        QCOMPARE(w->billList()->fieldByName("monthDes").asString(), QStringLiteral("2026-11"));
        QCOMPARE(w->dataSet()->recordCount(), 3);
    }

    void filtersAndTotals() {
        auto w = openWindow();
        w->keyEdit()->setText(QStringLiteral("8002"));
        w->showBill(false);
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QCOMPARE(w->dataSet()->fieldByName("Now_card_balance").asString(), QStringLiteral("40"));
        w->keyEdit()->setText(QStringLiteral("1 or 1=1"));
        w->action(DataAction::Refresh)->trigger();
        WAIT_LOADED(*w);
        QCOMPARE(prompter.calls().size(), 1);
        w->keyEdit()->clear();
        w->totalsOnlyBox()->setChecked(true);
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QCOMPARE(w->dataSet()->fieldByName("card_id").asInteger(), 3);
        // Unticking reloads the rows; the non-zero switch filters what is loaded.
        fx.db->exec("update MealMonthRec set Balance = 1 where MonthDes = '2026-11' and card_id = 8001");
        w->totalsOnlyBox()->setChecked(false);
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 3);
        w->nonZeroBox()->setChecked(true);
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QCOMPARE(w->dataSet()->fieldByName("card_id").asInteger(), 8001);
        w->nonZeroBox()->setChecked(false);
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 3);
        fx.db->exec("update MealMonthRec set Balance = 0 where MonthDes = '2026-11'");
    }

    void departmentTabAndItsPrint() {
        auto w = openWindow();
        w->billPages()->setCurrentWidget(w->departmentPage());
        QCOMPARE(w->departmentRows()->recordCount(), 1);
        QCOMPARE(w->departmentRows()->fieldByName("empno").asInteger(), qint64(3));
        QCOMPARE(w->departmentRows()->fieldByName("last_balance").asFixed(), qint64(1250000)); // 35 + 45 + 45
        QDialog* shown = nullptr;
        w->showPrintDialog = [&](QDialog& d) { shown = &d; };
        w->action(DataAction::Print)->trigger();
        WAIT_LOADED(*w);
        QVERIFY(shown);
        // Without the print right the operator is told so and nothing opens.
        context->session.CurrentUserId = QStringLiteral("OPER9");
        shown = nullptr;
        w->action(DataAction::Print)->trigger();
        WAIT_LOADED(*w);
        QVERIFY(!shown);
        QCOMPARE(prompter.texts().last(), QStringLiteral("无权限"));
        context->session.CurrentUserId = QStringLiteral("ADMIN");
    }

    // With isShowBalance the balance column shows and rows that do not balance are aqua.
    void balanceColumnAndColour() {
        fx.db->writeDaybookIni(fx.home.path(), QStringLiteral("[SystemConfigure]\nisShowBalance=1\n"));
        fx.db->exec("update MealMonthRec set Balance = 2 where MonthDes = '2026-11' and card_id = 8002");
        auto w = openWindow();
        QFile::remove(fx.home.filePath(QStringLiteral("Daybook.ini")));
        QVERIFY(w->isShowBalance());
        QVERIFY(w->dataSet()->findField("Balance")->visible());
        DataSetTableModel* model = w->grid()->model();
        int aqua = 0;
        for (int row = 0; row < model->rowCount(); ++row) {
            const bool odd =
                w->dataSet()->value(row, w->dataSet()->findField("card_id")->index()).toInt() == 8002;
            const QColor c = model->data(model->index(row, 0), Qt::BackgroundRole).value<QColor>();
            QCOMPARE(c == QColor(0, 255, 255), odd);
            aqua += odd;
        }
        QCOMPARE(aqua, 1);
        fx.db->exec("update MealMonthRec set Balance = 0 where MonthDes = '2026-11'");
    }

    void lockingAndDeleting() {
        auto w = openWindow();
        // October 20 to November 2: 14 days, refused.
        create(*w, "short", QDateTime(QDate(2026, 10, 20), QTime(0, 0)),
               QDateTime(QDate(2026, 11, 2), QTime(23, 59, 59)));
        w->billList()->locate("monthDes", QStringLiteral("short"));
        w->lockBill();
        QCOMPARE(prompter.texts().last(), QStringLiteral("该帐单结算日期至少是15天!"));
        QCOMPARE(fx.count("select count(*) from pos_lockBillDate"), 0);
        // Nothing is locked yet: the short bill can go (after the question).
        prompter.answer(PromptAnswer::Yes);
        w->deleteBill();
        WAIT_LOADED(*w);
        QCOMPARE(bills("short"), 0);
        // November: confirmed, checked and written.
        w->billList()->locate("monthDes", QStringLiteral("2026-11"));
        prompter.answer(PromptAnswer::Yes);
        w->lockBill();
        QVERIFY(prompter.texts().last().startsWith(QStringLiteral("封帐成功!")));
        QCOMPARE(fx.count("select count(*) from pos_lockBillDate where BillLockDate = '2026-11-30 23:59:59'"),
                 1);
        QCOMPARE(w->lockLabel()->text(), QStringLiteral("封帐日期至：2026-11-30 23:59:59"));
        // Its end equals the lock date: it cannot be deleted.
        w->billList()->locate("monthDes", QStringLiteral("2026-11"));
        w->deleteBill();
        WAIT_LOADED(*w);
        QCOMPARE(prompter.texts().last(), QStringLiteral("该时段已封帐，不能删除!"));
        QCOMPARE(bills("2026-11"), 3);
        fx.db->exec("delete from pos_lockBillDate");
    }

    void historyOfARowShowsItsBreaks() {
        auto w = openWindow();
        w->billList()->locate("monthDes", QStringLiteral("2026-11"));
        w->showBill(true);
        WAIT_LOADED(*w);
        QVERIFY(w->dataSet()->locate("card_id", 8001));
        w->showDetails();
        auto* history = w->findChild<TFrmConsumeAllRec*>();
        if (!history)
            for (QWidget* top : QApplication::topLevelWidgets())
                if ((history = qobject_cast<TFrmConsumeAllRec*>(top)))
                    break;
        QVERIFY(history);
        QCOMPARE(history->dataSet()->recordCount(), 3);
        QCOMPARE(history->dataSet()->recNo(), 3);
        history->findErrors();
        QCOMPARE(history->errorList()->count(), 1);
        QCOMPARE(history->errorList()->item(0)->text(), QStringLiteral("2"));
        QCOMPARE(history->dataSet()->recNo(), 2);
        // October rows lie outside the November bill: not aqua.
        QVERIFY(history->rowColor(0) != QColor(0, 255, 255));
        history->close();
    }

    void closingWhileRunningAsksAndStops() {
        auto w = openWindow();
        w->askPeriod = [](QString& l, QDateTime& s, QDateTime& e) {
            l = QStringLiteral("closing");
            s = QDateTime(QDate(2026, 10, 1), QTime(0, 0));
            e = QDateTime(QDate(2026, 10, 31), QTime(23, 59, 59));
            return true;
        };
        w->createBill();
        WAIT_LOADED(*w);
        QVERIFY(w->run()->isBusy());
        prompter.answer(PromptAnswer::No);
        QVERIFY(!w->close());
        prompter.answer(PromptAnswer::Yes);
        QVERIFY(w->close());
        const int atClose = bills("closing");
        QVERIFY(workers::TMealWorkerThread::WaitForAllWorkers(30000));
        QCOMPARE(bills("closing"), atClose);
    }
};

QTEST_MAIN(TestMonthlyWindow)
#include "test_monthly_window.moc"
