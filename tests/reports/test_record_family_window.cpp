// The record windows offscreen on the hand-built database: rows, the restore,
// the repair commands behind a password or the day's key, the journal.
#include "../framework/FrameworkFixture.h"
#include "RecordFamilyData.h"
#include "WindowTableOpen.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/MaintenanceKey.h"
#include "db/SchemaUpgrade.h"
#include "monthly/MonthlyBillBook.h"
#include "monthly/ui/ConsumeAllRec.h"
#include "monthly/ui/EditMealRecord.h"
#include "monthly/ui/EditRecordsbak.h"
#include "reports/ui/AllDetailRecords.h"
#include "reports/ui/AllRecordsUnt.h"
#include "reports/ui/ExceptRecords.h"
#include "reports/ui/FullBakRecords.h"
#include "shell/ActionNames.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

namespace {
// Closes the next modal dialog once it shows, noting its class and the rows
// it found for the record (the mover's main rows, the editor's charge rows).
struct SeenDialog {
    QString className;
    int rows = -1;
};
void closeNextDialog(SeenDialog* seen) {
    QTimer::singleShot(0, [seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return closeNextDialog(seen);
        seen->className = QString::fromLatin1(modal->metaObject()->className());
        if (auto* mover = qobject_cast<TFrmEditRecordsbak*>(modal))
            seen->rows = mover->mainRows()->recordCount();
        if (auto* editor = qobject_cast<TFrmEditMealRecord*>(modal))
            seen->rows = editor->charges()->recordCount();
        modal->close();
    });
}
} // namespace

class TestRecordFamilyWindow : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    template <class W> std::unique_ptr<W> open(const char* action) {
        return openFromWindowTable<W>(*fx.context, QLatin1String(action), [](W& w) {
            w.setPeriod(QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
                        QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
        });
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("record_family_window"), QStringLiteral("ADMIN"));
        fillRecordFamilyData(*fx.db);
        fx.db->exec(
            QStringLiteral("insert into MChargeRecords_FullBak (emp_id, card_id, charge_money, card_balance, "
                           "card_sequ, Kind, op_date) values ('E1', 101, 12.34, 112.34, 6, 0, "
                           "'2026-11-12 10:00:00')"));
        fx.context->session.CurrentUserPassword = QStringLiteral("admin-pw");
        fx.context->session.OtherMattersFlags = QStringLiteral("00000100");
        UpgradeSchema(fx.context->session); // the maintenance key's site secret
    }
    void init() { fx.prompter.clear(); }
    void cleanupTestCase() { fx.stop(); }

    void windowsOpenFromTheTable_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("rows");
        QTest::newRow("exceptions") << QString::fromLatin1(ActionName::ExceptRecord) << 4;
        QTest::newRow("person's history") << QString::fromLatin1(ActionName::EmpAllRecords) << 14;
        QTest::newRow("recharge backups") << QString::fromLatin1(ActionName::FullBak) << 1;
    }
    void windowsOpenFromTheTable() {
        QFETCH(QString, action);
        QFETCH(int, rows);
        auto w = open<TfrmDptRecordBaseClass>(qPrintable(action));
        QVERIFY(w);
        QCOMPARE(w->dataSet()->recordCount(), rows);
        // A hostile name finds nothing and breaks nothing.
        w->nameEdit()->setText(QStringLiteral("x' or '1'='1"));
        w->allButton()->click();
        QVERIFY(waitLoaded(*w));
        QCOMPARE(w->dataSet()->recordCount(), 0);
        QVERIFY(fx.prompter.calls().isEmpty());
    }

    void restoreFromTheBackupList() {
        auto w = open<TfrmFullBakRecords>(ActionName::FullBak);
        QVERIFY(w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        w->dataSet()->first();
        w->restoreAction()->trigger();
        QCOMPARE(fx.prompter.texts(), QStringList{QStringLiteral("恢复成功")});
        QVERIFY(waitLoaded(*w));
        QCOMPARE(w->dataSet()->recordCount(), 0);
        QCOMPARE(fx.rows(QStringLiteral("MChargeRecords"), QStringLiteral("charge_money = 12.34")), 1);
        QCOMPARE(fx.rows(QStringLiteral("MChargeRecords_FullBak")), 0);
    }

    void exceptionRepairRefusesAWrongPassword() {
        auto w = open<TfrmExceptRecords>(ActionName::ExceptRecord);
        QVERIFY(w);
        w->dataSet()->first();
        const int meals = fx.rows(QStringLiteral("mealrecords"));
        fx.prompter.answerText(QStringLiteral("wrong"));
        QVERIFY(!w->NExceptionRecoundClick());
        QCOMPARE(fx.prompter.texts().last(), QStringLiteral("操作用户不是管理员或者是密码不正确"));
        QCOMPARE(fx.rows(QStringLiteral("mealrecords")), meals);
        fx.prompter.clear();
        fx.prompter.answerText(QStringLiteral("admin-pw"));
        SeenDialog seen;
        closeNextDialog(&seen);
        QVERIFY(w->NExceptionRecoundClick());
        QCOMPARE(seen.className, QStringLiteral("TFrmEditRecordsbak"));
        QCOMPARE(seen.rows, 1); // the first exception, a record without employee, in its main table
        QCOMPARE(fx.rows(QStringLiteral("mealrecords")), meals);
    }

    void journalOnTypedConditions() {
        QMdiArea area;
        fx.context->screen = &area;
        const auto noScreen = qScopeGuard([this] { fx.context->screen = nullptr; });
        auto* w = TFrmAllRecordsUnt::open(*fx.context);
        JournalConditions c;
        c.begin = QDateTime(QDate(2026, 11, 1), QTime(0, 0));
        c.end = QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59));
        c.kinds = {2, 30}; // batch and cashier-terminal recharges
        w->showPage(JournalPage::Recharge, c, QStringLiteral("批量"));
        QVERIFY(waitLoaded(*w));
        QCOMPARE(w->dataSet()->recordCount(), 2);
        QCOMPARE(w->dataSet()->recNo(), 2);                             // on the last row
        QCOMPARE(w->dataSet()->displayText(1, 0), QStringLiteral("2")); // numbered rows
        QCOMPARE(TFrmAllRecordsUnt::open(*fx.context), w);              // reused while open
        w->showPage(JournalPage::Consumption, c);
        QVERIFY(waitLoaded(*w));
        QCOMPARE(w->queryChoice(), 0);
        QCOMPARE(area.subWindowList().size(), 1);
    }

    void allDetailRecordsShowsAHandedStatement() {
        TFrmAllDetailRecords w(*fx.context);
        QVERIFY(
            w.showStatement(QStringLiteral("select emp_id, card_id, charge_money, '充值' as actiondd from "
                                           "MChargeRecords where emp_id = 'E2' order by card_sequ")));
        QCOMPARE(w.dataSet()->recordCount(), 2);
        QVERIFY(!w.showStatement(QStringLiteral("select nothing from nowhere")));
        QCOMPARE(fx.prompter.calls().size(), 1); // the engine's message
        fx.prompter.clear();

        // A card whose counters 1-3 chain (a correction puts 0.20 back), then 6 and 7, where
        // 99.99 + 30.00 is not the 160.00 stored; a meal order outside the chain. Consumptions
        // are listed as the amount taken off the card, as the person account's detail lists them.
        QVERIFY(w.showStatement(QStringLiteral("select 101 as 卡号, 1 as 卡流水号, 100.00 as 变动金额, "
                                               "100.00 as 余额, '充值手工系统' as actiondd "
                                               "union all select 101, 2, 10.10, 89.90, '消费   ' union all "
                                               "select 101, 3, -0.20, 90.10, '消费   ' "
                                               "union all select 101, null, 8.00, null, '预订   ' union all "
                                               "select 101, 6, 7.77, 99.99, '补贴  ' "
                                               "union all select 101, 7, 30.00, 160.00, '批量充值'")));
        const QString summary = w.analyse();
        QVERIFY2(summary.startsWith(QStringLiteral("共 6 条记录：卡流水号断号或重号 1 处，余额不连续 1 处")),
                 qPrintable(summary));
        QVERIFY2(summary.contains(QStringLiteral("流水号 3 之后是 6")), qPrintable(summary));
        QVERIFY2(summary.contains(QStringLiteral("流水号 7 余额 160.00，应为 129.99")), qPrintable(summary));
        QCOMPARE(w.dataSet()->fieldByName(QStringLiteral("卡流水号")).asInteger(), 6); // on the first break
        QCOMPARE(fx.prompter.calls().size(), 1);
    }

    void editorPostsToTheTables() {
        const FamilyMeal& m = familyMeals()[1]; // E1's second consumption
        TFrmEditMealRecord editor(*fx.context,
                                  {QString::fromUtf8(m.emp), m.card, m.sequ, familyMoney(m.balance),
                                   familyMoney(m.consume), familyTime(m.time), std::nullopt});
        QCOMPARE(editor.mealRecords()->recordCount(), 1);
        QCOMPARE(editor.card()->recordCount(), 1);
        // "新增一条记录": a copy a minute later, marked as added back, saved to mealrecords.
        QVERIFY(editor.addCopyClick(TFrmEditMealRecord::Meal));
        QVERIFY(editor.saveClick(TFrmEditMealRecord::Meal));
        QCOMPARE(fx.rows(QStringLiteral("mealrecords"),
                         QStringLiteral("card_id = 101 and card_sequ = 3 and sign_time "
                                        "= '2026-11-04 12:01:00' and isAddBack = 1 and "
                                        "op_ymd = '2026-11-04'")),
                 1);
        // The card's latest balance, corrected by hand.
        editor.editClick(TFrmEditMealRecord::Card);
        editor.card()->fieldByName(QStringLiteral("card_balance")).setValue(QStringLiteral("77.70"));
        QVERIFY(editor.saveClick(TFrmEditMealRecord::Card));
        QCOMPARE(
            fx.rows(QStringLiteral("cardinfo"), QStringLiteral("card_id = 101 and card_balance = 77.70")), 1);
        // "删除当前记录" on the copy, confirmed, takes it out of the table again.
        QCOMPARE(editor.mealRecords()->recordCount(), 2);
        editor.mealRecords()->last();
        fx.prompter.answer(PromptAnswer::Yes);
        QVERIFY(editor.deleteClick(TFrmEditMealRecord::Meal));
        QCOMPARE(fx.rows(QStringLiteral("mealrecords"), QStringLiteral("card_id = 101 and card_sequ = 3")),
                 1);
    }

    void cardHistoryAsksTheKeyOnceAndThePasswordEachTime() {
        TFrmConsumeAllRec history(*fx.context, MonthlyBillBook::historyStatement(101),
                                  QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
                                  QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
        QVERIFY(history.moveAction()); // character 6 of the company flags is on
        history.dataSet()->first();
        // A key handed in by the environment is checked like a typed one, without a question.
        qputenv("MEAL_MAINTENANCE_KEY", "12345678");
        QVERIFY(!history.editCurrentRecord());
        qunsetenv("MEAL_MAINTENANCE_KEY");
        QVERIFY(!fx.context->maintenanceKeyAccepted);
        fx.prompter.answerText(QStringLiteral("00000000"));
        QVERIFY(!history.editCurrentRecord());
        QVERIFY(!fx.context->maintenanceKeyAccepted);
        const QString key =
            MaintenanceKey::keyFor(MaintenanceKey::siteSecret(fx.context->session), QDate::currentDate());
        fx.prompter.answerText(key);
        SeenDialog seen;
        closeNextDialog(&seen);
        QVERIFY(history.editCurrentRecord());
        QCOMPARE(seen.className, QStringLiteral("TFrmEditMealRecord"));
        QCOMPARE(seen.rows, 1); // the first row of card 101 is its first recharge
        seen = SeenDialog();
        closeNextDialog(&seen);
        QVERIFY(history.editCurrentRecord()); // no second question
        QCOMPARE(fx.prompter.pendingAnswers(), 0);

        fx.prompter.answerText(QStringLiteral("admin-PW"));
        QVERIFY(!history.moveCurrentRecord());
        fx.prompter.answerText(QStringLiteral("admin-pw"));
        seen = SeenDialog();
        closeNextDialog(&seen);
        QVERIFY(history.moveCurrentRecord());
        QCOMPARE(seen.className, QStringLiteral("TFrmEditRecordsbak"));
        QCOMPARE(seen.rows, 1); // the recharge, found by its amount, balance and time
    }
};

QTEST_MAIN(TestRecordFamilyWindow)
#include "test_record_family_window.moc"
