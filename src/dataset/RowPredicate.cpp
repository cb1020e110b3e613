#include "dataset/RowPredicate.h"

#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "dataset/TextCompare.h"
#include "db/DbError.h"

#include <QDateTime>

#include <cmath>
#include <string>
#include <vector>

namespace {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

template <Op op, typename T> inline bool compare(T a, T b) {
    if constexpr (op == Op::Eq)
        return a == b;
    else if constexpr (op == Op::Ne)
        return a != b;
    else if constexpr (op == Op::Lt)
        return a < b;
    else if constexpr (op == Op::Gt)
        return a > b;
    else if constexpr (op == Op::Le)
        return a <= b;
    else
        return a >= b;
}

bool compareOrder(Op op, int c) {
    switch (op) {
    case Op::Eq:
        return c == 0;
    case Op::Ne:
        return c != 0;
    case Op::Lt:
        return c < 0;
    case Op::Gt:
        return c > 0;
    case Op::Le:
        return c <= 0;
    case Op::Ge:
        return c >= 0;
    }
    return false;
}

// ---- nodes ----

struct ColumnNode : RowPredicate {
    ColumnNode(const RowStore& s, int c) : store(s), col(c) {}
    const RowStore& store;
    int col;
};

template <Op op> struct IntNode final : ColumnNode {
    IntNode(const RowStore& s, int c, std::int64_t k) : ColumnNode(s, c), value(k) {}
    bool test(Bookmark r) const override {
        return !store.isNull(r, col) && compare<op>(store.intAt(r, col), value);
    }
    std::int64_t value;
};

template <Op op> struct IntAsDoubleNode final : ColumnNode {
    IntAsDoubleNode(const RowStore& s, int c, double k) : ColumnNode(s, c), value(k) {}
    bool test(Bookmark r) const override {
        return !store.isNull(r, col) && compare<op>(double(store.intAt(r, col)), value);
    }
    double value;
};

template <Op op> struct DoubleNode final : ColumnNode {
    DoubleNode(const RowStore& s, int c, double k) : ColumnNode(s, c), value(k) {}
    bool test(Bookmark r) const override {
        return !store.isNull(r, col) && compare<op>(store.doubleAt(r, col), value);
    }
    double value;
};

template <Op op> struct TextNode final : ColumnNode {
    TextNode(const RowStore& s, int c, std::string k, bool ci)
        : ColumnNode(s, c), value(std::move(k)), caseInsensitive(ci) {}
    bool test(Bookmark r) const override {
        if (store.isNull(r, col))
            return false;
        return compare<op>(textcompare::compare(store.bytesAt(r, col), value, caseInsensitive), 0);
    }
    std::string value;
    bool caseInsensitive;
};

struct LikeNode final : ColumnNode {
    LikeNode(const RowStore& s, int c, const std::string& pattern, bool negate)
        : ColumnNode(s, c), matcher(pattern), negated(negate) {}
    bool test(Bookmark r) const override {
        if (store.isNull(r, col))
            return false;
        return matcher.matches(store.bytesAt(r, col)) != negated;
    }
    textcompare::LikePattern matcher;
    bool negated;
};

struct PrefixNode final : ColumnNode {
    PrefixNode(const RowStore& s, int c, std::string k, bool ci)
        : ColumnNode(s, c), prefix(std::move(k)), caseInsensitive(ci) {}
    bool test(Bookmark r) const override {
        return !store.isNull(r, col) &&
               textcompare::startsWith(store.bytesAt(r, col), prefix, caseInsensitive);
    }
    std::string prefix;
    bool caseInsensitive;
};

struct NullNode final : ColumnNode {
    NullNode(const RowStore& s, int c, bool wantNull) : ColumnNode(s, c), null(wantNull) {}
    bool test(Bookmark r) const override { return store.isNull(r, col) == null; }
    bool null;
};

// Calculated fields and comparisons the storage cannot answer directly.
struct GenericNode final : RowPredicate {
    enum class Mode { Compare, Like, NotLike, IsNull, NotNull };
    GenericNode(const DataSet& d, int f, Mode m, Op o, QVariant k, bool numeric)
        : ds(d), field(f), mode(m), op(o), value(std::move(k)), numericCompare(numeric) {
        if (mode == Mode::Like || mode == Mode::NotLike)
            matcher = std::make_unique<textcompare::LikePattern>(value.toString().toStdString());
    }
    bool test(Bookmark r) const override {
        const QVariant v = ds.valueAt(r, field);
        const bool isNull = v.isNull() || !v.isValid();
        if (mode == Mode::IsNull)
            return isNull;
        if (mode == Mode::NotNull)
            return !isNull;
        if (isNull)
            return false;
        if (mode != Mode::Compare) {
            // A date-time matches as "yyyy-MM-dd HH:mm:ss", midnight included.
            const FieldType type = ds.field(field)->dataType();
            const QString text = isDateTimeType(type) && type != FieldType::Time
                                     ? cellcodec::dateTimeText(cellcodec::toMsecs(v.toDateTime()))
                                     : ds.textAt(r, field);
            const bool m = matcher->matches(text.toStdString());
            return mode == Mode::Like ? m : !m;
        }
        if (numericCompare) {
            const double a = v.toDouble(), b = value.toDouble();
            return compareOrder(op, a < b ? -1 : (a > b ? 1 : 0));
        }
        const std::string a = v.toString().toStdString();
        return compareOrder(op, textcompare::compare(a, value.toString().toStdString(), true));
    }
    const DataSet& ds;
    int field;
    Mode mode;
    Op op;
    QVariant value;
    bool numericCompare;
    std::unique_ptr<textcompare::LikePattern> matcher;
};

struct AndNode final : RowPredicate {
    std::vector<std::shared_ptr<RowPredicate>> parts;
    bool test(Bookmark r) const override {
        for (const auto& p : parts)
            if (!p->test(r))
                return false;
        return true;
    }
};

struct OrNode final : RowPredicate {
    std::vector<std::shared_ptr<RowPredicate>> parts;
    bool test(Bookmark r) const override {
        for (const auto& p : parts)
            if (p->test(r))
                return true;
        return false;
    }
};

struct NotNode final : RowPredicate {
    explicit NotNode(std::shared_ptr<RowPredicate> p) : inner(std::move(p)) {}
    bool test(Bookmark r) const override { return !inner->test(r); }
    std::shared_ptr<RowPredicate> inner;
};

template <template <Op> class Node, typename... Args>
std::shared_ptr<RowPredicate> make(Op op, Args&&... args) {
    switch (op) {
    case Op::Eq:
        return std::make_shared<Node<Op::Eq>>(std::forward<Args>(args)...);
    case Op::Ne:
        return std::make_shared<Node<Op::Ne>>(std::forward<Args>(args)...);
    case Op::Lt:
        return std::make_shared<Node<Op::Lt>>(std::forward<Args>(args)...);
    case Op::Gt:
        return std::make_shared<Node<Op::Gt>>(std::forward<Args>(args)...);
    case Op::Le:
        return std::make_shared<Node<Op::Le>>(std::forward<Args>(args)...);
    case Op::Ge:
        return std::make_shared<Node<Op::Ge>>(std::forward<Args>(args)...);
    }
    return nullptr;
}

// ---- constants ----

struct Constant {
    enum Kind { Null, Text, Number, Date, Bool } kind = Null;
    QString text;           // Text; for Number the number as written
    std::int64_t msecs = 0; // Date
    bool boolean = false;   // Bool
};

[[noreturn]] void fail(const QString& why) {
    throw DbError(QStringLiteral("筛选条件有误: %1").arg(why));
}

bool parseDateText(const QString& raw, std::int64_t& msecs) {
    const QString t = raw.trimmed();
    const QByteArray b = t.toLatin1();
    if (cellcodec::parseDateTime(b.constData(), std::size_t(b.size()), msecs))
        return true;
    static const char* const formats[] = {
        "yyyy/M/d H:mm:ss", "yyyy/M/d H:mm",    "yyyy/M/d",      "yyyy-M-d H:mm:ss", "yyyy-M-d H:mm",
        "yyyy-M-d",         "M/d/yyyy H:mm:ss", "M/d/yyyy H:mm", "M/d/yyyy",         "yyyy-MM-dd HH:mm"};
    for (const char* f : formats) {
        const QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid()) {
            msecs = cellcodec::toMsecs(dt);
            return true;
        }
    }
    return false;
}

bool numberOf(const Constant& k, QString& numberText) {
    if (k.kind == Constant::Number) {
        numberText = k.text;
        return true;
    }
    if (k.kind == Constant::Bool) {
        numberText = k.boolean ? QStringLiteral("1") : QStringLiteral("0");
        return true;
    }
    if (k.kind == Constant::Text) {
        bool ok = false;
        k.text.trimmed().toDouble(&ok);
        if (ok)
            numberText = k.text.trimmed();
        return ok;
    }
    return false;
}

// Compiles "field op constant" for a stored or calculated field.
std::shared_ptr<RowPredicate> comparison(const DataSet& ds, int fieldIndex, Op op, const Constant& k) {
    const Field* f = ds.field(fieldIndex);
    const FieldType type = f->dataType();
    if (k.kind == Constant::Null) {
        if (op != Op::Eq && op != Op::Ne)
            fail(QStringLiteral("Null 只能用 = 或 <> 比较"));
        if (f->isCalculated())
            return std::make_shared<GenericNode>(
                ds, fieldIndex, op == Op::Eq ? GenericNode::Mode::IsNull : GenericNode::Mode::NotNull, op,
                QVariant(), false);
        return std::make_shared<NullNode>(*ds.store(), f->column(), op == Op::Eq);
    }
    if (f->isCalculated()) {
        QString num;
        const bool numeric = isNumericType(type) && numberOf(k, num);
        QVariant v = numeric ? QVariant(num.toDouble()) : QVariant(k.text);
        if (k.kind == Constant::Date)
            v = cellcodec::dateTimeText(k.msecs);
        return std::make_shared<GenericNode>(ds, fieldIndex, GenericNode::Mode::Compare, op, v, numeric);
    }
    const RowStore& s = *ds.store();
    const int c = f->column();
    const QString label = f->fieldName();
    switch (storageKind(type)) {
    case StorageKind::Int64: {
        if (isDateTimeType(type)) {
            std::int64_t ms = k.msecs;
            if (k.kind == Constant::Text) {
                const QByteArray b = k.text.trimmed().toLatin1();
                bool ok = type == FieldType::Time
                              ? cellcodec::parseTime(b.constData(), std::size_t(b.size()), ms)
                              : parseDateText(k.text, ms);
                if (!ok)
                    fail(QStringLiteral("'%1' 不是 %2 的日期时间").arg(k.text, label));
            } else if (k.kind != Constant::Date) {
                fail(QStringLiteral("%1 是日期时间字段").arg(label));
            } else if (type == FieldType::Time) {
                ms = ms - std::int64_t(std::floor(double(ms) / double(kMsecsPerDay))) * kMsecsPerDay;
            }
            return make<IntNode>(op, s, c, ms);
        }
        if (type == FieldType::Boolean) {
            bool b = k.boolean;
            if (k.kind == Constant::Text || k.kind == Constant::Number) {
                const QString t = k.text.trimmed().toLower();
                if (t == QLatin1String("true") || t == QLatin1String("yes"))
                    b = true;
                else if (t == QLatin1String("false") || t == QLatin1String("no"))
                    b = false;
                else {
                    bool ok = false;
                    b = t.toDouble(&ok) != 0;
                    if (!ok)
                        fail(QStringLiteral("'%1' 不是 %2 的逻辑值").arg(k.text, label));
                }
            } else if (k.kind == Constant::Date) {
                fail(QStringLiteral("%1 是逻辑字段").arg(label));
            }
            return make<IntNode>(op, s, c, std::int64_t(b ? 1 : 0));
        }
        QString num;
        if (!numberOf(k, num))
            fail(QStringLiteral("'%1' 不是 %2 的数值").arg(k.text, label));
        const QByteArray b = num.toLatin1();
        std::int64_t iv;
        if (cellcodec::parseInt64(b.constData(), std::size_t(b.size()), iv))
            return make<IntNode>(op, s, c, iv);
        return make<IntAsDoubleNode>(op, s, c, num.toDouble());
    }
    case StorageKind::Fixed4: {
        QString num;
        if (!numberOf(k, num))
            fail(QStringLiteral("'%1' 不是 %2 的数值").arg(k.text, label));
        const QByteArray b = num.toLatin1();
        std::int64_t fv;
        if (!cellcodec::parseFixed4(b.constData(), std::size_t(b.size()), fv) &&
            !cellcodec::doubleToFixed(num.toDouble(), fv))
            fail(QStringLiteral("'%1' 超出 %2 的范围").arg(num, label));
        return make<IntNode>(op, s, c, fv);
    }
    case StorageKind::Double: {
        QString num;
        if (!numberOf(k, num))
            fail(QStringLiteral("'%1' 不是 %2 的数值").arg(k.text, label));
        return make<DoubleNode>(op, s, c, num.toDouble());
    }
    case StorageKind::Bytes: {
        if (type == FieldType::Blob)
            fail(QStringLiteral("%1 不能用于筛选").arg(label));
        QString text = k.text; // a #date# compares with a text as written
        if (k.kind == Constant::Bool)
            text = k.boolean ? QStringLiteral("True") : QStringLiteral("False");
        return make<TextNode>(op, s, c, text.toStdString(), true);
    }
    }
    return nullptr;
}

std::shared_ptr<RowPredicate> like(const DataSet& ds, int fieldIndex, const Constant& k, bool negate) {
    if (k.kind == Constant::Null)
        fail(QStringLiteral("LIKE 需要文本"));
    const Field* f = ds.field(fieldIndex);
    const QString pattern = k.text;
    if (!f->isCalculated() && storageKind(f->dataType()) == StorageKind::Bytes) {
        if (f->dataType() == FieldType::Blob)
            fail(QStringLiteral("%1 不能用于筛选").arg(f->fieldName()));
        return std::make_shared<LikeNode>(*ds.store(), f->column(), pattern.toStdString(), negate);
    }
    return std::make_shared<GenericNode>(ds, fieldIndex,
                                         negate ? GenericNode::Mode::NotLike : GenericNode::Mode::Like,
                                         Op::Eq, pattern, false);
}

// ---- parser ----

struct Token {
    enum Kind { End, LParen, RParen, Operator, Name, Quoted, DateLit, Number } kind = End;
    QString text;
    bool bracketed = false;
};

class Parser {
public:
    Parser(const QString& text, const DataSet& ds) : m_text(text), m_ds(ds) { advance(); }

    std::shared_ptr<RowPredicate> parseAll() {
        auto p = parseOr();
        if (m_tok.kind != Token::End)
            fail(QStringLiteral("多余的 '%1'").arg(m_tok.text));
        return p;
    }

private:
    bool keyword(const char* word) const {
        return m_tok.kind == Token::Name && !m_tok.bracketed &&
               m_tok.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    std::shared_ptr<RowPredicate> parseOr() {
        auto first = parseAnd();
        if (!keyword("OR"))
            return first;
        auto node = std::make_shared<OrNode>();
        node->parts.push_back(first);
        while (keyword("OR")) {
            advance();
            node->parts.push_back(parseAnd());
        }
        return node;
    }

    std::shared_ptr<RowPredicate> parseAnd() {
        auto first = parseFactor();
        if (!keyword("AND"))
            return first;
        auto node = std::make_shared<AndNode>();
        node->parts.push_back(first);
        while (keyword("AND")) {
            advance();
            node->parts.push_back(parseFactor());
        }
        return node;
    }

    std::shared_ptr<RowPredicate> parseFactor() {
        if (m_tok.kind == Token::LParen) {
            advance();
            auto inner = parseOr();
            if (m_tok.kind != Token::RParen)
                fail(QStringLiteral("缺少 ')'"));
            advance();
            return inner;
        }
        if (keyword("NOT")) {
            advance();
            return std::make_shared<NotNode>(parseFactor());
        }
        return parseComparison();
    }

    std::shared_ptr<RowPredicate> parseComparison() {
        if (m_tok.kind != Token::Name)
            fail(m_tok.kind == Token::End ? QStringLiteral("条件不完整")
                                          : QStringLiteral("'%1' 处应为字段名").arg(m_tok.text));
        const int field = resolveField(m_tok.text);
        advance();
        if (keyword("IS")) {
            advance();
            bool negate = false;
            if (keyword("NOT")) {
                negate = true;
                advance();
            }
            if (!keyword("NULL"))
                fail(QStringLiteral("IS 之后应为 Null"));
            advance();
            Constant k;
            return comparison(m_ds, field, negate ? Op::Ne : Op::Eq, k);
        }
        bool notLike = false;
        if (keyword("NOT")) {
            advance();
            if (!keyword("LIKE"))
                fail(QStringLiteral("NOT 之后应为 LIKE"));
            notLike = true;
        }
        if (keyword("LIKE")) {
            advance();
            return like(m_ds, field, parseConstant(), notLike);
        }
        if (m_tok.kind != Token::Operator)
            fail(m_tok.kind == Token::End ? QStringLiteral("条件不完整")
                                          : QStringLiteral("'%1' 处应为比较运算符").arg(m_tok.text));
        const Op op = opOf(m_tok.text);
        advance();
        return comparison(m_ds, field, op, parseConstant());
    }

    Constant parseConstant() {
        Constant k;
        switch (m_tok.kind) {
        case Token::Quoted:
            k.kind = Constant::Text;
            k.text = m_tok.text;
            break;
        case Token::Number:
            k.kind = Constant::Number;
            k.text = m_tok.text;
            break;
        case Token::DateLit:
            // "#...#" delimits a date, or a text that holds a single quote
            // ("name = #O'Brien#", as the condition builder writes it).
            k.kind = parseDateText(m_tok.text, k.msecs) ? Constant::Date : Constant::Text;
            k.text = m_tok.text;
            break;
        case Token::Name:
            if (keyword("NULL"))
                k.kind = Constant::Null;
            else if (keyword("TRUE") || keyword("FALSE")) {
                k.kind = Constant::Bool;
                k.boolean = keyword("TRUE");
                k.text = m_tok.text;
            } else
                fail(QStringLiteral("'%1' 处应为值").arg(m_tok.text));
            break;
        default:
            fail(m_tok.kind == Token::End ? QStringLiteral("缺少比较的值")
                                          : QStringLiteral("'%1' 处应为值").arg(m_tok.text));
        }
        advance();
        return k;
    }

    static Op opOf(const QString& t) {
        if (t == QLatin1String("="))
            return Op::Eq;
        if (t == QLatin1String("<>") || t == QLatin1String("!="))
            return Op::Ne;
        if (t == QLatin1String("<"))
            return Op::Lt;
        if (t == QLatin1String(">"))
            return Op::Gt;
        if (t == QLatin1String("<="))
            return Op::Le;
        return Op::Ge;
    }

    int resolveField(const QString& name) const {
        if (const Field* f = m_ds.findField(name))
            return f->index();
        for (int i = 0; i < m_ds.fieldCount(); ++i)
            if (m_ds.field(i)->displayLabel().compare(name, Qt::CaseInsensitive) == 0)
                return i;
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0)
            if (const Field* f = m_ds.findField(name.mid(dot + 1)))
                return f->index();
        fail(QStringLiteral("字段 %1 不存在").arg(name));
    }

    void advance() {
        const int n = m_text.size();
        while (m_i < n && m_text[m_i].isSpace())
            ++m_i;
        m_tok = Token();
        if (m_i >= n)
            return;
        const QChar c = m_text[m_i];
        if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            m_tok.kind = c == QLatin1Char('(') ? Token::LParen : Token::RParen;
            m_tok.text = c;
            ++m_i;
            return;
        }
        if (c == QLatin1Char('=') || c == QLatin1Char('<') || c == QLatin1Char('>') ||
            c == QLatin1Char('!')) {
            QString op(c);
            if (m_i + 1 < n) {
                const QChar d = m_text[m_i + 1];
                if ((c == QLatin1Char('<') && (d == QLatin1Char('>') || d == QLatin1Char('='))) ||
                    ((c == QLatin1Char('>') || c == QLatin1Char('!')) && d == QLatin1Char('=')))
                    op += d;
            }
            if (op == QLatin1String("!"))
                fail(QStringLiteral("'!' 不是运算符"));
            m_i += op.size();
            m_tok.kind = Token::Operator;
            m_tok.text = op;
            return;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            QString value;
            int j = m_i + 1;
            for (;;) {
                if (j >= n)
                    fail(QStringLiteral("文本缺少结束的引号"));
                if (m_text[j] == c) {
                    if (j + 1 < n && m_text[j + 1] == c) {
                        value += c;
                        j += 2;
                        continue;
                    }
                    break;
                }
                value += m_text[j++];
            }
            m_i = j + 1;
            m_tok.kind = Token::Quoted;
            m_tok.text = value;
            return;
        }
        if (c == QLatin1Char('#')) {
            const int end = m_text.indexOf(QLatin1Char('#'), m_i + 1);
            if (end < 0)
                fail(QStringLiteral("日期缺少结束的 '#'"));
            m_tok.kind = Token::DateLit;
            m_tok.text = m_text.mid(m_i + 1, end - m_i - 1);
            m_i = end + 1;
            return;
        }
        if (c == QLatin1Char('[')) {
            const int end = m_text.indexOf(QLatin1Char(']'), m_i + 1);
            if (end < 0)
                fail(QStringLiteral("字段名缺少 ']'"));
            m_tok.kind = Token::Name;
            m_tok.bracketed = true;
            m_tok.text = m_text.mid(m_i + 1, end - m_i - 1).trimmed();
            m_i = end + 1;
            return;
        }
        if (c.isDigit() ||
            ((c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('.')) && m_i + 1 < n &&
             (m_text[m_i + 1].isDigit() || m_text[m_i + 1] == QLatin1Char('.')))) {
            int j = m_i + 1;
            while (j < n && (m_text[j].isDigit() || m_text[j] == QLatin1Char('.') ||
                             m_text[j] == QLatin1Char('e') || m_text[j] == QLatin1Char('E') ||
                             ((m_text[j] == QLatin1Char('-') || m_text[j] == QLatin1Char('+')) &&
                              (m_text[j - 1] == QLatin1Char('e') || m_text[j - 1] == QLatin1Char('E')))))
                ++j;
            m_tok.kind = Token::Number;
            m_tok.text = m_text.mid(m_i, j - m_i);
            bool ok = false;
            m_tok.text.toDouble(&ok);
            if (!ok)
                fail(QStringLiteral("'%1' 不是有效的数值").arg(m_tok.text));
            m_i = j;
            return;
        }
        if (c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c.unicode() > 127) {
            int j = m_i + 1;
            while (j < n && (m_text[j].isLetterOrNumber() || m_text[j] == QLatin1Char('_') ||
                             m_text[j] == QLatin1Char('.') || m_text[j] == QLatin1Char('$') ||
                             (m_text[j].unicode() > 127 && !m_text[j].isSpace())))
                ++j;
            m_tok.kind = Token::Name;
            m_tok.text = m_text.mid(m_i, j - m_i);
            m_i = j;
            return;
        }
        fail(QStringLiteral("无法识别的字符 '%1'").arg(c));
    }

    const QString& m_text;
    const DataSet& m_ds;
    int m_i = 0;
    Token m_tok;
};

} // namespace

std::shared_ptr<RowPredicate> compileFilter(const QString& expression, const DataSet& dataSet) {
    if (!dataSet.store())
        throw DbError(QStringLiteral("数据集没有打开"));
    Parser parser(expression, dataSet);
    return parser.parseAll();
}

std::shared_ptr<RowPredicate> compileLocate(const DataSet& dataSet, const QList<int>& fields,
                                            const QVariantList& values, bool caseInsensitive,
                                            bool partialKey) {
    auto all = std::make_shared<AndNode>();
    for (int i = 0; i < fields.size(); ++i) {
        const Field* f = dataSet.field(fields[i]);
        const QVariant& v = values.value(i);
        Constant k;
        if (v.isNull() || !v.isValid()) {
            k.kind = Constant::Null;
        } else if (v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime) {
            k.kind = Constant::Date;
            k.msecs = v.typeId() == QMetaType::QDate ? cellcodec::toMsecs(v.toDate())
                                                     : cellcodec::toMsecs(v.toDateTime());
        } else if (v.typeId() == QMetaType::Bool) {
            k.kind = Constant::Bool;
            k.boolean = v.toBool();
        } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int ||
                   v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::UInt ||
                   v.typeId() == QMetaType::ULongLong) {
            k.kind = Constant::Number;
            k.text = v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 17) : v.toString();
        } else {
            k.kind = Constant::Text;
            k.text = v.toString();
        }
        const bool text = !f->isCalculated() && storageKind(f->dataType()) == StorageKind::Bytes;
        if (text && k.kind != Constant::Null) {
            const std::string key = k.kind == Constant::Date ? cellcodec::dateTimeText(k.msecs).toStdString()
                                                             : k.text.toStdString();
            if (partialKey)
                all->parts.push_back(
                    std::make_shared<PrefixNode>(*dataSet.store(), f->column(), key, caseInsensitive));
            else
                all->parts.push_back(
                    std::make_shared<TextNode<Op::Eq>>(*dataSet.store(), f->column(), key, caseInsensitive));
        } else {
            all->parts.push_back(comparison(dataSet, fields[i], Op::Eq, k));
        }
    }
    return all;
}
