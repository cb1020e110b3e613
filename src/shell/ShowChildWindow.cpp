#include "shell/ShowChildWindow.h"

#include "db/UserAccounts.h"
#include "shell/MainForm.h"
#include "shell/PluginState.h"
#include "util/Prompter.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {
QMdiSubWindow* openSubWindow(QMdiArea* area, const QMetaObject* windowClass) {
    if (!area)
        return nullptr;
    for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
        QWidget* w = sub->widget();
        if (w && w->metaObject() == windowClass) // exactly the class, not a descendant
            return sub;
    }
    return nullptr;
}

QWidget* createWindow(PluginState& state, const WindowRow& row, QWidget* owner) {
    QPointer<QWidget>& slot = state.instances[row.windowClass];
    if (!slot)
        slot = row.create(state.context, owner);
    return slot;
}
} // namespace

QString windowNotBuiltText(const QString& caption) {
    return QStringLiteral("“%1”功能暂未提供。").arg(caption);
}

QWidget* ShowChildWindow(PluginState& state, const WindowRow& row, QWidget* owner) {
    QMdiArea* area = state.context.screen;
    if (QMdiSubWindow* sub = openSubWindow(area, row.windowClass)) {
        // An open window is brought forward; its rights are not read again.
        if (sub->isHidden())
            sub->show();
        if (sub->isMinimized())
            sub->showNormal();
        area->setActiveSubWindow(sub);
        sub->raise();
        return sub->widget();
    }
    QWidget* window = createWindow(state, row, owner);
    if (!window)
        return nullptr;
    // A rights value that is not an integer raises here: created, not shown.
    window->setProperty("Tag", userRightBits(state.context.session, row.actionName));
    QMdiSubWindow* sub = area ? area->addSubWindow(window) : nullptr;
    if (sub) {
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->showMaximized();
        area->setActiveSubWindow(sub);
    } else {
        window->showMaximized();
    }
    return window;
}

QWidget* dispatchWindow(PluginState& state, const QString& actionName, QWidget* owner) {
    const WindowRow* row = findWindowRow(actionName);
    if (!row || !row->isBuilt()) {
        // A known action without a window says so; an unknown name opens nothing.
        QString caption = row ? row->caption : QString();
        if (!row && state.FrmMealMain)
            if (const QAction* action = state.FrmMealMain->action(actionName))
                caption = action->text();
        if (!caption.isEmpty() && state.context.prompter)
            state.context.prompter->information(windowNotBuiltText(caption));
        return nullptr;
    }
    if (row->opening == WindowOpening::Child)
        return ShowChildWindow(state, *row, owner);
    // Opened without rights and not maximised (the allowance download).
    QWidget* window = createWindow(state, *row, owner);
    if (!window)
        return nullptr;
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
