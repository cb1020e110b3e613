// The window table: faults are found before any click; unknown or miscased names open nothing.
#include "reports/ui/ReturnCard.h"
#include "shell/ActionNames.h"
#include "shell/PluginState.h"
#include "shell/ShowChildWindow.h"
#include "util/ScriptedPrompter.h"

#include <QMdiArea>
#include <QtTest>

class TestWindowTable : public QObject {
    Q_OBJECT

private slots:
    void faultsAreNamed() {
        QVERIFY(windowTableFaults(windowTable()).isEmpty());
        const QVector<WindowRow> twice = {windowRow<TfrmReturnCard>(ActionName::ReturnCard, "退卡明细表"),
                                          pendingRow(ActionName::ReturnCard, "退卡明细表")};
        QCOMPARE(windowTableFaults(twice).size(), 1);
        const QVector<WindowRow> sameClass = {windowRow<TfrmReturnCard>(ActionName::ReturnCard, "a"),
                                              windowRow<TfrmReturnCard>(ActionName::CardCost, "b")};
        QVERIFY(windowTableFaults(sameClass).join(QString()).contains(QLatin1String("TfrmReturnCard")));
        WindowRow half = pendingRow(ActionName::ChargeSumDay, "每日充值汇总表");
        half.windowClass = &TfrmReturnCard::staticMetaObject; // a class nothing can create
        QCOMPARE(windowTableFaults({half}).size(), 1);
    }

    void namesWithoutAWindow() {
        PluginState& state = PluginState::instance();
        ScriptedPrompter prompter;
        QMdiArea area;
        state.context.prompter = &prompter;
        state.context.screen = &area;
        // Every action of the menus has its window now.
        for (const WindowRow& row : windowTable())
            QVERIFY2(row.isBuilt(), row.actionName.data());
        for (const char* name : {"NoSuchAction", "actmealrecord", "ActReturnCard "})
            QVERIFY(!dispatchWindow(state, QString::fromLatin1(name), nullptr));
        QVERIFY(prompter.calls().isEmpty());
        QVERIFY(area.subWindowList().isEmpty());
        state.context.prompter = nullptr;
        state.context.screen = nullptr;
    }
};

QTEST_MAIN(TestWindowTable)
#include "test_window_table.moc"
