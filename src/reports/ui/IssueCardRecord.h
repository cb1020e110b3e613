#pragma once
// TfrmIssueCardRecord ("发卡明细"): the cards issued in a period with their
// first recharge, card type, deposit and fee, by employee, name, department
// and card number.
#include "reports/ui/RecordReportWindow.h"

class TfrmIssueCardRecord : public RecordReportWindow {
    Q_OBJECT
public:
    explicit TfrmIssueCardRecord(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
};
