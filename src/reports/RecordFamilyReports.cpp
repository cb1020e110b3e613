#include "reports/RecordFamilyReports.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"
#include "framework/DepartmentFilter.h"
#include "reports/EmpAllRecordsQuery.h"
#include "reports/ExceptRecordsQuery.h"
#include "reports/FullBakQuery.h"
#include "reports/JournalQuery.h"
#include "reports/RecordReportQuery.h"
#include "reports/ReportParts.h"

using namespace ReportParts;

namespace {

// The period, the employee searched and the card, as the family's windows take them.
QVector<ReportOption> common() {
    return momentOptions() << searchOptions() << cardOption();
}

} // namespace

ReportDefinition fullBakReport() {
    return definition("ActFullBak", "充值异常记录: the recharges kept in the backup table",
                      common() << deptOption(), [](const ReportArguments& args, const Session& session) {
                          FullBakFilter f;
                          f.department = searchedDepartment(args, session);
                          f.cardText = cardText(args);
                          return rows(
                              QStringLiteral("dsChargeBak"), FullBakQuery::statement(f, session),
                              RecordReportQuery::periodParameters(args.period().begin, args.period().end));
                      });
}

ReportDefinition empAllRecordsReport() {
    return definition("ActEmpAllRecords", "个人明细查询: consumptions, recharges and allowances of a period",
                      common() << deptOption() << option("terminal", "N[,N...]", "terminal numbers"),
                      [](const ReportArguments& args, const Session& session) {
                          const ReportArguments::Period p = args.period();
                          EmpAllRecordsFilter f;
                          f.begin = p.begin;
                          f.end = p.end;
                          f.department = searchedDepartment(args, session);
                          f.cardText = cardText(args);
                          if (args.has(QStringLiteral("terminal"))) {
                              f.byTerminals = true;
                              f.terminals = numbers(args, QStringLiteral("terminal"));
                          }
                          return rows(QStringLiteral("dsAllRec"), EmpAllRecordsQuery::statement(f, session));
                      });
}

ReportDefinition exceptRecordsReport() {
    return definition(
        "ActExceptRecord", "异常明细表: records of foreign, lost and test cards",
        common() << option("type", "N", "0 外来卡 1 挂失卡 2 测试卡 3 全部 (default)"),
        [](const ReportArguments& args, const Session& session) {
            const ReportArguments::Period p = args.period();
            ExceptRecordsFilter f;
            f.begin = p.begin;
            f.end = p.end;
            if (args.has(QStringLiteral("type")))
                f.typeIndex =
                    int(SqlDialect::toInteger(args.text(QStringLiteral("type")), 0,
                                              ExceptRecordsQuery::AllIndex, QStringLiteral("--type")));
            f.empId = args.text(QStringLiteral("emp"));
            f.empName = args.text(QStringLiteral("name"));
            f.cardText = cardText(args);
            f.checkLimitDate = isTrueText(
                ReadCompanyParameter(session, QStringLiteral("isCheckLimitDate"), QStringLiteral("False")));
            return rows(QStringLiteral("dsExceptRec"), ExceptRecordsQuery::statement(f, session),
                        f.typeIndex == ExceptRecordsQuery::AllIndex
                            ? RecordReportQuery::periodParameters(p.begin, p.end)
                            : QVariantMap());
        });
}

ReportDefinition journalReport() {
    return definition(
        "AllRecordsUnt", "流水明细记录: the transaction journal the summaries drill into",
        QVector<ReportOption>{
            option("page", "meal|charge|cost|refund|all", "the journal's page (default: all)")}
            << momentOptions() << option("emp", "ID", "employee number")
            << option("kinds", "N[,N...]", "recharge or card-cost kinds (charge, cost and all pages)")
            << option("flags", "N[,N...]", "consumption flags (meal page)"),
        [](const ReportArguments& args, const Session& session) {
            const ReportArguments::Period p = args.period();
            JournalConditions c;
            c.begin = p.begin;
            c.end = p.end;
            c.empId = args.text(QStringLiteral("emp"));
            for (const qint64 k : numbers(args, QStringLiteral("kinds")))
                c.kinds << int(k);
            for (const qint64 k : numbers(args, QStringLiteral("flags")))
                c.flags << int(k);
            c.departmentRights = DepartmentFilter::rightsApply(session);
            if (c.departmentRights)
                c.userDepartments = UserDepartments(session);
            const JournalPage page = args.has(QStringLiteral("page"))
                                         ? JournalQuery::pageOf(args.text(QStringLiteral("page")))
                                         : JournalPage::Combined;
            return rows(QStringLiteral("dsAllRec"), JournalQuery::statement(page, c, session));
        });
}
