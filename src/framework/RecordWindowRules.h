#pragma once
// The rules of the record windows that need no widget: rights bits, the key
// search statement, which columns get footer sums, the record position text,
// the operation-log text of a posted record, and the keys the search box takes.
#include <QString>

class DataSet;
class Field;
class Session;
class SqlDialect;

namespace RecordRights {
enum Bit { Insert = 1, Edit = 2, Delete = 4, Find = 8, Print = 16 };
// The bit is set in the window's Tag, or the user is ADMIN (any case).
bool allowed(int tag, Bit bit, const Session& session);
} // namespace RecordRights

namespace RecordWindowRules {

// The statement of a search from the "转到" button on the base table and its
// key field. A numeric key compares as an integer (text that is not wholly a
// number is refused with DbError); any other key, or one the data set lacks,
// is a prefix match of the trimmed text (taken literally, wildcards included).
QString keySearchStatement(const SqlDialect& dialect, const QString& table, const QString& keyField,
                           const Field* keyFieldObject, const QString& searchText);

// Integer, word, float, currency, BCD and large-integer fields sum; not
// auto-increment fields, not fields with a Tag, and never card_id, kind or clock_id.
bool isSumField(const Field& field);
bool isNumericForKeySearch(const Field& field);

// " %d / %d ": the current record number (0 when there is none) and the count.
QString recordPositionText(int recNo, int count);

// The log text of a posted record: "%s%s。" (action, window caption), then
// "%s=%s。" for the key field (as integer text unless the key is CLOCK_ID or
// DOOR_ID) and for the name field, each when the data set has it.
QString postLogText(const QString& actionCaption, const QString& windowCaption, const DataSet& dataSet,
                    const QString& keyField, const QString& nameField);

// The keys the search box accepts after the caption of its label.
enum class KeyClass { Digits, DigitsAndLetters, Any };
KeyClass keyClassForCaption(const QString& caption, bool employeeNumbersWithLetters);
bool keyAllowed(KeyClass keyClass, const QString& typed);

} // namespace RecordWindowRules
