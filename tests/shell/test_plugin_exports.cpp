// The plug-in as a host sees it: loaded with dlopen, driven only through its
// nine C entry points, in order and out of order.
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

namespace {
struct Api {
    decltype(&InitDll) init = nullptr;
    decltype(&FreeDll) free = nullptr;
    decltype(&ShowDllForm) show = nullptr;
    decltype(&PassConnection) passConnection = nullptr;
    decltype(&PassParameters) passParameters = nullptr;
    decltype(&PassAccount) passAccount = nullptr;
    decltype(&ShareCallBack) shareCallBack = nullptr;
    decltype(&GetDllMainMenu) getMenu = nullptr;
    decltype(&GetToolBar) getToolBar = nullptr;
};

int g_notifyA = 0;
std::int32_t notifyA(std::int32_t, void*, std::int32_t*) {
    ++g_notifyA;
    return 0;
}
std::int32_t notifyB(std::int32_t, void*, std::int32_t*) {
    return 0;
}

const char* const kExports[] = {"InitDll",        "FreeDll",        "ShowDllForm",
                                "PassConnection", "PassParameters", "PassAccount",
                                "ShareCallBack",  "GetDllMainMenu", "GetToolBar"};
} // namespace

class TestPluginExports : public QObject {
    Q_OBJECT

    void* m_handle = nullptr;
    Api m_api;
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    QMdiArea* m_area = nullptr;

    template <typename F> F resolve(const char* name) { return reinterpret_cast<F>(dlsym(m_handle, name)); }

    QAction* pluginAction(const QString& name) {
        QMenuBar* menu = nullptr;
        bool ok = false;
        if (m_api.getMenu(&menu, &ok) != MEAL_S_OK || !ok || !menu)
            return nullptr;
        return menu->parentWidget()->findChild<QAction*>(name);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        qputenv("MEAL_HOME", m_home.path().toLocal8Bit());
        m_db = std::make_unique<TestDatabase>(QStringLiteral("plugin_exports"));
        m_db->writeDaybookIni(m_home.path());
        m_handle = dlopen(MEAL_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(m_handle, dlerror());
        m_api.init = resolve<decltype(&InitDll)>("InitDll");
        m_api.free = resolve<decltype(&FreeDll)>("FreeDll");
        m_api.show = resolve<decltype(&ShowDllForm)>("ShowDllForm");
        m_api.passConnection = resolve<decltype(&PassConnection)>("PassConnection");
        m_api.passParameters = resolve<decltype(&PassParameters)>("PassParameters");
        m_api.passAccount = resolve<decltype(&PassAccount)>("PassAccount");
        m_api.shareCallBack = resolve<decltype(&ShareCallBack)>("ShareCallBack");
        m_api.getMenu = resolve<decltype(&GetDllMainMenu)>("GetDllMainMenu");
        m_api.getToolBar = resolve<decltype(&GetToolBar)>("GetToolBar");
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
            if (parts.size() == 3 && parts[1] == QLatin1String("T"))
                functions << parts[2];
        }
        functions.removeAll(QStringLiteral("_init"));
        functions.removeAll(QStringLiteral("_fini"));
        QStringList expected;
        for (const char* name : kExports)
            expected << QString::fromLatin1(name);
        functions.sort();
        expected.sort();
        QCOMPARE(functions, expected);
    }

    // Calls before InitDll or with nil arguments are refused without a crash.
    void refusesOutOfOrderAndNilArguments() {
        bool ok = true;
        QMenuBar* menu = reinterpret_cast<QMenuBar*>(0x1);
        QCOMPARE(m_api.getMenu(&menu, &ok), MEAL_S_OK);
        QVERIFY(!ok);
        QCOMPARE(menu, reinterpret_cast<QMenuBar*>(0x1)); // left untouched
        QToolBar* bar = nullptr;
        ok = true;
        QCOMPARE(m_api.getToolBar(&bar, &ok), MEAL_S_OK);
        QVERIFY(!ok);
        QCOMPARE(m_api.show("ActMealRecord", nullptr, 0), MEAL_E_UNEXPECTED);

        QApplication* app = qApp;
        QApplication* nilApp = nullptr;
        QMdiArea* nilArea = nullptr;
        QSqlDatabase db = m_db->db();
        ok = true;
        QCOMPARE(m_api.init(&nilApp, &m_area, &db, &ok), MEAL_S_OK);
        QVERIFY(!ok);
        ok = true;
        QCOMPARE(m_api.init(&app, &nilArea, &db, &ok), MEAL_S_OK);
        QVERIFY(!ok);
        ok = true;
        QCOMPARE(m_api.init(nullptr, nullptr, nullptr, &ok), MEAL_S_OK);
        QVERIFY(!ok);
        ok = true;
        QCOMPARE(m_api.init(&app, &m_area, nullptr, &ok), MEAL_S_OK);
        QVERIFY(!ok);
        ok = true;
        QCOMPARE(m_api.passConnection(nullptr, &ok), MEAL_S_OK);
        QVERIFY(!ok);
        QCOMPARE(m_api.passAccount(nullptr, 0), MEAL_E_UNEXPECTED);
        // A nil out argument is tolerated.
        QCOMPARE(m_api.getMenu(nullptr, nullptr), MEAL_S_OK);
        ok = true;
        QCOMPARE(m_api.free(0, 0, &ok), MEAL_S_OK);
        QVERIFY(!ok);
        // Still not initialised: the main menu is not there.
        ok = true;
        QCOMPARE(m_api.getMenu(&menu, &ok), MEAL_S_OK);
        QVERIFY(!ok);
    }

    // The documented order brings up the menu; the allowance menu follows the
    // options of the previous configuration read.
    void startsInOrderAndCyclesThroughFreeDll() {
        QApplication* app = qApp;
        QSqlDatabase db = m_db->db();
        bool ok = false;
        QCOMPARE(m_api.init(&app, &m_area, &db, &ok), MEAL_S_OK);
        QVERIFY(ok);
        QCOMPARE(m_api.passConnection(&db, &ok), MEAL_S_OK);
        QVERIFY(ok);
        QCOMPARE(m_api.passParameters("ADMIN", "管理员", "", "secret", "", "", "测试公司", 0, &ok),
                 MEAL_S_OK);
        QVERIFY(ok);
        const MealAccountPeriod period{"2026-12", 46357.0, 46387.999};
        QCOMPARE(m_api.passAccount(&period, 0), MEAL_S_OK);
        QCOMPARE(m_api.shareCallBack(&notifyA, 0), MEAL_S_OK);
        QCOMPARE(m_api.shareCallBack(&notifyB, 0), MEAL_S_OK);

        QMenuBar* menu = nullptr;
        QCOMPARE(m_api.getMenu(&menu, &ok), MEAL_S_OK);
        QVERIFY(ok && menu);
        QStringList titles;
        for (QAction* a : menu->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({QStringLiteral("消费明细"), QStringLiteral("消费统计"),
                                      QStringLiteral("补贴定餐")}));
        QMenu* n14 = menu->findChild<QMenu*>(QStringLiteral("N14"));
        QVERIFY(n14);
        QVERIFY(!n14->menuAction()->isVisible()); // options not read yet at the first start
        QVERIFY(!pluginAction(QStringLiteral("ActAddAllowdown"))->isVisible());
        QToolBar* bar = nullptr;
        QCOMPARE(m_api.getToolBar(&bar, &ok), MEAL_S_OK);
        QVERIFY(ok && bar);
        QCOMPARE(bar->objectName(), QStringLiteral("tbMeal"));

        // Names are exact; unknown or differently cased names open nothing.
        QCOMPARE(m_api.show("actmealrecord", m_area, 0), MEAL_S_OK);
        QCOMPARE(m_api.show("NoSuchAction", m_area, 0), MEAL_S_OK);
        QCOMPARE(m_api.show(nullptr, m_area, 0), MEAL_S_OK);
        QCOMPARE(m_area->subWindowList().size(), 0);

        ok = true;
        QCOMPARE(m_api.free(1, 0, &ok), MEAL_S_OK);
        QVERIFY(!ok); // never reports success
        QCOMPARE(m_api.getMenu(&menu, &ok), MEAL_S_OK);
        QVERIFY(!ok);

        QCOMPARE(m_api.init(&app, &m_area, &db, &ok), MEAL_S_OK);
        QVERIFY(ok);
        QCOMPARE(m_api.getMenu(&menu, &ok), MEAL_S_OK);
        n14 = menu->findChild<QMenu*>(QStringLiteral("N14"));
        QVERIFY(n14->menuAction()->isVisible());
        QCOMPARE(n14->title(), QStringLiteral("补贴管理"));
        QVERIFY(pluginAction(QStringLiteral("ActAddAllowdown"))->isVisible());
        QVERIFY(!pluginAction(QStringLiteral("ActOrderrecord"))->isVisible());
    }

    // User texts are bound: a quote in the id is no syntax error.
    void userIdWithQuotesIsBound() {
        bool ok = false;
        QCOMPARE(m_api.passParameters("O'Brien", "x", "", "", "", "", "", 0, &ok), MEAL_S_OK);
        QVERIFY(ok);
    }

    void cleanupPlugin() {
        bool ok = false;
        QCOMPARE(m_api.free(1, 0, &ok), MEAL_S_OK);
    }
};

QTEST_MAIN(TestPluginExports)
#include "test_plugin_exports.moc"
