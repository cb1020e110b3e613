#pragma once
// Command-line options of mealhost, for automation and demos:
//   --user ID --password PW    log in without the dialog (still verified); PW "-"
//                              reads it from standard input (without echo on a
//                              terminal), and without --password the variable
//                              MEAL_PASSWORD gives it
//   --open ActionName          open a window after start (repeatable, in order)
//   --open-all                 open every window the menus carry
//   --list-actions             print the action names of the menus and quit
//   --screenshots DIR          save PNG screenshots of the main window
//   --screenshot-delay MS      wait before each screenshot (default 1500)
//   --quit-after-screenshots   exit once the screenshots are saved
//   --set A:obj.prop=value     set a property in the window of action A as it opens
//   --trigger A:obj            then trigger that window's action (or click its button)
//   --then A:obj               after A's screenshot, trigger obj in the window
//                              the previous step opened (else in A's window),
//                              wait, and save what it opened (repeatable, in order)
//   --answer-input TEXT        type TEXT into the next text question (an input
//                              dialog, such as a password box) instead of closing
//                              it (repeatable, in order)
//   --screenshot-dialogs ActionName  also show and save the column chooser,
//                              print dialog, preview and print toast of the
//                              record window that action opens
#include <QString>
#include <QStringList>

#include <functional>

struct HostCommandLine {
    QString userId;
    QString password;
    bool hasCredentials = false;
    QStringList openActions;
    bool openAll = false;
    bool listActions = false;
    QString screenshotDir;
    int screenshotDelayMs = 1500;
    bool quitAfterScreenshots = false;
    QString screenshotDialogs;  // action name
    QStringList windowSettings; // --set ActionName:object.property=value
    QStringList windowTriggers; // --trigger ActionName:object
    QStringList followUps;      // --then ActionName:object
    QStringList inputAnswers;   // --answer-input TEXT

    // Empty when the arguments are usable; otherwise what is wrong with them.
    QString error;

    // True when the host runs unattended: messages go to standard error
    // instead of modal boxes, and a failed log-in ends the program.
    bool unattended() const { return quitAfterScreenshots || listActions; }
    bool hasAutomation() const { return !openActions.isEmpty() || openAll || !screenshotDir.isEmpty(); }

    // `arguments` includes the program name first, as QCoreApplication::arguments().
    // `readPassword` gives the line for "--password -" (null: nothing to read),
    // `environmentPassword` the value of MEAL_PASSWORD (null: not set).
    static HostCommandLine parse(const QStringList& arguments, const std::function<QString()>& readPassword,
                                 const QString& environmentPassword);
    // Standard input and the process environment.
    static HostCommandLine parse(const QStringList& arguments);
    // One line of standard input; on a terminal after a prompt on standard
    // error, without echo. Null at end of input.
    static QString readPasswordFromStdin();
};
