#include "framework/FilterStatement.h"

#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "framework/FindCondition.h"

namespace FilterStatement {

const QString kBetween = QStringLiteral("between");

namespace {

bool nameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('$') ||
           (c.unicode() > 127 && !c.isSpace());
}

bool nameStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c.unicode() > 127;
}

bool isKeyword(const QString& word) {
    static const QStringList words = {QStringLiteral("and"),  QStringLiteral("or"),   QStringLiteral("not"),
                                      QStringLiteral("like"), QStringLiteral("is"),   QStringLiteral("null"),
                                      QStringLiteral("true"), QStringLiteral("false")};
    return words.contains(word, Qt::CaseInsensitive);
}

// A name as the filter parser reads it: plain when it is one word, else in brackets.
QString writtenName(const QString& name) {
    bool plain = !name.isEmpty() && nameStart(name.front()) && !isKeyword(name);
    for (const QChar c : name)
        plain = plain && nameChar(c);
    return plain ? name : QLatin1Char('[') + name + QLatin1Char(']');
}

const Field* byLabel(const DataSet& ds, const QString& label) {
    for (int i = 0; i < ds.fieldCount(); ++i)
        if (ds.field(i)->displayLabel().compare(label, Qt::CaseInsensitive) == 0)
            return ds.field(i);
    return nullptr;
}

// "[display name]", or the field name when the label cannot stand in
// brackets or another field shows the same label (it would read back as
// that field).
QString labelName(const Field& f) {
    const QString label = f.displayLabel();
    if (label.contains(QLatin1Char('[')) || label.contains(QLatin1Char(']')) || label.trimmed() != label ||
        label.isEmpty())
        return writtenName(f.fieldName());
    if (const DataSet* ds = f.dataSet())
        for (int i = 0; i < ds->fieldCount(); ++i)
            if (ds->field(i) != &f && ds->field(i)->displayLabel().compare(label, Qt::CaseInsensitive) == 0)
                return writtenName(f.fieldName());
    return QLatin1Char('[') + label + QLatin1Char(']');
}

// Walks a statement, handing every name outside quoted values to `rewrite`
// (the name, whether it stood in brackets, the text as written) and every
// keyword to `keyword`, copying everything else.
template <typename Rewrite, typename Keyword>
QString rewriteNames(const QString& text, Rewrite rewrite, Keyword keyword) {
    QString out;
    out.reserve(text.size() + 16);
    const int n = text.size();
    int i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int j = i + 1;
            while (j < n) {
                if (text[j] == c) {
                    if (j + 1 < n && text[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = std::min(j + 1, n);
            out += text.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('#')) {
            const int end = text.indexOf(QLatin1Char('#'), i + 1);
            const int j = end < 0 ? n : end + 1;
            out += text.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('[')) {
            const int end = text.indexOf(QLatin1Char(']'), i + 1);
            if (end < 0) {
                out += text.mid(i);
                break;
            }
            out += rewrite(text.mid(i + 1, end - i - 1).trimmed(), true, text.mid(i, end - i + 1));
            i = end + 1;
        } else if (c.isDigit()) {
            // A number (its exponent letters are no name).
            int j = i + 1;
            while (j < n && nameChar(text[j]))
                ++j;
            out += text.mid(i, j - i);
            i = j;
        } else if (nameStart(c)) {
            int j = i + 1;
            while (j < n && nameChar(text[j]))
                ++j;
            const QString word = text.mid(i, j - i);
            if (isKeyword(word)) {
                keyword(word);
                out += word;
            } else {
                out += rewrite(word, false, word);
            }
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// The words outside quoted values and names, upper-cased.
QStringList keywords(const QString& text) {
    QStringList found;
    rewriteNames(
        text, [](const QString&, bool, const QString& original) { return original; },
        [&](const QString& word) { found << word.toUpper(); });
    return found;
}

// A lookup field compared by "=": the key of the one lookup row holding the
// typed text, when exactly one does (several, or none, compare the lookup's
// own value, which says the same without guessing a key).
const Field* lookupKey(const DataSet& ds, const Field& f, const QString& typed, QString* key) {
    const Field::LookupSource& src = f.lookupSource();
    if (!src.dataSet || src.keyFields.contains(QLatin1Char(';')) ||
        src.lookupKeyFields.contains(QLatin1Char(';')))
        return nullptr;
    const DataSet& lookup = *src.dataSet;
    const Field* keyField = ds.findField(src.keyFields.trimmed());
    const Field* lookupKeyField = lookup.findField(src.lookupKeyFields.trimmed());
    const Field* result = lookup.findField(src.resultField);
    if (!keyField || !lookupKeyField || !result || keyField->isCalculated())
        return nullptr;
    const QString wanted = typed.trimmed();
    QString found;
    bool one = false;
    for (int i = 0; i < lookup.recordCount(); ++i) {
        const Bookmark b = lookup.bookmarkAt(i);
        if (lookup.isNullAt(b, result->index()) || lookup.isNullAt(b, lookupKeyField->index()))
            continue;
        if (lookup.textAt(b, result->index()).compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        const QString k = lookup.textAt(b, lookupKeyField->index());
        if (one && k != found)
            return nullptr;
        found = k;
        one = true;
    }
    if (!one)
        return nullptr;
    *key = found;
    return keyField;
}

// A "like" on a number or date-time compares the value's plain text: the
// typed value is written the way that text is.
QString likeText(FieldType type, const QString& converted) {
    if (type == FieldType::Currency || type == FieldType::BCD) {
        const QByteArray b = converted.toLatin1();
        std::int64_t v = 0;
        if (cellcodec::parseFixed4(b.constData(), std::size_t(b.size()), v))
            return cellcodec::fixedTextTrimmed(v);
    }
    if (type == FieldType::Float)
        return QString::number(converted.toDouble(), 'g', 15);
    return converted;
}

QString oneCondition(const QString& name, const Field& f, const QString& op, const QString& typed) {
    // Money holds four decimals in 64 bits: a value beyond that is refused
    // here, with the field named, not later by the data set.
    if ((f.dataType() == FieldType::Currency || f.dataType() == FieldType::BCD) &&
        !typed.trimmed().isEmpty()) {
        const QByteArray b = FindCondition::convert(f.dataType(), typed).text.toLatin1();
        std::int64_t units = 0;
        if (!cellcodec::parseFixed4(b.constData(), std::size_t(b.size()), units))
            throw DbError(QStringLiteral("'%1' 超出 %2 的范围").arg(typed.trimmed(), f.displayLabel()));
    }
    if (op == QLatin1String("like") && !typed.trimmed().isEmpty() && isNumericType(f.dataType()) &&
        !isIntegerType(f.dataType())) {
        const FindCondition::Value v = FindCondition::convert(f.dataType(), typed);
        return FindCondition::filterCondition(name, FieldType::String, op, likeText(f.dataType(), v.text));
    }
    return FindCondition::filterCondition(name, f.dataType(), op, typed);
}

} // namespace

bool offered(const Field& field) {
    if (field.tag() == 10 || (field.isCalculated() && !field.isLookup()))
        return false;
    static const QStringList exact = {QStringLiteral("photo"),        QStringLiteral("card_sn"),
                                      QStringLiteral("flag"),         QStringLiteral("native_place"),
                                      QStringLiteral("issued"),       QStringLiteral("ordertype"),
                                      QStringLiteral("cardtypename"), QStringLiteral("charged"),
                                      QStringLiteral("downed"),       QStringLiteral("isreg")};
    static const QStringList anyCase = {QStringLiteral("Kind"), QStringLiteral("remark"),
                                        QStringLiteral("ISVALID")};
    return !exact.contains(field.fieldName()) && !anyCase.contains(field.fieldName(), Qt::CaseInsensitive);
}

QList<Field*> offeredFields(const DataSet& dataSet) {
    QList<Field*> out;
    for (int i = 0; i < dataSet.fieldCount(); ++i)
        if (offered(*dataSet.field(i)))
            out << dataSet.field(i);
    return out;
}

QStringList operatorsFor(const Field& field) {
    if (field.displayLabel().contains(QStringLiteral("工号")))
        return {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("like")};
    return FindCondition::operators() << kBetween;
}

QString condition(const DataSet& dataSet, const Choice& choice, bool useLabel) {
    if (!choice.field)
        return QString();
    const Field& f = *choice.field;
    if (!operatorsFor(f).contains(choice.op))
        throw DbError(QStringLiteral("'%1' 不是有效的筛选条件").arg(choice.op));
    const QString name = useLabel ? labelName(f) : writtenName(f.fieldName());
    if (choice.op == kBetween) {
        if (choice.value.trimmed().isEmpty() || choice.maxValue.trimmed().isEmpty())
            return QString();
        return oneCondition(name, f, QStringLiteral(">="), choice.value) + QStringLiteral(" and ") +
               oneCondition(name, f, QStringLiteral("<="), choice.maxValue);
    }
    if (f.isLookup() && choice.op == QLatin1String("=") && !choice.value.trimmed().isEmpty()) {
        QString key;
        if (const Field* keyField = lookupKey(dataSet, f, choice.value, &key))
            return FindCondition::filterCondition(useLabel ? labelName(*keyField)
                                                           : writtenName(keyField->fieldName()),
                                                  keyField->dataType(), choice.op, key);
    }
    return oneCondition(name, f, choice.op, choice.value);
}

QString addedToMemo(const QString& memo, const QString& condition, bool orJoin) {
    if (condition.isEmpty())
        return memo;
    if (memo.trimmed().isEmpty())
        return condition;
    QString out = memo;
    if (!out.endsWith(QLatin1Char('\n')))
        out += QLatin1Char('\n');
    return out + (orJoin ? QStringLiteral(" or ") : QStringLiteral(" and ")) + condition;
}

QString toLabelForm(const QString& text, const DataSet& dataSet) {
    return rewriteNames(
        text,
        [&](const QString& name, bool bracketed, const QString& original) {
            const Field* f = dataSet.findField(name);
            if (!f && bracketed)
                f = byLabel(dataSet, name);
            return f ? labelName(*f) : original;
        },
        [](const QString&) {});
}

QString toFieldForm(const QString& text, const DataSet& dataSet) {
    return rewriteNames(
        text,
        [&](const QString& name, bool bracketed, const QString& original) {
            const Field* f = bracketed ? byLabel(dataSet, name) : nullptr;
            if (!f)
                f = dataSet.findField(name);
            if (!f)
                f = byLabel(dataSet, name);
            return f ? writtenName(f->fieldName()) : original;
        },
        [](const QString&) {});
}

QString statementFromMemo(const QString& memo, const DataSet& dataSet) {
    QString joined = memo;
    joined.remove(QLatin1Char('\r'));
    joined.remove(QLatin1Char('\n'));
    return toFieldForm(joined, dataSet);
}

bool mixesAndOr(const QString& statement) {
    const QStringList words = keywords(statement);
    return words.contains(QStringLiteral("AND")) && words.contains(QStringLiteral("OR"));
}

QString cellCondition(const DataSet& dataSet, const Field& field, Bookmark row, bool exclude) {
    const QString name = writtenName(field.fieldName());
    const int index = field.index();
    QString equal;
    if (dataSet.isNullAt(row, index)) {
        equal = QStringLiteral("%1 = Null").arg(name);
    } else {
        const FieldType type = field.dataType();
        if (type == FieldType::Blob)
            throw DbError(QStringLiteral("%1 不能用于筛选").arg(field.displayLabel()));
        const QVariant v = dataSet.valueAt(row, index);
        QString value;
        if (field.isCalculated())
            value = FindCondition::filterLiteral(v.toString());
        else if (type == FieldType::Float)
            value = QString::number(v.toDouble(), 'g', 17);
        else if (type == FieldType::Boolean)
            value = v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        else if (type == FieldType::Time)
            value =
                QLatin1Char('\'') + cellcodec::timeText(cellcodec::toMsecs(v.toTime())) + QLatin1Char('\'');
        else if (isDateTimeType(type))
            value = QLatin1Char('#') + cellcodec::dateTimeText(cellcodec::toMsecs(v.toDateTime())) +
                    QLatin1Char('#');
        else if (isNumericType(type))
            value = dataSet.textAt(row, index);
        else
            value = FindCondition::filterLiteral(dataSet.textAt(row, index));
        equal = QStringLiteral("%1 = %2").arg(name, value);
    }
    // Excluding keeps the rows without a value: they do not hold the one excluded.
    return exclude ? QStringLiteral("not (%1)").arg(equal) : QStringLiteral("(%1)").arg(equal);
}

QString narrowed(const DataSet& dataSet, const QString& condition) {
    const QString active = dataSet.filtered() ? dataSet.filter().trimmed() : QString();
    if (active.isEmpty())
        return condition;
    return QStringLiteral("(%1) and %2").arg(active, condition);
}

Outcome apply(DataSet& dataSet, const QString& statement, const QString& extra, QString* reason) {
    if (mixesAndOr(statement)) {
        if (reason)
            *reason = QStringLiteral("筛选语句不能同时使用“与”和“或”");
        return Outcome::MixedAndOr;
    }
    return set(dataSet, statement + extra, reason);
}

Outcome set(DataSet& dataSet, const QString& text, QString* reason) {
    if (text.trimmed().isEmpty()) {
        clear(dataSet);
        return Outcome::Cleared;
    }
    try {
        dataSet.setFilter(text); // compiled first: a refusal leaves the filter in force
    } catch (const DbError& e) {
        if (reason)
            *reason = e.message();
        return Outcome::Refused;
    }
    dataSet.setFiltered(true);
    return Outcome::Applied;
}

void clear(DataSet& dataSet) {
    dataSet.setFiltered(false);
    dataSet.setFilter(QString());
}

QString refusedText() {
    return QStringLiteral("此字段不能按此条件筛选，同时检查数据是否正确。");
}

QString activeFilterText(const DataSet& dataSet) {
    if (!dataSet.isActive() || !dataSet.filtered() || dataSet.filter().trimmed().isEmpty())
        return QString();
    return toLabelForm(dataSet.filter().simplified(), dataSet);
}

} // namespace FilterStatement
