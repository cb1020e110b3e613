#include "charts/ChartSeries.h"

#include "dataset/DataSet.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ChartSeriesBuilder {

namespace {

// Two-level titles ("现金收入 现金充值", "早餐 次数") name a series by the part
// that tells the series apart: the lower one, else the upper one.
void shortenNames(QVector<ChartSeries>& series) {
    for (const int part : {1, 0}) {
        QStringList names;
        for (const ChartSeries& s : std::as_const(series)) {
            const QString piece = s.name.section(QLatin1Char(' '), part, part);
            names << (piece.isEmpty() ? s.name : piece);
        }
        if (QStringList(names).removeDuplicates() > 0)
            continue;
        for (int i = 0; i < series.size(); ++i)
            series[i].name = names[i];
        return;
    }
}

} // namespace

ChartData build(const ChartSpec& description, const DataSet& rows) {
    ChartData data;
    data.type = description.type;
    data.title = description.title;
    data.valueTitle = description.valueTitle;
    if (!rows.isActive())
        return data;
    QVector<int> categoryColumns;
    for (const QString& name : description.categoryFields)
        if (const Field* f = rows.findField(name))
            categoryColumns << f->index();
    QVector<int> valueColumns;
    for (const QString& name : description.valueFields) {
        const Field* f = rows.findField(name);
        if (!f || !f->visible())
            continue;
        valueColumns << f->index();
        data.series.push_back(
            {f->fieldName(), f->displayLabel().replace(QLatin1Char('|'), QLatin1Char(' ')), {}});
    }
    shortenNames(data.series);
    const int count = rows.recordCount();
    data.categories.reserve(count);
    for (ChartSeries& s : data.series)
        s.values.reserve(count);
    for (int position = 0; position < count; ++position) {
        const Bookmark row = rows.bookmarkAt(position);
        QStringList parts;
        for (const int column : std::as_const(categoryColumns))
            parts << rows.displayTextAt(row, column);
        data.categories << (categoryColumns.isEmpty() ? description.singleCategory
                                                      : parts.join(QLatin1Char(' ')));
        for (int i = 0; i < valueColumns.size(); ++i)
            data.series[i].values << Currency::fromUnits(rows.fixedAt(row, valueColumns[i]));
    }
    return data;
}

bool isChartFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("pdf");
}

QByteArray toJson(const ChartData& data) {
    QJsonArray series;
    for (const ChartSeries& s : data.series) {
        QJsonArray values;
        for (const Currency v : s.values)
            values << v.toString(4);
        series << QJsonObject{{QStringLiteral("field"), s.field},
                              {QStringLiteral("name"), s.name},
                              {QStringLiteral("values"), values}};
    }
    return QJsonDocument(
               QJsonObject{{QStringLiteral("type"), int(data.type)},
                           {QStringLiteral("title"), data.title},
                           {QStringLiteral("valueTitle"), data.valueTitle},
                           {QStringLiteral("categories"), QJsonArray::fromStringList(data.categories)},
                           {QStringLiteral("series"), series}})
        .toJson(QJsonDocument::Compact);
}

bool fromJson(const QByteArray& json, ChartData* data) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    const int type = o.value(QStringLiteral("type")).toInt(-1);
    if (type < int(ChartSpec::Type::Bars) || type > int(ChartSpec::Type::StackedBars))
        return false;
    data->type = ChartSpec::Type(type);
    data->title = o.value(QStringLiteral("title")).toString();
    data->valueTitle = o.value(QStringLiteral("valueTitle")).toString();
    data->categories.clear();
    for (const QJsonValue c : o.value(QStringLiteral("categories")).toArray())
        data->categories << c.toString();
    data->series.clear();
    for (const QJsonValue v : o.value(QStringLiteral("series")).toArray()) {
        const QJsonObject so = v.toObject();
        ChartSeries s{
            so.value(QStringLiteral("field")).toString(), so.value(QStringLiteral("name")).toString(), {}};
        for (const QJsonValue x : so.value(QStringLiteral("values")).toArray()) {
            Currency value;
            if (!Currency::parse(x.toString(), value))
                return false;
            s.values << value;
        }
        if (s.values.size() != data->categories.size())
            return false;
        data->series << s;
    }
    return true;
}

std::optional<gridexport::ExportChart> exportChart(const ChartSpec& description,
                                                   const gridexport::ExportSource& source) {
    const auto shownColumns = [&source](const QStringList& fields) {
        QVector<int> columns;
        for (const QString& field : fields)
            for (int c = 0; c < source.columnCount(); ++c) {
                if (source.column(c).visible &&
                    source.fieldName(c).compare(field, Qt::CaseInsensitive) == 0) {
                    columns.append(c);
                    break;
                }
            }
        return columns;
    };
    gridexport::ExportChart chart;
    switch (description.type) {
    case ChartSpec::Type::Bars:
        chart.type = gridexport::ExportChart::Type::Column;
        break;
    case ChartSpec::Type::Lines:
        chart.type = gridexport::ExportChart::Type::Line;
        break;
    case ChartSpec::Type::StackedBars:
        chart.type = gridexport::ExportChart::Type::StackedColumn;
        break;
    }
    chart.title = description.title;
    chart.valueTitle = description.valueTitle;
    chart.categoryColumns = shownColumns(description.categoryFields);
    chart.valueColumns = shownColumns(description.valueFields);
    if (chart.valueColumns.isEmpty())
        return std::nullopt;
    return chart;
}

} // namespace ChartSeriesBuilder
