#include "reports/ui/IssueCardRecord.h"

#include "framework/ModuleContext.h"
#include "reports/IssueCardRecordQuery.h"

TfrmIssueCardRecord::TfrmIssueCardRecord(ModuleContext& context, QWidget* parent)
    : RecordReportWindow(context, QStringLiteral("发卡明细"), QStringLiteral("frmIssueCardRecord"),
                         QStringLiteral("dsIssueCardRecord"), parent) {
    addCardSearch();
}

void TfrmIssueCardRecord::BuildWhere(QObject* sender, QString& sql) {
    IssueCardRecordFilter f;
    f.records = recordFilter(sender);
    f.begin = periodBegin();
    f.end = periodEnd();
    sql = IssueCardRecordQuery::statement(f, context().session);
    printCaption = RecordReportQuery::periodCaption(QStringLiteral("日期"), f.begin, f.end);
}
