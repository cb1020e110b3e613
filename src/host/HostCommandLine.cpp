#include "host/HostCommandLine.h"

#include <QCommandLineParser>

HostCommandLine HostCommandLine::parse(const QStringList& arguments) {
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
    parser.addOptions({setProperty, trigger});

    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return result;
    }
    if (parser.isSet(user) != parser.isSet(password)) {
        result.error = QStringLiteral("--user and --password go together");
        return result;
    }
    result.hasCredentials = parser.isSet(user);
    result.userId = parser.value(user);
    result.password = parser.value(password);
    result.openActions = parser.values(open);
    result.openAll = parser.isSet(openAll);
    result.listActions = parser.isSet(listActions);
    result.screenshotDir = parser.value(shots);
    result.quitAfterScreenshots = parser.isSet(quit);
    result.screenshotDialogs = parser.value(dialogs);
    result.windowSettings = parser.values(setProperty);
    result.windowTriggers = parser.values(trigger);
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
