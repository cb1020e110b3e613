// The bill book and voucher windows offscreen, opened through the window
// table on a bill and a voucher the book classes made.
#include "../framework/FrameworkFixture.h"
#include "WindowTableOpen.h"
#include "cashier/CashierBillBook.h"
#include "cashier/SettleVoucher.h"
#include "cashier/ui/CashierDocumentWindow.h"
#include "shell/ActionNames.h"

#include <QAction>
#include <QCheckBox>
#include <QToolButton>

class TestCashierWindows : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    std::unique_ptr<CashierDocumentWindow> open(const QString& action) {
        return openFromWindowTable<CashierDocumentWindow>(*fx.context, action);
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("cashier_windows"), QStringLiteral("ADMIN"));
        fx.db->writeDaybookIni(fx.home.path());
        // Thirty operators: the bill per operator runs over several pages.
        for (int i = 0; i < 30; ++i)
            fx.db->exec(QStringLiteral("insert into MChargeRecords (opcard_id, clock_id, Kind, card_sequ, "
                                       "charge_money, op_date) values ('OP%1', 0, 0, %1, 100, '2026-11-02')")
                            .arg(i));
        const QDateTime begin(QDate(2026, 11, 1), QTime(0, 0));
        QCOMPARE(CashierBillBook(fx.context->session).create("2026-11", {begin, begin.addMonths(1)}), 30);
        SettleVoucher(fx.context->session).create("2026-11", begin, begin.addMonths(1).addSecs(-1), 0);
    }
    void init() { fx.prompter.clear(); }
    void cleanupTestCase() { fx.stop(); }

    // The list shows the bill or voucher, the preview its pages, walked with
    // next to the last and back with previous to the first.
    void listAndPreview_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("perOperator");
        QTest::addColumn<bool>("severalPages");
        QTest::newRow("bill in total") << ActionName::CardCenterSta << false << false;
        QTest::newRow("bill per operator") << ActionName::CardCenterSta << true << true;
        QTest::newRow("voucher") << ActionName::SettleAccounts << false << false;
    }
    void listAndPreview() {
        QFETCH(QString, action);
        QFETCH(bool, perOperator);
        QFETCH(bool, severalPages);
        auto w = open(action);
        QVERIFY(w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QCOMPARE(w->shownNumber(), QStringLiteral("2026-11"));
        if (perOperator)
            w->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
        auto* previous = w->findChild<QToolButton*>(QStringLiteral("SpeedButton1"));
        auto* next = w->findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
        const int pages = w->previewPages();
        QCOMPARE(pages > 1, severalPages);
        QVERIFY(pages >= 1);
        for (int page = 0; page + 1 < pages; ++page) {
            QCOMPARE(w->previewPage(), page);
            QVERIFY(next->isEnabled());
            next->click();
        }
        QCOMPARE(w->previewPage(), pages - 1);
        QVERIFY(!next->isEnabled());
        while (previous->isEnabled())
            previous->click();
        QCOMPARE(w->previewPage(), 0);
        QVERIFY(fx.prompter.calls().isEmpty());
    }

    // A clerk cannot make a bill or a voucher from the windows.
    void clerkRefused_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("table");
        QTest::newRow("bill") << ActionName::CardCenterSta << "balancestatistic";
        QTest::newRow("voucher") << ActionName::SettleAccounts << "settlestatistic";
    }
    void clerkRefused() {
        QFETCH(QString, action);
        QFETCH(QString, table);
        fx.context->session.CurrentUserId = QStringLiteral("OPER1");
        auto w = open(action);
        QVERIFY(w);
        const int before = fx.rows(table);
        w->action(TfrmRecordBaseClass::DataAction::Insert)->trigger();
        fx.context->session.CurrentUserId = QStringLiteral("ADMIN");
        QCOMPARE(fx.prompter.calls().size(), 1);
        QCOMPARE(fx.prompter.calls().first().text, QStringLiteral("只有管理员有权限新增收支报表!"));
        QCOMPARE(fx.rows(table), before);
    }
};

QTEST_MAIN(TestCashierWindows)
#include "test_cashier_windows.moc"
