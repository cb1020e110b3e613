#include "reports/ui/Refund.h"

#include "framework/ModuleContext.h"
#include "reports/RefundQuery.h"

TfrmRefund::TfrmRefund(ModuleContext& context, QWidget* parent)
    : RecordReportWindow(context, QStringLiteral("退款明细表"), QStringLiteral("frmRefund"),
                         QStringLiteral("dsRefund"), parent) {
    sqlTemplate = RefundQuery::baseStatement(context.session.dialect());
    addCardSearch();
}

void TfrmRefund::BuildWhere(QObject* sender, QString& sql) {
    sql = RefundQuery::statement(recordFilter(sender), context().session);
    printCaption = RecordReportQuery::periodCaption(QStringLiteral("时间"), periodBegin(), periodEnd(),
                                                    QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
