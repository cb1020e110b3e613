#include "host/HostCommandLine.h"

#include <QCommandLineParser>

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

QString HostCommandLine::readPasswordFromStdin() {
    const bool tty = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (tty && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::fputs("Password: ", stderr);
        std::fflush(stderr);
    }
    std::string line;
    bool any = false;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        any = true;
        if (c == '\n')
            break;
        line += char(c);
    }
    if (tty) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any ? QString::fromStdString(line) : QString();
}

HostCommandLine HostCommandLine::parse(const QStringList& arguments) {
    return parse(arguments, &readPasswordFromStdin,
                 qEnvironmentVariableIsSet("MEAL_PASSWORD") ? qEnvironmentVariable("MEAL_PASSWORD")
                                                            : QString());
}

HostCommandLine HostCommandLine::parse(const QStringList& arguments,
                                       const std::function<QString()>& readPassword,
                                       const QString& environmentPassword) {
    HostCommandLine result;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("log-in user id"),
                                  QStringLiteral("ID"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("log-in password"),
                                      QStringLiteral("PW"));
    const QCommandLineOption open(QStringLiteral("open"), QStringLiteral("open a window by action name"),
                                  QStringLiteral("ActionName"));
    const QCommandLineOption openAll(QStringLiteral("open-all"),
                                     QStringLiteral("open every window of the menus"));
    const QCommandLineOption listActions(QStringLiteral("list-actions"),
                                         QStringLiteral("print the action names of the menus and quit"));
    const QCommandLineOption shots(QStringLiteral("screenshots"), QStringLiteral("save screenshots into DIR"),
                                   QStringLiteral("DIR"));
    const QCommandLineOption delay(QStringLiteral("screenshot-delay"),
                                   QStringLiteral("milliseconds to wait before each screenshot"),
                                   QStringLiteral("MS"));
    const QCommandLineOption quit(QStringLiteral("quit-after-screenshots"),
                                  QStringLiteral("exit when the screenshots are saved"));
    const QCommandLineOption dialogs(
        QStringLiteral("screenshot-dialogs"),
        QStringLiteral("also save the dialogs of the record window of ActionName"),
        QStringLiteral("ActionName"));
    const QCommandLineOption setProperty(QStringLiteral("set"),
                                         QStringLiteral("set a property of an opened window's object"),
                                         QStringLiteral("ACTION:OBJECT.PROPERTY=VALUE"));
    const QCommandLineOption trigger(QStringLiteral("trigger"),
                                     QStringLiteral("trigger an action of an opened window"),
                                     QStringLiteral("ACTION:OBJECT"));
    parser.addOptions({user, password, open, openAll, listActions, shots, delay, quit, dialogs});
    const QCommandLineOption then(QStringLiteral("then"),
                                  QStringLiteral("after the screenshot, trigger an action of the window "
                                                 "the last step opened and save what it opens"),
                                  QStringLiteral("ACTION:OBJECT"));
    const QCommandLineOption answer(
        QStringLiteral("answer-input"),
        QStringLiteral("type TEXT into the next text question instead of closing it"),
        QStringLiteral("TEXT"));
    parser.addOptions({setProperty, trigger, then, answer});

    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return result;
    }
    // The password: --password PW (visible to every user of the machine in the
    // process list), --password - (a line of standard input), or MEAL_PASSWORD.
    const bool passwordGiven = parser.isSet(password) || !environmentPassword.isNull();
    if (parser.isSet(password) && !parser.isSet(user)) {
        result.error = QStringLiteral("--password needs --user");
        return result;
    }
    if (parser.isSet(user) && !passwordGiven) {
        result.error =
            QStringLiteral("--user needs --password PW, --password - (standard input) or MEAL_PASSWORD");
        return result;
    }
    result.hasCredentials = parser.isSet(user);
    result.userId = parser.value(user);
    if (parser.isSet(password) && parser.value(password) == QLatin1String("-")) {
        result.password = readPassword ? readPassword() : QString();
        if (result.password.isNull()) {
            result.error = QStringLiteral("--password -: no line on standard input");
            return result;
        }
    } else {
        result.password = parser.isSet(password) ? parser.value(password) : environmentPassword;
    }
    result.openActions = parser.values(open);
    result.openAll = parser.isSet(openAll);
    result.listActions = parser.isSet(listActions);
    result.screenshotDir = parser.value(shots);
    result.quitAfterScreenshots = parser.isSet(quit);
    result.screenshotDialogs = parser.value(dialogs);
    result.windowSettings = parser.values(setProperty);
    result.windowTriggers = parser.values(trigger);
    result.followUps = parser.values(then);
    result.inputAnswers = parser.values(answer);
    if (parser.isSet(delay)) {
        bool ok = false;
        const int ms = parser.value(delay).toInt(&ok);
        if (!ok || ms < 0 || ms > 600000) {
            result.error = QStringLiteral("--screenshot-delay takes milliseconds (0 to 600000)");
            return result;
        }
        result.screenshotDelayMs = ms;
    }
    if (result.quitAfterScreenshots && result.screenshotDir.isEmpty()) {
        result.error = QStringLiteral("--quit-after-screenshots needs --screenshots DIR");
        return result;
    }
    if (result.unattended() && !result.hasCredentials) {
        result.error = QStringLiteral("an unattended run needs --user and --password");
        return result;
    }
    return result;
}
