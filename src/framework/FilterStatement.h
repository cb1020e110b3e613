#pragma once
// What the filter dialog and the grid's filter items do without a widget:
// the fields and operators offered, one condition composed from typed
// choices (through the find's condition builder, in the data set's filter
// syntax), the two forms of a statement (field names, or display names in
// brackets), the refusal of a statement that mixes "and" and "or", the
// condition of the current cell, and applying a statement to a data set.
// A typed value only ever reaches the data set's filter parser.
#include "dataset/Field.h"

#include <QList>
#include <QString>
#include <QStringList>

class DataSet;

namespace FilterStatement {

// The fields the dialog offers: data and lookup fields whose Tag is not 10,
// except photos, flags, remarks and the like.
bool offered(const Field& field);
QList<Field*> offeredFields(const DataSet& dataSet);

// The operators for a field: "=", "<>", ">", "<", ">=", "<=", "like",
// "between"; only "=", "<>" and "like" for an employee number ("工号").
QStringList operatorsFor(const Field& field);
extern const QString kBetween;

// One condition as the operator chose it.
struct Choice {
    const Field* field = nullptr;
    QString op;
    QString value;    // the value, or the lower one for "between"
    QString maxValue; // the upper value for "between"
};

// The condition, naming fields by "[display name]" when `useLabel`. Empty
// when "between" misses a bound. A value that does not convert to the
// field's type raises DbError with the reason. A lookup field compared by
// "=" with a text exactly one of its rows holds is written as its key.
QString condition(const DataSet& dataSet, const Choice& choice, bool useLabel);

// The memo after adding a condition: a new line, prefixed by " and " or
// " or " when the memo already holds text.
QString addedToMemo(const QString& memo, const QString& condition, bool orJoin);

// The statement in its two forms. Only names outside quoted values are
// rewritten; a name that is no field stays as it is.
QString toLabelForm(const QString& text, const DataSet& dataSet);
QString toFieldForm(const QString& text, const DataSet& dataSet);
// The memo's lines joined without separators, in the field form.
QString statementFromMemo(const QString& memo, const DataSet& dataSet);

// True when the statement joins conditions by both "and" and "or" (words
// outside quoted values): such a statement is not applied.
bool mixesAndOr(const QString& statement);

// The rows whose value in `field` equals the one of row `row` ("按选定内容
// 筛选"), or all other rows, empty values included ("内容排除筛选").
// Raises DbError for a field that cannot be compared (a blob).
QString cellCondition(const DataSet& dataSet, const Field& field, Bookmark row, bool exclude);
// A condition added to the filter in force: both must hold.
QString narrowed(const DataSet& dataSet, const QString& condition);

enum class Outcome { Applied, Cleared, MixedAndOr, Refused };
// Applies `statement` followed by `extra` as the data set's filter: an
// empty text removes the filter. A statement mixing "and" and "or", or one
// the data set cannot read, changes nothing (the filter in force stays);
// `reason` then tells why.
Outcome apply(DataSet& dataSet, const QString& statement, const QString& extra = QString(),
              QString* reason = nullptr);
// Sets `text` as the filter as it is (the grid's cell filters, whose
// parentheses keep "and" and "or" apart): an empty text removes the filter,
// one the data set cannot read changes nothing.
Outcome set(DataSet& dataSet, const QString& text, QString* reason = nullptr);
// Switches filtering off and forgets the filter text.
void clear(DataSet& dataSet);
// The warning shown when the data set refuses a statement.
QString refusedText();

// The filter in force as the operator reads it ("[姓名] like 'A%'"), empty
// when none.
QString activeFilterText(const DataSet& dataSet);

} // namespace FilterStatement
