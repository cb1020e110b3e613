#pragma once
// The merged list of consumption records and their detail lines (key-value,
// goods, timed) that the consumption window and mealctl export: a work
// table "Meal_TempTable" of the connection's own (a temporary table) filled
// from the window's filter with the lines numbered in the window's order,
// and a presentation that shows the master columns only on the first line of
// each transaction (timed records: on every line). Also the footers of the
// merged list and of the detail grid.
#include <QDateTime>
#include <QString>

#include <functional>

class DataSet;
class DataSetTableModel;
class GridFooter;
class Session;
class SqlDialect;
struct MealRecordsFilter;

enum class MergedKind { KeyValue, Goods, Timed };

namespace MealRecordsMerge {

// The work table: a temporary table, so that exports on other connections
// neither see nor collide with it ("#Meal_TempTable" on SQL Server).
QString workTable(const SqlDialect& dialect);
// The merged kind of a type-list position (2, 4, 5); false for the others.
bool kindOfIndex(int kindIndex, MergedKind* kind);

QString fillingStatement(MergedKind kind, const MealRecordsFilter& filter, const QDateTime& begin,
                         const QDateTime& end, const Session& session);
QString presentationStatement(MergedKind kind, const SqlDialect& dialect);

// Drops the work table, fills it, opens the presentation into `target`, runs
// `write` on it, closes it and drops the work table again, also when a step
// or `write` throws (the exception goes on to the caller).
void run(const Session& session, MergedKind kind, const MealRecordsFilter& filter, const QDateTime& begin,
         const QDateTime& end, DataSet& target, const std::function<void(DataSet&)>& write);

// Labels of the detail columns ("键值编号", "单价", "商品名称", ...) and of the
// master columns of the consumption list; the goods line number RecSum and
// the detail row id are hidden.
void applyLabels(DataSet& dataSet);

// Footer of the merged list: "汇总:", sums of card_consume, SumMoney, KeyPrice
// and StorePrice as "￥#,###.00", counts under column 1 and the other text and
// integer columns.
void mergedFooter(const DataSetTableModel& model, GridFooter& footer);
// Footer of the detail grid: "汇总:", sums of the float and money columns.
void detailFooter(const DataSetTableModel& model, GridFooter& footer);

} // namespace MealRecordsMerge
