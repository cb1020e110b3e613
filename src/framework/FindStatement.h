#pragma once
// The statement of a find: the window's own statement narrowed by one
// condition (FindCondition) and the window's extra text.
//
// A plain "select ... from ..." becomes "%s WHERE %s %s". A statement with
// its own WHERE, ORDER BY or row limit keeps its shape: its conditions are
// put in parentheses and the find condition is joined with AND before the
// ORDER BY, so the rows keep their order. Where the grid's column names are
// not the table's (aliases, groups, unions, DISTINCT), the statement is
// searched as a derived table instead; its ORDER BY moves outside when every
// column it names is one of the result's. A field the select list takes
// from a named table ("a.card_id") is searched under that name.
#include "dataset/FieldTypes.h"

#include <QString>
#include <QStringList>

class SqlDialect;

namespace FindStatement {

struct Request {
    QString baseStatement;
    QString fieldName;
    FieldType type = FieldType::String;
    QString op;
    QString typed;
    QString extra;             // the window's GetFindCondition text
    QStringList resultColumns; // the data set's field names
};

// Throws DbError when the typed value does not convert to the field's type.
QString build(const SqlDialect& dialect, const Request& request);

} // namespace FindStatement
