#pragma once
// TfrmChargeSum ("每日充值汇总表"): recharges, card costs and refunds per day,
// as one record for the period, or per day and operator; a chart of the
// money per day beside the grid.
#include "dailystats/ChargeSumQuery.h"
#include "dailystats/ui/DailySumsWindow.h"

class QCheckBox;

class TfrmChargeSum : public DailySumsWindow {
    Q_OBJECT
public:
    explicit TfrmChargeSum(ModuleContext& context, QWidget* parent = nullptr);

    void QueryData(QObject* sender) override;
    ChargeSumFilter::Form form() const;
    // "汇总成一条记录" and "分操作员汇总": ticking one clears the other.
    QCheckBox* oneRecordBox() const { return cbone; }
    QCheckBox* perOperatorBox() const { return cboper; }

protected:
    void columnsKnown(QObject* sender) override;
    std::optional<DrillTarget> drillTarget(const DrillCell& cell) override;

private:
    QCheckBox* cbone = nullptr;
    QCheckBox* cboper = nullptr;
};
