#include "charts/ui/ChartPainter.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QSaveFile>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace ChartPainter {

namespace {

// A colour per series: the theme repeats its five after the fifth, and the
// recharge sums draw ten.
QColor seriesColour(int index) {
    static const QRgb palette[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b,
                                   0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0x393b79, 0xad494a};
    return QColor(palette[index % int(std::size(palette))]);
}

void addBars(QChart& chart, const ChartData& data, QAbstractBarSeries* bars) {
    for (const ChartSeries& s : data.series) {
        auto* set = new QBarSet(s.name);
        QList<qreal> values;
        values.reserve(s.values.size());
        for (const Currency v : s.values)
            values << ChartData::plotted(v);
        set->append(values);
        set->setColor(seriesColour(int(bars->count())));
        bars->append(set);
    }
    chart.addSeries(bars);
}

void addLines(QChart& chart, const ChartData& data) {
    for (const ChartSeries& s : data.series) {
        auto* line = new QLineSeries;
        line->setName(s.name);
        QList<QPointF> points;
        points.reserve(s.values.size());
        for (int i = 0; i < s.values.size(); ++i)
            points << QPointF(i, ChartData::plotted(s.values[i]));
        line->replace(points);
        QPen pen(seriesColour(int(chart.series().size())));
        pen.setWidthF(2);
        line->setPen(pen);
        chart.addSeries(line);
    }
}

// Counts get whole-number labels when every tick falls on a whole number;
// money keeps its cents.
bool wholeSteps(const ChartData& data, const QValueAxis& axis) {
    for (const ChartSeries& s : data.series)
        for (const Currency& v : s.values)
            if (v.units() % Currency::Scale != 0)
                return false;
    if (axis.tickCount() < 2)
        return false;
    const double step = (axis.max() - axis.min()) / (axis.tickCount() - 1);
    return step >= 1 && std::fmod(step, 1.0) == 0 && std::fmod(axis.min(), 1.0) == 0;
}

} // namespace

void fill(QChart& chart, const ChartData& data) {
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes())
        chart.removeAxis(axis);
    chart.setTitle(data.title);
    chart.setAnimationOptions(QChart::NoAnimation);
    // One category (a one-record form) makes no line: it is drawn as bars.
    const ChartSpec::Type type =
        data.type == ChartSpec::Type::Lines && data.categories.size() < 2 ? ChartSpec::Type::Bars : data.type;
    switch (type) {
    case ChartSpec::Type::Bars:
        addBars(chart, data, new QBarSeries);
        break;
    case ChartSpec::Type::StackedBars:
        addBars(chart, data, new QStackedBarSeries);
        break;
    case ChartSpec::Type::Lines:
        addLines(chart, data);
        break;
    }
    auto* categories = new QBarCategoryAxis;
    categories->append(data.categories);
    // Many days: the labels stand upright so that they do not overlap.
    if (data.categories.size() > 4)
        categories->setLabelsAngle(-90);
    auto* values = new QValueAxis;
    values->setTitleText(data.valueTitle);
    chart.addAxis(categories, Qt::AlignBottom);
    chart.addAxis(values, Qt::AlignLeft);
    for (QAbstractSeries* s : chart.series()) {
        s->attachAxis(categories);
        s->attachAxis(values);
    }
    if (type == ChartSpec::Type::Lines)
        categories->setRange(data.categories.first(), data.categories.last());
    // No rows: an empty axis of its own range instead of one computed from nothing.
    if (data.categories.isEmpty())
        values->setRange(0, 1);
    else
        values->applyNiceNumbers();
    values->setLabelFormat(wholeSteps(data, *values) ? QStringLiteral("%.0f") : QStringLiteral("%.2f"));
    chart.legend()->setAlignment(Qt::AlignBottom);
}

QChart* createChart(const ChartData& data) {
    auto* chart = new QChart;
    fill(*chart, data);
    return chart;
}

void paint(const ChartData& data, QPainter& painter, const QRectF& target) {
    QGraphicsScene scene;
    QChart* chart = createChart(data);
    scene.addItem(chart); // the scene owns it
    // The chart is laid out as on a screen and scaled onto the target: on a
    // printer's resolution its texts would otherwise come out a few dots high.
    const double scale = std::max(1.0, painter.device()->logicalDpiY() / 96.0);
    chart->setGeometry(QRectF(QPointF(0, 0), target.size() / scale));
    scene.setSceneRect(chart->geometry());
    scene.render(&painter, target, scene.sceneRect());
}

bool isChartFile(const QString& path) {
    return ChartSeriesBuilder::isChartFile(path);
}

bool save(const ChartData& data, const QString& path, QString* error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QSaveFile file(path);
    if (!isChartFile(path)) {
        *error = QStringLiteral("图表文件须为 .png 或 .pdf: %1").arg(path);
        return false;
    }
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法写入 %1: %2").arg(path, file.errorString());
        return false;
    }
    if (suffix == QLatin1String("png")) {
        QImage image(1600, 900, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            paint(data, painter, QRectF(image.rect()));
        }
        if (!image.save(&file, "PNG")) {
            *error = QStringLiteral("无法写入 %1").arg(path);
            return false;
        }
    } else {
        QPdfWriter pdf(&file);
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setTitle(data.title);
        pdf.setResolution(150);
        QPainter painter(&pdf);
        paint(data, painter, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())));
    }
    if (!file.commit()) {
        *error = QStringLiteral("无法写入 %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace ChartPainter
