#pragma once
// What the daily sums' windows share: the two day pickers in the search bar,
// read-only rows with a footer of sums, the chart beside the grid (a splitter:
// the grid stays the main view; it also goes into spreadsheet exports and is
// printed as a last page after the rows), the print subtitle with the period, and the
// drill-down of a double-clicked cell into the transaction journal.
#include "charts/ChartSeries.h"
#include "dailystats/DailySumsDrill.h"
#include "framework/ui/RecordBaseClass.h"

#include <optional>

class QDateEdit;
class StatsChartView;
class TFrmAllRecordsUnt;

class DailySumsWindow : public TfrmRecordBaseClass {
    Q_OBJECT
public:
    void setRange(const QDate& begin, const QDate& end);
    DayRange range() const;
    // The chart beside the grid; null in a window without one.
    StatsChartView* chart() const { return m_chart; }
    std::optional<ChartSpec> exportChart() const override;
    // The cell at (row, column) of the grid opened in the journal; null when
    // drill-downs are off, there are no rows, or the cell has no rows of its own.
    TFrmAllRecordsUnt* drillDown(int row, int column);

protected:
    DailySumsWindow(ModuleContext& context, const QString& caption, const QDate& defaultBegin,
                    QWidget* parent = nullptr);
    void addChart(const ChartSpec& description);
    void rowsLoaded(QObject* sender, bool cancelled) override;
    // The journal page and conditions of a cell; nothing when it has none.
    virtual std::optional<DrillTarget> drillTarget(const DrillCell& cell) = 0;
    // Before each load: the print subtitle with the period.
    void notePeriod();

private:
    QDateEdit* dtp_begin = nullptr;
    QDateEdit* dtp_end = nullptr;
    StatsChartView* m_chart = nullptr;
};
