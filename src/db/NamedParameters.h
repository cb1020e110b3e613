#pragma once
// Statements of the module name their parameters ":name" or ":@name". They are
// bound, never pasted: the text is split at each parameter (skipping quoted
// literals, quoted names and comments) so that a driver receives positional
// "?" markers, or, for the MariaDB text protocol, each value as a literal
// made by the dialect's one quoting routine.
#include "db/SqlDialect.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

class ParsedStatement {
public:
    // `backslashEscapes`: a backslash escapes the next character inside
    // quotes (MySQL); SQL Server takes it literally.
    static ParsedStatement parse(const QString& sql, bool backslashEscapes = true);

    // The parameter names in order of appearance, as written without the
    // colon (":@begindate" gives "@begindate"); a name used twice is listed twice.
    const QStringList& names() const { return m_names; }
    // The statement with each parameter replaced by "?".
    QString positional() const;
    // The values for the positional markers, looked up in `values` by name
    // without regard to case and to a leading "@"; throws DbError when one is missing.
    QVariantList orderedValues(const QVariantMap& values) const;
    // The statement with each parameter replaced by its SQL literal.
    QString inlined(const QVariantMap& values, const SqlDialect& dialect) const;

    // The SQL literal of a bound value: NULL, a number, a quoted text or date.
    static QString literal(const QVariant& value, const SqlDialect& dialect);
    static QString normalizedName(const QString& name);

private:
    QStringList m_pieces; // text around the parameters: names + 1 pieces
    QStringList m_names;
};
