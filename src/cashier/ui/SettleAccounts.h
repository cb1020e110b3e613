#pragma once
// TfrmSettleAccounts ("本系统运行结算凭证"): the settlement vouchers. Created
// from one second after the latest voucher's end, regenerated in place,
// deleted behind isCanDel.
#include "cashier/SettleVoucher.h"
#include "cashier/ui/CashierDocumentWindow.h"

class TfrmSettleAccounts : public CashierDocumentWindow {
    Q_OBJECT
public:
    explicit TfrmSettleAccounts(ModuleContext& context, QWidget* parent = nullptr);
    void actDataInsertExecute() override;
    void actDataDeleteExecute() override;
    void regenerate();

protected:
    QString listStatement(QVariantMap* params) const override;
    PrintedDocument documentFor(const QString& number) override;
    const QHash<QString, QString>& labels() const override { return SettleVoucher::fieldLabels(); }

private:
    SettleVoucher m_voucher;
};
