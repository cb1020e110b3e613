#pragma once
// Binds a loaded data set to its definition in the data module: display
// labels, tags, visibility and the code-table text handlers of its fields,
// and the money format of decimal fields.
#include <QString>

class DataSet;
class Field;
class MealDataModule;

// `dataSetName` names the definition ("dsMealRec"); fields it does not list
// keep their own names as labels. Money fields show "￥0.00".
void applyDataSetDefinition(DataSet& dataSet, const MealDataModule& module, const QString& dataSetName);

// The field of `name` the grid shows. A statement may select a column twice
// under one name (the refunds select the terminal as stored and as 0 where
// none is stored): the later one is shown, the earlier ones stay hidden.
Field* shownField(const DataSet& dataSet, const QString& name);
