// The host's side of the plug-in contract, driven against a recording
// stand-in library: locating the file, the start sequence and its arguments,
// how failures are reported and where they stop the load, the menu merge in
// the main window, window opening by action name, the notification callback,
// FreeDll at shutdown, and the unattended screenshot run.
#include "RecordingPrompter.h"
#include "host/HostAutomation.h"
#include "host/HostMainWindow.h"
#include "host/HostPrompter.h"
#include "host/MenuMerge.h"
#include "host/PluginLibrary.h"
#include "host/PluginSession.h"

#include "db/Session.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {
using CallsFn = const char* (*)();
using ResetFn = void (*)();

QStringList fakeCalls() {
    static auto fn =
        reinterpret_cast<CallsFn>(QLibrary::resolve(QStringLiteral(FAKE_PLUGIN_FILE), "FakePluginCalls"));
    return QString::fromUtf8(fn()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void resetFake() {
    static auto fn =
        reinterpret_cast<ResetFn>(QLibrary::resolve(QStringLiteral(FAKE_PLUGIN_FILE), "FakePluginReset"));
    fn();
}

QStringList callNames(const QStringList& calls) {
    QStringList names;
    for (const QString& c : calls)
        names << c.section(QLatin1Char('('), 0, 0);
    return names;
}

QStringList menuTitles(QMenuBar* bar) {
    QStringList titles;
    const QList<QAction*> actions = bar->actions();
    for (const QAction* a : actions)
        titles << a->text();
    return titles;
}

QAction* findMenuAction(QMenuBar* bar, const QString& name) {
    const QList<QAction*> all = namedActions(bar->actions());
    for (QAction* a : all) {
        if (a->objectName() == name)
            return a;
    }
    return nullptr;
}

std::int32_t ignoreNotify(std::int32_t, void*, std::int32_t*) {
    return 0;
}

HostUser sampleUser() {
    return {QStringLiteral("OPER1"), QStringLiteral("操作员一"), QStringLiteral("pa$s 'x'")};
}
} // namespace

class TestHostPlugin : public QObject {
    Q_OBJECT
private slots:
    void init() {
        qunsetenv("FAKE_PLUGIN_FAIL");
        qunsetenv("FAKE_PLUGIN_OKFALSE");
        resetFake();
    }

    void locatesPluginInOrder() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString bin = root.filePath(QStringLiteral("bin"));
        const QString lib = root.filePath(QStringLiteral("lib"));
        const QString other = root.filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(lib) && QDir().mkpath(other));
        auto touch = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly);
        };
        const QString name = PluginLibrary::fileName();
        // Nothing anywhere: no path.
        QVERIFY(PluginLibrary::locate(bin, QString()).isEmpty());
        // ../lib is found from the executable's folder.
        QVERIFY(touch(QDir(lib).filePath(name)));
        QCOMPARE(PluginLibrary::locate(bin, QString()), QDir::cleanPath(QDir(lib).filePath(name)));
        // Next to the executable wins over ../lib.
        QVERIFY(touch(QDir(bin).filePath(name)));
        QCOMPARE(PluginLibrary::locate(bin, QString()), QDir(bin).filePath(name));
        // MEAL_PLUGIN_PATH wins over both, as a folder or as a file.
        QVERIFY(touch(QDir(other).filePath(name)));
        QCOMPARE(PluginLibrary::locate(bin, other), QDir(other).filePath(name));
        QCOMPARE(PluginLibrary::locate(bin, QDir(other).filePath(name)), QDir(other).filePath(name));
        // A MEAL_PLUGIN_PATH that names nothing falls back to the usual places.
        QCOMPARE(PluginLibrary::locate(bin, root.filePath(QStringLiteral("missing.so"))),
                 QDir(bin).filePath(name));
    }

    // A library without all nine exports is refused with the missing names.
    void refusesIncompleteLibrary() {
        PluginLibrary broken;
        QVERIFY(!broken.load(QStringLiteral(BROKEN_PLUGIN_FILE)));
        for (const char* name : {"ShowDllForm", "PassConnection", "PassParameters", "PassAccount",
                                 "ShareCallBack", "GetDllMainMenu", "GetToolBar"})
            QVERIFY2(broken.errorString().contains(QLatin1String(name)), qPrintable(broken.errorString()));
        QVERIFY(!broken.errorString().contains(QLatin1String("InitDll")));
        QVERIFY(!broken.isLoaded());

        PluginLibrary good;
        QVERIFY2(good.load(QStringLiteral(FAKE_PLUGIN_FILE)), qPrintable(good.errorString()));
        QVERIFY(good.exports().InitDll && good.exports().GetToolBar && good.exports().FreeDll);
    }

    void startSequenceAndArguments() {
        PluginLibrary lib;
        QVERIFY(lib.load(QStringLiteral(FAKE_PLUGIN_FILE)));
        QMdiArea area;
        area.setObjectName(QStringLiteral("area"));
        QApplication* app = qApp;
        QMdiArea* screen = &area;
        QSqlDatabase db;
        PluginStartArgs args;
        args.application = &app;
        args.screen = &screen;
        args.connection = &db;
        args.user = {QStringLiteral("OPER1"), QStringLiteral("操作员一"), QStringLiteral("secret")};
        args.company = QStringLiteral("示例公司");
        args.month = QDate(2024, 2, 10);
        args.notify = &ignoreNotify;
        {
            PluginSession session(lib.exports());
            QVERIFY(session.start(args));
            QVERIFY(session.takeFailures().isEmpty());
            QVERIFY(session.mainMenu());
            QVERIFY(session.toolBar());
            const QStringList calls = fakeCalls();
            QCOMPARE(callNames(calls),
                     QStringList({"InitDll", "PassConnection", "PassParameters", "PassAccount",
                                  "ShareCallBack", "GetDllMainMenu", "GetToolBar"}));
            QCOMPARE(calls[0], QStringLiteral("InitDll(app,screen,db)"));
            // The password is the fourth text; the third, fifth and sixth are empty; options 0.
            QCOMPARE(calls[2], QStringLiteral("PassParameters(OPER1,操作员一,,secret,,,示例公司,0)"));
            // February 2024: from the 1st at midnight to the 29th at 23:59:59.
            const double begin = dayNumberFromDateTime(QDateTime(QDate(2024, 2, 1), QTime(0, 0)));
            const double end = dayNumberFromDateTime(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59)));
            QCOMPARE(
                calls[3],
                QStringLiteral("PassAccount(2024-02,%1,%2,0)").arg(begin, 0, 'f', 5).arg(end, 0, 'f', 5));
            QCOMPARE(dateTimeFromDayNumber(begin).date(), QDate(2024, 2, 1));
            QCOMPARE(calls[4], QStringLiteral("ShareCallBack(proc,0)"));

            // A second start does not run the sequence again.
            QVERIFY(session.start(args));
            QCOMPARE(fakeCalls().size(), 7);
        }
        // The session's end frees the plug-in exactly once.
        const QStringList calls = fakeCalls();
        QCOMPARE(calls.last(), QStringLiteral("FreeDll(1,0)"));
        QCOMPARE(calls.count(QStringLiteral("FreeDll(1,0)")), 1);
    }

    // FAKE_PLUGIN_FAIL makes the call return a failure, FAKE_PLUGIN_OKFALSE success with ok false.
    void failuresStopOrContinue_data() {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QStringList>("expectedCalls");
        const QStringList all = {"InitDll",       "PassConnection", "PassParameters", "PassAccount",
                                 "ShareCallBack", "GetDllMainMenu", "GetToolBar",     "FreeDll"};
        const QStringList freed = {"InitDll", "PassConnection", "FreeDll"};
        QTest::newRow("InitDll fails") << true << "InitDll" << false << QStringList({"InitDll", "FreeDll"});
        QTest::newRow("InitDll ok false") << false << "InitDll" << false << QStringList({"InitDll"});
        QTest::newRow("PassConnection fails") << true << "PassConnection" << false << freed;
        QTest::newRow("PassConnection ok false") << false << "PassConnection" << false << freed;
        QTest::newRow("PassParameters ok false") << false << "PassParameters" << true << all;
        QTest::newRow("PassAccount fails") << true << "PassAccount" << true << all;
        QTest::newRow("ShareCallBack fails") << true << "ShareCallBack" << true << all;
        QTest::newRow("GetDllMainMenu fails") << true << "GetDllMainMenu" << true << all;
        QTest::newRow("GetToolBar ok false") << false << "GetToolBar" << true << all;
    }

    void failuresStopOrContinue() {
        QFETCH(bool, fails);
        QFETCH(QString, call);
        QFETCH(bool, starts);
        QFETCH(QStringList, expectedCalls);
        qputenv(fails ? "FAKE_PLUGIN_FAIL" : "FAKE_PLUGIN_OKFALSE", call.toLatin1());

        RecordingPrompter prompter;
        {
            HostMainWindow window(qApp, QSqlDatabase(), sampleUser(), QStringLiteral("示例公司"), prompter);
            QCOMPARE(window.loadPlugin(QStringLiteral(FAKE_PLUGIN_FILE)), starts);
            QCOMPARE(window.pluginStarted(), starts);
            // One message names the failed call.
            QCOMPARE(prompter.messages.size(), 1);
            QVERIFY2(prompter.messages.first().contains(call), qPrintable(prompter.messages.first()));
            // Without a menu the host's own menus are all there is; otherwise the plug-in's are merged.
            const QStringList titles = menuTitles(window.menuBar());
            const bool menusMerged = titles.contains(QStringLiteral("消费明细"));
            QCOMPARE(menusMerged, starts && call != QLatin1String("GetDllMainMenu"));
            QVERIFY(titles.contains(QStringLiteral("其他功能")));
            // A plug-in that did not start opens nothing.
            if (!starts) {
                QVERIFY(!window.openAction(QStringLiteral("ActMealRecord")));
                QVERIFY(!fakeCalls().join(QLatin1Char(' ')).contains(QStringLiteral("ShowDllForm")));
            }
        }
        QCOMPARE(callNames(fakeCalls()), expectedCalls);
    }

    void mainWindowMergesAndDispatches() {
        RecordingPrompter prompter;
        HostMainWindow window(qApp, QSqlDatabase(), sampleUser(), QStringLiteral("示例公司"), prompter);
        QVERIFY(window.loadPlugin(QStringLiteral(FAKE_PLUGIN_FILE)));
        QVERIFY(prompter.messages.isEmpty());
        // Host "系统", the plug-in's menus in their order, then the host's own menus.
        QCOMPARE(menuTitles(window.menuBar()),
                 QStringList({"系统", "消费明细", "补贴定餐", "其他功能", "窗口"}));
        // The tool bar's actions are shown in the host's tool bar.
        auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("tbPlugin"));
        QVERIFY(toolBar);
        QCOMPARE(toolBar->actions().size(), 1);
        QCOMPARE(toolBar->actions().first()->objectName(), QStringLiteral("tbRefresh"));

        // Every window name: the plug-in's, sub-menus included, then the host's nine.
        const QStringList names = window.menuActionNames();
        QCOMPARE(names.mid(0, 4),
                 QStringList({"ActFullRecord", "ActCardBalance", "ActMealRecord", "ActAllowance"}));
        QCOMPARE(names.size(), 4 + 9);
        QCOMPARE(names.at(4), QStringLiteral("ActMonthlyBalance"));
        QCOMPARE(names.last(), QStringLiteral("ActLossCardMealRecord"));

        // A plug-in menu entry, one in a sub-menu and a host entry all reach ShowDllForm by name.
        resetFake();
        QAction* meal = findMenuAction(window.menuBar(), QStringLiteral("ActMealRecord"));
        QAction* balance = findMenuAction(window.menuBar(), QStringLiteral("ActCardBalance"));
        QAction* monthly = findMenuAction(window.menuBar(), QStringLiteral("ActMonthlyBalance"));
        QVERIFY(meal && balance && monthly);
        meal->trigger();
        balance->trigger();
        monthly->trigger();
        QCOMPARE(fakeCalls(), QStringList({"ShowDllForm(ActMealRecord,frmHostMain,0)",
                                           "ShowDllForm(ActCardBalance,frmHostMain,0)",
                                           "ShowDllForm(ActMonthlyBalance,frmHostMain,0)"}));
        QCOMPARE(window.mdiArea()->subWindowList().size(), 3);
        // The plug-in's callback reached the host.
        QCOMPARE(window.notifications().size(), 3);
        QVERIFY(window.notifications().first().contains(QStringLiteral("ActMealRecord")));

        // A failing ShowDllForm is told to the operator with the window's name.
        qputenv("FAKE_PLUGIN_FAIL", "ShowDllForm");
        QVERIFY(!window.openAction(QStringLiteral("ActCardCost")));
        QCOMPARE(prompter.messages.size(), 1);
        QVERIFY(prompter.messages.first().contains(QStringLiteral("ShowDllForm(ActCardCost)")));
        qunsetenv("FAKE_PLUGIN_FAIL");

        // Shutdown closes the windows, takes the plug-in's menus out and frees it once.
        resetFake();
        QVERIFY(window.shutdownPlugin());
        QCOMPARE(fakeCalls(), QStringList({"FreeDll(1,0)"}));
        QCOMPARE(window.mdiArea()->subWindowList().size(), 0);
        QCOMPARE(menuTitles(window.menuBar()), QStringList({"系统", "其他功能", "窗口"}));
        QVERIFY(toolBar->actions().isEmpty());
        QVERIFY(window.shutdownPlugin());
        QCOMPARE(fakeCalls().size(), 1);
        // Without the plug-in a host entry opens nothing and calls nothing.
        QVERIFY(!window.openAction(QStringLiteral("ActMonthlyBalance")));
        QCOMPARE(fakeCalls().size(), 1);
    }

    void missingPluginLeavesHostUsable() {
        RecordingPrompter prompter;
        HostMainWindow window(qApp, QSqlDatabase(), sampleUser(), QString(), prompter);
        QVERIFY(!window.loadPlugin(QStringLiteral("/nonexistent/libMealPlugin.so")));
        QCOMPARE(prompter.messages.size(), 1);
        QVERIFY(prompter.messages.first().contains(QStringLiteral("/nonexistent/libMealPlugin.so")));
        QCOMPARE(menuTitles(window.menuBar()), QStringList({"系统", "其他功能", "窗口"}));
        QCOMPARE(window.menuActionNames().size(), 9);
        QVERIFY(!window.openAction(QStringLiteral("ActMealRecord")));
        QVERIFY(window.shutdownPlugin());
        QVERIFY(fakeCalls().isEmpty());
    }

    void screenshotRun() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        RecordingPrompter prompter;
        HostMainWindow window(qApp, QSqlDatabase(), sampleUser(), QString(), prompter);
        QVERIFY(window.loadPlugin(QStringLiteral(FAKE_PLUGIN_FILE)));
        window.resize(800, 600);
        window.show();
        // A window, a name that opens nothing, a modal dialog, and a window again.
        // The first window's drill-down, its modal question and a name it lacks follow its picture.
        HostAutomation run(window, {"ActMealRecord", "Unknown", "ActModal", "ActCardBalance"}, dir.path(), 50,
                           false);
        // A password question answered opens its window; one left unanswered is closed.
        run.setFollowUps({"ActMealRecord:actDrill", "ActMealRecord:btnAsk", "ActMealRecord:nothing",
                          "ActMealRecord:btnInput", "ActCardBalance:btnInput"});
        run.setInputAnswers({"pw"});
        QSignalSpy done(&run, &HostAutomation::finished);
        run.start();
        QVERIFY(done.wait(20000));
        QStringList files = QDir(dir.path()).entryList({"*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(files,
                 QStringList({"00-main.png", "01-ActMealRecord.png", "02-ActMealRecord-actDrill.png",
                              "03-ActMealRecord-btnAsk-dialog.png", "04-ActMealRecord-btnInput-dialog.png",
                              "05-ActMealRecord-btnInput.png", "06-ActModal-dialog.png",
                              "07-ActCardBalance.png", "08-ActCardBalance-btnInput-dialog.png"}));
        for (const QString& f : files) {
            QImage image(QDir(dir.path()).filePath(f));
            QVERIFY2(!image.isNull() && image.width() > 50, qPrintable(f));
        }
        QCOMPARE(run.saved().size(), 9);
        QCOMPARE(HostAutomation::shotFileName(7, QStringLiteral("a/b c")), QStringLiteral("07-a_b_c.png"));
        window.shutdownPlugin();
    }
};

QTEST_MAIN(TestHostPlugin)
#include "test_host_plugin.moc"
