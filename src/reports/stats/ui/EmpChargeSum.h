#pragma once
// TfrmEmpChargeSum ("个人充值统计"): each employee's recharges of a date
// range totalled by kind; a double-click on a sum opens its recharges.
#include "framework/ui/DptRecordBaseClass.h"
#include "reports/stats/PersonalRechargeQuery.h"

class TfrmEmpChargeSum : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmEmpChargeSum(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
    void drillDown(const QString& fieldName);

private:
    PersonalRechargeFilter m_filter;
    bool m_drill = false;
};
