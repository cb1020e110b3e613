#include "dailystats/DailyCharts.h"

#include "dailystats/ChargeSumQuery.h"
#include "dailystats/MealSumDaySecQuery.h"

namespace DailyCharts {

ChartSpec chargeSum() {
    ChartSpec description;
    description.type = ChartSpec::Type::Lines;
    description.title = QStringLiteral("每日充值汇总");
    description.categoryFields = {QStringLiteral("op_ymd"), QStringLiteral("opcard_id")};
    description.valueFields = ChargeSumQuery::moneyFields();
    description.valueTitle = QStringLiteral("金额");
    return description;
}

ChartSpec mealSumDay() {
    ChartSpec description;
    description.type = ChartSpec::Type::StackedBars;
    description.title = QStringLiteral("每日消费汇总");
    description.categoryFields = {QStringLiteral("op_ymd")};
    for (const char* prefix : {"One", "Two", "Three", "Four", "Five", "Six", "Seveen", "Eight", "Nine"})
        description.valueFields << QString::fromLatin1(prefix) + QStringLiteral("Count");
    description.valueTitle = QStringLiteral("次数");
    return description;
}

ChartSpec mealSumDaySec() {
    ChartSpec description;
    description.type = ChartSpec::Type::Lines;
    description.title = QStringLiteral("充值消费汇总");
    description.categoryFields = {QStringLiteral("op_ymd")};
    description.valueFields = MealSumDaySecQuery::moneyFields();
    description.valueFields.removeAll(QStringLiteral("card_balance"));
    description.valueTitle = QStringLiteral("金额");
    return description;
}

} // namespace DailyCharts
