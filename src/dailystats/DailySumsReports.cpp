#include "dailystats/DailySumsReports.h"

#include "dailystats/ChargeSumQuery.h"
#include "dailystats/DailyCharts.h"
#include "dailystats/MealSumDayQuery.h"
#include "dailystats/MealSumDaySecQuery.h"
#include "dataset/DataSet.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "db/Session.h"
#include "framework/DataSetBinding.h"
#include "framework/DepartmentFilter.h"
#include "reports/ReportParts.h"

using namespace ReportParts;

namespace {

QVector<ReportOption> periodOptions() {
    return {option("from", "yyyy-MM-dd", "first day"),
            option("to", "yyyy-MM-dd", "last day (default: today)"),
            option("chart", "FILE.png|FILE.pdf", "also draw the window's chart into FILE")};
}

} // namespace

namespace DailySumsReports {

DayRange range(const ReportArguments& args, int daysBack) {
    const QDate today = QDate::currentDate();
    DayRange r{daysBack < 0 ? QDate(today.year(), today.month(), 1) : today.addDays(-daysBack), today};
    if (args.has(QStringLiteral("from")))
        r.begin = args.dateTime(QStringLiteral("from"), false).date();
    if (args.has(QStringLiteral("to")))
        r.end = args.dateTime(QStringLiteral("to"), true).date();
    return r;
}

int kindOf(const QString& text, int moduleOptions) {
    const QStringList items = MealSumDayQuery::kindItems(moduleOptions);
    const int named = int(items.indexOf(text.trimmed()));
    if (named >= 0)
        return named;
    return int(SqlDialect::toInteger(text, 0, items.size() - 1, QStringLiteral("--kind")));
}

} // namespace DailySumsReports

ReportDefinition chargeSumReport() {
    QVector<ReportOption> options = periodOptions();
    options << option("one", "", "one record for the whole period (汇总成一条记录)")
            << option("per-operator", "", "per day and operator (分操作员汇总)");
    return definition("ActChargeSumDay", "每日充值汇总表: recharges, card costs and refunds per day", options,
                      [](const ReportArguments& args, const Session& session) {
                          ChargeSumFilter f;
                          f.range = DailySumsReports::range(args, -1);
                          const bool one = args.has(QStringLiteral("one"));
                          const bool perOperator = args.has(QStringLiteral("per-operator"));
                          if (one && perOperator)
                              throw DbError(QStringLiteral("--one 与 --per-operator 只能选一个"));
                          f.form = one           ? ChargeSumFilter::Form::OneRecord
                                   : perOperator ? ChargeSumFilter::Form::PerOperator
                                                 : ChargeSumFilter::Form::PerDay;
                          ReportStatement s =
                              rows(ChargeSumQuery::dataSetName(f.form),
                                   ChargeSumQuery::statement(f, session.dialect()),
                                   DailySums::dayParameters(f.range), DailyCharts::chargeSum());
                          const QStringList hidden = ChargeSumQuery::hiddenFields(session.ModuleOptions());
                          const QString name = s.dataSetName;
                          s.prepareFields = [hidden, name](DataSet& ds) {
                              const MealDataModule module;
                              applyDataSetDefinition(ds, module, name);
                              for (const QString& h : hidden)
                                  if (Field* field = ds.findField(h))
                                      field->setVisible(false);
                          };
                          return s;
                      });
}

ReportDefinition mealSumDayReport() {
    QVector<ReportOption> options = periodOptions();
    options << option("one", "", "one record for the whole period (汇总成一条)")
            << option("kind", "N|TEXT",
                      "consumption type: 0 金额消费 1 计次消费 2 记帐消费 3 纠错 4 全部 (default)")
            << option("dinroom", "ID", "dining room number (default: all, or the user's own)");
    return definition(
        "ActMealSumDay", "每日消费汇总: meals and amounts per meal period and day", options,
        [](const ReportArguments& args, const Session& session) {
            MealSumDayFilter f;
            f.range = DailySumsReports::range(args, 3);
            f.oneRecord = args.has(QStringLiteral("one"));
            if (args.has(QStringLiteral("kind")))
                f.kind = DailySumsReports::kindOf(args.text(QStringLiteral("kind")), session.ModuleOptions());
            f.dinRoom = args.has(QStringLiteral("dinroom"))        ? args.text(QStringLiteral("dinroom"))
                        : CompanySwitch::diningRoomRights(session) ? session.UserDinRoom
                                                                   : QString();
            f.departmentRights = DepartmentFilter::rightsApply(session);
            if (f.departmentRights)
                f.userDepartments = UserDepartments(session);
            ReportStatement s = rows(MealSumDayQuery::dataSetName(f.oneRecord),
                                     MealSumDayQuery::statement(f, session.dialect()),
                                     DailySums::dayParameters(f.range), DailyCharts::mealSumDay());
            const QVector<MealPeriodColumn> periods =
                MealSumDayQuery::periodColumns(MealSumDayQuery::readPeriods(session));
            s.prepareFields = [periods](DataSet& ds) { MealSumDayQuery::applyCaptions(ds, periods); };
            return s;
        });
}

ReportDefinition mealSumDaySecReport() {
    return definition(
        "ActMealSumDaySec", "充值消费汇总表: recharges, consumptions and the card balance per day",
        periodOptions(), [](const ReportArguments& args, const Session& session) {
            const DayRange range = DailySumsReports::range(args, -1);
            ReportStatement s = rows(MealSumDaySecQuery::dataSetName(),
                                     MealSumDaySecQuery::statement(range, session.dialect()),
                                     DailySums::dayParameters(range), DailyCharts::mealSumDaySec());
            s.prepareFields = [](DataSet& ds) {
                for (int i = 0; i < ds.fieldCount(); ++i) {
                    Field* f = ds.field(i);
                    f->setDisplayLabel(MealSumDaySecQuery::caption(f->fieldName()));
                    if (f->fieldName() != QLatin1String("op_ymd"))
                        f->setDisplayFormat(QStringLiteral("￥0.00"));
                }
            };
            return s;
        });
}

ReportDefinition dinRoomSumReport() {
    return definition(
        "ActDinRoomSum", "餐厅统计表: the dining rooms", {}, [](const ReportArguments&, const Session&) {
            return rows(QStringLiteral("dsDinRoom"),
                        QStringLiteral("select DinRoom_id, DinRoom_name from DinRoom order by DinRoom_id"),
                        {});
        });
}
