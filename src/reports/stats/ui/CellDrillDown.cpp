#include "reports/stats/ui/CellDrillDown.h"

#include "dataset/Field.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/Session.h"

#include <QTableView>

bool enableCellDrillDown(DBGrid* grid, const Session& session,
                         const std::function<void(const QString&)>& drill) {
    if (session.OtherMattersFlags.mid(4, 1) != QLatin1String("1"))
        return false;
    grid->view()->setSelectionBehavior(QAbstractItemView::SelectItems);
    QObject::connect(grid, &DBGrid::cellDoubleClicked, grid, [grid, drill](int, int) {
        if (const Field* f = grid->selectedField())
            drill(f->fieldName());
    });
    return true;
}
