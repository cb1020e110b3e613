#include "reports/ui/ClockTree.h"

#include "db/CompanyParameters.h"
#include "framework/ModuleContext.h"
#include "reports/MealRecordsQuery.h"

#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int RoomRole = Qt::UserRole + 2;  // dining-room id of a room node
constexpr int ClockRole = Qt::UserRole + 3; // terminal number of a terminal node
} // namespace

namespace ClockTree {

QTreeWidget* addPage(QTabWidget* pages, QWidget** sheet) {
    auto* page = new QWidget(pages);
    page->setObjectName(QStringLiteral("TabSheet2"));
    auto* tree = new QTreeWidget(page);
    tree->setObjectName(QStringLiteral("tvclock"));
    tree->setHeaderHidden(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree);
    {
        const QSignalBlocker block(pages); // adding the page is no refresh
        pages->addTab(page, QStringLiteral("餐厅结构"));
    }
    *sheet = page;
    return tree;
}

void build(const ModuleContext& context, QTreeWidget* tree) {
    tree->clear();
    auto* root = new QTreeWidgetItem(tree, {QStringLiteral("所有餐厅")});
    for (const MealRecordsQuery::ClockTreeRoom& room : MealRecordsQuery::loadClockTree(context.session)) {
        auto* node = new QTreeWidgetItem(root, {room.name});
        node->setData(0, RoomRole, room.roomId);
        for (const MealRecordsQuery::ClockTreeTerminal& terminal : room.terminals) {
            auto* item = new QTreeWidgetItem(node, {terminal.caption});
            item->setData(0, ClockRole, terminal.clockId);
        }
    }
    root->setExpanded(true);
}

QVector<qint64> terminalsOf(const ModuleContext& context, const QTreeWidgetItem* node) {
    const Session& s = context.session;
    if (node->parent() && node->parent()->parent())
        return {node->data(0, ClockRole).toLongLong()};
    const QString sql =
        node->parent()
            ? MealRecordsQuery::roomTerminalsStatement(s.dialect(), node->data(0, RoomRole).toString())
            : MealRecordsQuery::allTerminalsStatement(
                  s.dialect(), s.UserDinRoom, !s.UserDinRoom.isEmpty() && CompanySwitch::diningRoomRights(s));
    return MealRecordsQuery::readTerminals(s, sql);
}

} // namespace ClockTree
