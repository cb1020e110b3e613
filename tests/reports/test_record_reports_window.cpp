// The recharge, refund, balance, deposit, issued-card and lost-card windows
// offscreen on the hand-built database, each opened through the window table.
#include "../framework/FrameworkFixture.h"
#include "RecordReportsData.h"
#include "WindowTableOpen.h"
#include "dataset/grid/ui/DBGrid.h"
#include "reports/ui/CardBalance.h"
#include "reports/ui/ChargeRec.h"
#include "shell/ActionNames.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QToolButton>

class TestRecordReportsWindow : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    std::unique_ptr<RecordReportWindow> open(const char* action) {
        return openFromWindowTable<RecordReportWindow>(
            *fx.context, QLatin1String(action), [](RecordReportWindow& w) {
                w.setPeriod(QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
                            QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
            });
    }
    QString iniText() const {
        QFile f(fx.context->session.iniPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("record_reports_window"), QStringLiteral("ADMIN"));
        fx.db->writeDaybookIni(fx.home.path());
        fx.context->session.config.ModuleOptions = 2 | 4;
        fillRecordReportsData(*fx.db);
    }
    void init() { fx.prompter.clear(); }
    void cleanupTestCase() { fx.stop(); }

    void opensThroughTheWindowTable_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("printLine");
        const QString days = QStringLiteral("日期: (2026-11-01 至 2026-11-30)");
        QTest::newRow("recharges") << ActionName::FullRecord << 8 << days;
        QTest::newRow("refunds") << ActionName::BackRecords << 2
                                 << "时间: (2026-11-01 00:00:00 至 2026-11-30 23:59:59)";
        QTest::newRow("balances") << ActionName::CardBalance << 4 << "档案类型: 在职";
        QTest::newRow("deposits") << ActionName::CardCost << 5 << days;
        QTest::newRow("issued cards") << ActionName::IssueCardRecord << 3 << days;
        QTest::newRow("lost cards") << ActionName::LossCardMealRecord << 3 << QString();
    }
    void opensThroughTheWindowTable() {
        QFETCH(QString, action);
        QFETCH(int, rows);
        QFETCH(QString, printLine);
        QFile::remove(fx.context->session.iniPath()); // the recharge list's default type: "全部"
        auto w = open(action.toLatin1().constData());
        QVERIFY(w);
        QCOMPARE(w->dataSet()->recordCount(), rows);
        QCOMPARE(w->printSubheading(), printLine);
        QVERIFY(!w->isToolButtonVisible(QStringLiteral("tbInsert")));
        // Every column the grid shows has a caption of the data module.
        for (int i = 0; i < w->dataSet()->fieldCount(); ++i) {
            const Field* f = w->dataSet()->field(i);
            if (f->visible())
                QVERIFY2(f->displayLabel() != f->fieldName(), qPrintable(f->fieldName()));
        }
        QVERIFY(fx.prompter.calls().isEmpty());
        fx.db->writeDaybookIni(fx.home.path());
    }

    // The type is restored on show from Daybook.ini and kept there on close.
    void rechargeTypeKeptBetweenSessions() {
        fx.db->writeDaybookIni(fx.home.path(), QStringLiteral("[Meal]\nCharge_cbkind=0\n"));
        auto w = open(ActionName::FullRecord);
        auto* charge = qobject_cast<TfrmChargeRec*>(w.get());
        QVERIFY(charge);
        QCOMPARE(charge->kindBox()->currentText(), QStringLiteral("现金"));
        QCOMPARE(w->dataSet()->recordCount(), 1);
        charge->kindBox()->setCurrentIndex(5); // "手工补贴"
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 3);
        w->close();
        QVERIFY(iniText().contains(QStringLiteral("Charge_cbkind=5")));
    }

    void balanceRecordType() {
        auto w = open(ActionName::CardBalance);
        auto* balance = qobject_cast<TfrmCardBalance*>(w.get());
        QVERIFY(balance);
        balance->recordTypeBox()->setCurrentIndex(1);
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QCOMPARE(w->printSubheading(), QStringLiteral("档案类型: 离职"));
    }

    // A refund without a terminal shows terminal 0.
    void refundWithoutTerminalShowsZero() {
        auto w = open(ActionName::BackRecords);
        w->cardEdit()->setText(QStringLiteral("5002"));
        w->allButton()->click();
        WAIT_LOADED(*w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QStringList shown;
        for (int i = 0; i < w->dataSet()->fieldCount(); ++i) {
            const Field* f = w->dataSet()->field(i);
            if (f->visible() && f->fieldName() == QLatin1String("clock_id"))
                shown << w->dataSet()->displayTextAt(w->dataSet()->bookmarkAt(0), i);
        }
        QCOMPARE(shown, QStringList{QStringLiteral("0")});
    }

    // A card number that is no number is refused with a message; the rows stay.
    void cardNumberRefused() {
        auto w = open(ActionName::CardCost);
        w->cardEdit()->setText(QStringLiteral("5001' or '1'='1"));
        w->allButton()->click();
        WAIT_LOADED(*w);
        QCOMPARE(fx.prompter.calls().size(), 1);
        QVERIFY(fx.prompter.calls().first().text.contains(QStringLiteral("卡号")));
        QCOMPARE(w->dataSet()->recordCount(), 5);
    }
};

QTEST_MAIN(TestRecordReportsWindow)
#include "test_record_reports_window.moc"
