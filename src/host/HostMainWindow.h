#pragma once
// The host's main window: the MDI area that is the host's window list, its
// own "系统", "其他功能" and "窗口" menus, the plug-in's menus and tool bar
// merged in between, and the plug-in's notification callback.
#include "host/PluginLibrary.h"
#include "host/PluginSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QSqlDatabase>

#include <functional>
#include <memory>

class HostPrompter;
class QApplication;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

struct HostUser {
    QString userId;
    QString userName;
    QString password;
};

class HostMainWindow : public QMainWindow {
    Q_OBJECT
public:
    HostMainWindow(QApplication* app, const QSqlDatabase& db, const HostUser& user, const QString& company,
                   HostPrompter& prompter);
    ~HostMainWindow() override;

    // Loads the plug-in and runs its start sequence; false when it cannot be
    // used (the host stays usable without it). Failures are told to the operator.
    bool loadPlugin(const QString& path);
    bool pluginStarted() const { return m_session && m_session->isStarted(); }

    // Asks the plug-in to open the window of `actionName` (ShowDllForm).
    bool openAction(const QString& actionName);
    // Action names of the plug-in's merged menus, then of the host's own menu.
    QStringList menuActionNames() const;

    QMdiArea* mdiArea() const { return m_mdi; }
    QMenu* hostMenu() const { return m_hostMenu; }
    // Notifications received from the plug-in ("activated: title" / "closing: title").
    const QStringList& notifications() const { return m_notifications; }

    // Closes the plug-in's windows and calls FreeDll; false when a window
    // refused to close. Safe to call more than once.
    bool shutdownPlugin();

    // Called to let another user log in after log-out; returns false when
    // the operator gave up. Set by main().
    std::function<bool(HostUser&)> relogin;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static std::int32_t hostNotify(std::int32_t event, void* window, std::int32_t* outValue);
    void windowNotified(std::int32_t event, QWidget* window);
    void buildMenus();
    void connectNamedActions(const QList<QAction*>& actions);
    void reportFailures();
    bool closeAllWindows();
    void logOut();
    void updateTitle();

    QApplication* m_app;
    QMdiArea* m_mdi;
    QSqlDatabase m_db;
    HostUser m_user;
    QString m_company;
    HostPrompter& m_prompter;
    PluginLibrary m_library;
    std::unique_ptr<PluginSession> m_session;
    QMenu* m_systemMenu = nullptr;
    QMenu* m_hostMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_userLabel = nullptr;
    QList<QAction*> m_pluginEntries;
    QList<QPointer<QAction>> m_connected;
    QStringList m_notifications;

    static HostMainWindow* s_notifyTarget;
};
