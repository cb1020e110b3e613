#include "shell/ShowChildWindow.h"

#include "db/UserAccounts.h"
#include "shell/PluginState.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {
QMdiSubWindow* openSubWindow(QMdiArea* area, const char* className) {
    if (!area)
        return nullptr;
    for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder)) {
        QWidget* w = sub->widget();
        if (w && qstrcmp(w->metaObject()->className(), className) == 0)
            return sub;
    }
    return nullptr;
}

QWidget* createWindow(PluginState& state, const DispatchRow& row, QWidget* owner) {
    QPointer<QWidget>& slot = state.instances[QString::fromLatin1(row.className)];
    if (!slot)
        slot = row.create(state.context, owner);
    return slot;
}
} // namespace

QWidget* ShowChildWindow(PluginState& state, const DispatchRow& row, QWidget* owner) {
    QMdiArea* area = state.context.screen;
    if (QMdiSubWindow* sub = openSubWindow(area, row.className)) {
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
    window->setProperty("Tag", userRightBits(state.context.session, QString::fromLatin1(row.actionName)));
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
    const DispatchRow* row = findDispatchRow(actionName);
    if (!row || !row->create)
        return nullptr;
    if (row->withRights)
        return ShowChildWindow(state, *row, owner);
    // The allowance download is opened without rights and not maximised.
    QWidget* window = createWindow(state, *row, owner);
    if (!window)
        return nullptr;
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
