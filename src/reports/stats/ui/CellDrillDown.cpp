#include "reports/stats/ui/CellDrillDown.h"

#include "dailystats/DailySumsCommon.h"
#include "dataset/grid/ui/DBGrid.h"

#include <QAction>
#include <QTableView>

bool enableCellDrillDown(DBGrid* grid, const Session& session,
                         const std::function<void(int row, int column)>& drill) {
    if (!DailySums::drillDownEnabled(session))
        return false;
    QTableView* view = grid->view();
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    auto* action = new QAction(QStringLiteral("查看明细"), grid);
    action->setObjectName(QStringLiteral("actDrillDown"));
    action->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view->addAction(action);
    QObject::connect(action, &QAction::triggered, grid, [view, drill] {
        const QModelIndex at = view->currentIndex();
        if (at.isValid())
            drill(at.row(), at.column());
    });
    QObject::connect(grid, &DBGrid::cellDoubleClicked, grid,
                     [drill](int row, int column) { drill(row, column); });
    return true;
}
