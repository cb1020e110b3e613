#pragma once
// TfrmAllowanceRecords ("补贴登记"): the registered allowances of a period by
// the date chosen in "timetype" (entered, taken, valid until). Insert opens
// the issue window, edit the amount dialog (refused once an allowance is
// taken or sent), delete removes allowances not yet sent; the import button
// opens the import dialog and "读取补贴信息" the terminals' read-back window.
#include "framework/ui/DptRecordBaseClass.h"
#include "framework/ui/RecordInputClass.h"

class QComboBox;
class QDateTimeEdit;

class TfrmAllowanceRecords : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmAllowanceRecords(ModuleContext& context, QWidget* parent = nullptr);

    void QueryData(QObject* sender) override;
    bool ShowRecordDialog() override;
    void actDataInsertExecute() override;
    void actDataDeleteExecute() override;

    // For tests: the date the period applies to (0 entered, 1 taken, 2 valid).
    QComboBox* dateKindBox() const { return timetype; }

protected:
    void columnsKnown(QObject* sender) override;

private:
    void openImport();
    void openReadBack();

    QComboBox* timetype = nullptr;
};

// TfrmAllowDlg ("修改补贴金额"): the amount and valid date of the list's
// current allowance; an amount above the company's maximum card balance
// keeps the dialog open.
class TfrmAllowDlg : public TfrmRecordInputClass {
    Q_OBJECT
public:
    explicit TfrmAllowDlg(TfrmRecordBaseClass& owner);
    void btnOKClick() override;

    QLineEdit* depositEdit() const { return edtDeposit; }

private:
    QLineEdit* edtDeposit = nullptr;
    QDateTimeEdit* dtpAllowDate = nullptr;
};
