#pragma once
// The reports that run without a window (mealctl report <ActionName>): each
// report window's widget-free query class describes its options and builds
// the statement its window would run from them. A report adds itself with
// one line in ReportRegistry.cpp.
#include "charts/ChartSeries.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariantMap>
#include <QVector>

#include <functional>
#include <optional>

class DataSet;
class DataSetTableModel;
class GridFooter;
class Session;
struct DptWhereInput;

struct ReportOption {
    QString name;      // "from" for --from
    QString valueName; // "yyyy-MM-dd"; empty for a switch
    QString help;
};

// The options given on the command line, by name without the dashes; a
// switch has an empty value.
class ReportArguments {
public:
    QHash<QString, QString> values;

    bool has(const QString& name) const { return values.contains(name); }
    QString text(const QString& name) const { return values.value(name); }
    // A date or date-time ("yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss"); a date alone
    // means its first second, or with `endOfDay` its last. Throws DbError with
    // the message for a text that is no date.
    QDateTime dateTime(const QString& name, bool endOfDay) const;
    // --from and --to; without them, today (its first and its last second),
    // as the report windows open.
    struct Period {
        QDateTime begin;
        QDateTime end;
    };
    Period period() const;
    // --dept (its sub-departments included) and the user's department
    // rights, as the windows apply them.
    DptWhereInput departmentInput(const Session& session) const;
};

// What a report writes: the rows of a statement, shown through a data set
// definition of the data module, or rows another producer delivers (a list
// built in a work table, for example).
struct ReportStatement {
    QString dataSetName; // definition for labels, visibility and code texts ("dsMealRec")
    QString sql;
    QVariantMap params;
    // When set, it produces the rows instead: it fills `target` and calls
    // `write` with it.
    using Writer = std::function<void(DataSet&)>;
    std::function<void(const Session&, DataSet& target, const Writer& write)> produce;
    // Labels and visibility of produced rows (instead of the definition).
    std::function<void(DataSet&)> prepareFields;
    // The footer row (instead of the record windows' sums and count).
    std::function<void(const DataSetTableModel&, GridFooter&)> footer;
    // The chart the report's window draws beside its grid (--chart FILE).
    std::optional<ChartSpec> chart;
    // Called with the rows once they are written (the chart is drawn from them).
    std::function<void(const DataSet&)> written;
};

struct ReportDefinition {
    QString actionName; // the action the report's window opens with
    QString summary;
    QVector<ReportOption> options;
    // Throws DbError with the operator's message for a bad option value.
    std::function<ReportStatement(const ReportArguments&, const Session&)> statement;
};

namespace ReportRegistry {
const QVector<ReportDefinition>& reports();
// Null when no report answers to the action name (compared without case).
const ReportDefinition* find(const QString& actionName);
} // namespace ReportRegistry
