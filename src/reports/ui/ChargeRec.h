#pragma once
// TfrmChargeRec ("充值明细"): the recharges of a period by type (the list
// follows the module's feature bits; the choice is kept in Daybook.ini),
// employee, name, department and card number.
#include "reports/ChargeRecQuery.h"
#include "reports/ui/RecordReportWindow.h"

class QComboBox;

class TfrmChargeRec : public RecordReportWindow {
    Q_OBJECT
public:
    explicit TfrmChargeRec(ModuleContext& context, QWidget* parent = nullptr);

    QComboBox* kindBox() const { return cbkind; }
    void BuildWhere(QObject* sender, QString& sql) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QComboBox* cbkind = nullptr;
    QVector<ChargeKindItem> m_kinds;
    bool m_kindRestored = false;
};
