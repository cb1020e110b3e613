// The condition builder shared by find and filter: conversions that refuse,
// the written conditions for SQL and for the data set's filter, the find
// statement over plain and ordered statements, and hostile values run
// against a real table (they find nothing or the literal text).
#include "TestDatabase.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "db/SqlDialect.h"
#include "framework/FindCondition.h"

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

    int rowsFound(const QString& field, FieldType type, const QString& op, const QString& typed) {
        const QString sql = findStatement(QStringLiteral("select * from find_test order by id"),
                                          sqlCondition(mysql, QString(), field, type, op, typed), QString());
        DataSet ds;
        ds.open(db->db(), sql);
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
        QVERIFY(
            refusal(FieldType::Integer, QStringLiteral("12a")).contains(QStringLiteral("不是有效的整数")));
        QVERIFY(
            refusal(FieldType::Integer, QStringLiteral("1.5")).contains(QStringLiteral("不是有效的整数")));
        QVERIFY(
            refusal(FieldType::Float, QStringLiteral("1e5; --")).contains(QStringLiteral("不是有效的数值")));
        QVERIFY(
            refusal(FieldType::DateTime, QStringLiteral("2024-02-30")).contains(QStringLiteral("日期时间")));
        QVERIFY(
            refusal(FieldType::DateTime, QStringLiteral("yesterday")).contains(QStringLiteral("日期时间")));
        QVERIFY(!refusal(FieldType::Time, QStringLiteral("25:00")).isEmpty());
        QVERIFY(!refusal(FieldType::Boolean, QStringLiteral("maybe")).isEmpty());
    }

    void sqlConditionsQuoteThroughTheDialect() {
        QCOMPARE(sqlCondition(mysql, QString(), QStringLiteral("qty"), FieldType::Integer,
                              QStringLiteral(">="), QStringLiteral("3")),
                 QStringLiteral("(qty >= '3')"));
        QCOMPARE(sqlCondition(mysql, QStringLiteral("m"), QStringLiteral("name"), FieldType::String,
                              QStringLiteral("="), QStringLiteral("O'Brien\\")),
                 QStringLiteral("(m.name = 'O''Brien\\\\')"));
        // "like" is a prefix match of the literal text on either engine.
        QCOMPARE(sqlCondition(mysql, QString(), QStringLiteral("name"), FieldType::String,
                              QStringLiteral("like"), QStringLiteral("a_%")),
                 QStringLiteral("(name like 'a\\\\_\\\\%%')"));
        QCOMPARE(sqlCondition(sqlServer, QString(), QStringLiteral("name"), FieldType::String,
                              QStringLiteral("like"), QStringLiteral("a_'")),
                 QStringLiteral("(name like 'a[_]''%')"));
        QCOMPARE(sqlCondition(mysql, QString(), QStringLiteral("born"), FieldType::DateTime,
                              QStringLiteral("<"), QStringLiteral("2024-1-6")),
                 QStringLiteral("(born < '2024-01-06 00:00:00')"));
        QCOMPARE(sqlCondition(mysql, QString(), QStringLiteral("active"), FieldType::Boolean,
                              QStringLiteral("="), QStringLiteral("true")),
                 QStringLiteral("(active = 1)"));
        // An empty value compares with Null.
        QCOMPARE(sqlCondition(mysql, QString(), QStringLiteral("born"), FieldType::DateTime,
                              QStringLiteral("="), QString()),
                 QStringLiteral("(born is Null)"));
        QCOMPARE(sqlCondition(mysql, QString(), QStringLiteral("born"), FieldType::DateTime,
                              QStringLiteral("<>"), QString()),
                 QStringLiteral("(born is not Null)"));
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 sqlCondition(mysql, QString(), QStringLiteral("qty"), FieldType::Integer,
                                              QStringLiteral("= 1 or 1 ="), QStringLiteral("1")));
    }

    void filterConditionsParseInTheDataSetFilter() {
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
            {"qty", FieldType::Integer, ">", "2", 3},
            {"amount", FieldType::Currency, "<=", "5", 3},
            {"born", FieldType::DateTime, ">=", "2024-01-06", 3},
            {"born", FieldType::DateTime, "=", "", 1},
        };
        for (const auto& c : cases) {
            const QString text = filterCondition(QString::fromLatin1(c.field), c.type,
                                                 QString::fromLatin1(c.op), QString::fromUtf8(c.value));
            ds.setFilter(text);
            ds.setFiltered(true);
            QVERIFY2(ds.recordCount() == c.rows, qPrintable(text));
        }
    }

    void findStatementKeepsTheStatementShape() {
        QCOMPARE(findStatement(QStringLiteral("select * from returncard "), QStringLiteral("(a = '1')"),
                               QString()),
                 QStringLiteral("select * from returncard  WHERE (a = '1') "));
        // A statement with its own conditions and order is searched as a
        // derived table; its order moves outside, without table names.
        QCOMPARE(findStatement(QStringLiteral("select a.emp_id, b.x from t a join u b on a.k=b.k "
                                              "WHERE a.d >= :@begindate order by a.emp_id , b.x desc"),
                               QStringLiteral("(x = '1')"), QStringLiteral("and emp_id > 0")),
                 QStringLiteral("SELECT * FROM (select a.emp_id, b.x from t a join u b on a.k=b.k "
                                "WHERE a.d >= :@begindate) FindRows WHERE (x = '1') and emp_id > 0 "
                                "ORDER BY emp_id , x desc"));
        // Words inside quotes or sub-queries do not count; an extra order wins.
        QCOMPARE(findStatement(
                     QStringLiteral("select (select max(q) from v where v.k=t.k) m, 'order by' o from t"),
                     QStringLiteral("(m = '1')"), QString()),
                 QStringLiteral(
                     "select (select max(q) from v where v.k=t.k) m, 'order by' o from t WHERE (m = '1') "));
        QCOMPARE(findStatement(QStringLiteral("select * from t order by id"), QStringLiteral("(c)"),
                               QStringLiteral("order by name")),
                 QStringLiteral("SELECT * FROM (select * from t) FindRows WHERE (c) order by name"));
    }

    void findsOnEveryTypeAgainstTheTable() {
        QCOMPARE(
            rowsFound(QStringLiteral("qty"), FieldType::Integer, QStringLiteral("="), QStringLiteral("3")),
            1);
        QCOMPARE(
            rowsFound(QStringLiteral("qty"), FieldType::Integer, QStringLiteral("like"), QStringLiteral("1")),
            1);
        QCOMPARE(rowsFound(QStringLiteral("amount"), FieldType::Currency, QStringLiteral(">"),
                           QStringLiteral("5.001")),
                 2);
        QCOMPARE(rowsFound(QStringLiteral("born"), FieldType::DateTime, QStringLiteral(">="),
                           QStringLiteral("2024-01-06")),
                 3);
        QCOMPARE(rowsFound(QStringLiteral("born"), FieldType::DateTime, QStringLiteral("="), QString()), 1);
        QCOMPARE(
            rowsFound(QStringLiteral("active"), FieldType::Boolean, QStringLiteral("="), QStringLiteral("1")),
            2);
        // The order of the window's statement survives.
        DataSet ds;
        ds.open(db->db(), findStatement(QStringLiteral("select * from find_test order by qty desc"),
                                        QStringLiteral("(qty < 3)"), QString()));
        QCOMPARE(ds.value(0, ds.fieldByName(QStringLiteral("qty")).index()).toInt(), 2);
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
