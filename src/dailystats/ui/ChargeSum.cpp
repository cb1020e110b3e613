#include "dailystats/ui/ChargeSum.h"

#include "dailystats/DailyCharts.h"
#include "framework/ModuleContext.h"

#include <QCheckBox>

TfrmChargeSum::TfrmChargeSum(ModuleContext& context, QWidget* parent)
    : DailySumsWindow(context, QStringLiteral("每日充值汇总表"),
                      QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1), parent) {
    setObjectName(QStringLiteral("frmChargeSum"));
    ownDataSet(ChargeSumQuery::dataSetName(ChargeSumFilter::Form::PerDay));
    cbone = new QCheckBox(QStringLiteral("汇总成一条记录"), plKey);
    cbone->setObjectName(QStringLiteral("cbone"));
    cboper = new QCheckBox(QStringLiteral("分操作员汇总"), plKey);
    cboper->setObjectName(QStringLiteral("cboper"));
    addSearchControl(QString(), cbone);
    addSearchControl(QString(), cboper);
    connect(cbone, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            cboper->setChecked(false);
    });
    connect(cboper, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            cbone->setChecked(false);
    });
    addChart(DailyCharts::chargeSum());
}

ChargeSumFilter::Form TfrmChargeSum::form() const {
    if (cbone->isChecked())
        return ChargeSumFilter::Form::OneRecord;
    return cboper->isChecked() ? ChargeSumFilter::Form::PerOperator : ChargeSumFilter::Form::PerDay;
}

void TfrmChargeSum::QueryData(QObject* sender) {
    ChargeSumFilter f;
    f.range = range();
    f.form = form();
    const QString sql = ChargeSumQuery::statement(f, context().session.dialect());
    // Each form has its data set definition (captions) and its stored layout.
    dataSet()->setObjectName(ChargeSumQuery::dataSetName(f.form));
    notePeriod();
    loadRows(sql, DailySums::dayParameters(f.range), sender);
}

void TfrmChargeSum::columnsKnown(QObject* /*sender*/) {
    for (const QString& name : ChargeSumQuery::hiddenFields(context().session.ModuleOptions()))
        if (Field* f = dataSet()->findField(name))
            f->setVisible(false);
}

std::optional<DrillTarget> TfrmChargeSum::drillTarget(const DrillCell& cell) {
    return DailySumsDrill::chargeSum(cell);
}
