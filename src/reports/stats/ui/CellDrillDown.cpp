#include "reports/stats/ui/CellDrillDown.h"

#include "dailystats/DailySumsCommon.h"
#include "dataset/Field.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/ui/DBGrid.h"

#include <QAction>
#include <QTableView>

namespace {
bool isFigure(FieldType type) {
    switch (type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::LargeInt:
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
        return true;
    default:
        return false;
    }
}
} // namespace

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
    QObject::connect(action, &QAction::triggered, grid, [grid, view, drill] {
        QModelIndex at = view->currentIndex();
        if (!at.isValid() && grid->model()->rowCount() > 0) {
            // No cell chosen yet: the first row's first figure.
            for (int c = 0; c < grid->model()->columnCount() && !at.isValid(); ++c)
                if (const Field* f = grid->model()->fieldAt(c);
                    f && f->visible() && isFigure(f->dataType()) && !view->isColumnHidden(c))
                    at = grid->model()->index(0, c);
            if (at.isValid())
                view->setCurrentIndex(at);
        }
        if (at.isValid())
            drill(at.row(), at.column());
    });
    QObject::connect(grid, &DBGrid::cellDoubleClicked, grid,
                     [drill](int row, int column) { drill(row, column); });
    return true;
}
