#include "dataset/Field.h"

#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"

#include <QMetaType>

QString fieldTypeName(FieldType t) {
    static const char* const names[] = {"String",  "WideString", "SmallInt", "Integer", "Word",    "LargeInt",
                                        "AutoInc", "Float",      "Currency", "BCD",     "Boolean", "Date",
                                        "Time",    "DateTime",   "Memo",     "Blob"};
    return QString::fromLatin1(names[int(t)]);
}

Field::Field(DataSet* owner, int column, const QString& name, FieldType type)
    : m_owner(owner), m_column(column), m_name(name), m_type(type) {}

int Field::displayWidth() const {
    if (m_displayWidth >= 0)
        return m_displayWidth;
    switch (m_type) {
    case FieldType::String:
    case FieldType::WideString:
        return std::max(std::min(m_size, 40), int(displayLabel().size()));
    case FieldType::Date:
        return 10;
    case FieldType::Time:
        return 8;
    case FieldType::DateTime:
        return 19;
    case FieldType::Boolean:
        return 5;
    case FieldType::Memo:
    case FieldType::Blob:
        return 10;
    default:
        return std::max(10, int(displayLabel().size()));
    }
}

int Field::index() const {
    for (int i = 0; i < m_owner->fieldCount(); ++i)
        if (m_owner->field(i) == this)
            return i;
    return -1;
}

void Field::setIndex(int index) {
    m_owner->moveField(this, index);
}

bool Field::isNull() const {
    const Bookmark b = m_owner->currentRecordBookmark();
    return b == kNoBookmark || m_owner->isNullAt(b, index());
}

QVariant Field::value() const {
    const Bookmark b = m_owner->currentRecordBookmark();
    return b == kNoBookmark ? QVariant() : m_owner->valueAt(b, index());
}

QString Field::asString() const {
    const Bookmark b = m_owner->currentRecordBookmark();
    return b == kNoBookmark ? QString() : m_owner->textAt(b, index());
}

QString Field::displayText() const {
    const Bookmark b = m_owner->currentRecordBookmark();
    return b == kNoBookmark ? QString() : m_owner->displayTextAt(b, index());
}

std::int64_t Field::asInteger() const {
    return value().toLongLong();
}
double Field::asFloat() const {
    return value().toDouble();
}
bool Field::asBoolean() const {
    return value().toBool();
}
QDateTime Field::asDateTime() const {
    return value().toDateTime();
}

std::int64_t Field::asFixed() const {
    const Bookmark b = m_owner->currentRecordBookmark();
    return b == kNoBookmark ? 0 : m_owner->fixedAt(b, index());
}

void Field::setValue(const QVariant& value) {
    m_owner->setFieldValue(*this, value);
}
