#include "cashier/ui/SettleAccounts.h"

#include "cashier/CashierDocuments.h"
#include "framework/ModuleContext.h"
#include "monthly/ui/SelectMonth.h"
#include "util/Prompter.h"

#include <QAction>

TfrmSettleAccounts::TfrmSettleAccounts(ModuleContext& context, QWidget* parent)
    : CashierDocumentWindow(context, QStringLiteral("本系统运行结算凭证"), parent),
      m_voucher(context.session) {
    setObjectName(QStringLiteral("TfrmSettleAccounts"));
    ownDataSet(QStringLiteral("dsSettleStatistic"));
    actDataInsert->setText(QStringLiteral("创建结算凭证"));
    actPost->setText(QStringLiteral("漏帐入账"));
    connect(actPost, &QAction::triggered, this, [this] { regenerate(); });
}

QString TfrmSettleAccounts::listStatement(QVariantMap* /*params*/) const {
    return SettleVoucher::listStatement();
}

PrintedDocument TfrmSettleAccounts::documentFor(const QString& number) {
    const std::optional<SettleHead> head = m_voucher.head(number);
    if (!head)
        return {};
    return CashierDocuments::voucher(CashierDocuments::siteOf(context().session), *head,
                                     m_voucher.lines(number), QDate::currentDate());
}

void TfrmSettleAccounts::actDataInsertExecute() {
    if (!(Tag() & 1) && !isAdmin()) {
        prompter().information(QStringLiteral("只有管理员有权限新增收支报表!"));
        return;
    }
    guarded([this] {
        TFrmSelectTimeZ* dialog = periodDialog(m_voucher.nextStart(), true);
        if (dialog->exec() != QDialog::Accepted)
            return;
        const QString number = dialog->label();
        m_voucher.create(number, dialog->startDateTime(), dialog->endDateTime(), Tag());
        writeLog(QStringLiteral("创建结算凭证 %1").arg(number));
        reload(number);
    });
}

void TfrmSettleAccounts::regenerate() {
    const QString number = currentNumber();
    if (number.isEmpty())
        return;
    if (!prompter().confirm(QStringLiteral("确定重新生成“%1”账单编号?").arg(number)))
        return;
    guarded([&] {
        m_voucher.regenerate(number);
        writeLog(QStringLiteral("重新生成结算凭证 %1").arg(number));
        reload(number);
    });
}

void TfrmSettleAccounts::actDataDeleteExecute() {
    deleteCurrent([this](const QString& number) { m_voucher.remove(number); },
                  QStringLiteral("删除结算凭证 %1"));
}
