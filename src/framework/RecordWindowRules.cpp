#include "framework/RecordWindowRules.h"

#include "dataset/DataSet.h"
#include "db/Session.h"
#include "db/SqlDialect.h"

namespace RecordRights {
bool allowed(int tag, Bit bit, const Session& session) {
    return (tag & bit) != 0 || session.isAdmin();
}
} // namespace RecordRights

namespace RecordWindowRules {

bool isNumericForKeySearch(const Field& field) {
    switch (field.dataType()) {
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::AutoInc:
    case FieldType::LargeInt:
        return true;
    default:
        return field.isAutoIncrement();
    }
}

QString keySearchStatement(const SqlDialect& dialect, const QString& table, const QString& keyField,
                           const Field* keyFieldObject, const QString& searchText) {
    const QString text = searchText.trimmed();
    if (keyFieldObject && isNumericForKeySearch(*keyFieldObject)) {
        if (text.isEmpty())
            return QStringLiteral("SELECT * FROM %1").arg(table);
        // Text that is not wholly a number is refused, never read as key 0.
        return QStringLiteral("SELECT * FROM %1 WHERE %2 = %3")
            .arg(table, keyField, SqlDialect::toIntegerText(text));
    }
    return QStringLiteral("SELECT * FROM %1 WHERE %2 like %3").arg(table, keyField, dialect.likePrefix(text));
}

bool isSumField(const Field& field) {
    switch (field.dataType()) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::LargeInt:
        break;
    default:
        return false;
    }
    if (field.isAutoIncrement() || field.tag() != 0)
        return false;
    const QString name = field.fieldName().toLower();
    return name != QLatin1String("card_id") && name != QLatin1String("kind") &&
           name != QLatin1String("clock_id");
}

QString recordPositionText(int recNo, int count) {
    return QStringLiteral(" %1 / %2 ").arg(QString::number(recNo), QString::number(count));
}

QString postLogText(const QString& actionCaption, const QString& windowCaption, const DataSet& dataSet,
                    const QString& keyField, const QString& nameField) {
    QString text = QStringLiteral("%1%2。").arg(actionCaption, windowCaption);
    const Bookmark current = dataSet.currentRecordBookmark();
    if (!keyField.isEmpty()) {
        if (const Field* key = dataSet.findField(keyField)) {
            const QVariant value = dataSet.valueAt(current, key->index());
            const QString upper = keyField.toUpper();
            const QString shown = (upper == QLatin1String("CLOCK_ID") || upper == QLatin1String("DOOR_ID"))
                                      ? value.toString()
                                      : QString::number(value.toLongLong());
            text += QStringLiteral("%1=%2。").arg(key->displayLabel(), shown);
        }
    }
    if (!nameField.isEmpty()) {
        if (const Field* name = dataSet.findField(nameField))
            text += QStringLiteral("%1=%2。").arg(name->displayLabel(),
                                                  dataSet.valueAt(current, name->index()).toString());
    }
    return text;
}

KeyClass keyClassForCaption(const QString& caption, bool employeeNumbersWithLetters) {
    if (caption == QStringLiteral("工号查询"))
        return employeeNumbersWithLetters ? KeyClass::DigitsAndLetters : KeyClass::Digits;
    if (caption == QStringLiteral("卡号查询"))
        return KeyClass::Digits;
    return KeyClass::Any;
}

bool keyAllowed(KeyClass keyClass, const QString& typed) {
    if (keyClass == KeyClass::Any)
        return true;
    for (const QChar c : typed) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                            (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
        if (!(digit || (letter && keyClass == KeyClass::DigitsAndLetters)))
            return false;
    }
    return true;
}

} // namespace RecordWindowRules
