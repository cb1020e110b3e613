#pragma once
// TfrmRefund ("退款明细表"): the refunds of a period by employee, name,
// department and card number.
#include "reports/ui/RecordReportWindow.h"

class TfrmRefund : public RecordReportWindow {
    Q_OBJECT
public:
    explicit TfrmRefund(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
};
