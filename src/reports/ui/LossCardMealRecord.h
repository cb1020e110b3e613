#pragma once
// TfrmLossCardMealRecord ("挂失卡消费明细"): the consumptions made on a
// replaced card after its replacement, by employee, name and department.
// No period.
#include "reports/ui/RecordReportWindow.h"

class TfrmLossCardMealRecord : public RecordReportWindow {
    Q_OBJECT
public:
    explicit TfrmLossCardMealRecord(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
};
