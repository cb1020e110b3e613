#pragma once
// The window table: which window an action name opens and how. A row is made
// from the window class itself (its factory and meta-object), so a row cannot
// name a class that does not exist; an action whose window is not built yet
// has a row without one and tells the operator so when it is asked for.
#include <QLatin1String>
#include <QString>
#include <QVector>

class ModuleContext;
class QWidget;
struct QMetaObject;

enum class WindowOpening {
    Child,    // an MDI child with the user's rights for the action, maximised; one instance
    Modeless, // shown as it is, no rights read, not maximised; one instance
};

struct WindowRow {
    using Factory = QWidget* (*)(ModuleContext& context, QWidget* owner);

    QLatin1String actionName; // compared exactly, case-sensitive
    QString caption;
    WindowOpening opening = WindowOpening::Child;
    const QMetaObject* windowClass = nullptr; // null: not built yet
    Factory create = nullptr;

    bool isBuilt() const { return create != nullptr; }
};

// A row for a built window class W (constructed from the module context).
template <class W>
WindowRow windowRow(const char* actionName, const char* caption,
                    WindowOpening opening = WindowOpening::Child) {
    return {QLatin1String(actionName), QString::fromUtf8(caption), opening, &W::staticMetaObject,
            [](ModuleContext& context, QWidget*) -> QWidget* { return new W(context); }};
}
// A row for an action whose window is not part of this build.
WindowRow pendingRow(const char* actionName, const char* caption,
                     WindowOpening opening = WindowOpening::Child);

// The rows in table order; the first call checks the table (no name twice, no
// class twice) and throws a DbError naming the fault, so a broken table stops
// the start-up instead of a click.
const QVector<WindowRow>& windowTable();
const WindowRow* findWindowRow(QLatin1String actionName);
const WindowRow* findWindowRow(const QString& actionName);
// The table's faults (empty when sound), for the start-up check and tests.
QStringList windowTableFaults(const QVector<WindowRow>& rows);
