// A stand-in for libMealPlugin.so with the same nine exports, for the host's
// tests: it records every call with its arguments, can be told to fail one
// call (FAKE_PLUGIN_FAIL=<export> returns E_UNEXPECTED, FAKE_PLUGIN_OKFALSE=
// <export> returns success with ok false), and opens an MDI window titled
// with the action name for names starting with "Act", a modal dialog for
// "ActModal" and nothing for any other name.
#include "shell/MealPluginApi.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QStringList>
#include <QToolBar>

namespace {
QStringList g_calls;
QByteArray g_callText;
QPointer<QWidget> g_mainForm;
QMenuBar* g_menu = nullptr;
QToolBar* g_toolBar = nullptr;
QMdiArea* g_screen = nullptr;
MealHostNotify g_notify = nullptr;

QString text(const char* s) {
    return s ? QString::fromUtf8(s) : QStringLiteral("<null>");
}

bool fails(const char* call) {
    return qEnvironmentVariable("FAKE_PLUGIN_FAIL") == QLatin1String(call);
}
bool okFalse(const char* call) {
    return qEnvironmentVariable("FAKE_PLUGIN_OKFALSE") == QLatin1String(call);
}
// The end of a call with an out Boolean, as the environment asks.
MealHResult finish(const char* call, bool* ok) {
    if (fails(call))
        return MEAL_E_UNEXPECTED;
    *ok = !okFalse(call);
    return MEAL_S_OK;
}

void buildMainForm() {
    g_mainForm = new QWidget;
    g_menu = new QMenuBar(g_mainForm);
    QMenu* details = g_menu->addMenu(QStringLiteral("消费明细"));
    details->addAction(QStringLiteral("充值明细"))->setObjectName(QStringLiteral("ActFullRecord"));
    details->addSeparator();
    QMenu* more = details->addMenu(QStringLiteral("更多"));
    more->addAction(QStringLiteral("卡余额表"))->setObjectName(QStringLiteral("ActCardBalance"));
    details->addAction(QStringLiteral("消费明细"))->setObjectName(QStringLiteral("ActMealRecord"));
    QMenu* allowance = g_menu->addMenu(QStringLiteral("补贴定餐"));
    allowance->addAction(QStringLiteral("补贴登记"))->setObjectName(QStringLiteral("ActAllowance"));
    allowance->menuAction()->setVisible(false);
    g_toolBar = new QToolBar(g_mainForm);
    g_toolBar->addAction(QStringLiteral("刷新"))->setObjectName(QStringLiteral("tbRefresh"));
}
} // namespace

extern "C" {

MEAL_EXPORT const char* FakePluginCalls() {
    g_callText = g_calls.join(QLatin1Char('\n')).toUtf8();
    return g_callText.constData();
}

MEAL_EXPORT void FakePluginReset() {
    g_calls.clear();
}

MealHResult InitDll(QApplication** application, QMdiArea** screen, QSqlDatabase* connection, bool* ok) {
    *ok = false;
    g_calls << QStringLiteral("InitDll(%1,%2,%3)")
                   .arg(QLatin1String(application && *application == qApp ? "app" : "?"),
                        QLatin1String(screen && *screen ? "screen" : "?"),
                        QLatin1String(connection ? "db" : "?"));
    const MealHResult result = finish("InitDll", ok);
    *ok = *ok && screen && *screen;
    if (*ok) {
        g_screen = *screen;
        if (!g_mainForm)
            buildMainForm();
    }
    return result;
}

MealHResult FreeDll(std::int32_t handle, std::int32_t reserved, bool* ok) {
    *ok = false;
    g_calls << QStringLiteral("FreeDll(%1,%2)").arg(handle).arg(reserved);
    delete g_mainForm.data();
    g_notify = nullptr;
    g_menu = nullptr;
    g_toolBar = nullptr;
    return MEAL_S_OK;
}

MealHResult ShowDllForm(const char* name, QWidget* owner, std::int32_t reserved) {
    const QString action = text(name);
    g_calls << QStringLiteral("ShowDllForm(%1,%2,%3)")
                   .arg(action, owner ? owner->objectName() : "<null>")
                   .arg(reserved);
    if (fails("ShowDllForm"))
        return MEAL_E_UNEXPECTED;
    if (action == QLatin1String("ActModal")) {
        QDialog dialog(owner);
        dialog.setWindowTitle(action);
        dialog.exec();
        return MEAL_S_OK;
    }
    if (!action.startsWith(QLatin1String("Act")) || !g_screen)
        return MEAL_S_OK;
    auto* window = new QWidget;
    window->setWindowTitle(action);
    // A drill-down that opens another child window, and a button with a modal question.
    auto* drill = new QAction(window);
    drill->setObjectName(QStringLiteral("actDrill"));
    QObject::connect(drill, &QAction::triggered, window, [action] {
        auto* detail = new QWidget;
        detail->setWindowTitle(action + QStringLiteral(" detail"));
        g_screen->addSubWindow(detail)->show();
    });
    window->addAction(drill);
    auto* ask = new QPushButton(QStringLiteral("ask"), window);
    ask->setObjectName(QStringLiteral("btnAsk"));
    QObject::connect(ask, &QPushButton::clicked, window, [window] {
        QDialog question(window);
        question.exec();
    });
    // A password question that opens a window when answered "pw".
    auto* input = new QPushButton(QStringLiteral("input"), window);
    input->setObjectName(QStringLiteral("btnInput"));
    QObject::connect(input, &QPushButton::clicked, window, [window, action] {
        bool ok = false;
        if (QInputDialog::getText(window, QStringLiteral("pw?"), QStringLiteral("pw"), QLineEdit::Password,
                                  QString(), &ok) == QLatin1String("pw") &&
            ok) {
            auto* granted = new QWidget;
            granted->setWindowTitle(action + QStringLiteral(" granted"));
            g_screen->addSubWindow(granted)->show();
        }
    });
    QMdiSubWindow* sub = g_screen->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    if (g_notify) {
        std::int32_t out = -1;
        g_notify(0, window, &out);
    }
    return MEAL_S_OK;
}

MealHResult PassConnection(QSqlDatabase* connection, bool* ok) {
    *ok = false;
    g_calls << QStringLiteral("PassConnection(%1)").arg(QLatin1String(connection ? "db" : "?"));
    return finish("PassConnection", ok);
}

MealHResult PassParameters(const char* userId, const char* userName, const char* arg3, const char* arg4,
                           const char* arg5, const char* arg6, const char* company, std::uint8_t options,
                           bool* ok) {
    *ok = false;
    g_calls << QStringLiteral("PassParameters(%1,%2,%3,%4,%5,%6,%7,%8)")
                   .arg(text(userId), text(userName), text(arg3), text(arg4), text(arg5), text(arg6),
                        text(company))
                   .arg(options);
    return finish("PassParameters", ok);
}

MealHResult PassAccount(const MealAccountPeriod* account, std::int32_t reserved) {
    g_calls << QStringLiteral("PassAccount(%1,%2,%3,%4)")
                   .arg(text(account->monthText))
                   .arg(account->beginDate, 0, 'f', 5)
                   .arg(account->endDate, 0, 'f', 5)
                   .arg(reserved);
    return fails("PassAccount") ? MEAL_E_UNEXPECTED : MEAL_S_OK;
}

MealHResult ShareCallBack(MealHostNotify callback, std::int32_t reserved) {
    g_calls << QStringLiteral("ShareCallBack(%1,%2)")
                   .arg(QLatin1String(callback ? "proc" : "<null>"), QString::number(reserved));
    if (!g_notify)
        g_notify = callback;
    return fails("ShareCallBack") ? MEAL_E_UNEXPECTED : MEAL_S_OK;
}

MealHResult GetDllMainMenu(QMenuBar** menu, bool* ok) {
    *ok = false;
    g_calls << QStringLiteral("GetDllMainMenu");
    const MealHResult result = finish("GetDllMainMenu", ok);
    *ok = *ok && g_menu;
    if (*ok)
        *menu = g_menu;
    return result;
}

MealHResult GetToolBar(QToolBar** toolBar, bool* ok) {
    *ok = false;
    g_calls << QStringLiteral("GetToolBar");
    const MealHResult result = finish("GetToolBar", ok);
    *ok = *ok && g_toolBar;
    if (*ok)
        *toolBar = g_toolBar;
    return result;
}

} // extern "C"
