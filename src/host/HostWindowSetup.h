#pragma once
// Unattended set-up of a window that an automation run opened, before its
// screenshot: "--set ActionName:child.property=value" writes a property of
// the child with that object name (or of the window itself when the name is
// the window's), "--trigger ActionName:child" triggers an action or clicks a
// button of that name. Values convert as the property system converts texts
// (numbers, "2026-11-01T00:00:00" for date-times, "true").
#include <QString>
#include <QStringList>

class QWidget;

namespace HostWindowSetup {

// The assignments and triggers meant for `actionName`, in order. Returns a
// line for each one that found no object or no writable property.
// Triggers the action, or clicks the button, of that object name in the window
// (the window's own name included); false when there is none.
bool trigger(QWidget* window, const QString& objectName);

QStringList apply(QWidget* window, const QString& actionName, const QStringList& assignments,
                  const QStringList& triggers);

} // namespace HostWindowSetup
