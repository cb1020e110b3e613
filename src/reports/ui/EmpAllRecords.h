#pragma once
// TfrmEmpAllRecords ("个人明细查询"): a person's consumptions, recharges and
// allowances of a period in one list, coloured by kind with a legend, with a
// dining-room/terminal tree beside the department tree.
#include "framework/ui/DptRecordBaseClass.h"

class QTreeWidget;
class QTreeWidgetItem;

class TfrmEmpAllRecords : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmEmpAllRecords(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
    void BeforeQuery() override;
    QLineEdit* cardEdit() const { return edtCard_id; }
    // The background of a row by its kind.
    QColor rowColor(int position) const;
    static const QColor ConsumptionColor; // sky blue
    static const QColor CreditedColor;    // money green
    static const QColor NotCreditedColor; // aqua

private:
    void tvclockChange(QTreeWidgetItem* node);

    QLineEdit* edtCard_id = nullptr;
    QWidget* TabSheet2 = nullptr;
    QTreeWidget* tvclock = nullptr;
    QVector<qint64> m_clickedTerminals;
};
