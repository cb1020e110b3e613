#include "reports/ui/MCardcost.h"

#include "framework/ModuleContext.h"
#include "reports/CardCostQuery.h"

TfrmMCardcost::TfrmMCardcost(ModuleContext& context, QWidget* parent)
    : RecordReportWindow(context, QStringLiteral("押金明细表"), QStringLiteral("frmMCardcost"),
                         QStringLiteral("dsCardCost"), parent) {
    sqlTemplate = CardCostQuery::baseStatement();
    addCardSearch();
}

void TfrmMCardcost::BuildWhere(QObject* sender, QString& sql) {
    sql = CardCostQuery::statement(recordFilter(sender), context().session);
    printCaption = RecordReportQuery::periodCaption(QStringLiteral("日期"), periodBegin(), periodEnd());
}
