#pragma once
// TfrmEmpDinlev ("个人餐别统计"): meal-period counts and amounts per employee and card.
#include "reports/stats/ui/MealLevelWindow.h"

class TfrmEmpDinlev : public MealLevelWindow {
    Q_OBJECT
public:
    explicit TfrmEmpDinlev(ModuleContext& context, QWidget* parent = nullptr);

protected:
    MealLevelQuery::DrillKey drillKey() const override;
    QString drillTitle(const MealLevelQuery::DrillKey& key) const override;
};
