#pragma once
// The dining-room/terminal tree of the report windows: root "所有餐厅", a
// node per dining room, a child per POS terminal; a click lists the
// terminals of the clicked node.
#include <QVector>

class ModuleContext;
class QTreeWidget;
class QTreeWidgetItem;

namespace ClockTree {
void build(const ModuleContext& context, QTreeWidget* tree);
// The terminals of a node: one terminal, a room's, or every one the user may see.
QVector<qint64> terminalsOf(const ModuleContext& context, const QTreeWidgetItem* node);
} // namespace ClockTree
