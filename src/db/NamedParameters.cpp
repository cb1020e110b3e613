#include "db/NamedParameters.h"

#include "db/DbError.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>

namespace {
bool nameStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}
bool nameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}
} // namespace

ParsedStatement ParsedStatement::parse(const QString& sql, bool backslashEscapes) {
    ParsedStatement p;
    QString current;
    const int n = sql.size();
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        // Quoted literal or quoted name: copied unchanged up to its closing quote.
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') ||
            c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            int j = i + 1;
            while (j < n) {
                if (backslashEscapes && c != QLatin1Char('`') && c != QLatin1Char('[') &&
                    sql[j] == QLatin1Char('\\')) {
                    j += 2;
                    continue;
                }
                if (sql[j] == close) {
                    if (j + 1 < n && sql[j + 1] == close && c != QLatin1Char('[')) {
                        j += 2; // doubled quote inside the literal
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const int end = std::min(j + 1, n);
            current += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        // Comments: "-- " and "#" to the end of the line, "/* */".
        if ((c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) ||
            (c == QLatin1Char('#') && backslashEscapes)) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            j = j < 0 ? n : j;
            current += QStringView(sql).mid(i, j - i);
            i = j;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            int j = sql.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            current += QStringView(sql).mid(i, j - i);
            i = j;
            continue;
        }
        // A parameter: ":" + optional "@" + a name. "::" and ":=" are not parameters,
        // nor a colon glued to a preceding name character ("a:b").
        if (c == QLatin1Char(':') && (i == 0 || (!nameChar(sql[i - 1]) && sql[i - 1] != QLatin1Char(':')))) {
            int j = i + 1;
            if (j < n && sql[j] == QLatin1Char('@'))
                ++j;
            if (j < n && nameStart(sql[j])) {
                int k = j;
                while (k < n && nameChar(sql[k]))
                    ++k;
                p.m_pieces << current;
                current.clear();
                p.m_names << sql.mid(i + 1, k - i - 1);
                i = k;
                continue;
            }
        }
        current += c;
        ++i;
    }
    p.m_pieces << current;
    return p;
}

QString ParsedStatement::positional() const {
    QString out = m_pieces.value(0);
    for (int i = 0; i < m_names.size(); ++i)
        out += QLatin1Char('?') + m_pieces[i + 1];
    return out;
}

QString ParsedStatement::normalizedName(const QString& name) {
    QString n = name.trimmed();
    while (n.startsWith(QLatin1Char(':')) || n.startsWith(QLatin1Char('@')))
        n.remove(0, 1);
    return n.toLower();
}

QVariantList ParsedStatement::orderedValues(const QVariantMap& values) const {
    QHash<QString, QVariant> byName;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        byName.insert(normalizedName(it.key()), it.value());
    QVariantList out;
    for (const QString& name : m_names) {
        auto it = byName.constFind(normalizedName(name));
        if (it == byName.cend())
            throw DbError(QStringLiteral("参数 %1 没有值").arg(name));
        out << it.value();
    }
    return out;
}

QString ParsedStatement::literal(const QVariant& value, const SqlDialect& dialect) {
    if (value.isNull() || !value.isValid())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? SqlDialect::trueText() : SqlDialect::falseText();
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        return std::isfinite(d) ? QString::number(d, 'g', 17) : QStringLiteral("NULL");
    }
    case QMetaType::QDate:
        return dialect.quote(value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
    case QMetaType::QTime:
        return dialect.quote(value.toTime().toString(QStringLiteral("HH:mm:ss")));
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dialect.quote(dt.toString(dt.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                          : QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    case QMetaType::QByteArray:
        return QStringLiteral("X'") + QString::fromLatin1(value.toByteArray().toHex()) + QLatin1Char('\'');
    default:
        return dialect.quote(value.toString());
    }
}

QString ParsedStatement::inlined(const QVariantMap& values, const SqlDialect& dialect) const {
    const QVariantList ordered = orderedValues(values);
    QString out = m_pieces.value(0);
    for (int i = 0; i < m_names.size(); ++i)
        out += literal(ordered[i], dialect) + m_pieces[i + 1];
    return out;
}
