#pragma once
// Draws a ChartData with Qt Charts: a chart object for a view, a painting
// into any paint device (printer, image, PDF) and a file by its extension.
// Needs a QApplication (mealctl creates one, offscreen, for --chart).
#include "charts/ChartSeries.h"

#include <QRectF>

class QChart;
class QPainter;

namespace ChartPainter {
// A new chart of `data`, owned by the caller.
QChart* createChart(const ChartData& data);
// Replaces what `chart` shows by `data`.
void fill(QChart& chart, const ChartData& data);
// Paints the chart into `target` of an active painter.
void paint(const ChartData& data, QPainter& painter, const QRectF& target);
// ".png" or ".pdf" (any case); false with a message for another name or a write failure.
bool save(const ChartData& data, const QString& path, QString* error);
bool isChartFile(const QString& path);
} // namespace ChartPainter
