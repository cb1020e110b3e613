#include "reports/stats/StatisticsReports.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "db/Session.h"
#include "framework/DataSetBinding.h"
#include "framework/DepartmentFilter.h"
#include "reports/ReportParts.h"
#include "reports/stats/GoodsSalesQuery.h"
#include "reports/stats/MealLevelQuery.h"
#include "reports/stats/PersonAccountQuery.h"
#include "reports/stats/PersonalRechargeQuery.h"

#include <memory>

using namespace ReportParts;

namespace {

QVector<ReportOption> period() {
    return {option("from", "yyyy-MM-dd", "first day (default: today)"),
            option("to", "yyyy-MM-dd", "last day (default: today)")};
}

QString dinRoom(const Session& session) {
    return CompanySwitch::diningRoomRights(session) ? session.UserDinRoom : QString();
}

ReportDefinition mealLevelReport(const char* action, const char* summary, MealLevelGrouping grouping,
                                 const char* dataSetName) {
    QVector<ReportOption> options = period();
    options << option("kind", "0-4", "0 金额消费 1 计次消费 2 记帐消费 3 纠错/补单(/清零) 4 全部 (default)");
    if (grouping == MealLevelGrouping::Terminal)
        options << option("clock", "N[,N...]", "terminal numbers") << option("name", "NAME", "terminal name");
    else
        options << option("emp", grouping == MealLevelGrouping::Employee ? "ID" : "CODE",
                          grouping == MealLevelGrouping::Employee ? "employee number" : "department code")
                << option("name", "NAME",
                          grouping == MealLevelGrouping::Employee ? "employee name" : "department name")
                << deptOption();
    const QString name = QLatin1String(dataSetName);
    return definition(
        action, summary, options, [grouping, name](const ReportArguments& args, const Session& session) {
            const ReportArguments::Period p = args.period();
            MealLevelFilter f;
            f.grouping = grouping;
            f.begin = p.begin.date();
            f.end = p.end.date();
            if (args.has(QStringLiteral("kind")))
                f.typeIndex = int(SqlDialect::toInteger(args.text(QStringLiteral("kind")), 0,
                                                        MealLevelQuery::AllTypes, QStringLiteral("--kind")));
            f.dinRoom = dinRoom(session);
            const DptWhereInput in = searchedDepartment(args, session);
            f.fromSearch = in.fromSearchButton || args.has(QStringLiteral("clock"));
            f.keyText = in.keyText;
            if (grouping == MealLevelGrouping::Terminal && args.has(QStringLiteral("clock"))) {
                f.keyText = args.text(QStringLiteral("clock"));
                MealLevelQuery::terminalList(f.keyText); // an empty or mistyped list is refused
            }
            f.nameText = in.nameText;
            f.departmentSelected = grouping != MealLevelGrouping::Terminal && in.departmentSelected;
            f.departmentNo = in.departmentNo;
            f.departmentRights = in.departmentRights;
            f.userDepartments = in.userDepartments;
            ReportStatement s = rows(name, MealLevelQuery::statement(f, session));
            const QVector<MealPeriod> periods = MealLevelQuery::readPeriods(session);
            auto module = std::make_shared<MealDataModule>();
            s.prepareFields = [module, name, periods](DataSet& rows) {
                applyDataSetDefinition(rows, *module, name);
                MealLevelQuery::titleColumns(rows, periods);
            };
            return s;
        });
}

} // namespace

ReportDefinition empDinLevReport() {
    return mealLevelReport("ActEmpDinLev",
                           "个人餐别统计: meal-period counts and amounts per employee and card",
                           MealLevelGrouping::Employee, "dsEmpDinlev");
}

ReportDefinition departDinLevReport() {
    return mealLevelReport("ActDepartDinLev", "部门餐别统计: meal-period counts and amounts per department",
                           MealLevelGrouping::Department, "dsDepartDinLev");
}

ReportDefinition clockDinlevReport() {
    return mealLevelReport("ActClockDinlev", "餐厅餐别统计: meal-period counts and amounts per terminal",
                           MealLevelGrouping::Terminal, "dsClockDinlev");
}

ReportDefinition empChargeSumReport() {
    return definition(
        "ActEmpChargeSum", "个人充值统计: each employee's recharges totalled by kind",
        period() << searchOptions() << deptOption(), [](const ReportArguments& args, const Session& session) {
            const ReportArguments::Period p = args.period();
            PersonalRechargeFilter f;
            f.begin = p.begin.date();
            f.end = p.end.date();
            f.department = searchedDepartment(args, session);
            return rows(QStringLiteral("dsMChargeSum"), PersonalRechargeQuery::statement(f, session));
        });
}

ReportDefinition hsRecordsReport() {
    return definition("ActHSRecords", "商品销售统计: goods sold per article and unit price",
                      momentOptions()
                          << option("clock", "N[,N...]", "terminal numbers")
                          << option("article", "NAME", "article name")
                          << option("no-price", "",
                                    "a row per article, its prices summed (the price column hidden)"),
                      [](const ReportArguments& args, const Session& session) {
                          const ReportArguments::Period p = args.period();
                          GoodsSalesFilter f;
                          f.begin = p.begin;
                          f.end = p.end;
                          f.byPrice = !args.has(QStringLiteral("no-price"));
                          if (args.has(QStringLiteral("clock"))) {
                              f.terminalsSelected = true;
                              f.terminals = MealLevelQuery::terminalList(args.text(QStringLiteral("clock")));
                          }
                          f.articleName = args.text(QStringLiteral("article"));
                          f.dinRoom = dinRoom(session);
                          f.departmentRights = DepartmentFilter::rightsApply(session);
                          if (f.departmentRights)
                              f.userDepartments = UserDepartments(session);
                          return rows(QStringLiteral("dsADODetail"), GoodsSalesQuery::statement(f, session));
                      });
}

ReportDefinition personAccountReport() {
    return definition("ActPersonAccount",
                      "个人汇总资料: each employee's account, in against out, with the difference",
                      {option("state", "在职|离职", "current (default) or departed employees"),
                       option("emp", "ID", "employee number (in every department)"), deptOption()},
                      [](const ReportArguments& args, const Session& session) {
                          PersonAccountFilter f;
                          const QString state = args.text(QStringLiteral("state")).trimmed();
                          if (state == QStringLiteral("离职") ||
                              state.compare(QLatin1String("departed"), Qt::CaseInsensitive) == 0)
                              f.departed = true;
                          else if (args.has(QStringLiteral("state")) && state != QStringLiteral("在职") &&
                                   state.compare(QLatin1String("current"), Qt::CaseInsensitive) != 0)
                              throw DbError(QStringLiteral("--state: 在职 或 离职: %1").arg(state));
                          const DptWhereInput in = args.departmentInput(session);
                          f.empNo = args.text(QStringLiteral("emp")).trimmed();
                          if (f.empNo.isEmpty() && in.departmentSelected)
                              f.departmentNo = in.departmentNo;
                          f.departmentRights = in.departmentRights;
                          f.userDepartments = in.userDepartments;
                          const int options = session.config.ModuleOptions;
                          ReportStatement s = rows(QStringLiteral("dsPersonAccount"),
                                                   PersonAccountQuery::statement(f, session));
                          auto module = std::make_shared<MealDataModule>();
                          s.prepareFields = [module, options](DataSet& ds) {
                              applyDataSetDefinition(ds, *module, QStringLiteral("dsPersonAccount"));
                              PersonAccountQuery::showFeatureColumns(ds, options);
                          };
                          return s;
                      });
}
