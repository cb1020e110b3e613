#pragma once
// TfrmFullBakRecords ("充值异常记录"): the recharges that failed to book, kept
// in the backup table, with "恢复", which books the selected one.
#include "framework/ui/DptRecordBaseClass.h"

class TfrmFullBakRecords : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmFullBakRecords(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
    // "恢复": moves the current backup row into the recharge records and reopens the list.
    void actToChargeRecordsExecute();
    QLineEdit* cardEdit() const { return edtCard_id; }
    QAction* restoreAction() const { return _actToChargeRecords; }

private:
    QLineEdit* edtCard_id = nullptr;
    QAction* _actToChargeRecords = nullptr;
};
