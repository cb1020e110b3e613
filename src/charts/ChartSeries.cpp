#include "charts/ChartSeries.h"

#include "dataset/DataSet.h"

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

ChartData build(const ChartSpec& spec, const DataSet& rows) {
    ChartData data;
    data.type = spec.type;
    data.title = spec.title;
    data.valueTitle = spec.valueTitle;
    if (!rows.isActive())
        return data;
    QVector<int> categoryColumns;
    for (const QString& name : spec.categoryFields)
        if (const Field* f = rows.findField(name))
            categoryColumns << f->index();
    QVector<int> valueColumns;
    for (const QString& name : spec.valueFields) {
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
        data.categories << (categoryColumns.isEmpty() ? spec.singleCategory : parts.join(QLatin1Char(' ')));
        for (int i = 0; i < valueColumns.size(); ++i)
            data.series[i].values << Currency::fromUnits(rows.fixedAt(row, valueColumns[i]));
    }
    return data;
}

} // namespace ChartSeriesBuilder
