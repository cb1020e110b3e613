#pragma once
// TfrmMealSumDaySec ("充值消费汇总表"): per day the card costs, fees,
// recharges, consumptions and refunds, and the balance of all cards at the
// end of the day; a chart of the money per day beside the grid.
#include "dailystats/ui/DailySumsWindow.h"

class TfrmMealSumDaySec : public DailySumsWindow {
    Q_OBJECT
public:
    explicit TfrmMealSumDaySec(ModuleContext& context, QWidget* parent = nullptr);
    void QueryData(QObject* sender) override;

protected:
    void columnsKnown(QObject* sender) override;
    std::optional<DrillTarget> drillTarget(const DrillCell& cell) override;
};
