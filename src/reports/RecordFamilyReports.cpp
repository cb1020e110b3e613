#include "reports/RecordFamilyReports.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"
#include "reports/EmpAllRecordsQuery.h"
#include "reports/ExceptRecordsQuery.h"
#include "reports/FullBakQuery.h"
#include "reports/JournalQuery.h"
#include "reports/RecordReportQuery.h"

namespace {

// The employee, name, department and rights conditions as the windows build
// them: an employee or name searches (the department is then left out).
DptWhereInput department(const ReportArguments& args, const Session& session) {
    DptWhereInput in = args.departmentInput(session);
    in.keyText = args.text(QStringLiteral("emp"));
    in.nameText = args.text(QStringLiteral("name"));
    in.fromSearchButton = args.has(QStringLiteral("emp")) || args.has(QStringLiteral("name"));
    return in;
}

QString cardOption(const ReportArguments& args) {
    const QString card = args.text(QStringLiteral("card"));
    if (args.has(QStringLiteral("card")) && card.trimmed().isEmpty())
        throw DbError(QStringLiteral("卡号只能由数字组成: "));
    return card;
}

QVector<ReportOption> common() {
    return {{QStringLiteral("from"), QStringLiteral("yyyy-MM-dd[ HH:mm:ss]"),
             QStringLiteral("first moment (default: today)")},
            {QStringLiteral("to"), QStringLiteral("yyyy-MM-dd[ HH:mm:ss]"),
             QStringLiteral("last moment (a date: its end)")},
            {QStringLiteral("emp"), QStringLiteral("ID"), QStringLiteral("employee number")},
            {QStringLiteral("name"), QStringLiteral("NAME"), QStringLiteral("employee name")},
            {QStringLiteral("card"), QStringLiteral("N"), QStringLiteral("card number (digits only)")}};
}

// "N[,N...]": each number read by the refusing conversion.
QVector<qint64> numbers(const QString& text) {
    QVector<qint64> ids;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << SqlDialect::toInteger(part.trimmed());
    return ids;
}

} // namespace

ReportDefinition fullBakReport() {
    ReportDefinition r;
    r.actionName = QStringLiteral("ActFullBak");
    r.summary = QStringLiteral("充值异常记录: the recharges kept in the backup table");
    r.options = common();
    r.options << ReportOption{QStringLiteral("dept"), QStringLiteral("D"),
                              QStringLiteral("department number (its sub-departments included)")};
    r.statement = [](const ReportArguments& args, const Session& session) {
        FullBakFilter f;
        f.department = department(args, session);
        f.cardText = cardOption(args);
        ReportStatement s;
        s.dataSetName = QStringLiteral("dsChargeBak");
        s.sql = FullBakQuery::statement(f, session);
        s.params = RecordReportQuery::periodParameters(args.period().begin, args.period().end);
        return s;
    };
    return r;
}

ReportDefinition empAllRecordsReport() {
    ReportDefinition r;
    r.actionName = QStringLiteral("ActEmpAllRecords");
    r.summary = QStringLiteral("个人明细查询: consumptions, recharges and allowances of a period");
    r.options = common();
    r.options << ReportOption{QStringLiteral("dept"), QStringLiteral("D"),
                              QStringLiteral("department number (its sub-departments included)")}
              << ReportOption{QStringLiteral("terminal"), QStringLiteral("N[,N...]"),
                              QStringLiteral("terminal numbers")};
    r.statement = [](const ReportArguments& args, const Session& session) {
        const ReportArguments::Period p = args.period();
        EmpAllRecordsFilter f;
        f.begin = p.begin;
        f.end = p.end;
        f.department = department(args, session);
        f.cardText = cardOption(args);
        if (args.has(QStringLiteral("terminal"))) {
            f.byTerminals = true;
            f.terminals = numbers(args.text(QStringLiteral("terminal")));
        }
        ReportStatement s;
        s.dataSetName = QStringLiteral("dsAllRec");
        s.sql = EmpAllRecordsQuery::statement(f, session);
        return s;
    };
    return r;
}

ReportDefinition exceptRecordsReport() {
    ReportDefinition r;
    r.actionName = QStringLiteral("ActExceptRecord");
    r.summary = QStringLiteral("异常明细表: records of foreign, lost and test cards");
    r.options = common();
    r.options << ReportOption{QStringLiteral("type"), QStringLiteral("N"),
                              QStringLiteral("0 外来卡 1 挂失卡 2 测试卡 3 全部 (default)")};
    r.statement = [](const ReportArguments& args, const Session& session) {
        const ReportArguments::Period p = args.period();
        ExceptRecordsFilter f;
        f.begin = p.begin;
        f.end = p.end;
        if (args.has(QStringLiteral("type")))
            f.typeIndex = int(SqlDialect::toInteger(args.text(QStringLiteral("type")), 0,
                                                    ExceptRecordsQuery::AllIndex, QStringLiteral("--type")));
        f.empId = args.text(QStringLiteral("emp"));
        f.empName = args.text(QStringLiteral("name"));
        f.cardText = cardOption(args);
        f.checkLimitDate = isTrueText(
            ReadCompanyParameter(session, QStringLiteral("isCheckLimitDate"), QStringLiteral("False")));
        ReportStatement s;
        s.dataSetName = QStringLiteral("dsExceptRec");
        s.sql = ExceptRecordsQuery::statement(f, session);
        if (f.typeIndex == ExceptRecordsQuery::AllIndex)
            s.params = RecordReportQuery::periodParameters(p.begin, p.end);
        return s;
    };
    return r;
}

ReportDefinition journalReport() {
    ReportDefinition r;
    r.actionName = QStringLiteral("AllRecordsUnt");
    r.summary = QStringLiteral("流水明细记录: the transaction journal the summaries drill into");
    r.options = {{QStringLiteral("page"), QStringLiteral("meal|charge|cost|refund|all"),
                  QStringLiteral("the journal's page (default: all)")},
                 {QStringLiteral("from"), QStringLiteral("yyyy-MM-dd[ HH:mm:ss]"),
                  QStringLiteral("first moment (default: today)")},
                 {QStringLiteral("to"), QStringLiteral("yyyy-MM-dd[ HH:mm:ss]"),
                  QStringLiteral("last moment (a date: its end)")},
                 {QStringLiteral("emp"), QStringLiteral("ID"), QStringLiteral("employee number")},
                 {QStringLiteral("kinds"), QStringLiteral("N[,N...]"),
                  QStringLiteral("recharge or card-cost kinds (charge, cost and all pages)")},
                 {QStringLiteral("flags"), QStringLiteral("N[,N...]"),
                  QStringLiteral("consumption flags (meal page)")}};
    r.statement = [](const ReportArguments& args, const Session& session) {
        const ReportArguments::Period p = args.period();
        JournalConditions c;
        c.begin = p.begin;
        c.end = p.end;
        c.empId = args.text(QStringLiteral("emp"));
        for (const qint64 k : numbers(args.text(QStringLiteral("kinds"))))
            c.kinds << int(k);
        for (const qint64 k : numbers(args.text(QStringLiteral("flags"))))
            c.flags << int(k);
        c.departmentRights = DepartmentFilter::rightsApply(session);
        if (c.departmentRights)
            c.userDepartments = UserDepartments(session);
        const JournalPage page = args.has(QStringLiteral("page"))
                                     ? JournalQuery::pageOf(args.text(QStringLiteral("page")))
                                     : JournalPage::Combined;
        ReportStatement s;
        s.dataSetName = QStringLiteral("dsAllRec");
        s.sql = JournalQuery::statement(page, c, session);
        return s;
    };
    return r;
}
