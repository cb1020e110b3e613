#pragma once
// Unattended steps after start: open windows by action name one after the
// other and save a PNG screenshot of the main window after start and after
// each window that opened, then optionally quit. A modal dialog that comes up
// on the way is saved too and then closed, so the run never waits for a click.
// With a dialog-tour action, the record window that action opens also shows
// its column chooser, print dialog, print preview and print toast for the camera.
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>

class HostMainWindow;
class QMdiSubWindow;
class QWidget;

class HostAutomation : public QObject {
    Q_OBJECT
public:
    HostAutomation(HostMainWindow& window, const QStringList& actions, const QString& screenshotDir,
                   int delayMs, bool quitWhenDone, const QString& dialogTourAction = QString());

    void start();
    // Properties set and actions triggered in each window as it opens
    // (HostWindowSetup), before its screenshot.
    void setWindowSetup(const QStringList& assignments, const QStringList& triggers) {
        m_setAssignments = assignments;
        m_setTriggers = triggers;
    }
    // "--then ActionName:object" steps: after the action's screenshot each one
    // triggers that object in the window the previous step opened (falling back
    // to the action's own window), waits, and saves what it opened, so windows
    // reached only from another window (drill-downs, editors) get their picture.
    void setFollowUps(const QStringList& followUps) { m_followUps = followUps; }
    // Texts typed, in order, into the text questions (input dialogs) that come
    // up, which are then accepted instead of closed.
    void setInputAnswers(const QStringList& answers) { m_inputAnswers = answers; }
    // Screenshots saved so far (file paths).
    const QStringList& saved() const { return m_saved; }

    // "03-ActMealRecord.png": a file-name-safe form of the step and its name.
    static QString shotFileName(int step, const QString& name);

signals:
    void finished();

private:
    QStringList m_setAssignments;
    QStringList m_setTriggers;
    void nextStep();
    void takeShot();
    void nextFollowUp();
    void takeFollowUpShot();
    void watchModal();
    bool startDialogTour(QMdiSubWindow* sub);
    bool save(QWidget* widget, const QString& name);
    QSet<QWidget*> visibleWindows() const;

    HostMainWindow& m_window;
    QStringList m_actions;
    QString m_dir;
    int m_delayMs;
    bool m_quit;
    QString m_tourAction;
    bool m_touring = false; // the tour handles its own dialogs
    int m_index = -1;       // -1: the main window after start
    int m_step = 0;
    QPointer<QWidget> m_modalSeen;
    int m_modalTicks = 0;
    QString m_current;
    QSet<QWidget*> m_before;
    QPointer<QWidget> m_activeBefore;
    QTimer m_modalWatch;
    QStringList m_saved;
    QStringList m_followUps;
    QStringList m_inputAnswers;
    QStringList m_pendingFollowUps;      // the current action's, not yet run
    QString m_followUpName;              // the object the running follow-up triggered
    qsizetype m_savedBeforeFollowUp = 0; // screenshots saved before it (a dialog it opened adds one)
    QPointer<QWidget> m_actionWindow;    // the window the current action opened
    QPointer<QWidget> m_lastOpened;      // the window the latest step opened
};
