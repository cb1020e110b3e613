#include "reports/ReportParts.h"

#include "db/DbError.h"
#include "db/SqlDialect.h"
#include "framework/DepartmentFilter.h"

namespace ReportParts {

ReportOption option(const char* name, const char* valueName, const char* help) {
    return {QString::fromUtf8(name), QString::fromUtf8(valueName), QString::fromUtf8(help)};
}

ReportDefinition definition(const char* action, const char* summary, const QVector<ReportOption>& options,
                            StatementOf statement) {
    ReportDefinition r;
    r.actionName = QString::fromUtf8(action);
    r.summary = QString::fromUtf8(summary);
    r.options = options;
    r.statement = std::move(statement);
    return r;
}

ReportStatement rows(const QString& dataSetName, const QString& sql, const QVariantMap& params,
                     std::optional<ChartSpec> chart) {
    ReportStatement s;
    s.dataSetName = dataSetName;
    s.sql = sql;
    s.params = params;
    s.chart = std::move(chart);
    return s;
}

QVector<ReportOption> momentOptions() {
    return {option("from", "yyyy-MM-dd[ HH:mm:ss]", "first moment (default: today)"),
            option("to", "yyyy-MM-dd[ HH:mm:ss]", "last moment (a date: its end)")};
}

QVector<ReportOption> searchOptions() {
    return {option("emp", "ID", "employee number"), option("name", "NAME", "employee name")};
}

ReportOption deptOption() {
    return option("dept", "D", "department number (its sub-departments included)");
}

ReportOption cardOption() {
    return option("card", "N", "card number (digits only)");
}

QString cardText(const ReportArguments& args) {
    const QString card = args.text(QStringLiteral("card"));
    if (args.has(QStringLiteral("card")) && card.trimmed().isEmpty())
        throw DbError(QStringLiteral("卡号只能由数字组成: "));
    return card;
}

DptWhereInput searchedDepartment(const ReportArguments& args, const Session& session) {
    DptWhereInput in = args.departmentInput(session);
    in.keyText = args.text(QStringLiteral("emp")).trimmed();
    in.nameText = args.text(QStringLiteral("name")).trimmed();
    in.fromSearchButton = args.has(QStringLiteral("emp")) || args.has(QStringLiteral("name"));
    return in;
}

QVector<qint64> numbers(const ReportArguments& args, const QString& name) {
    QVector<qint64> ids;
    for (const QString& part : args.text(name).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << SqlDialect::toInteger(part.trimmed());
    return ids;
}

} // namespace ReportParts
