#pragma once
// Rows for the filter suites and an independent check of which rows a condition selects (read as
// written, never through the data set or its parser).
#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "framework/FilterStatement.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QTimeZone>

#include <cstring>
#include <optional>
#include <vector>

namespace filterrows {

struct Row {
    int id = 0;
    std::optional<qint64> qty;
    std::optional<qint64> units; // amount * 10000
    std::optional<QString> at;   // "yyyy-MM-dd HH:mm:ss"
    std::optional<QString> name;
    QString empNo;
    std::optional<int> dept;
};

inline QStringList strings(std::initializer_list<const char*> l) {
    QStringList out;
    for (const char* t : l)
        out << QString::fromUtf8(t);
    return out;
}

// The departments the lookup field reads: two share a name.
inline const QHash<int, QString>& departments() {
    static const QHash<int, QString> d = {{1, QStringLiteral("财务部")}, {2, QStringLiteral("O'Neil")},
                                          {3, QStringLiteral("Sales")},  {4, QStringLiteral("sales%")},
                                          {5, QStringLiteral("财务部")}, {6, QStringLiteral("[x]#1")}};
    return d;
}

inline ColumnDef column(const char* name, FieldType type) {
    ColumnDef d;
    d.name = QString::fromLatin1(name);
    d.type = type;
    d.baseTable = QStringLiteral("filter_rows");
    return d;
}

inline void addText(RowBatch& b, int c, const std::optional<QString>& t) {
    if (!t) {
        b.addNull(c);
        return;
    }
    const QByteArray u = t->toUtf8();
    b.addBytes(c, u.constData(), std::size_t(u.size()));
}

// The departments' data set (dept_id, dept_name).
inline void loadDepartments(DataSet& ds) {
    std::vector<ColumnDef> cols = {column("dept_id", FieldType::Integer),
                                   column("dept_name", FieldType::WideString)};
    ds.beginLoad(cols);
    RowBatch b({StorageKind::Int64, StorageKind::Bytes});
    for (int k = 1; k <= 6; ++k) {
        b.addInt(0, k);
        addText(b, 1, departments().value(k));
        b.endRow();
    }
    ds.appendRows(b);
    ds.endLoad();
}

// id, qty, amount, at, name, emp_no, dept_id, photo, note (Tag 10), and the
// lookup dept_name over `depts` (loaded here); every field has a Chinese label.
inline void load(DataSet& ds, DataSet& depts, const std::vector<Row>& rows) {
    loadDepartments(depts);
    std::vector<ColumnDef> cols = {column("id", FieldType::Integer),      column("qty", FieldType::Integer),
                                   column("amount", FieldType::Currency), column("at", FieldType::DateTime),
                                   column("name", FieldType::WideString), column("emp_no", FieldType::String),
                                   column("dept_id", FieldType::Integer), column("photo", FieldType::String),
                                   column("note", FieldType::String)};
    std::vector<StorageKind> kinds;
    for (const ColumnDef& c : cols)
        kinds.push_back(storageKind(c.type));
    ds.beginLoad(cols);
    RowBatch b(kinds);
    for (const Row& r : rows) {
        b.addInt(0, r.id);
        r.qty ? b.addInt(1, *r.qty) : b.addNull(1);
        r.units ? b.addInt(2, *r.units) : b.addNull(2);
        std::int64_t ms = 0;
        const QByteArray at = r.at ? r.at->toLatin1() : QByteArray();
        r.at&& cellcodec::parseDateTime(at.constData(), std::size_t(at.size()), ms) ? b.addInt(3, ms)
                                                                                    : b.addNull(3);
        addText(b, 4, r.name);
        addText(b, 5, r.empNo);
        r.dept ? b.addInt(6, *r.dept) : b.addNull(6);
        addText(b, 7, QStringLiteral("p"));
        addText(b, 8, QStringLiteral("n"));
        b.endRow();
    }
    ds.appendRows(b);
    ds.endLoad();
    ds.addLookupField(QStringLiteral("dept_name"), QStringLiteral("dept_id"), &depts,
                      QStringLiteral("dept_id"), QStringLiteral("dept_name"));
    const char* labels[][2] = {{"id", "序号"},        {"qty", "数量"},   {"amount", "金额[元]"},
                               {"at", "时间"},        {"name", "姓名"},  {"emp_no", "工号"},
                               {"dept_id", "部门号"}, {"photo", "照片"}, {"note", "备注"},
                               {"dept_name", "部门"}};
    for (const auto& l : labels)
        ds.fieldByName(QString::fromLatin1(l[0])).setDisplayLabel(QString::fromUtf8(l[1]));
    ds.fieldByName(QStringLiteral("note")).setTag(10);
}

// The ids of the rows the data set shows, in order.
inline QList<int> idsOf(const DataSet& ds) {
    QList<int> out;
    const int id = ds.fieldByName(QStringLiteral("id")).index();
    for (int i = 0; i < ds.recordCount(); ++i)
        out << ds.value(i, id).toInt();
    return out;
}

// ---- the independent check ----

inline QByteArray folded(const QString& t) {
    QByteArray b = t.toUtf8();
    for (char& c : b)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return b;
}

inline qint64 wallMsecs(const QDateTime& dt) {
    return QDateTime(dt.date(), dt.time(), Qt::UTC).toMSecsSinceEpoch();
}

inline std::optional<qint64> typedMsecs(const QString& t) {
    for (const char* f : {"yyyy-M-d H:mm:ss", "yyyy-M-d", "yyyy/M/d H:mm:ss", "yyyy/M/d"}) {
        const QDateTime dt = QDateTime::fromString(t.trimmed(), QLatin1String(f));
        if (dt.isValid())
            return wallMsecs(dt);
    }
    return std::nullopt;
}

// "12.5" -> 125000; a fifth decimal and beyond round half away from zero.
inline std::optional<qint64> typedUnits(const QString& t) {
    QString s = t.trimmed();
    bool negative = s.startsWith(QLatin1Char('-'));
    if (negative || s.startsWith(QLatin1Char('+')))
        s.remove(0, 1);
    const QStringList parts = s.split(QLatin1Char('.'));
    if (parts.size() > 2)
        return std::nullopt;
    bool ok1 = true, ok2 = true;
    const qint64 whole = parts[0].isEmpty() ? 0 : parts[0].toLongLong(&ok1);
    const QString decimals = parts.size() == 2 ? parts[1] : QString();
    qint64 frac =
        decimals.isEmpty() ? 0 : decimals.left(4).leftJustified(4, QLatin1Char('0')).toLongLong(&ok2);
    if (decimals.size() > 4 && !decimals.mid(4).contains(QRegularExpression(QStringLiteral("[^0-9]"))))
        frac += decimals[4] >= QLatin1Char('5') ? 1 : 0;
    else if (decimals.size() > 4)
        return std::nullopt;
    if (!ok1 || !ok2 || (parts[0].isEmpty() && (parts.size() < 2 || parts[1].isEmpty())))
        return std::nullopt;
    const qint64 v = whole * 10000 + frac;
    return negative ? -v : v;
}

inline QString unitsText(qint64 units) {
    QString t = QString::number(double(units) / 10000.0, 'f', 4);
    while (t.contains(QLatin1Char('.')) && (t.endsWith(QLatin1Char('0')) || t.endsWith(QLatin1Char('.'))))
        t.chop(1);
    return t;
}

template <typename T> bool ordered(const QString& op, const T& a, const T& b) {
    const bool lt = a < b, gt = b < a;
    if (op == QLatin1String("=") || op == QLatin1String("<>"))
        return (lt || gt) == (op == QLatin1String("<>"));
    return op == QLatin1String("<")    ? lt
           : op == QLatin1String(">")  ? gt
           : op == QLatin1String("<=") ? !gt
                                       : !lt;
}

// A cell as the check sees it: its kind and value (nullopt for null).
struct RowCell {
    enum Kind { Integer, Money, DateTime, Text } kind = Text;
    std::optional<qint64> number;
    std::optional<QString> text;
    bool null() const { return kind == Text ? !text : !number; }
};

inline RowCell cellOf(const Row& r, const QString& field) {
    RowCell c;
    if (field == QLatin1String("id"))
        c = {RowCell::Integer, r.id, {}};
    else if (field == QLatin1String("qty"))
        c = {RowCell::Integer, r.qty, {}};
    else if (field == QLatin1String("dept_id"))
        c = {RowCell::Integer, r.dept ? std::optional<qint64>(*r.dept) : std::nullopt, {}};
    else if (field == QLatin1String("amount"))
        c = {RowCell::Money, r.units, {}};
    else if (field == QLatin1String("at")) {
        c.kind = RowCell::DateTime;
        if (r.at)
            c.number = typedMsecs(*r.at);
        c.text = r.at;
    } else if (field == QLatin1String("name"))
        c.text = r.name;
    else if (field == QLatin1String("emp_no"))
        c.text = r.empNo;
    else if (field == QLatin1String("dept_name") && r.dept && departments().contains(*r.dept))
        c.text = departments().value(*r.dept);
    return c;
}

// Whether `row` meets "field op typed": compared in the field's type, texts ignoring ASCII case, "like"
// a literal prefix, empty meaning "no value"; nullopt when `typed` is no value of the type (refused).
inline std::optional<bool> meets(const Row& row, const QString& field, const QString& op,
                                 const QString& typed) {
    const RowCell c = cellOf(row, field);
    if (typed.trimmed().isEmpty()) {
        if (op == QLatin1String("<>"))
            return !c.null();
        return c.null(); // "=", "like"; the others are refused before any row is seen
    }
    const bool like = op == QLatin1String("like");
    if (c.kind == RowCell::Text) {
        if (c.null())
            return false;
        const QByteArray have = folded(*c.text), want = folded(typed.trimmed());
        return like ? have.startsWith(want) : ordered(op, have, want);
    }
    bool ok = true;
    const std::optional<qint64> v = c.kind == RowCell::Money      ? typedUnits(typed)
                                    : c.kind == RowCell::DateTime ? typedMsecs(typed)
                                                                  : typed.trimmed().toLongLong(&ok);
    if (!v || !ok)
        return std::nullopt;
    if (c.null())
        return false;
    if (!like)
        return ordered(op, *c.number, *v);
    if (c.kind == RowCell::Money)
        return unitsText(*c.number).startsWith(unitsText(*v));
    return c.kind == RowCell::DateTime ? *c.number == *v
                                       : QString::number(*c.number).startsWith(QString::number(*v));
}

// The ids of the rows meeting "field op typed" ("between" typed and upper),
// or nullopt when a typed value is no value of the field's type.
inline std::optional<QList<int>> expectedIds(const std::vector<Row>& rows, const QString& field,
                                             const QString& op, const QString& typed, const QString& upper) {
    QList<int> out;
    for (const Row& r : rows) {
        std::optional<bool> m;
        if (op == FilterStatement::kBetween) {
            const auto lo = meets(r, field, QStringLiteral(">="), typed);
            const auto hi = meets(r, field, QStringLiteral("<="), upper);
            m = lo && hi ? std::optional<bool>(*lo && *hi) : std::nullopt;
        } else {
            m = meets(r, field, op, typed);
        }
        if (!m)
            return std::nullopt;
        if (*m)
            out << r.id;
    }
    return out;
}

} // namespace filterrows
