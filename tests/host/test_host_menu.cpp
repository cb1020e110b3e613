// Merging the plug-in's menu bar and tool bar into the host's, collecting the
// window names the menus carry, and the host's command line.
#include "host/HostCommandLine.h"
#include "host/MenuMerge.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QWidget>

namespace {
QAction* named(QMenu* menu, const char* name, const char* caption) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QStringList titles(const QList<QAction*>& actions) {
    QStringList out;
    for (const QAction* a : actions)
        out << a->text();
    return out;
}

// A plug-in main form: two menus (one with a sub-menu and separators), a
// hidden third, and a tool bar.
struct PluginForm {
    QWidget form;
    QMenuBar* bar = new QMenuBar(&form);
    QToolBar* tools = new QToolBar(&form);
    QMenu* details = bar->addMenu(QStringLiteral("消费明细"));
    QMenu* stats = bar->addMenu(QStringLiteral("消费统计"));
    QMenu* allowance = bar->addMenu(QStringLiteral("补贴定餐"));
    PluginForm() {
        named(details, "ActFullRecord", "充值明细");
        named(details, "ActMealRecord", "消费明细");
        details->addSeparator();
        QMenu* sub = details->addMenu(QStringLiteral("更多"));
        named(sub, "ActCardBalance", "卡余额表");
        sub->addAction(QStringLiteral("无名称")); // no object name: not a window
        named(stats, "ActChargeSumDay", "每日充值汇总表");
        named(stats, "ActMealRecord", "消费明细"); // the same name twice
        named(allowance, "ActAllowance", "补贴登记");
        allowance->menuAction()->setVisible(false);
        tools->addAction(QStringLiteral("刷新"))->setObjectName(QStringLiteral("tbRefresh"));
    }
};
} // namespace

class TestHostMenu : public QObject {
    Q_OBJECT
private slots:
    void mergesMenusInOrderBeforeHostMenu() {
        PluginForm plugin;
        QWidget hostWindow;
        auto* host = new QMenuBar(&hostWindow);
        host->addMenu(QStringLiteral("系统"));
        QMenu* other = host->addMenu(QStringLiteral("其他功能"));
        host->addMenu(QStringLiteral("窗口"));

        const QList<QAction*> added = mergeMenuBar(host, plugin.bar, other->menuAction());
        QCOMPARE(titles(added), QStringList({"消费明细", "消费统计", "补贴定餐"}));
        QCOMPARE(titles(host->actions()),
                 QStringList({"系统", "消费明细", "消费统计", "补贴定餐", "其他功能", "窗口"}));
        // Shared, not copied: the host shows the plug-in's own menus and their state.
        QCOMPARE(host->actions().at(1)->menu(), plugin.details);
        QVERIFY(!host->actions().at(3)->isVisible());
        plugin.allowance->menuAction()->setVisible(true);
        QVERIFY(host->actions().at(3)->isVisible());
        plugin.details->setTitle(QStringLiteral("明细"));
        QCOMPARE(host->actions().at(1)->text(), QStringLiteral("明细"));

        // A second merge adds nothing.
        QVERIFY(mergeMenuBar(host, plugin.bar, other->menuAction()).isEmpty());
        QCOMPARE(host->actions().size(), 6);
        // Nothing to merge from or into.
        QVERIFY(mergeMenuBar(host, nullptr, nullptr).isEmpty());
        QVERIFY(mergeMenuBar(nullptr, plugin.bar, nullptr).isEmpty());

        // Without an anchor the menus go last.
        PluginForm second;
        auto* plain = new QMenuBar(&hostWindow);
        plain->addMenu(QStringLiteral("系统"));
        mergeMenuBar(plain, second.bar, nullptr);
        QCOMPARE(titles(plain->actions()), QStringList({"系统", "消费明细", "消费统计", "补贴定餐"}));

        // The tool bar's actions are shared too, once.
        auto* tools = new QToolBar(&hostWindow);
        QCOMPARE(mergeToolBar(tools, plugin.tools), plugin.tools->actions());
        QVERIFY(mergeToolBar(tools, plugin.tools).isEmpty());
        QCOMPARE(tools->actions(), plugin.tools->actions());
    }

    void collectsWindowNames() {
        PluginForm plugin;
        const QList<QAction*> actions = namedActions(plugin.bar->actions());
        // Depth first in menu order; separators, sub-menu titles and unnamed entries left out;
        // hidden menus included (their windows still open by name); a repeated action once.
        QStringList names;
        for (const QAction* a : actions)
            names << a->objectName();
        QCOMPARE(names, QStringList({"ActFullRecord", "ActMealRecord", "ActCardBalance", "ActChargeSumDay",
                                     "ActMealRecord", "ActAllowance"}));
        QCOMPARE(actionNames(actions), QStringList({"ActFullRecord", "ActMealRecord", "ActCardBalance",
                                                    "ActChargeSumDay", "ActAllowance"}));

        // A menu that contains itself does not loop.
        QMenu loop;
        named(&loop, "ActA", "A");
        loop.addAction(loop.menuAction());
        QCOMPARE(actionNames(namedActions({loop.menuAction()})), QStringList({"ActA"}));
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("valid");
        QTest::newRow("none") << QStringList() << true;
        QTest::newRow("credentials") << QStringList({"--user", "ADMIN", "--password", "admin"}) << true;
        QTest::newRow("user alone") << QStringList({"--user", "ADMIN"}) << false;
        QTest::newRow("password alone") << QStringList({"--password", "x"}) << false;
        QTest::newRow("quit without dir")
            << QStringList({"--user", "a", "--password", "b", "--quit-after-screenshots"}) << false;
        QTest::newRow("unattended without log-in")
            << QStringList({"--screenshots", "d", "--quit-after-screenshots"}) << false;
        QTest::newRow("bad delay") << QStringList({"--screenshots", "d", "--screenshot-delay", "soon"})
                                   << false;
        QTest::newRow("negative delay")
            << QStringList({"--screenshots", "d", "--screenshot-delay", "-5"}) << false;
        QTest::newRow("stray argument") << QStringList({"ActMealRecord"}) << false;
        QTest::newRow("unknown option") << QStringList({"--frobnicate"}) << false;
    }

    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(bool, valid);
        const HostCommandLine cmd = HostCommandLine::parse(QStringList({"mealhost"}) + args);
        QVERIFY2(cmd.error.isEmpty() == valid, qPrintable(cmd.error));
    }

    void commandLineValues() {
        const HostCommandLine cmd = HostCommandLine::parse(
            {"mealhost", "--user", "ADMIN", "--password", "a b'c", "--open", "ActMealRecord", "--open",
             "ActFullRecord", "--open", "ActMealRecord", "--screenshots", "shots", "--screenshot-delay",
             "250", "--quit-after-screenshots"});
        QVERIFY2(cmd.error.isEmpty(), qPrintable(cmd.error));
        QVERIFY(cmd.hasCredentials);
        QCOMPARE(cmd.userId, QStringLiteral("ADMIN"));
        QCOMPARE(cmd.password, QStringLiteral("a b'c"));
        // In the order given, repeats kept.
        QCOMPARE(cmd.openActions, QStringList({"ActMealRecord", "ActFullRecord", "ActMealRecord"}));
        QCOMPARE(cmd.screenshotDir, QStringLiteral("shots"));
        QCOMPARE(cmd.screenshotDelayMs, 250);
        QVERIFY(cmd.unattended());
        QVERIFY(cmd.hasAutomation());

        const HostCommandLine plain = HostCommandLine::parse({"mealhost"});
        QVERIFY(!plain.unattended() && !plain.hasAutomation() && !plain.hasCredentials);
    }
};

QTEST_MAIN(TestHostMenu)
#include "test_host_menu.moc"
