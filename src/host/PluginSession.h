#pragma once
// Drives the plug-in through its exports in the documented order and keeps
// what must outlive the calls (the month text the accounting period points
// at). Every failure HRESULT, and every "ok" left false where the call
// promises to set it, is collected for the operator.
#include "host/PluginLibrary.h"

#include <QByteArray>
#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

struct PluginCallFailure {
    QString call;           // the export's name, with the window name for ShowDllForm
    MealHResult result = 0; // the returned HRESULT
    bool okFalse = false;   // the call returned success but left ok false
    QString text() const;   // the message shown to the operator
};

struct PluginUser {
    QString userId;
    QString userName;
    QString password; // handed over as the fourth parameter
};

struct PluginStartArgs {
    QApplication** application = nullptr; // the host's variables, kept alive by the host
    QMdiArea** screen = nullptr;
    QSqlDatabase* connection = nullptr;
    PluginUser user;
    QString company;
    std::uint8_t options = 0;
    QDate month; // the accounting month; its first to its last day
    MealHostNotify notify = nullptr;
};

class PluginSession {
public:
    explicit PluginSession(const PluginExports& exports) : m_exports(exports) {}
    ~PluginSession() { shutdown(); }
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // InitDll, PassConnection, PassParameters, PassAccount, ShareCallBack,
    // GetDllMainMenu, GetToolBar. False when InitDll or PassConnection failed:
    // the plug-in is then not used further (FreeDll is still called at shutdown
    // if InitDll ran).
    bool start(const PluginStartArgs& args);
    // PassParameters again, after another user logged in.
    bool passUser(const PluginUser& user, const QString& company, std::uint8_t options);
    // ShowDllForm; false when the plug-in is not started or the call failed.
    bool showForm(const QString& actionName, QWidget* owner);
    // FreeDll(1, 0, &ok) once. Its ok is never set by the plug-in, so it is not checked.
    void shutdown();

    bool isStarted() const { return m_started; }
    QMenuBar* mainMenu() const { return m_menu; }
    QToolBar* toolBar() const { return m_toolBar; }

    // Failures collected since the last call to takeFailures().
    QVector<PluginCallFailure> takeFailures();

    // The accounting period of a month as handed to PassAccount.
    static MealAccountPeriod accountPeriod(const QDate& month, const QByteArray& monthText);
    static QByteArray monthText(const QDate& month);

private:
    bool check(const QString& call, MealHResult result, const bool* ok);

    PluginExports m_exports;
    QVector<PluginCallFailure> m_failures;
    QByteArray m_monthText;
    MealAccountPeriod m_account{nullptr, 0, 0};
    QMenuBar* m_menu = nullptr;
    QToolBar* m_toolBar = nullptr;
    bool m_initialised = false;
    bool m_started = false;
};
