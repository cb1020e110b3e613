#pragma once
// TfrmDepartDinLev ("部门餐别统计"): meal-period counts and amounts per department.
#include "reports/stats/ui/MealLevelWindow.h"

class TfrmDepartDinLev : public MealLevelWindow {
    Q_OBJECT
public:
    explicit TfrmDepartDinLev(ModuleContext& context, QWidget* parent = nullptr);

protected:
    MealLevelQuery::DrillKey drillKey() const override;
    QString drillTitle(const MealLevelQuery::DrillKey& key) const override;
};
