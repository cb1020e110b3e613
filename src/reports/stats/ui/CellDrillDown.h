#pragma once
// The statistics windows' drill-down: with character 5 of the company's
// flags on, the grid chooses single cells and a double-click hands the
// clicked column's field name on.
#include <functional>

class DBGrid;
class QString;
class Session;

// True when the drill-down is on for this session (the grid is then set up).
bool enableCellDrillDown(DBGrid* grid, const Session& session,
                         const std::function<void(const QString&)>& drill);
