#pragma once
// TfrmExceptRecords ("异常明细表"): records of foreign cards, of lost cards
// used after their replacement and of cards used before their date, with the
// repair command that opens the duplicate mover on the selected record.
#include "framework/ui/DptRecordBaseClass.h"

class QComboBox;
struct RepairRow;

class TfrmExceptRecords : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmExceptRecords(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
    // The repair command: asks the administrator's password, then opens the
    // duplicate mover on the current row. False when refused or without a row.
    bool NExceptionRecoundClick();
    QComboBox* typeCombo() const { return cbkind; }
    QLineEdit* cardEdit() const { return edtCard_id; }
    QAction* repairAction() const { return NExceptionRecound; }

private:
    QComboBox* cbkind = nullptr;
    QLineEdit* edtCard_id = nullptr;
    QAction* NExceptionRecound = nullptr;
};
