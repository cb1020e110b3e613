#pragma once
// A chart of a report's rows without widgets: what to draw (ChartSpec: the
// chart type, the columns naming the categories, the value columns, the
// title) and the categories and series values read from a data set in its
// view order (ChartData), so the chart follows the grid's filter and sort.
// Values stay fixed-point (Currency) until something draws them.
#include "dataset/export/ExportSource.h"
#include "db/Currency.h"

#include <QString>
#include <QStringList>
#include <QVector>

class DataSet;

struct ChartSpec {
    enum class Type { Bars, Lines, StackedBars };
    Type type = Type::Bars;
    QString title;
    // The row's category: these columns' display texts joined by a blank;
    // none present (a one-record form): the category is `singleCategory`.
    QStringList categoryFields;
    QString singleCategory = QStringLiteral("合计");
    // The value columns, one series each; the series name is the column's
    // label (multi-level titles joined by a blank). Columns absent or hidden
    // from the grid are left out, as the grid leaves them out.
    QStringList valueFields;
    QString valueTitle; // the value axis ("金额", "次数")
};

struct ChartSeries {
    QString field;
    QString name;
    QVector<Currency> values; // one per category
};

struct ChartData {
    ChartSpec::Type type = ChartSpec::Type::Bars;
    QString title;
    QString valueTitle;
    QStringList categories;
    QVector<ChartSeries> series;

    // The value as the chart draws it (the only conversion to binary floating point).
    static double plotted(Currency value) { return double(value.units()) / double(Currency::Scale); }
};

namespace ChartSeriesBuilder {
// ".png" or ".pdf" (any case): the files a chart is drawn into.
bool isChartFile(const QString& path);
// The chart as JSON (values as exact decimal texts), for the program that
// draws it apart from a widget-free caller; false for a text that is not one.
QByteArray toJson(const ChartData& data);
bool fromJson(const QByteArray& json, ChartData* data);
// The rows of `rows`' view, in view order; an inactive data set gives no categories.
ChartData build(const ChartSpec& description, const DataSet& rows);
// The same chart as a spreadsheet draws it over the exported columns: the
// fields become `source`'s column indexes, fields it lacks or hides are left
// out; none when no value column is left. Stacked bars become stacked columns.
std::optional<gridexport::ExportChart> exportChart(const ChartSpec& description,
                                                   const gridexport::ExportSource& source);
} // namespace ChartSeriesBuilder
