#pragma once
// The engine-specific fragments every statement is built with, and the one
// routine that turns operator-typed text into SQL literals. The dialect is
// chosen at run time from the configuration.
#include "db/DbError.h"

#include <QString>

#include <limits>
#include <optional>

class SqlDialect {
public:
    SqlDialect() = default;
    SqlDialect(bool isSqlServer, bool isMySql) : m_isSqlServer(isSqlServer), m_isMySql(isMySql) {}

    bool isSqlServer() const { return m_isSqlServer; }
    bool isMySql() const { return m_isMySql; }

    // "len" / "length"
    QString lengthFunction() const;
    // "isnull" / "ifnull"
    QString nullFunction() const;
    // After SELECT: "SQL_BIG_RESULT " on MySQL, else nothing. A grouping into
    // many groups of long keys is then sorted instead of collected in a
    // temporary table, which outgrows memory and moves to disk.
    QString manyGroupsHint() const;
    // Date part of a date-time expression: CONVERT(varchar(W),x,120) / Date(x)
    QString dateTimeText(const QString& expr, int width) const;
    // Any value as text: CONVERT(varchar(W),x,120) / CONVERT(x,CHAR(W))
    QString valueText(const QString& expr, int width) const;
    // Row limit, asked for twice: once for the head (AtEnd false), once for the tail.
    QString rowLimit(bool atEnd, int n) const;
    // Time of day of sign_time; chosen by the configured engine name.
    QString signTimeOfDay() const;
    // "select <columns> from <left> full join <right> on <on>": every row of
    // both sides, paired where `on` holds. MariaDB has no full join: there the
    // left join is united with the right join's rows that found no partner,
    // told by `leftKey` (a column of `on` from the left side) being null.
    QString fullJoinSelect(const QString& columns, const QString& left, const QString& right,
                           const QString& on, const QString& leftKey) const;

    // Employees current and departed together.
    static QString employeeSource();
    static QString dateQuote() { return QStringLiteral("'"); }
    static QString trueText() { return QStringLiteral("1"); }
    static QString falseText() { return QStringLiteral("0"); }

    // The one quoting routine: a complete SQL string literal of `text`, quotes
    // doubled (and backslashes escaped on MySQL, where they are escapes).
    QString quote(const QString& text) const;
    // The inside of a literal, for statement templates that carry their own quotes.
    QString escape(const QString& text) const;
    // A LIKE literal matching every text that begins with `prefix` taken
    // literally: wildcards the operator typed ("%", "_", "[") match themselves.
    QString likePrefix(const QString& prefix) const;

    // Number conversions that refuse what is not a number, with the message the
    // operator sees; nothing is queried after a refusal.
    // The one integer reading: the whole text (blanks around it aside) is an
    // optional sign and decimal digits, and the value lies in [min, max];
    // anything else ("1abc", "", "1.5", "0x10", out of range) gives nothing.
    static std::optional<qint64> parseInteger(const QString& text,
                                              qint64 min = std::numeric_limits<qint64>::min(),
                                              qint64 max = std::numeric_limits<qint64>::max());
    static qint64 toInteger(const QString& text);
    // Refuses also a value outside [min, max]; the message names `what` (an option, a field).
    static qint64 toInteger(const QString& text, qint64 min, qint64 max, const QString& what);
    static QString toIntegerText(const QString& text);
    // A decimal number, returned in canonical SQL form ("12.50", "-3").
    static QString toDecimalText(const QString& text);
    // A money sum as decimal(16,2): the engines widen SUM of a decimal(12,2)
    // beyond what a data set holds as fixed-point, which it would then read
    // as binary floating point.
    static QString moneySum(const QString& expression);

private:
    bool m_isSqlServer = false;
    bool m_isMySql = true;
};
