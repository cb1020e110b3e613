#pragma once
// The dining-room/terminal tree of the report windows: root "所有餐厅", a
// node per dining room, a child per POS terminal; a click lists the
// terminals of the clicked node.
#include <QVector>

class ModuleContext;
class QTabWidget;
class QTreeWidget;
class QWidget;
class QTreeWidgetItem;

namespace ClockTree {
// Adds the page "餐厅结构" (object TabSheet2) with the tree (tvclock) to the
// department pages, without the page change's refresh; `sheet` gets the page.
QTreeWidget* addPage(QTabWidget* pages, QWidget** sheet);
void build(const ModuleContext& context, QTreeWidget* tree);
// The terminals of a node: one terminal, a room's, or every one the user may see.
QVector<qint64> terminalsOf(const ModuleContext& context, const QTreeWidgetItem* node);
} // namespace ClockTree
