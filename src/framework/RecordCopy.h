#pragma once
// What "复制记录" carries from one record into a new one: every field that
// holds a stored value the new record can take. Calculated and lookup fields
// compute their own; read-only fields cannot be written; an auto-increment key
// is the server's to give (a copied one would collide); and a dialog may mark
// further fields as not copyable (names compared without regard to case).
#include <QStringList>
#include <QVariant>
#include <QVector>

class DataSet;
class Field;

namespace RecordCopy {
bool isCopyable(const Field& field, const QStringList& notCopyable);
// The copyable fields in field order.
QVector<Field*> copyableFields(const DataSet& dataSet, const QStringList& notCopyable);
// The current record's values of `fields`.
QVector<QVariant> capture(const QVector<Field*>& fields);
} // namespace RecordCopy
