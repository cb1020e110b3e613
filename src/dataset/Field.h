#pragma once
// One field of a data set: its definition (name, type, size, base table) and
// the display properties the windows set (label, width, visibility, index,
// tag, read-only, display format, text handler). Values are read from the
// data set's current record; a calculated field computes its value on read.
#include "dataset/FieldTypes.h"

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>

class DataSet;
using Bookmark = std::uint32_t;

class Field {
public:
    // Turns a value into the text a grid shows (the code tables plug in here).
    using TextHandler = std::function<QString(const QVariant& value)>;
    // Computes a calculated field for the row `bookmark` of `dataSet`.
    using Calculation = std::function<QVariant(const DataSet& dataSet, Bookmark bookmark)>;
    // Checks a value being written; throw DbError to refuse it.
    using Validator = std::function<void(Field& field, const QVariant& value)>;

    Field(DataSet* owner, int column, const QString& name, FieldType type);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    DataSet* dataSet() const { return m_owner; }
    const QString& fieldName() const { return m_name; }
    FieldType dataType() const { return m_type; }
    // The store column; -1 for a calculated field.
    int column() const { return m_column; }
    bool isCalculated() const { return bool(m_calculation); }
    // A lookup field is a calculated field that takes its value from another
    // data set; unlike other calculated fields it can be sorted.
    bool isLookup() const { return m_lookup; }
    // Where a lookup field takes its value: this data set's key fields, the
    // other data set, its key fields and its result field (names separated
    // by ";"). Empty for any other field.
    struct LookupSource {
        QString keyFields;
        QPointer<DataSet> dataSet;
        QString lookupKeyFields;
        QString resultField;
    };
    const LookupSource& lookupSource() const { return m_lookupSource; }
    int size() const { return m_size; }
    void setSize(int size) { m_size = size; }

    QString displayLabel() const { return m_displayLabel.isEmpty() ? m_name : m_displayLabel; }
    void setDisplayLabel(const QString& label) { m_displayLabel = label; }
    int displayWidth() const;
    void setDisplayWidth(int width) { m_displayWidth = width; }
    // False while the width is the type's default (nobody set one).
    bool hasDisplayWidth() const { return m_displayWidth >= 0; }
    bool visible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }
    // The position among the data set's fields.
    int index() const;
    void setIndex(int index);
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    const QString& displayFormat() const { return m_displayFormat; }
    void setDisplayFormat(const QString& format) { m_displayFormat = format; }
    const TextHandler& textHandler() const { return m_textHandler; }
    void setTextHandler(TextHandler handler) { m_textHandler = std::move(handler); }
    const Validator& onValidate() const { return m_onValidate; }
    void setOnValidate(Validator validator) { m_onValidate = std::move(validator); }
    const Calculation& calculation() const { return m_calculation; }
    void setCalculation(Calculation calculation) { m_calculation = std::move(calculation); }

    const QString& baseTableName() const { return m_baseTable; }
    void setBaseTableName(const QString& table) { m_baseTable = table; }
    const QString& baseColumnName() const { return m_baseColumn; }
    void setBaseColumnName(const QString& column) { m_baseColumn = column; }
    bool isAutoIncrement() const { return m_autoIncrement || m_type == FieldType::AutoInc; }
    void setAutoIncrement(bool on) { m_autoIncrement = on; }
    bool isKey() const { return m_key; }
    void setKey(bool on) { m_key = on; }
    bool required() const { return m_required; }
    void setRequired(bool on) { m_required = on; }
    int precision() const { return m_precision; }
    int scale() const { return m_scale; }
    void setPrecision(int precision, int scale) {
        m_precision = precision;
        m_scale = scale;
    }

    // The current record's value.
    bool isNull() const;
    QVariant value() const;
    QString asString() const;
    QString displayText() const;
    std::int64_t asInteger() const;
    double asFloat() const;
    // Money and BCD exactly, as value * 10^4 (other numbers converted).
    std::int64_t asFixed() const;
    bool asBoolean() const;
    QDateTime asDateTime() const;

    // Writes the current record's value (the data set must be in Edit or Insert).
    void setValue(const QVariant& value);
    void clear() { setValue(QVariant()); }

private:
    friend class DataSet;
    DataSet* m_owner;
    int m_column;
    QString m_name;
    FieldType m_type;
    int m_size = 0;
    int m_precision = 0;
    int m_scale = 0;
    QString m_displayLabel;
    int m_displayWidth = -1;
    bool m_visible = true;
    int m_tag = 0;
    bool m_readOnly = false;
    bool m_required = false;
    QString m_displayFormat;
    TextHandler m_textHandler;
    Validator m_onValidate;
    Calculation m_calculation;
    QString m_baseTable;
    QString m_baseColumn;
    bool m_autoIncrement = false;
    bool m_key = false;
    bool m_lookup = false;
    LookupSource m_lookupSource;
};
