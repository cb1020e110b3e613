#pragma once
// The statistics windows' drill-down: with character 5 of the company's
// flags on, the grid chooses single cells, and a double-click or the grid's
// "查看明细" action (Enter) hands the current cell's row and column on.
#include <functional>

class DBGrid;
class Session;

// True when the drill-down is on for this session (the grid is then set up).
bool enableCellDrillDown(DBGrid* grid, const Session& session,
                         const std::function<void(int row, int column)>& drill);
