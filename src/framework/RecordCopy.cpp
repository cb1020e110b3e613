#include "framework/RecordCopy.h"

#include "dataset/DataSet.h"

namespace RecordCopy {

bool isCopyable(const Field& field, const QStringList& notCopyable) {
    return !field.isCalculated() && !field.readOnly() && !field.isAutoIncrement() &&
           !notCopyable.contains(field.fieldName(), Qt::CaseInsensitive);
}

QVector<Field*> copyableFields(const DataSet& dataSet, const QStringList& notCopyable) {
    QVector<Field*> fields;
    for (int i = 0; i < dataSet.fieldCount(); ++i)
        if (isCopyable(*dataSet.field(i), notCopyable))
            fields << dataSet.field(i);
    return fields;
}

QVector<QVariant> capture(const QVector<Field*>& fields) {
    QVector<QVariant> values;
    values.reserve(fields.size());
    for (const Field* f : fields)
        values << f->value();
    return values;
}

} // namespace RecordCopy
