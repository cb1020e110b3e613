#pragma once
// TfrmCardCenterStatistic ("出纳统计账管理"): the cashier bill book. New bills
// (administrators), late records posted into a bill, deletion behind isCanDel;
// a bill previewed in total or per operator.
#include "cashier/CashierBillBook.h"
#include "cashier/ui/CashierDocumentWindow.h"

class QCheckBox;

class TfrmCardCenterStatistic : public CashierDocumentWindow {
    Q_OBJECT
public:
    explicit TfrmCardCenterStatistic(ModuleContext& context, QWidget* parent = nullptr);
    void actDataInsertExecute() override;
    void actDataDeleteExecute() override;
    void postMissed();

protected:
    QString listStatement(QVariantMap* params) const override;
    PrintedDocument documentFor(const QString& number) override;
    const QHash<QString, QString>& labels() const override { return CashierBillBook::fieldLabels(); }

private:
    CashierBillBook m_book;
    QCheckBox* CheckBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QString m_operatorsOf;
};
