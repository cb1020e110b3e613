#include "dailystats/ui/MealSumDaySec.h"

#include "dailystats/DailyCharts.h"
#include "dailystats/MealSumDaySecQuery.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"

TfrmMealSumDaySec::TfrmMealSumDaySec(ModuleContext& context, QWidget* parent)
    : DailySumsWindow(context, QStringLiteral("充值消费汇总表"),
                      QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1), parent) {
    setObjectName(QStringLiteral("frmMealSumDaySec"));
    ownDataSet(MealSumDaySecQuery::dataSetName());
    addChart(DailyCharts::mealSumDaySec());
}

void TfrmMealSumDaySec::QueryData(QObject* sender) {
    const DayRange days = range();
    const QString sql = MealSumDaySecQuery::statement(days, context().session.dialect());
    notePeriod();
    loadRows(sql, DailySums::dayParameters(days), sender);
}

void TfrmMealSumDaySec::columnsKnown(QObject* /*sender*/) {
    DataSet& ds = *dataSet();
    for (int i = 0; i < ds.fieldCount(); ++i) {
        Field* f = ds.field(i);
        const QString caption = MealSumDaySecQuery::caption(f->fieldName());
        if (!caption.isEmpty())
            f->setDisplayLabel(caption);
    }
    // The balance is a state, not a movement: no sum under it.
    if (Field* balance = ds.findField(QStringLiteral("card_balance")))
        balance->setTag(MealDataModule::NoSumTag);
}

std::optional<DrillTarget> TfrmMealSumDaySec::drillTarget(const DrillCell& cell) {
    return DailySumsDrill::mealSumDaySec(cell);
}
