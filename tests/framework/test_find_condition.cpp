// The condition builder shared by find and filter: refusing conversions, SQL and filter conditions, the
// find statement over varied statements, hostile values against a real table.
#include "TestDatabase.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "db/SqlDialect.h"
#include "framework/FindCondition.h"
#include "framework/FindStatement.h"

#include <QtTest>

using namespace FindCondition;

class TestFindCondition : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> db;
    const SqlDialect mysql{false, true};
    const SqlDialect sqlServer{true, false};

    static QString refusal(FieldType type, const QString& typed) {
        try {
            convert(type, typed);
        } catch (const DbError& e) {
            return e.message();
        }
        return QString();
    }

    static QString statement(const QString& base, const QString& field, const QString& op,
                             const QString& typed, const QString& extra = QString(),
                             const QStringList& columns = {}) {
        FindStatement::Request r;
        r.baseStatement = base;
        r.fieldName = field;
        r.op = op;
        r.typed = typed;
        r.extra = extra;
        r.resultColumns = columns;
        return FindStatement::build(SqlDialect(false, true), r);
    }

    // Rows found through a statement with its own OR condition and order (kept, not loosened).
    int rowsFound(const QString& field, FieldType type, const QString& op, const QString& typed) {
        FindStatement::Request r;
        r.baseStatement = QStringLiteral("select * from find_test where id > 0 or qty is null order by id");
        r.fieldName = field;
        r.type = type;
        r.op = op;
        r.typed = typed;
        DataSet ds;
        ds.open(db->db(), FindStatement::build(mysql, r));
        return ds.recordCount();
    }

private slots:
    void initTestCase() {
        db = std::make_unique<TestDatabase>(QStringLiteral("find_condition"), false);
        db->exec(QStringLiteral("create table find_test (id int auto_increment primary key, qty int, "
                                "amount decimal(12,2), name varchar(50), born datetime, active bit(1))"));
        db->exec(QStringLiteral(
            "insert into find_test (qty, amount, name, born, active) values "
            "(1, 10.10, 'Alice', '2024-01-05 08:00:00', b'1'), (2, 0.20, 'O''Brien%', '2024-01-06 00:00:00', "
            "b'0'), "
            "(3, 5.00, 'Bob', '2024-02-01 12:30:00', b'1'), (4, 7.50, 'a_b\\\\c', null, b'0'), "
            "(5, 1.00, '''; drop table find_test; --', '2024-03-01 00:00:00', b'0')"));
    }
    void cleanupTestCase() { db.reset(); }

    void valuesConvertToTheFieldTypeOrAreRefused() {
        QCOMPARE(convert(FieldType::Integer, QStringLiteral(" 42 ")).text, QStringLiteral("42"));
        QVERIFY(convert(FieldType::Integer, QStringLiteral("  ")).null);
        QCOMPARE(convert(FieldType::Currency, QStringLiteral("+.5")).text, QStringLiteral("0.5"));
        QCOMPARE(convert(FieldType::DateTime, QStringLiteral("2024-1-5")).text,
                 QStringLiteral("2024-01-05 00:00:00"));
        QCOMPARE(convert(FieldType::Date, QStringLiteral("2024/02/01 12:30")).text,
                 QStringLiteral("2024-02-01 12:30:00"));
        QCOMPARE(convert(FieldType::Time, QStringLiteral("8:05")).text, QStringLiteral("08:05:00"));
        QCOMPARE(convert(FieldType::Boolean, QStringLiteral("是")).text, QStringLiteral("1"));
        QCOMPARE(convert(FieldType::String, QStringLiteral(" x'y ")).text, QStringLiteral("x'y"));
        // Refusals carry the operator's message.
        const struct {
            FieldType type;
            const char* typed;
            const char* says;
        } refused[] = {{FieldType::Integer, "12a", "不是有效的整数"},
                       {FieldType::Integer, "1.5", "不是有效的整数"},
                       {FieldType::Float, "1e5; --", "不是有效的数值"},
                       {FieldType::DateTime, "2024-02-30", "日期时间"},
                       {FieldType::DateTime, "yesterday", "日期时间"},
                       {FieldType::Time, "25:00", ""},
                       {FieldType::Boolean, "maybe", ""}};
        for (const auto& r : refused) {
            const QString message = refusal(r.type, QString::fromUtf8(r.typed));
            QVERIFY2(!message.isEmpty() && message.contains(QString::fromUtf8(r.says)), r.typed);
        }
    }

    void sqlConditionsQuoteThroughTheDialect() {
        const struct {
            const SqlDialect& dialect;
            const char* alias;
            const char* field;
            FieldType type;
            const char* op;
            const char* typed;
            const char* sql;
        } cases[] = {
            {mysql, "", "qty", FieldType::Integer, ">=", "3", "(qty >= '3')"},
            {mysql, "m", "name", FieldType::String, "=", "O'Brien\\", "(m.name = 'O''Brien\\\\')"},
            // "like" is a prefix match of the literal text on either engine.
            {mysql, "", "name", FieldType::String, "like", "a_%", "(name like 'a\\\\_\\\\%%')"},
            {sqlServer, "", "name", FieldType::String, "like", "a_'", "(name like 'a[_]''%')"},
            {mysql, "", "born", FieldType::DateTime, "<", "2024-1-6", "(born < '2024-01-06 00:00:00')"},
            {mysql, "", "active", FieldType::Boolean, "=", "true", "(active = 1)"},
            // An empty value compares with Null.
            {mysql, "", "born", FieldType::DateTime, "=", "", "(born is Null)"},
            {mysql, "", "born", FieldType::DateTime, "<>", "", "(born is not Null)"},
        };
        for (const auto& c : cases)
            QCOMPARE(sqlCondition(c.dialect, QString::fromLatin1(c.alias), QString::fromLatin1(c.field),
                                  c.type, QString::fromLatin1(c.op), QString::fromLatin1(c.typed)),
                     QString::fromLatin1(c.sql));
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 sqlCondition(mysql, QString(), QStringLiteral("qty"), FieldType::Integer,
                                              QStringLiteral("= 1 or 1 ="), QStringLiteral("1")));
    }

    // The filter condition and the find statement find the same rows.
    void filterAndFindFindTheSameRows() {
        QCOMPARE(filterCondition(QStringLiteral("name"), FieldType::String, QStringLiteral("="),
                                 QStringLiteral("O'Brien%")),
                 QStringLiteral("(name = #O'Brien%#)"));
        QCOMPARE(filterCondition(QStringLiteral("[姓名]"), FieldType::String, QStringLiteral("like"),
                                 QStringLiteral("Al")),
                 QStringLiteral("([姓名] like 'Al%')"));
        QCOMPARE(filterCondition(QStringLiteral("name"), FieldType::String, QStringLiteral("="),
                                 QStringLiteral("a'#b")),
                 QStringLiteral("(name = 'a''#b')"));
        DataSet ds;
        ds.open(db->db(), QStringLiteral("select * from find_test order by id"));
        const struct {
            const char* field;
            FieldType type;
            const char* op;
            const char* value;
            int rows;
        } cases[] = {
            {"name", FieldType::String, "=", "O'Brien%", 1},
            {"name", FieldType::String, "=", "'; drop table find_test; --", 1},
            {"name", FieldType::String, "like", "Al", 1},
            {"qty", FieldType::Integer, "=", "3", 1},
            {"qty", FieldType::Integer, ">", "2", 3},
            {"qty", FieldType::Integer, "like", "1", 1},
            {"amount", FieldType::Currency, "<=", "5", 3},
            {"amount", FieldType::Currency, ">", "5.001", 2},
            {"born", FieldType::DateTime, ">=", "2024-01-06", 3},
            {"born", FieldType::DateTime, "=", "", 1},
            {"active", FieldType::Boolean, "=", "1", 2},
        };
        for (const auto& c : cases) {
            const QString field = QString::fromLatin1(c.field), op = QString::fromLatin1(c.op);
            const QString value = QString::fromUtf8(c.value);
            const QString text = filterCondition(field, c.type, op, value);
            ds.setFilter(text);
            ds.setFiltered(true);
            QVERIFY2(ds.recordCount() == c.rows, qPrintable(text));
            QVERIFY2(rowsFound(field, c.type, op, value) == c.rows, qPrintable(text));
        }
    }

    void findStatementKeepsTheStatementShape() {
        QCOMPARE(statement(QStringLiteral("select * from returncard "), QStringLiteral("a"),
                           QStringLiteral("="), QStringLiteral("1")),
                 QStringLiteral("select * from returncard  WHERE (a = '1') "));
        // Own conditions stay together, the order last, a joined column under its table's name.
        QCOMPARE(
            statement(QStringLiteral("select a.emp_id, b.x from t a join u b on a.k=b.k "
                                     "WHERE a.d >= :@begindate or a.z=1 order by a.emp_id , b.x desc"),
                      QStringLiteral("x"), QStringLiteral("="), QStringLiteral("1"),
                      QStringLiteral("and a.emp_id > 0")),
            QStringLiteral("select a.emp_id, b.x from t a join u b on a.k=b.k WHERE (a.d >= :@begindate or "
                           "a.z=1) AND (b.x = '1') and a.emp_id > 0 order by a.emp_id , b.x desc"));
        // Words inside quotes or sub-queries do not count; an extra order wins.
        QCOMPARE(statement(QStringLiteral("select (select max(q) from v where v.k=t.k), 'order by' from t"),
                           QStringLiteral("q"), QStringLiteral("="), QStringLiteral("1")),
                 QStringLiteral(
                     "select (select max(q) from v where v.k=t.k), 'order by' from t WHERE (q = '1') "));
        QCOMPARE(statement(QStringLiteral("select * from t order by id"), QStringLiteral("c"),
                           QStringLiteral("="), QStringLiteral("1"), QStringLiteral("order by name")),
                 QStringLiteral("select * from t  WHERE (c = '1') order by name"));
        // Aliases and groups: a derived table, its order outside only when it names result columns.
        const QString grouped =
            QStringLiteral("select emp_id as 工号, sum(amount) total from t group by emp_id ");
        QCOMPARE(statement(grouped + QStringLiteral("order by t.emp_id"), QStringLiteral("工号"),
                           QStringLiteral("="), QStringLiteral("1"), QString(),
                           {QStringLiteral("工号"), QStringLiteral("total")}),
                 QStringLiteral("SELECT * FROM (%1) FindRows WHERE (工号 = '1') ").arg(grouped.trimmed()));
        QCOMPARE(statement(grouped + QStringLiteral("order by total desc, 1"), QStringLiteral("total"),
                           QStringLiteral(">"), QStringLiteral("1"), QString(),
                           {QStringLiteral("工号"), QStringLiteral("TOTAL")}),
                 QStringLiteral("SELECT * FROM (%1) FindRows WHERE (total > '1')  ORDER BY total desc,1")
                     .arg(grouped.trimmed()));
        QVERIFY(statement(QStringLiteral("select count(*) n from t"), QStringLiteral("n"),
                          QStringLiteral("="), QStringLiteral("1"))
                    .startsWith(QStringLiteral("SELECT * FROM (select count(*) n from t) FindRows")));
        // The order of the window's statement survives, also outside a derived table.
        DataSet ds;
        ds.open(db->db(), statement(QStringLiteral("select qty, name who from find_test order by qty desc"),
                                    QStringLiteral("qty"), QStringLiteral("<"), QStringLiteral("3"),
                                    QString(), {QStringLiteral("qty"), QStringLiteral("who")}));
        QCOMPARE(ds.recordCount(), 2);
        QCOMPARE(ds.value(0, ds.fieldByName(QStringLiteral("qty")).index()).toInt(), 2);
        ds.open(db->db(), statement(QStringLiteral("select qty, name who from find_test order by id"),
                                    QStringLiteral("who"), QStringLiteral("like"), QStringLiteral("O'"),
                                    QString(), {QStringLiteral("qty"), QStringLiteral("who")}));
        QCOMPARE(ds.recordCount(), 1);
    }

    void hostileTextFindsOnlyTheLiteralText() {
        const QString hostile[] = {QStringLiteral("'; drop table find_test; --"),
                                   QStringLiteral("x' or '1'='1"),
                                   QStringLiteral("%"),
                                   QStringLiteral("_"),
                                   QStringLiteral("--"),
                                   QStringLiteral("\\"),
                                   QStringLiteral("#"),
                                   QStringLiteral("O'Brien%"),
                                   QStringLiteral("a_b\\c")};
        for (const QString& text : hostile) {
            int equal = 0, prefix = 0;
            for (const char* name : {"Alice", "O'Brien%", "Bob", "a_b\\c", "'; drop table find_test; --"}) {
                const QString n = QString::fromLatin1(name);
                equal += n == text;
                prefix += n.startsWith(text);
            }
            QCOMPARE(rowsFound(QStringLiteral("name"), FieldType::String, QStringLiteral("="), text), equal);
            QCOMPARE(rowsFound(QStringLiteral("name"), FieldType::String, QStringLiteral("like"), text),
                     prefix);
            QCOMPARE(rowsFound(QStringLiteral("name"), FieldType::String, QStringLiteral("<>"), text),
                     5 - equal);
        }
        QVERIFY_THROWS_EXCEPTION(DbError, rowsFound(QStringLiteral("qty"), FieldType::Integer,
                                                    QStringLiteral("="), QStringLiteral("1 or 1=1")));
        QCOMPARE(db->scalar(QStringLiteral("select count(*) from find_test")).toInt(), 5);
    }
};

QTEST_MAIN(TestFindCondition)
#include "test_find_condition.moc"
