#include "reports/ui/LossCardMealRecord.h"

#include "framework/ModuleContext.h"
#include "reports/LossCardMealRecordQuery.h"

TfrmLossCardMealRecord::TfrmLossCardMealRecord(ModuleContext& context, QWidget* parent)
    : RecordReportWindow(context, QStringLiteral("挂失卡消费明细"), QStringLiteral("frmLossCardMealRecord"),
                         QStringLiteral("dsLossCardMealRecord"), parent) {
    sqlTemplate = LossCardMealRecordQuery::baseStatement();
    columnPrefix = QStringLiteral("a.");
    showDateRange(false);
}

void TfrmLossCardMealRecord::BuildWhere(QObject* sender, QString& sql) {
    sql = LossCardMealRecordQuery::statement(whereInput(sender), context().session);
}
