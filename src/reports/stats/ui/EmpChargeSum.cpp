#include "reports/stats/ui/EmpChargeSum.h"

#include "dataset/Field.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/ModuleContext.h"
#include "reports/stats/ui/CellDrillDown.h"
#include "reports/ui/AllRecordsUnt.h"

#include <QDateTimeEdit>
#include <QLabel>

TfrmEmpChargeSum::TfrmEmpChargeSum(ModuleContext& context, QWidget* parent)
    : TfrmDptRecordBaseClass(context, QStringLiteral("个人充值统计"), parent) {
    setObjectName(QStringLiteral("frmEmpChargeSum"));
    setAttribute(Qt::WA_DeleteOnClose);
    ownDataSet(QStringLiteral("dsMChargeSum"));
    readOnlyWindow = true;
    lbKey->setText(QStringLiteral("工号查询"));
    showDateRange(true);
    showNameSearch(true);
    for (QDateTimeEdit* e : {dtp_begin, dtp_end})
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    const QDate today = QDate::currentDate();
    setPeriod(QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)),
              QDateTime(today, QTime(23, 59, 59)));
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    m_drill = enableCellDrillDown(dgTable, context.session, [this](int, int) {
        if (const Field* f = dgTable->selectedField())
            drillDown(f->fieldName());
    });
}

void TfrmEmpChargeSum::BuildWhere(QObject* sender, QString& sql) {
    PersonalRechargeFilter f;
    f.begin = dtp_begin->date();
    f.end = dtp_end->date();
    f.department = whereInput(sender);
    sql = PersonalRechargeQuery::statement(f, context().session);
    m_filter = f;
    const QString day = QStringLiteral("yyyy-MM-dd");
    printCaption = QStringLiteral("日期: (%1 至 %2)").arg(f.begin.toString(day), f.end.toString(day));
}

void TfrmEmpChargeSum::drillDown(const QString& fieldName) {
    if (!m_drill || !dataSet() || dataSet()->isEmpty() || isLoading())
        return;
    guarded([&] {
        const DataSet& ds = *dataSet();
        const QString emp = ds.fieldByName(QStringLiteral("emp_id")).asString();
        const Field& dept = ds.fieldByName(QStringLiteral("deptno"));
        const JournalConditions c = PersonalRechargeQuery::drillConditions(
            m_filter, fieldName, emp, dept.isNull() ? QString() : dept.asString());
        TFrmAllRecordsUnt::open(context())->showPage(JournalPage::Recharge, c,
                                                     QStringLiteral("工号：") + emp);
    });
}
