#pragma once
// A window made from the window table by its action name, as the host's menu
// makes it, shown with its rows loaded.
#include "WindowWait.h"
#include "shell/WindowTable.h"

#include <memory>

class ModuleContext;

// Null when the table has no built window of class W for `action`; `prepare`
// sets the window up (period, range) before it shows and loads.
template <class W, class Prepare>
std::unique_ptr<W> openFromWindowTable(ModuleContext& context, const QString& action, Prepare prepare) {
    const WindowRow* row = findWindowRow(action);
    std::unique_ptr<W> w(row && row->isBuilt() ? qobject_cast<W*>(row->create(context, nullptr)) : nullptr);
    if (!w)
        return w;
    w->setAttribute(Qt::WA_DeleteOnClose, false); // the caller owns it
    prepare(*w);
    w->show();
    WAIT_LOADED(*w);
    return w;
}
template <class W> std::unique_ptr<W> openFromWindowTable(ModuleContext& context, const QString& action) {
    return openFromWindowTable<W>(context, action, [](W&) {});
}
