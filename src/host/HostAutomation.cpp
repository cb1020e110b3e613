#include "host/HostAutomation.h"

#include "host/HostDialogTour.h"
#include "host/HostMainWindow.h"
#include "host/HostWindowSetup.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QRegularExpression>

#include <cstdio>
#include <utility>

HostAutomation::HostAutomation(HostMainWindow& window, const QStringList& actions,
                               const QString& screenshotDir, int delayMs, bool quitWhenDone,
                               const QString& dialogTourAction)
    : QObject(&window), m_window(window), m_actions(actions), m_dir(screenshotDir), m_delayMs(delayMs),
      m_quit(quitWhenDone), m_tourAction(dialogTourAction) {
    m_modalWatch.setInterval(200);
    connect(&m_modalWatch, &QTimer::timeout, this, &HostAutomation::watchModal);
}

QString HostAutomation::shotFileName(int step, const QString& name) {
    QString safe = name;
    safe.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return QStringLiteral("%1-%2.png").arg(QString::number(step).rightJustified(2, QLatin1Char('0')), safe);
}

void HostAutomation::start() {
    if (!m_dir.isEmpty() && !QDir().mkpath(m_dir))
        std::fprintf(stderr, "mealhost: cannot create %s\n", qPrintable(m_dir));
    m_modalWatch.start();
    // The main window first, once it has been laid out and painted.
    QTimer::singleShot(m_dir.isEmpty() ? 0 : m_delayMs, this, &HostAutomation::takeShot);
}

QSet<QWidget*> HostAutomation::visibleWindows() const {
    QSet<QWidget*> set;
    const QList<QMdiSubWindow*> subs = m_window.mdiArea()->subWindowList();
    for (QMdiSubWindow* w : subs) {
        if (w->isVisible())
            set.insert(w);
    }
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops) {
        if (w->isVisible() && w != &m_window && w->isWindow() && w->windowType() != Qt::Popup &&
            w->windowType() != Qt::ToolTip)
            set.insert(w);
    }
    return set;
}

bool HostAutomation::save(QWidget* widget, const QString& name) {
    if (m_dir.isEmpty())
        return true;
    const QString path = QDir(m_dir).filePath(shotFileName(m_step++, name));
    if (!widget->grab().save(path, "PNG")) {
        std::fprintf(stderr, "mealhost: cannot write %s\n", qPrintable(path));
        return false;
    }
    m_saved << path;
    std::fprintf(stderr, "mealhost: saved %s\n", qPrintable(path));
    return true;
}

void HostAutomation::takeShot() {
    if (m_index < 0) {
        save(&m_window, QStringLiteral("main"));
    } else {
        const QSet<QWidget*> after = visibleWindows();
        QMdiSubWindow* active = m_window.mdiArea()->activeSubWindow();
        const bool newWindow = !(after - m_before).isEmpty();
        const bool switched = active && active != m_activeBefore;
        if (newWindow || switched) {
            // The window the action opened is shown on top even when another
            // window took the focus back while it opened.
            for (QWidget* w : after - m_before)
                if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
                    m_window.mdiArea()->setActiveSubWindow(sub);
            save(&m_window, m_current);
            if (QMdiSubWindow* shown = m_window.mdiArea()->activeSubWindow())
                m_actionWindow = shown->widget();
            m_lastOpened = m_actionWindow;
            // A window of its own outside the MDI area is saved separately as well.
            for (QWidget* w : after - m_before) {
                if (!qobject_cast<QMdiSubWindow*>(w))
                    save(w, m_current + QStringLiteral("-window"));
            }
            if (m_current == m_tourAction) {
                // The window the action opened, even when another one kept the focus.
                QMdiSubWindow* target = active;
                for (QWidget* w : after - m_before)
                    if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
                        target = sub;
                if (target && startDialogTour(target))
                    return; // the tour goes on to the next step when it is done
            }
        } else {
            std::fprintf(stderr, "mealhost: %s opened no window\n", qPrintable(m_current));
        }
    }
    m_pendingFollowUps.clear();
    for (const QString& item : std::as_const(m_followUps)) {
        const int colon = item.indexOf(QLatin1Char(':'));
        if (colon > 0 && item.left(colon).compare(m_current, Qt::CaseInsensitive) == 0)
            m_pendingFollowUps << item.mid(colon + 1);
    }
    QTimer::singleShot(0, this, &HostAutomation::nextFollowUp);
}

void HostAutomation::nextFollowUp() {
    if (m_pendingFollowUps.isEmpty() || !m_actionWindow) {
        if (!m_pendingFollowUps.isEmpty())
            std::fprintf(stderr, "mealhost: %s opened no window to follow\n", qPrintable(m_current));
        m_pendingFollowUps.clear();
        QTimer::singleShot(0, this, &HostAutomation::nextStep);
        return;
    }
    m_followUpName = m_pendingFollowUps.takeFirst();
    m_savedBeforeFollowUp = m_saved.size();
    m_before = visibleWindows();
    m_activeBefore = m_window.mdiArea()->activeSubWindow();
    // A modal window the trigger opens runs its own loop here; the modal watch
    // saves and closes it.
    const bool triggered = (m_lastOpened && HostWindowSetup::trigger(m_lastOpened, m_followUpName)) ||
                           HostWindowSetup::trigger(m_actionWindow, m_followUpName);
    if (!triggered) {
        std::fprintf(stderr, "mealhost: cannot trigger %s:%s\n", qPrintable(m_current),
                     qPrintable(m_followUpName));
        QTimer::singleShot(0, this, &HostAutomation::nextFollowUp);
        return;
    }
    QTimer::singleShot(m_dir.isEmpty() ? 0 : m_delayMs, this, &HostAutomation::takeFollowUpShot);
}

void HostAutomation::takeFollowUpShot() {
    const QString name = m_current + QLatin1Char('-') + m_followUpName;
    const QSet<QWidget*> opened = visibleWindows() - m_before;
    for (QWidget* w : opened) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            m_window.mdiArea()->setActiveSubWindow(sub);
            save(&m_window, name);
            m_lastOpened = sub->widget();
        } else {
            save(w, name + QStringLiteral("-window"));
            m_lastOpened = w;
        }
    }
    // Without a new window or dialog the step's effect shows in the window it acted on.
    if (opened.isEmpty() && m_saved.size() == m_savedBeforeFollowUp)
        save(&m_window, name);
    QTimer::singleShot(0, this, &HostAutomation::nextFollowUp);
}

void HostAutomation::nextStep() {
    ++m_index;
    if (m_index >= m_actions.size()) {
        m_modalWatch.stop();
        emit finished();
        if (m_quit) {
            m_window.close();
            QApplication::quit();
        }
        return;
    }
    m_current = m_actions.at(m_index);
    m_followUpName.clear();
    m_actionWindow = nullptr;
    m_lastOpened = nullptr;
    m_before = visibleWindows();
    m_activeBefore = m_window.mdiArea()->activeSubWindow();
    m_window.openAction(m_current);
    if (QMdiSubWindow* opened = m_window.mdiArea()->activeSubWindow(); opened && opened != m_activeBefore)
        for (const QString& problem :
             HostWindowSetup::apply(opened->widget(), m_current, m_setAssignments, m_setTriggers))
            std::fprintf(stderr, "mealhost: %s\n", qPrintable(problem));
    QTimer::singleShot(m_dir.isEmpty() ? 0 : m_delayMs, this, &HostAutomation::takeShot);
}

bool HostAutomation::startDialogTour(QMdiSubWindow* sub) {
    QWidget* window = sub->widget();
    if (!HostDialogTour::applies(window))
        return false;
    m_window.mdiArea()->setActiveSubWindow(sub);
    m_touring = true;
    auto* tour = new HostDialogTour(
        window, m_delayMs,
        [this](QWidget* w, const QString& what) { save(w, m_current + QLatin1Char('-') + what); }, this);
    connect(tour, &HostDialogTour::finished, this, [this, tour] {
        m_touring = false;
        tour->deleteLater();
        QTimer::singleShot(0, this, &HostAutomation::nextStep);
    });
    tour->start();
    return true;
}

void HostAutomation::watchModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    // Give the dialog a moment to fill in, keep a picture of it, then dismiss it.
    if (m_modalSeen != modal) {
        m_modalSeen = modal;
        m_modalTicks = 0;
        return;
    }
    // During the tour only a dialog it did not expect, left standing, is closed here.
    const int patience = m_touring ? m_delayMs + 2000 : qMin(m_delayMs, 1000);
    if (++m_modalTicks * m_modalWatch.interval() < patience)
        return;
    QString owner = m_current.isEmpty() ? QStringLiteral("start") : m_current;
    if (!m_followUpName.isEmpty())
        owner += QLatin1Char('-') + m_followUpName;
    save(modal, owner + QStringLiteral("-dialog"));
    m_modalSeen = nullptr;
    if (auto* input = qobject_cast<QInputDialog*>(modal); input && !m_inputAnswers.isEmpty()) {
        std::fprintf(stderr, "mealhost: answered \"%s\"\n", qPrintable(modal->windowTitle()));
        input->setTextValue(m_inputAnswers.takeFirst());
        input->accept();
        return;
    }
    std::fprintf(stderr, "mealhost: closed dialog \"%s\"\n", qPrintable(modal->windowTitle()));
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
    m_modalSeen = nullptr;
}
