// mealhost: log-in, database connection, main window with the MDI area, and
// the consumption module loaded from libMealPlugin.so.
#include "db/DbError.h"
#include "db/ProgramFolder.h"
#include "host/HostAutomation.h"
#include "host/HostCommandLine.h"
#include "host/HostDatabase.h"
#include "host/HostLogin.h"
#include "host/HostMainWindow.h"
#include "host/HostPrompter.h"
#include "host/LoginDialog.h"
#include "host/PluginLibrary.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QTimer>

#include <cstdio>

namespace {

// The interface is Simplified Chinese: use a CJK family when one is installed
// so every caption renders, also under a bare X server.
void chooseChineseFont(QApplication& app) {
    const QStringList installed = QFontDatabase::families();
    const char* const wanted[] = {"WenQuanYi Zen Hei", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
                                  "Source Han Sans SC"};
    for (const char* name : wanted) {
        const QString family = QString::fromUtf8(name);
        if (installed.contains(family)) {
            QFont font = app.font();
            font.setFamilies({family});
            app.setFont(font);
            return;
        }
    }
}

bool loginWithDialog(const HostLogin& login, const QString& company, const QString& presetId,
                     HostUser& user) {
    LoginDialog dialog(login, company);
    if (!presetId.isEmpty())
        dialog.setUserId(presetId);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    user = {dialog.loginResult().userId, dialog.loginResult().userName, dialog.password()};
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mealhost"));
    chooseChineseFont(app);

    const HostCommandLine cmd = HostCommandLine::parse(QApplication::arguments());
    if (!cmd.error.isEmpty()) {
        std::fprintf(stderr,
                     "mealhost: %s\nusage: mealhost [--user ID [--password PW|-]] [--open ActionName]... "
                     "[--open-all]\n"
                     "                [--list-actions] [--screenshots DIR [--screenshot-delay MS]\n"
                     "                [--quit-after-screenshots] [--screenshot-dialogs ActionName]\n"
                     "                [--set A:obj.prop=value]... [--trigger A:obj]... [--then A:obj]...\n"
                     "                [--answer-input TEXT]...]\n",
                     qPrintable(cmd.error));
        return 2;
    }
    MessageBoxPrompter boxes;
    StderrPrompter console;
    HostPrompter& prompter = cmd.unattended() ? static_cast<HostPrompter&>(console) : boxes;

    QSqlDatabase db;
    try {
        db = openHostDatabase(programFile(QStringLiteral("Daybook.ini")), QStringLiteral("mealhost"));
    } catch (const DbError& e) {
        prompter.warning(nullptr, e.message());
        return 1;
    }
    QString company;
    try {
        company = readCompanyName(db);
    } catch (const DbError& e) {
        std::fprintf(stderr, "mealhost: company name not read: %s\n", qPrintable(e.message()));
    }

    const HostLogin login(db);
    HostUser user;
    if (cmd.hasCredentials) {
        const LoginResult r = login.verify(cmd.userId, cmd.password);
        if (r.accepted()) {
            user = {r.userId, r.userName, cmd.password};
        } else {
            prompter.warning(nullptr, r.message);
            if (cmd.unattended() || !loginWithDialog(login, company, cmd.userId, user))
                return 1;
        }
    } else if (!loginWithDialog(login, company, QString(), user)) {
        return 0;
    }

    HostMainWindow window(&app, db, user, company, prompter);
    if (!cmd.unattended()) {
        window.relogin = [&login, &company](HostUser& next) {
            return loginWithDialog(login, company, QString(), next);
        };
    }

    const QString pluginPath =
        PluginLibrary::locate(QApplication::applicationDirPath(), qEnvironmentVariable("MEAL_PLUGIN_PATH"));
    bool loaded = false;
    if (pluginPath.isEmpty()) {
        const QStringList looked = PluginLibrary::candidatePaths(QApplication::applicationDirPath(),
                                                                 qEnvironmentVariable("MEAL_PLUGIN_PATH"));
        prompter.warning(
            nullptr, QStringLiteral("找不到消费模块 %1，已查找：\n%2\n\n系统将在没有消费模块的情况下运行。")
                         .arg(PluginLibrary::fileName(), looked.join(QLatin1Char('\n'))));
    } else {
        loaded = window.loadPlugin(pluginPath);
    }

    if (cmd.listActions) {
        const QStringList names = window.menuActionNames();
        for (const QString& name : names)
            std::printf("%s\n", qPrintable(name));
        window.shutdownPlugin();
        return loaded ? 0 : 3;
    }

    window.resize(1400, 900);
    if (cmd.unattended())
        window.show();
    else
        window.showMaximized();

    if (cmd.hasAutomation()) {
        QStringList actions = cmd.openActions;
        if (cmd.openAll)
            actions += window.menuActionNames();
        actions.removeDuplicates();
        auto* automation = new HostAutomation(window, actions, cmd.screenshotDir, cmd.screenshotDelayMs,
                                              cmd.quitAfterScreenshots, cmd.screenshotDialogs);
        automation->setWindowSetup(cmd.windowSettings, cmd.windowTriggers);
        automation->setFollowUps(cmd.followUps);
        automation->setInputAnswers(cmd.inputAnswers);
        QTimer::singleShot(0, automation, &HostAutomation::start);
    }

    const int rc = QApplication::exec();
    window.shutdownPlugin();
    if (rc == 0 && cmd.unattended() && !loaded)
        return 3;
    return rc;
}
