#pragma once
// TfrmPersonAccount ("个人汇总资料"): every employee's account reconciled,
// what came in against what went out with the difference; "显示明细记录"
// lists the current employee's transactions.
#include "framework/ui/DptRecordBaseClass.h"

class QComboBox;

class TfrmPersonAccount : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmPersonAccount(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
    QComboBox* typeCombo() const { return cbtype; }
    // "显示明细记录": the current employee's transactions in TFrmAllDetailRecords.
    void N1Click();

protected:
    void columnsKnown(QObject* sender) override;

private:
    QComboBox* cbtype = nullptr;
    QAction* N1 = nullptr;
};
