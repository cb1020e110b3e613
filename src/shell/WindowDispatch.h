#pragma once
// The window dispatch table: which window class an action name opens, with
// its caption. A row whose window is not built into this plug-in has no
// factory and opens nothing.
#include <QString>
#include <QVector>

class QWidget;
class ModuleContext;

using WindowFactory = QWidget* (*)(ModuleContext& context, QWidget* owner);

struct DispatchRow {
    const char* actionName; // compared exactly, case-sensitive
    const char* className;  // the window's class name (QMetaObject::className)
    const char* caption;
    WindowFactory create; // nullptr: not part of this build
    bool withRights;      // false: opened without rights and not maximised
};

// The rows in table order; at most one matches a name.
const QVector<DispatchRow>& dispatchTable();
const DispatchRow* findDispatchRow(const QString& actionName);
