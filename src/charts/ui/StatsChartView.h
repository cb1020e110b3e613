#pragma once
// The chart beside a report grid: it draws the rows of the grid's data set
// (ChartSeriesBuilder) and draws them again whenever the data set's view
// changes (load, filter, sort, edit), so the chart and the grid show the same
// rows in the same order. Its own buttons print it and save it as PNG or PDF.
#include "charts/ChartSeries.h"

#include <QPointer>
#include <QWidget>

class DataSet;
class QChart;
class QChartView;
class QPrinter;
class QToolButton;

class Prompter;

class StatsChartView : public QWidget {
    Q_OBJECT
public:
    explicit StatsChartView(QWidget* parent = nullptr);
    // The export's file dialog and its error go through the module's prompter.
    void setPrompter(Prompter* prompter) { m_prompter = prompter; }

    void setDescription(const ChartSpec& description);
    const ChartSpec& description() const { return m_description; }
    void attach(DataSet* rows);
    // Draws now (otherwise the view's changes draw once the event loop runs).
    void rebuild();

    const ChartData& data() const { return m_data; }
    // Milliseconds the last drawing took: rows read into series and the chart built.
    qint64 lastBuildMs() const { return m_lastBuildMs; }
    bool save(const QString& path, QString* error) const;
    void print(QPrinter& printer) const;

signals:
    void rebuilt();

private:
    void scheduleRebuild();
    void exportChart();
    void printChart();

    ChartSpec m_description;
    Prompter* m_prompter = nullptr;
    ChartData m_data;
    QPointer<DataSet> m_rows;
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QToolButton* m_export = nullptr;
    QToolButton* m_print = nullptr;
    bool m_pending = false;
    qint64 m_lastBuildMs = 0;
};
