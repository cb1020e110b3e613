#include "db/SqlDialect.h"

#include <QRegularExpression>

QString SqlDialect::lengthFunction() const {
    return m_isSqlServer ? QStringLiteral("len") : QStringLiteral("length");
}

QString SqlDialect::nullFunction() const {
    return m_isSqlServer ? QStringLiteral("isnull") : QStringLiteral("ifnull");
}

QString SqlDialect::manyGroupsHint() const {
    return m_isMySql ? QStringLiteral("SQL_BIG_RESULT ") : QString();
}

QString SqlDialect::dateTimeText(const QString& expr, int width) const {
    if (m_isSqlServer)
        return QStringLiteral("CONVERT(varchar(%1),%2,120)").arg(QString::number(width), expr);
    return QStringLiteral("Date(%1)").arg(expr);
}

QString SqlDialect::valueText(const QString& expr, int width) const {
    if (m_isSqlServer)
        return QStringLiteral("CONVERT(varchar(%1),%2,120)").arg(QString::number(width), expr);
    return QStringLiteral("CONVERT(%1,CHAR(%2))").arg(expr, QString::number(width));
}

QString SqlDialect::rowLimit(bool atEnd, int n) const {
    if (m_isSqlServer)
        return atEnd ? QString() : QStringLiteral("Top %1").arg(n);
    return atEnd ? QStringLiteral("limit %1").arg(n) : QString();
}

QString SqlDialect::signTimeOfDay() const {
    return m_isMySql ? QStringLiteral(" time(sign_time) ")
                     : QStringLiteral(" convert(varchar(5),sign_time,114) ");
}

QString SqlDialect::fullJoinSelect(const QString& columns, const QString& left, const QString& right,
                                   const QString& on, const QString& leftKey) const {
    if (m_isSqlServer)
        return QStringLiteral("select %1 from %2 full join %3 on %4").arg(columns, left, right, on);
    // A row the left join paired has a non-null key on the left (the join
    // condition held), so the right join's rows with a null key there are
    // exactly those without a partner.
    return QStringLiteral("select %1 from %2 left join %3 on %4 union all select %1 from %2 right join %3 on "
                          "%4 where %5 is null")
        .arg(columns, left, right, on, leftKey);
}

QString SqlDialect::employeeSource() {
    return QStringLiteral("(select empno,empname,deptname,card_id,sys_id,issued,duty from hum_employee union "
                          "select empno,empname,deptname,card_id,sys_id,issued,duty  from hum_employee_lz)");
}

QString SqlDialect::escape(const QString& text) const {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('\''))
            out += QLatin1String("''");
        else if (c == QLatin1Char('\\') && !m_isSqlServer)
            out += QLatin1String("\\\\");
        else if (c == QChar(0))
            continue; // a NUL would end the statement early in some drivers
        else
            out += c;
    }
    return out;
}

QString SqlDialect::quote(const QString& text) const {
    return QLatin1Char('\'') + escape(text) + QLatin1Char('\'');
}

QString SqlDialect::likePrefix(const QString& prefix) const {
    QString pattern;
    pattern.reserve(prefix.size() + 4);
    for (const QChar c : prefix) {
        if (m_isSqlServer) {
            if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('['))
                pattern += QLatin1Char('[') + QString(c) + QLatin1Char(']');
            else
                pattern += c;
        } else {
            // MySQL's default LIKE escape is the backslash.
            if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
                pattern += QLatin1Char('\\');
            pattern += c;
        }
    }
    return quote(pattern + QLatin1Char('%'));
}

std::optional<qint64> SqlDialect::parseInteger(const QString& text, qint64 min, qint64 max) {
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    const QString t = text.trimmed();
    if (!integer.match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = t.toLongLong(&ok, 10);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

qint64 SqlDialect::toInteger(const QString& text) {
    const std::optional<qint64> value = parseInteger(text);
    if (!value)
        throw DbError(QStringLiteral("'%1' 不是有效的整数").arg(text.trimmed()));
    return *value;
}

qint64 SqlDialect::toInteger(const QString& text, qint64 min, qint64 max, const QString& what) {
    const std::optional<qint64> value = parseInteger(text, min, max);
    if (!value)
        throw DbError(QStringLiteral("%1: '%2' 不是 %3 到 %4 之间的整数")
                          .arg(what, text.trimmed(), QString::number(min), QString::number(max)));
    return *value;
}

QString SqlDialect::toIntegerText(const QString& text) {
    return QString::number(toInteger(text));
}

QString SqlDialect::moneySum(const QString& expression) {
    return QStringLiteral("cast(%1 as decimal(16,2))").arg(expression);
}

QString SqlDialect::toDecimalText(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        throw DbError(QStringLiteral("'%1' 不是有效的数值").arg(t));
    QString canonical = t;
    if (canonical.startsWith(QLatin1Char('+')))
        canonical.remove(0, 1);
    if (canonical.startsWith(QLatin1Char('.')))
        canonical.prepend(QLatin1Char('0'));
    else if (canonical.startsWith(QLatin1String("-.")))
        canonical.insert(1, QLatin1Char('0'));
    if (canonical.endsWith(QLatin1Char('.')))
        canonical.chop(1);
    return canonical;
}
