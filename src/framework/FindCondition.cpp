#include "framework/FindCondition.h"

#include "db/DbError.h"
#include "db/SqlDialect.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QVector>

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

// A text literal of the filter syntax: '...' unless the text holds a quote,
// then #...#; with both a quote and a "#", quotes doubled inside '...'.
QString filterLiteral(const QString& text) {
    if (!text.contains(QLatin1Char('\'')))
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    if (!text.contains(QLatin1Char('#')))
        return QLatin1Char('#') + text + QLatin1Char('#');
    return QLatin1Char('\'') + QString(text).replace(QLatin1String("'"), QLatin1String("''")) +
           QLatin1Char('\'');
}

// Words of the statement outside quotes, brackets and parentheses, with their positions.
struct Word {
    QString upper;
    int pos;
};

QVector<Word> topLevelWords(const QString& sql) {
    QVector<Word> words;
    int depth = 0;
    const int n = sql.size();
    for (int i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') ||
            c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            int j = i + 1;
            while (j < n && sql[j] != close)
                j += (sql[j] == QLatin1Char('\\') && close != QLatin1Char(']')) ? 2 : 1;
            i = j + 1;
            continue;
        }
        if (c == QLatin1Char('(')) {
            ++depth;
            ++i;
            continue;
        }
        if (c == QLatin1Char(')')) {
            --depth;
            ++i;
            continue;
        }
        if (c.isLetter() || c == QLatin1Char('_')) {
            int j = i;
            while (j < n &&
                   (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_') || sql[j] == QLatin1Char('@')))
                ++j;
            if (depth == 0)
                words.push_back({sql.mid(i, j - i).toUpper(), i});
            i = j;
            continue;
        }
        ++i;
    }
    return words;
}

bool isClauseWord(const QString& w) {
    static const QStringList clauses = {QStringLiteral("WHERE"),  QStringLiteral("GROUP"),
                                        QStringLiteral("ORDER"),  QStringLiteral("HAVING"),
                                        QStringLiteral("UNION"),  QStringLiteral("LIMIT"),
                                        QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT")};
    return clauses.contains(w);
}

// "a.emp_id desc, b.name" -> "emp_id desc, name": outside the derived table
// the columns have no table names.
QString withoutQualifiers(const QString& orderList) {
    static const QRegularExpression qualifier(QStringLiteral("(?<![\\w'\"])[A-Za-z_][A-Za-z0-9_]*\\."));
    return QString(orderList).remove(qualifier);
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
        return QStringLiteral("(%1 like %2)").arg(fieldName, filterLiteral(v.text + QLatin1Char('%')));
    return QStringLiteral("(%1 %2 %3)").arg(fieldName, op, filterLiteral(v.text));
}

bool excludedFromFind(const QString& fieldName) {
    static const QStringList excluded = {
        QStringLiteral("photo"),   QStringLiteral("card_sn"), QStringLiteral("flag"),
        QStringLiteral("Kind"),    QStringLiteral("issued"),  QStringLiteral("native_place"),
        QStringLiteral("ISVALID"), QStringLiteral("remark"),  QStringLiteral("cardtypename"),
        QStringLiteral("charged"), QStringLiteral("downed"),  QStringLiteral("isreg")};
    return excluded.contains(fieldName, Qt::CaseInsensitive);
}

QString findStatement(const QString& baseStatement, const QString& condition, const QString& extra) {
    const QVector<Word> words = topLevelWords(baseStatement);
    int lastClause = -1;
    for (int i = 0; i < words.size(); ++i)
        if (isClauseWord(words[i].upper))
            lastClause = i;
    if (lastClause < 0)
        return QStringLiteral("%1 WHERE %2 %3").arg(baseStatement, condition, extra);

    QString inner = baseStatement;
    QString order;
    const Word& last = words[lastClause];
    if (last.upper == QLatin1String("ORDER") && lastClause + 1 < words.size() &&
        words[lastClause + 1].upper == QLatin1String("BY")) {
        const Word& by = words[lastClause + 1];
        order = withoutQualifiers(baseStatement.mid(by.pos + 2).trimmed());
        inner = baseStatement.left(last.pos);
    }
    bool extraOrders = false;
    for (const Word& w : topLevelWords(extra))
        extraOrders = extraOrders || w.upper == QLatin1String("ORDER");
    QString sql =
        QStringLiteral("SELECT * FROM (%1) FindRows WHERE %2 %3").arg(inner.trimmed(), condition, extra);
    if (!order.isEmpty() && !extraOrders)
        sql += QStringLiteral(" ORDER BY ") + order;
    return sql;
}

} // namespace FindCondition
