#include "reports/ReportRegistry.h"

#include "dailystats/DailySumsReports.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "framework/DepartmentFilter.h"
#include "reports/MealRecordsReport.h"
#include "reports/RecordFamilyReports.h"
#include "reports/RecordReports.h"
#include "reports/stats/StatisticsReports.h"

QDateTime ReportArguments::dateTime(const QString& name, bool endOfDay) const {
    const QString t = text(name).trimmed();
    QDateTime value = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!value.isValid()) {
        const QDate day = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
        if (day.isValid())
            value = QDateTime(day, endOfDay ? QTime(23, 59, 59) : QTime(0, 0));
    }
    if (!value.isValid())
        throw DbError(QStringLiteral("--%1: 日期无效: %2 (yyyy-MM-dd 或 yyyy-MM-dd HH:mm:ss)").arg(name, t));
    return value;
}

ReportArguments::Period ReportArguments::period() const {
    const QDate today = QDate::currentDate();
    return {has(QStringLiteral("from")) ? dateTime(QStringLiteral("from"), false)
                                        : QDateTime(today, QTime(0, 0)),
            has(QStringLiteral("to")) ? dateTime(QStringLiteral("to"), true)
                                      : QDateTime(today, QTime(23, 59, 59))};
}

DptWhereInput ReportArguments::departmentInput(const Session& session) const {
    DptWhereInput in;
    if (has(QStringLiteral("dept"))) {
        in.departmentSelected = true;
        in.departmentNo = text(QStringLiteral("dept")).trimmed();
    }
    in.departmentRights = DepartmentFilter::rightsApply(session);
    if (in.departmentRights)
        in.userDepartments = UserDepartments(session);
    return in;
}

namespace ReportRegistry {

const QVector<ReportDefinition>& reports() {
    static const QVector<ReportDefinition> all = {
        mealRecordsReport(),        chargeRecordsReport(), refundReport(),
        cardBalanceReport(),        cardCostReport(),      issueCardRecordReport(),
        lossCardMealRecordReport(), fullBakReport(),       empAllRecordsReport(),
        exceptRecordsReport(),      journalReport(),       empDinLevReport(),
        departDinLevReport(),       clockDinlevReport(),   empChargeSumReport(),
        hsRecordsReport(),          personAccountReport(), allowanceRecordsReport(),
        chargeSumReport(),          mealSumDayReport(),    mealSumDaySecReport(),
        dinRoomSumReport(),
    };
    return all;
}

const ReportDefinition* find(const QString& actionName) {
    for (const ReportDefinition& r : reports())
        if (r.actionName.compare(actionName, Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

} // namespace ReportRegistry
