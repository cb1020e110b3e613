#pragma once
// The condition builder of the find and filter dialogs: one field, one
// operator and one typed value, written "(field op 'value')". The typed text
// is converted to the field's type first; a text that does not convert is
// refused with a DbError carrying the message the operator sees, and no
// condition is made. For SQL the value goes through the dialect's quoting
// routine (a "like" through its literal prefix pattern); for a data set
// filter it is written in the filter syntax ('...', or #...# when the text
// holds a quote).
#include "dataset/FieldTypes.h"

#include <QString>
#include <QStringList>

class SqlDialect;

namespace FindCondition {

// The operators of the find dialog, in order.
QStringList operators();

// A typed value converted to a field type: its canonical text (numbers as
// "12.5", date-times as "yyyy-MM-dd HH:mm:ss", times as "HH:mm:ss",
// logical values as "1"/"0"); null for an empty text.
struct Value {
    bool null = true;
    QString text;
};
Value convert(FieldType type, const QString& typed);

// "(alias.field op 'value')" for a statement. `alias` may be empty. An empty
// value compares with Null ("is Null" / "is not Null" for "=" and "<>").
QString sqlCondition(const SqlDialect& dialect, const QString& alias, const QString& fieldName,
                     FieldType type, const QString& op, const QString& typed);

// The same condition in the data set's filter syntax; `fieldName` may be a
// display name in brackets.
QString filterCondition(const QString& fieldName, FieldType type, const QString& op, const QString& typed);

// A text as a literal of the filter syntax, as it is (not trimmed).
QString filterLiteral(const QString& text);

// The fields the find dialog does not offer (compared without case).
bool excludedFromFind(const QString& fieldName);

} // namespace FindCondition
