// The plug-in loaded with dlopen, driven only through its nine C entry points, in and out of order.
#include "TestDatabase.h"
#include "shell/MealPluginApi.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <dlfcn.h>
#include <functional>

namespace {
void* g_handle = nullptr;
// An entry point of the loaded plug-in, typed as its declaration.
#define API(name) reinterpret_cast<decltype(&name)>(dlsym(g_handle, #name))

std::int32_t notifyA(std::int32_t, void*, std::int32_t*) {
    return 0;
}
std::int32_t notifyB(std::int32_t, void*, std::int32_t*) {
    return 0;
}

// A call with an out Boolean that answers S_OK with ok false.
bool refused(const std::function<MealHResult(bool*)>& call) {
    bool ok = true;
    return call(&ok) == MEAL_S_OK && !ok;
}
} // namespace

class TestPluginExports : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    QMdiArea* m_area = nullptr;

    QAction* pluginAction(const QString& name) {
        QMenuBar* menu = nullptr;
        bool ok = false;
        if (API(GetDllMainMenu)(&menu, &ok) != MEAL_S_OK || !ok || !menu)
            return nullptr;
        return menu->parentWidget()->findChild<QAction*>(name);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        qputenv("MEAL_HOME", m_home.path().toLocal8Bit());
        m_db = std::make_unique<TestDatabase>(QStringLiteral("plugin_exports"));
        m_db->writeDaybookIni(m_home.path());
        g_handle = dlopen(MEAL_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(g_handle, dlerror());
        m_area = new QMdiArea;
    }

    void cleanupTestCase() {
        delete m_area;
        m_db.reset();
    }

    // The shared object exports the nine entry points and nothing else.
    void exportsExactlyTheNineEntryPoints() {
        QProcess nm;
        nm.start(QStringLiteral("nm"),
                 {QStringLiteral("-D"), QStringLiteral("--defined-only"), QStringLiteral(MEAL_PLUGIN_FILE)});
        QVERIFY(nm.waitForFinished(30000));
        QStringList functions;
        for (const QString& line : QString::fromLatin1(nm.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList parts = line.simplified().split(QLatin1Char(' '));
            if (parts.size() == 3 && parts[1] == QLatin1String("T") && parts[2] != QLatin1String("_init") &&
                parts[2] != QLatin1String("_fini"))
                functions << parts[2];
        }
        functions.sort();
        QCOMPARE(functions,
                 QStringList({"FreeDll", "GetDllMainMenu", "GetToolBar", "InitDll", "PassAccount",
                              "PassConnection", "PassParameters", "ShareCallBack", "ShowDllForm"}));
    }

    // Calls before InitDll or with nil arguments are refused without a crash.
    void refusesOutOfOrderAndNilArguments() {
        QMenuBar* menu = reinterpret_cast<QMenuBar*>(0x1);
        QVERIFY(refused([&](bool* ok) { return API(GetDllMainMenu)(&menu, ok); }));
        QCOMPARE(menu, reinterpret_cast<QMenuBar*>(0x1)); // left untouched
        QToolBar* bar = nullptr;
        QVERIFY(refused([&](bool* ok) { return API(GetToolBar)(&bar, ok); }));
        QCOMPARE(API(ShowDllForm)("ActMealRecord", nullptr, 0), MEAL_E_UNEXPECTED);

        QApplication* app = qApp;
        QApplication* nilApp = nullptr;
        QMdiArea* nilArea = nullptr;
        QSqlDatabase db = m_db->db();
        QVERIFY(refused([&](bool* ok) { return API(InitDll)(&nilApp, &m_area, &db, ok); }));
        QVERIFY(refused([&](bool* ok) { return API(InitDll)(&app, &nilArea, &db, ok); }));
        QVERIFY(refused([&](bool* ok) { return API(InitDll)(nullptr, nullptr, nullptr, ok); }));
        QVERIFY(refused([&](bool* ok) { return API(InitDll)(&app, &m_area, nullptr, ok); }));
        QVERIFY(refused([&](bool* ok) { return API(PassConnection)(nullptr, ok); }));
        QCOMPARE(API(PassAccount)(nullptr, 0), MEAL_E_UNEXPECTED);
        // A nil out argument is tolerated.
        QCOMPARE(API(GetDllMainMenu)(nullptr, nullptr), MEAL_S_OK);
        QVERIFY(refused([&](bool* ok) { return API(FreeDll)(0, 0, ok); }));
        // Still not initialised: the main menu is not there.
        QVERIFY(refused([&](bool* ok) { return API(GetDllMainMenu)(&menu, ok); }));
    }

    // The documented order brings up the menu; the allowance menu follows the previous configuration read.
    void startsInOrderAndCyclesThroughFreeDll() {
        QApplication* app = qApp;
        QSqlDatabase db = m_db->db();
        bool ok = false;
        QCOMPARE(API(InitDll)(&app, &m_area, &db, &ok), MEAL_S_OK);
        QVERIFY(ok);
        QCOMPARE(API(PassConnection)(&db, &ok), MEAL_S_OK);
        QVERIFY(ok);
        QCOMPARE(API(PassParameters)("ADMIN", "管理员", "", "secret", "", "", "测试公司", 0, &ok), MEAL_S_OK);
        QVERIFY(ok);
        const MealAccountPeriod period{"2026-12", 46357.0, 46387.999};
        QCOMPARE(API(PassAccount)(&period, 0), MEAL_S_OK);
        QCOMPARE(API(ShareCallBack)(&notifyA, 0), MEAL_S_OK);
        QCOMPARE(API(ShareCallBack)(&notifyB, 0), MEAL_S_OK);

        QMenuBar* menu = nullptr;
        QCOMPARE(API(GetDllMainMenu)(&menu, &ok), MEAL_S_OK);
        QVERIFY(ok && menu && menu->actions().size() == 3);
        QMenu* n14 = menu->findChild<QMenu*>(QStringLiteral("N14"));
        QVERIFY(n14);
        QVERIFY(!n14->menuAction()->isVisible()); // options not read yet at the first start
        QVERIFY(!pluginAction(QStringLiteral("ActAddAllowdown"))->isVisible());
        QToolBar* bar = nullptr;
        QCOMPARE(API(GetToolBar)(&bar, &ok), MEAL_S_OK);
        QVERIFY(ok && bar);

        // Names are exact; unknown or differently cased names open nothing.
        QCOMPARE(API(ShowDllForm)("actmealrecord", m_area, 0), MEAL_S_OK);
        QCOMPARE(API(ShowDllForm)("NoSuchAction", m_area, 0), MEAL_S_OK);
        QCOMPARE(API(ShowDllForm)(nullptr, m_area, 0), MEAL_S_OK);
        QCOMPARE(m_area->subWindowList().size(), 0);

        ok = true;
        QCOMPARE(API(FreeDll)(1, 0, &ok), MEAL_S_OK);
        QVERIFY(!ok); // never reports success
        QCOMPARE(API(GetDllMainMenu)(&menu, &ok), MEAL_S_OK);
        QVERIFY(!ok);

        QCOMPARE(API(InitDll)(&app, &m_area, &db, &ok), MEAL_S_OK);
        QVERIFY(ok);
        QCOMPARE(API(GetDllMainMenu)(&menu, &ok), MEAL_S_OK);
        n14 = menu->findChild<QMenu*>(QStringLiteral("N14"));
        QVERIFY(n14->menuAction()->isVisible());
        QVERIFY(pluginAction(QStringLiteral("ActAddAllowdown"))->isVisible());
        QVERIFY(!pluginAction(QStringLiteral("ActOrderrecord"))->isVisible());
    }

    // User texts are bound: a quote in the id is no syntax error.
    void userIdWithQuotesIsBound() {
        bool ok = false;
        QCOMPARE(API(PassParameters)("O'Brien", "x", "", "", "", "", "", 0, &ok), MEAL_S_OK);
        QVERIFY(ok);
    }

    void cleanupPlugin() {
        bool ok = false;
        QCOMPARE(API(FreeDll)(1, 0, &ok), MEAL_S_OK);
    }
};

QTEST_MAIN(TestPluginExports)
#include "test_plugin_exports.moc"
