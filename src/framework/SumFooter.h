#pragma once
// The footer row of the record windows as a footer definition, without a
// grid: "汇总:" under the first column, sums under the numeric columns that
// may be summed, the record count under the second column otherwise.
class DataSetTableModel;
class GridFooter;

void buildSumFooter(const DataSetTableModel& model, GridFooter& footer, int footerRowCount = 1);
