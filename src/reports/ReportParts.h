#pragma once
// What the report registrations are written with: their options, the
// definition, the rows of a statement, and the option values several
// reports read alike (the card number, the employee search, number lists).
#include "reports/ReportRegistry.h"

namespace ReportParts {

using StatementOf = std::function<ReportStatement(const ReportArguments&, const Session&)>;

// Texts in UTF-8.
ReportOption option(const char* name, const char* valueName, const char* help);
ReportDefinition definition(const char* action, const char* summary, const QVector<ReportOption>& options,
                            StatementOf statement);
ReportStatement rows(const QString& dataSetName, const QString& sql, const QVariantMap& params = {},
                     std::optional<ChartSpec> chart = std::nullopt);

// --from and --to as moments ("yyyy-MM-dd[ HH:mm:ss]"); a date alone is its first or last second.
QVector<ReportOption> momentOptions();
// --emp and --name: an employee searched by number or name.
QVector<ReportOption> searchOptions();
ReportOption deptOption();
ReportOption cardOption();

// --card; given blank it is refused as the windows refuse it.
QString cardText(const ReportArguments& args);
// --emp and --name search the employee (the department is then left out),
// else --dept; with the user's department rights.
DptWhereInput searchedDepartment(const ReportArguments& args, const Session& session);
// "N[,N...]" of option `name` (empty without it), each by the refusing conversion.
QVector<qint64> numbers(const ReportArguments& args, const QString& name);

} // namespace ReportParts
