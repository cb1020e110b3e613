#pragma once
// TfrmMCardcost ("押金明细表"): the card deposits and fees of a period by
// employee, name, department and card number.
#include "reports/ui/RecordReportWindow.h"

class TfrmMCardcost : public RecordReportWindow {
    Q_OBJECT
public:
    explicit TfrmMCardcost(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
};
