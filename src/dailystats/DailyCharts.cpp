#include "dailystats/DailyCharts.h"

#include "dailystats/ChargeSumQuery.h"
#include "dailystats/MealSumDaySecQuery.h"

namespace DailyCharts {

ChartSpec chargeSum() {
    ChartSpec spec;
    spec.type = ChartSpec::Type::Lines;
    spec.title = QStringLiteral("每日充值汇总");
    spec.categoryFields = {QStringLiteral("op_ymd"), QStringLiteral("opcard_id")};
    spec.valueFields = ChargeSumQuery::moneyFields();
    spec.valueTitle = QStringLiteral("金额");
    return spec;
}

ChartSpec mealSumDay() {
    ChartSpec spec;
    spec.type = ChartSpec::Type::StackedBars;
    spec.title = QStringLiteral("每日消费汇总");
    spec.categoryFields = {QStringLiteral("op_ymd")};
    for (const char* prefix : {"One", "Two", "Three", "Four", "Five", "Six", "Seveen", "Eight", "Nine"})
        spec.valueFields << QString::fromLatin1(prefix) + QStringLiteral("Count");
    spec.valueTitle = QStringLiteral("次数");
    return spec;
}

ChartSpec mealSumDaySec() {
    ChartSpec spec;
    spec.type = ChartSpec::Type::Lines;
    spec.title = QStringLiteral("充值消费汇总");
    spec.categoryFields = {QStringLiteral("op_ymd")};
    spec.valueFields = MealSumDaySecQuery::moneyFields();
    spec.valueFields.removeAll(QStringLiteral("card_balance"));
    spec.valueTitle = QStringLiteral("金额");
    return spec;
}

} // namespace DailyCharts
