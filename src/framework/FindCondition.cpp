#include "framework/FindCondition.h"

#include "db/DbError.h"
#include "db/SqlDialect.h"

#include <QDateTime>

namespace FindCondition {

namespace {

const QString kLike = QStringLiteral("like");

void checkOperator(const QString& op) {
    if (!operators().contains(op))
        throw DbError(QStringLiteral("'%1' 不是有效的查找方式").arg(op));
}

QString dateTimeValue(const QString& t) {
    static const char* const formats[] = {"yyyy-M-d H:mm:ss", "yyyy-M-d H:mm", "yyyy-M-d",
                                          "yyyy/M/d H:mm:ss", "yyyy/M/d H:mm", "yyyy/M/d",
                                          "yyyy-M-dTH:mm:ss", "yyyyMMdd"};
    for (const char* f : formats) {
        const QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid())
            return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    throw DbError(QStringLiteral("'%1' 不是有效的日期时间").arg(t));
}

QString timeValue(const QString& t) {
    for (const char* f : {"H:mm:ss", "H:mm"}) {
        const QTime time = QTime::fromString(t, QLatin1String(f));
        if (time.isValid())
            return time.toString(QStringLiteral("HH:mm:ss"));
    }
    throw DbError(QStringLiteral("'%1' 不是有效的时间").arg(t));
}

QString booleanValue(const QString& t) {
    const QString l = t.toLower();
    if (l == QLatin1String("1") || l == QLatin1String("true") || l == QLatin1String("yes") ||
        l == QStringLiteral("是"))
        return QStringLiteral("1");
    if (l == QLatin1String("0") || l == QLatin1String("false") || l == QLatin1String("no") ||
        l == QStringLiteral("否"))
        return QStringLiteral("0");
    throw DbError(QStringLiteral("'%1' 不是有效的逻辑值").arg(t));
}

// A "like" prefix of the filter syntax: the typed text matched literally
// (its "%", "*" and "[" escaped), then any characters.
QString filterLikePrefix(const QString& text) {
    QString escaped;
    escaped.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == QLatin1Char('%') || c == QLatin1Char('*') || c == QLatin1Char('['))
            escaped += QLatin1Char('[') + c + QLatin1Char(']');
        else
            escaped += c;
    }
    return escaped + QLatin1Char('%');
}

} // namespace

QStringList operators() {
    return {QStringLiteral("="),
            QStringLiteral("<>"),
            QStringLiteral(">"),
            QStringLiteral("<"),
            QStringLiteral(">="),
            QStringLiteral("<="),
            kLike};
}

Value convert(FieldType type, const QString& typed) {
    const QString t = typed.trimmed();
    Value v;
    if (t.isEmpty())
        return v;
    v.null = false;
    if (isIntegerType(type))
        v.text = SqlDialect::toIntegerText(t);
    else if (type == FieldType::Float || type == FieldType::Currency || type == FieldType::BCD)
        v.text = SqlDialect::toDecimalText(t);
    else if (type == FieldType::Date || type == FieldType::DateTime)
        v.text = dateTimeValue(t);
    else if (type == FieldType::Time)
        v.text = timeValue(t);
    else if (type == FieldType::Boolean)
        v.text = booleanValue(t);
    else if (type == FieldType::Blob)
        throw DbError(QStringLiteral("二进制字段不能用于查找"));
    else
        v.text = t;
    return v;
}

QString sqlCondition(const SqlDialect& dialect, const QString& alias, const QString& fieldName,
                     FieldType type, const QString& op, const QString& typed) {
    checkOperator(op);
    const Value v = convert(type, typed);
    const QString name = alias.isEmpty() ? fieldName : alias + QLatin1Char('.') + fieldName;
    if (v.null) {
        if (op == QLatin1String("="))
            return QStringLiteral("(%1 is Null)").arg(name);
        if (op == QLatin1String("<>"))
            return QStringLiteral("(%1 is not Null)").arg(name);
        return QStringLiteral("(%1 %2 Null)").arg(name, op);
    }
    if (op == kLike)
        return QStringLiteral("(%1 like %2)").arg(name, dialect.likePrefix(v.text));
    // Logical values compare as numbers: a bit column does not equal the text '1'.
    const QString literal = type == FieldType::Boolean ? v.text : dialect.quote(v.text);
    return QStringLiteral("(%1 %2 %3)").arg(name, op, literal);
}

QString filterCondition(const QString& fieldName, FieldType type, const QString& op, const QString& typed) {
    checkOperator(op);
    const Value v = convert(type, typed);
    if (v.null)
        return QStringLiteral("(%1 %2 Null)").arg(fieldName, op == kLike ? QStringLiteral("=") : op);
    if (op == kLike)
        return QStringLiteral("(%1 like %2)").arg(fieldName, filterLiteral(filterLikePrefix(v.text)));
    return QStringLiteral("(%1 %2 %3)").arg(fieldName, op, filterLiteral(v.text));
}

// '...' unless the text holds a quote, then #...#; with both a quote and a
// "#", quotes doubled inside '...'.
QString filterLiteral(const QString& text) {
    if (!text.contains(QLatin1Char('\'')))
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    if (!text.contains(QLatin1Char('#')))
        return QLatin1Char('#') + text + QLatin1Char('#');
    return QLatin1Char('\'') + QString(text).replace(QLatin1String("'"), QLatin1String("''")) +
           QLatin1Char('\'');
}

bool excludedFromFind(const QString& fieldName) {
    static const QStringList excluded = {
        QStringLiteral("photo"),   QStringLiteral("card_sn"), QStringLiteral("flag"),
        QStringLiteral("Kind"),    QStringLiteral("issued"),  QStringLiteral("native_place"),
        QStringLiteral("ISVALID"), QStringLiteral("remark"),  QStringLiteral("cardtypename"),
        QStringLiteral("charged"), QStringLiteral("downed"),  QStringLiteral("isreg")};
    return excluded.contains(fieldName, Qt::CaseInsensitive);
}

} // namespace FindCondition
