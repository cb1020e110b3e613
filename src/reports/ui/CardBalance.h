#pragma once
// TfrmCardBalance ("卡余额表"): the card balances of the issued current or
// departed employees ("档案类型") by employee, name, department and card
// number. No period.
#include "reports/ui/RecordReportWindow.h"

class QComboBox;

class TfrmCardBalance : public RecordReportWindow {
    Q_OBJECT
public:
    explicit TfrmCardBalance(ModuleContext& context, QWidget* parent = nullptr);

    QComboBox* recordTypeBox() const { return cbType; }
    void BuildWhere(QObject* sender, QString& sql) override;

private:
    QComboBox* cbType = nullptr;
};
