// The nine entry points of the plug-in. Each traps every exception into a
// failure result so that nothing crosses the C boundary.
#include "shell/MealPluginApi.h"

#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "db/SqlTrace.h"
#include "shell/MainForm.h"
#include "shell/PluginState.h"
#include "shell/ShowChildWindow.h"
#include "util/ui/DialogPrompter.h"
#include "workers/WorkerPool.h"

#include <QApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QSqlQuery>
#include <QToolBar>

#include <cstring>
#include <exception>

namespace {

void reportFault(const QString& where, const QString& message) {
    // A fault inside an export reaches the host only as its result; keep the
    // reason in the trace for the operator's support.
    try {
        PluginState::instance().context.session.trace().write(where + QStringLiteral(": ") + message);
    } catch (...) {
    }
}

template <typename Body> MealHResult guarded(const char* where, Body body) {
    try {
        body();
        return MEAL_S_OK;
    } catch (const DbError& e) {
        reportFault(QString::fromLatin1(where), e.message());
    } catch (const std::exception& e) {
        reportFault(QString::fromLatin1(where), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportFault(QString::fromLatin1(where), QStringLiteral("unknown error"));
    }
    return MEAL_E_UNEXPECTED;
}

void setOk(bool* ok, bool value) {
    if (ok)
        *ok = value;
}

QString text(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

} // namespace

PluginState& PluginState::instance() {
    static PluginState state;
    return state;
}

extern "C" {

MealHResult InitDll(QApplication** application, QMdiArea** screen, QSqlDatabase* connection, bool* ok) {
    setOk(ok, false);
    return guarded("InitDll", [&] {
        if (!application || !*application || !screen || !*screen || !connection)
            return;
        PluginState& state = PluginState::instance();
        state.application = *application;
        state.context.screen = *screen;
        if (!state.prompter)
            state.prompter = std::make_unique<DialogPrompter>(*screen);
        state.context.prompter = state.prompter.get();
        if (!state.MealDM)
            state.MealDM = std::make_unique<MealDataModule>();
        state.context.MealDM = state.MealDM.get();
        state.context.session.ModuleConnection = *connection;
        state.context.openWindow = [](const QString& actionName, QWidget* owner) {
            PluginState& plugin = PluginState::instance();
            return plugin.FrmMealMain ? dispatchWindow(plugin, actionName, owner) : nullptr;
        };
        if (!state.FrmMealMain)
            state.FrmMealMain = new TFrmMealMain(state.context);
        setOk(ok, true);
    });
}

MealHResult FreeDll(std::int32_t handle, std::int32_t /*reserved*/, bool* ok) {
    setOk(ok, false);
    return guarded("FreeDll", [&] {
        if (handle == 0)
            return;
        PluginState& state = PluginState::instance();
        // Windows still open show their data through the data module: they
        // go before it does (a host normally closes them first).
        for (QPointer<QWidget>& window : state.instances) {
            if (!window)
                continue;
            QWidget* frame = window->parentWidget();
            delete window.data();
            if (frame && frame->inherits("QMdiSubWindow"))
                frame->deleteLater();
        }
        state.instances.clear();
        // Closing the windows stopped their workers; the code they run is this
        // library's, so it must not be unloaded under them.
        if (!workers::TMealWorkerThread::WaitForAllWorkers(30000))
            qWarning("FreeDll: background workers did not stop in time");
        state.context.toasts.closeAll();
        delete state.FrmMealMain.data();
        state.FrmMealMain = nullptr;
        state.context.MealDM = nullptr;
        state.MealDM.reset();
        // FreeDll never reports success.
    });
}

MealHResult ShowDllForm(const char* name, QWidget* owner, std::int32_t /*reserved*/) {
    return guarded("ShowDllForm", [&] {
        PluginState& state = PluginState::instance();
        if (!state.FrmMealMain)
            throw DbError(QStringLiteral("ShowDllForm: the module is not initialised"));
        if (!name)
            return;
        state.context.session.readConfiguration();
        dispatchWindow(state, text(name), owner);
    });
}

MealHResult PassConnection(QSqlDatabase* connection, bool* ok) {
    setOk(ok, false);
    return guarded("PassConnection", [&] {
        if (!connection || !connection->isValid())
            return;
        PluginState& state = PluginState::instance();
        // The data module's data sets open on the module connection, so they
        // follow it; windows already open keep the connection they copied.
        state.context.session.ModuleConnection = *connection;
        setOk(ok, true);
    });
}

MealHResult PassParameters(const char* userId, const char* userName, const char* arg3, const char* arg4,
                           const char* arg5, const char* arg6, const char* company, std::uint8_t options,
                           bool* ok) {
    setOk(ok, false);
    return guarded("PassParameters", [&] {
        PluginState& state = PluginState::instance();
        Session& s = state.context.session;
        s.HostOptions = options;
        s.CurrentUserId = text(userId);
        s.CurrentUserId8 = userId ? QByteArray(userId) : QByteArray();
        s.CurrentUserName = text(userName);
        s.UnusedHostText3 = arg3 ? QByteArray(arg3) : QByteArray();
        s.CurrentUserPassword = text(arg4);
        s.UnusedHostText5 = text(arg5);
        s.UnusedHostText6 = text(arg6);
        s.CompanyName = text(company);
        if (state.FrmMealMain)
            state.FrmMealMain->enableAllActions();
        // The user's dining rooms; the id is bound, never pasted.
        QSqlQuery q(s.ModuleConnection);
        s.runner().RunQuery(q, QStringLiteral("select * from sys_user where userid=:userid"), true,
                            {{QStringLiteral("userid"), s.CurrentUserId}});
        s.UserDinRoom = q.next() ? q.value(QStringLiteral("dinroom_id")).toString() : QString();
        setOk(ok, true);
    });
}

MealHResult PassAccount(const MealAccountPeriod* account, std::int32_t /*reserved*/) {
    return guarded("PassAccount", [&] {
        if (!account)
            throw DbError(QStringLiteral("PassAccount: no accounting period"));
        std::memcpy(&PluginState::instance().context.session.AccountPeriod, account,
                    sizeof(MealAccountPeriod));
    });
}

MealHResult ShareCallBack(MealHostNotify callback, std::int32_t /*reserved*/) {
    return guarded("ShareCallBack", [&] {
        Session& s = PluginState::instance().context.session;
        // The first registration wins.
        if (!s.HostNotify)
            s.HostNotify = callback;
    });
}

MealHResult GetDllMainMenu(QMenuBar** menu, bool* ok) {
    setOk(ok, false);
    return guarded("GetDllMainMenu", [&] {
        PluginState& state = PluginState::instance();
        if (!state.FrmMealMain || !menu)
            return;
        *menu = state.FrmMealMain->mnMain();
        setOk(ok, true);
    });
}

MealHResult GetToolBar(QToolBar** toolBar, bool* ok) {
    setOk(ok, false);
    return guarded("GetToolBar", [&] {
        PluginState& state = PluginState::instance();
        if (!state.FrmMealMain || !toolBar)
            return;
        *toolBar = state.FrmMealMain->tbMeal();
        setOk(ok, true);
    });
}

} // extern "C"
