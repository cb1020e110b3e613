#pragma once
// TfrmMealSumDay ("每日消费汇总"): meals and amounts per meal period and day
// (or for the whole period), for a consumption type and a dining room; the
// columns are titled from the meal-period list, an invalid period's hidden.
// A chart of the meals per day, the periods stacked, stands beside the grid.
#include "dailystats/MealSumDayQuery.h"
#include "dailystats/ui/DailySumsWindow.h"

class QCheckBox;
class QComboBox;

class TfrmMealSumDay : public DailySumsWindow {
    Q_OBJECT
public:
    explicit TfrmMealSumDay(ModuleContext& context, QWidget* parent = nullptr);

    void QueryData(QObject* sender) override;
    // The filter the controls give now.
    MealSumDayFilter filter() const;
    void setOneRecord(bool one);
    void setKind(int kind);
    // Chooses the dining room by number; false when the list has no such room.
    bool setDinRoom(const QString& dinRoomId);

protected:
    void showEvent(QShowEvent* event) override;
    void columnsKnown(QObject* sender) override;
    std::optional<DrillTarget> drillTarget(const DrillCell& cell) override;

private:
    void fillLists();

    QCheckBox* cbone = nullptr;
    QComboBox* cbkind = nullptr;
    QComboBox* dbdinroom = nullptr;
    bool m_listsFilled = false;
    QVector<MealPeriodColumn> m_periods;
    MealSumDayFilter m_loaded; // the filter the rows shown were read with
};
