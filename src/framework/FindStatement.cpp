#include "framework/FindStatement.h"

#include "framework/FindCondition.h"

#include <QHash>
#include <QRegularExpression>
#include <QVector>

namespace FindStatement {

namespace {

// A word or a comma of the statement outside quotes, brackets and parentheses.
struct Token {
    bool comma = false;
    QString upper;
    int pos = 0;
    int end = 0;
};

QVector<Token> topLevelTokens(const QString& sql) {
    QVector<Token> tokens;
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
        } else if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            depth += c == QLatin1Char('(') ? 1 : -1;
            ++i;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            int j = i;
            while (j < n &&
                   (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_') || sql[j] == QLatin1Char('@')))
                ++j;
            if (depth == 0)
                tokens.push_back({false, sql.mid(i, j - i).toUpper(), i, j});
            i = j;
        } else {
            if (c == QLatin1Char(',') && depth == 0)
                tokens.push_back({true, QString(), i, i + 1});
            ++i;
        }
    }
    return tokens;
}

int findWord(const QVector<Token>& tokens, const QStringList& words, int from = 0) {
    for (int i = from; i < tokens.size(); ++i)
        if (!tokens[i].comma && words.contains(tokens[i].upper))
            return i;
    return -1;
}

// The items of a comma list between two positions, split at top-level commas.
QStringList items(const QString& sql, const QVector<Token>& tokens, int begin, int end) {
    QStringList list;
    int start = begin;
    for (const Token& t : tokens)
        if (t.comma && t.pos > begin && t.pos < end) {
            list << sql.mid(start, t.pos - start).trimmed();
            start = t.end;
        }
    list << sql.mid(start, end - start).trimmed();
    return list;
}

// An item that names its column itself ("x as y", "count(*) n").
bool hasAlias(QString item) {
    static const QRegularExpression top(QStringLiteral("^top\\s+\\(?\\d+\\)?\\s+"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression alias(
        QStringLiteral("^.*[\\w\\)\\]'\"`]\\s+(?:as\\s+)?([\\w]+|\\[[^\\]]+\\]|"
                       "\"[^\"]+\"|`[^`]+`)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption |
            QRegularExpression::DotMatchesEverythingOption);
    item.remove(top);
    const QRegularExpressionMatch m = alias.match(item);
    return m.hasMatch() && m.captured(1).compare(QLatin1String("END"), Qt::CaseInsensitive) != 0;
}

QString unqualified(QString name) {
    name = name.trimmed();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name = name.mid(dot + 1);
    static const QRegularExpression quotes(QStringLiteral("[\\[\\]`\"]"));
    return name.remove(quotes);
}

// The ORDER BY list of a derived table's statement, written for the outer
// query; empty when a column it names is not among the result's.
QString outerOrder(const QString& orderList, const QVector<Token>& tokens, const QStringList& columns) {
    static const QRegularExpression direction(QStringLiteral("\\s+(asc|desc)$"),
                                              QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (QString item : items(orderList, tokens, 0, int(orderList.size()))) {
        const QRegularExpressionMatch m = direction.match(item);
        const QString dir = m.hasMatch() ? m.captured(0) : QString();
        item.chop(dir.size());
        const QString column = unqualified(item);
        bool number = false;
        column.toInt(&number);
        if (!number && !columns.contains(column, Qt::CaseInsensitive))
            return QString();
        out << column + dir;
    }
    return out.join(QLatin1Char(','));
}

} // namespace

QString build(const SqlDialect& dialect, const Request& r) {
    const QString& base = r.baseStatement;
    const QVector<Token> tokens = topLevelTokens(base);
    const QVector<Token> extraTokens = topLevelTokens(r.extra);
    const bool extraOrders = findWord(extraTokens, {QStringLiteral("ORDER")}) >= 0;
    const int select = findWord(tokens, {QStringLiteral("SELECT")});
    const int from = select < 0 ? -1 : findWord(tokens, {QStringLiteral("FROM")}, select);

    // Can the condition name the table's columns in the statement itself?
    bool derived =
        from < 0 || findWord(tokens, {QStringLiteral("GROUP"), QStringLiteral("HAVING"),
                                      QStringLiteral("UNION"), QStringLiteral("EXCEPT"),
                                      QStringLiteral("INTERSECT"), QStringLiteral("DISTINCT")}) >= 0;
    QHash<QString, QString> qualifiers; // column -> table name in the select list
    if (!derived) {
        static const QRegularExpression qualified(QStringLiteral("^([A-Za-z_]\\w*)\\.([A-Za-z_]\\w*)$"));
        for (const QString& item : items(base, tokens, tokens[select].end, tokens[from].pos)) {
            if (hasAlias(item)) {
                derived = true;
                break;
            }
            const QRegularExpressionMatch m = qualified.match(item);
            if (m.hasMatch())
                qualifiers.insert(m.captured(2).toLower(), m.captured(1));
        }
    }

    if (!derived) {
        const QString condition = FindCondition::sqlCondition(
            dialect, qualifiers.value(r.fieldName.toLower()), r.fieldName, r.type, r.op, r.typed);
        const int where = findWord(tokens, {QStringLiteral("WHERE")}, from);
        const int tail = findWord(tokens, {QStringLiteral("ORDER"), QStringLiteral("LIMIT")}, from);
        const int tailPos = tail < 0 ? int(base.size()) : tokens[tail].pos;
        QString sql;
        if (where >= 0)
            sql = base.left(tokens[where].pos) +
                  QStringLiteral("WHERE (%1) AND %2 %3")
                      .arg(base.mid(tokens[where].end, tailPos - tokens[where].end).trimmed(), condition,
                           r.extra);
        else
            sql = QStringLiteral("%1 WHERE %2 %3").arg(base.left(tailPos), condition, r.extra);
        const bool tailOrders = tail >= 0 && tokens[tail].upper == QLatin1String("ORDER");
        if (tail >= 0 && !(tailOrders && extraOrders))
            sql += QLatin1Char(' ') + base.mid(tailPos).trimmed();
        return sql;
    }

    const QString condition =
        FindCondition::sqlCondition(dialect, QString(), r.fieldName, r.type, r.op, r.typed);
    QString inner = base;
    QString order;
    int last = -1;
    for (int i = 0; i < tokens.size(); ++i)
        if (!tokens[i].comma &&
            (tokens[i].upper == QLatin1String("ORDER") || tokens[i].upper == QLatin1String("LIMIT") ||
             tokens[i].upper == QLatin1String("UNION") || tokens[i].upper == QLatin1String("GROUP")))
            last = i;
    if (last >= 0 && tokens[last].upper == QLatin1String("ORDER") && last + 1 < tokens.size() &&
        tokens[last + 1].upper == QLatin1String("BY")) {
        // A derived table keeps no order (and SQL Server refuses one there).
        const QString list = base.mid(tokens[last + 1].end).trimmed();
        order = outerOrder(list, topLevelTokens(list), r.resultColumns);
        inner = base.left(tokens[last].pos);
    }
    QString sql =
        QStringLiteral("SELECT * FROM (%1) FindRows WHERE %2 %3").arg(inner.trimmed(), condition, r.extra);
    if (!order.isEmpty() && !extraOrders)
        sql += QStringLiteral(" ORDER BY ") + order;
    return sql;
}

} // namespace FindStatement
