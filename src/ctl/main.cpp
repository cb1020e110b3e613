// mealctl: the command-line front end over the module's widget-free code.
#include "ctl/CtlContext.h"
#include "db/DatabaseConnection.h"
#include "db/DbError.h"
#include "db/IniFile.h"
#include "db/Session.h"
#include "db/UserAccounts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSqlQuery>

#include <cstdio>
#include <memory>

namespace {

void printHelp(QTextStream& out) {
    out << "usage: mealctl [--user ID] [--home DIR] <command> [arguments]\n\n"
           "The program folder (Daybook.ini, log/) is --home, else MEAL_HOME, else the\n"
           "folder of this program (~/.config/mealpos when it is installed under /usr).\n"
           "The database comes from Daybook.ini, section\n"
           "\"Connection\". Commands act as the user given by --user (default ADMIN).\n\n"
           "mealctl is an administrator's tool: it holds the database password of\n"
           "Daybook.ini and does not ask for the --user account's password. --user is\n"
           "not a log-in; it chooses whose department rights and dining room the\n"
           "reports apply, as the windows do for that user (ADMIN sees every\n"
           "department). Whoever can run mealctl with that Daybook.ini can read and\n"
           "change the whole database (\"sql\" runs any statement).\n\n"
           "commands:\n";
    int count = 0;
    const CtlCommand* commands = ctlCommands(&count);
    for (int i = 0; i < count; ++i)
        out << "  " << QString::fromUtf8(commands[i].usage).leftJustified(52) << " "
            << QString::fromUtf8(commands[i].summary) << "\n";
}

// Takes the account's name and the company's name as the host's log-in does.
void identify(Session& session, const QString& userId) {
    const auto account = loadUserAccount(session.ModuleConnection, userId);
    if (!account)
        throw DbError(QStringLiteral("用户 %1 不存在").arg(userId));
    session.CurrentUserId = account->userId;
    session.CurrentUserId8 = account->userId.toLocal8Bit();
    session.CurrentUserName = account->userName;
    session.UserDinRoom = account->dinroomId;
    QSqlQuery q(session.ModuleConnection);
    if (q.exec(QStringLiteral("select company_ch_name from company")) && q.next())
        session.CompanyName = session.CompanyDisplayName = q.value(0).toString();
}

} // namespace

// Printed documents (PDF) need fonts, which only a GUI application has; it
// runs on the offscreen platform, without a display.
static bool printsDocuments(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], "--format") == 0 && qstricmp(argv[i + 1], "pdf") == 0)
            return true;
    return false;
}

int main(int argc, char** argv) {
    const bool gui = printsDocuments(argc, argv);
    if (gui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application(gui ? new QGuiApplication(argc, argv)
                                                      : new QCoreApplication(argc, argv));
    QCoreApplication& app = *application;
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);

    QString userId = QStringLiteral("ADMIN");
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--help") || opt == QLatin1String("-h")) {
            printHelp(out);
            return 0;
        }
        if ((opt == QLatin1String("--user") || opt == QLatin1String("--home")) && !args.isEmpty()) {
            const QString value = args.takeFirst();
            if (opt == QLatin1String("--user"))
                userId = value;
            else
                qputenv("MEAL_HOME", value.toLocal8Bit());
            continue;
        }
        err << "mealctl: unknown option " << opt << "\n";
        printHelp(err);
        return 2;
    }
    if (args.isEmpty() || args.first() == QLatin1String("help")) {
        printHelp(args.isEmpty() ? err : out);
        return args.isEmpty() ? 2 : 0;
    }

    const QString name = args.takeFirst();
    int count = 0;
    const CtlCommand* commands = ctlCommands(&count);
    const CtlCommand* command = nullptr;
    for (int i = 0; i < count; ++i)
        if (name == QString::fromUtf8(commands[i].name))
            command = &commands[i];
    if (!command) {
        err << "mealctl: unknown command " << name << "\n";
        printHelp(err);
        return 2;
    }
    if (args.contains(QLatin1String("--help"))) {
        out << "usage: mealctl " << command->usage << "\n" << command->summary << "\n";
        return 0;
    }

    try {
        Session session;
        session.readConfiguration();
        const IniFile ini(session.iniPath());
        if (!ini.exists())
            throw DbError(QStringLiteral("找不到配置文件 %1").arg(session.iniPath()));
        session.ModuleConnection = openDatabase(ConnectionSettings::fromIni(ini), QStringLiteral("mealctl"));
        if (command->needsSession)
            identify(session, userId);
        CtlContext ctx{session, out, err};
        const int status = command->run(ctx, args);
        out.flush();
        err.flush();
        return status;
    } catch (const DbError& e) {
        out.flush();
        err << "mealctl: " << e.message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        out.flush();
        err << "mealctl: " << e.what() << "\n";
        return 1;
    }
}
