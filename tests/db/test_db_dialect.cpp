// The engine-specific SQL fragments, the quoting routine and the number
// conversions that guard operator-typed values.
#include "db/DbError.h"
#include "db/Session.h"
#include "db/SqlDialect.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// The dialect and session flags derived from a Daybook.ini with this Datatype.
Session* sessionFor(const QString& folder, const QString& datatype, bool previousSqlServer = false) {
    QFile f(QDir(folder).filePath(QStringLiteral("Daybook.ini")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return nullptr;
    f.write(QStringLiteral("[Connection]\nDatatype=%1\n").arg(datatype).toUtf8());
    f.close();
    auto* session = new Session;
    session->programFolder = folder;
    session->config.IsSQLServer = previousSqlServer;
    session->readConfiguration();
    return session;
}
} // namespace

class TestDbDialect : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void fragments_data() {
        QTest::addColumn<bool>("sqlServer");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("nullFn");
        QTest::addColumn<QString>("date10");
        QTest::addColumn<QString>("value20");
        QTest::addColumn<QString>("headLimit");
        QTest::addColumn<QString>("tailLimit");
        QTest::addColumn<QString>("timeOfDay");
        QTest::newRow("SQL Server") << true << "len"
                                    << "isnull"
                                    << "CONVERT(varchar(10),op_date,120)"
                                    << "CONVERT(varchar(20),card_id,120)"
                                    << "Top 50" << QString() << " convert(varchar(5),sign_time,114) ";
        QTest::newRow("MySQL") << false << "length"
                               << "ifnull"
                               << "Date(op_date)"
                               << "CONVERT(card_id,CHAR(20))" << QString() << "limit 50"
                               << " time(sign_time) ";
    }
    void fragments() {
        QFETCH(bool, sqlServer);
        const SqlDialect d(sqlServer, !sqlServer);
        QTEST(d.lengthFunction(), "length");
        QTEST(d.nullFunction(), "nullFn");
        QTEST(d.dateTimeText(QStringLiteral("op_date"), 10), "date10");
        QTEST(d.valueText(QStringLiteral("card_id"), 20), "value20");
        QTEST(d.rowLimit(false, 50), "headLimit");
        QTEST(d.rowLimit(true, 50), "tailLimit");
        QTEST(d.signTimeOfDay(), "timeOfDay");
    }

    void fixedTexts() {
        QCOMPARE(SqlDialect::employeeSource(),
                 QStringLiteral(
                     "(select empno,empname,deptname,card_id,sys_id,issued,duty from hum_employee union "
                     "select empno,empname,deptname,card_id,sys_id,issued,duty  from hum_employee_lz)"));
        QCOMPARE(SqlDialect::dateQuote(), QStringLiteral("'"));
        QCOMPARE(SqlDialect::trueText(), QStringLiteral("1"));
        QCOMPARE(SqlDialect::falseText(), QStringLiteral("0"));
    }

    // The engine named in Daybook.ini selects the dialect; the comparison is
    // made on the upper-cased name.
    void engineFromConfiguration() {
        std::unique_ptr<Session> lower(sessionFor(m_home.path(), QStringLiteral("mysql")));
        QVERIFY(lower);
        QVERIFY(lower->IsMySQL());
        QVERIFY(!lower->IsSQLServer());
        QCOMPARE(lower->dialect().rowLimit(true, 5), QStringLiteral("limit 5"));
        QCOMPARE(lower->dialect().signTimeOfDay(), QStringLiteral(" time(sign_time) "));

        std::unique_ptr<Session> server(sessionFor(m_home.path(), QStringLiteral("SqlServer")));
        QVERIFY(!server->IsMySQL());
        QVERIFY(server->IsSQLServer());
        QCOMPARE(server->dialect().dateTimeText(QStringLiteral("op_date"), 10),
                 QStringLiteral("CONVERT(varchar(10),op_date,120)"));
        QCOMPARE(server->dialect().rowLimit(false, 5), QStringLiteral("Top 5"));
        QVERIFY(server->dialect().rowLimit(true, 5).isEmpty());
    }

    // An unknown engine leaves IsMySQL false and the dialect selector as it
    // was: the routines keep their MySQL texts, while the time of day, chosen
    // by IsMySQL, takes the SQL Server form.
    void unknownEngine() {
        std::unique_ptr<Session> s(sessionFor(m_home.path(), QStringLiteral("ORACLE")));
        QVERIFY(!s->IsMySQL());
        QVERIFY(!s->IsSQLServer());
        const SqlDialect d = s->dialect();
        QCOMPARE(d.lengthFunction(), QStringLiteral("length"));
        QCOMPARE(d.nullFunction(), QStringLiteral("ifnull"));
        QCOMPARE(d.dateTimeText(QStringLiteral("op_date"), 10), QStringLiteral("Date(op_date)"));
        QCOMPARE(d.rowLimit(true, 3), QStringLiteral("limit 3"));
        QCOMPARE(d.signTimeOfDay(), QStringLiteral(" convert(varchar(5),sign_time,114) "));

        std::unique_ptr<Session> kept(sessionFor(m_home.path(), QStringLiteral("ORACLE"), true));
        QVERIFY(kept->IsSQLServer());
        QCOMPARE(kept->dialect().lengthFunction(), QStringLiteral("len"));
    }

    void quoting_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mysql");
        QTest::addColumn<QString>("sqlserver");
        QTest::newRow("plain") << "abc"
                               << "'abc'"
                               << "'abc'";
        QTest::newRow("empty") << ""
                               << "''"
                               << "''";
        QTest::newRow("quote") << "O'Brien"
                               << "'O''Brien'"
                               << "'O''Brien'";
        QTest::newRow("backslash") << "a\\b"
                                   << "'a\\\\b'"
                                   << "'a\\b'";
        QTest::newRow("backslash before quote") << "x\\'"
                                                << "'x\\\\'''"
                                                << "'x\\'''";
        QTest::newRow("trailing backslash") << "end\\"
                                            << "'end\\\\'"
                                            << "'end\\'";
        QTest::newRow("injection") << "'; drop table x; --"
                                   << "'''; drop table x; --'"
                                   << "'''; drop table x; --'";
        QTest::newRow("chinese") << "张三"
                                 << "'张三'"
                                 << "'张三'";
        QTest::newRow("nul dropped") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << "'ab'"
                                     << "'ab'";
    }
    void quoting() {
        QFETCH(QString, text);
        QTEST(SqlDialect(false, true).quote(text), "mysql");
        QTEST(SqlDialect(true, false).quote(text), "sqlserver");
    }

    void integerConversion() {
        QCOMPARE(SqlDialect::toInteger(QStringLiteral(" 42 ")), qint64(42));
        QCOMPARE(SqlDialect::toInteger(QStringLiteral("-7")), qint64(-7));
        QCOMPARE(SqlDialect::toIntegerText(QStringLiteral("+0012")), QStringLiteral("12"));
        const QStringList refused{QString(),
                                  QStringLiteral(" "),
                                  QStringLiteral("12a"),
                                  QStringLiteral("1.5"),
                                  QStringLiteral("1e3"),
                                  QStringLiteral("0x10"),
                                  QStringLiteral("1 or 1=1"),
                                  QStringLiteral("99999999999999999999"),
                                  QStringLiteral("１２")};
        for (const QString& text : refused) {
            bool thrown = false;
            try {
                SqlDialect::toIntegerText(text);
            } catch (const DbError& e) {
                thrown = true;
                QVERIFY2(e.message().contains(QStringLiteral("不是有效的整数")), qPrintable(e.message()));
                QVERIFY(e.message().contains(text.trimmed()));
            }
            QVERIFY2(thrown, qPrintable(text));
        }
    }

    void decimalConversion() {
        QCOMPARE(SqlDialect::toDecimalText(QStringLiteral("12.50")), QStringLiteral("12.50"));
        QCOMPARE(SqlDialect::toDecimalText(QStringLiteral(" +3. ")), QStringLiteral("3"));
        QCOMPARE(SqlDialect::toDecimalText(QStringLiteral(".25")), QStringLiteral("0.25"));
        QCOMPARE(SqlDialect::toDecimalText(QStringLiteral("-.5")), QStringLiteral("-0.5"));
        const QStringList refused{QString(),
                                  QStringLiteral("."),
                                  QStringLiteral("1,5"),
                                  QStringLiteral("1.5.2"),
                                  QStringLiteral("abc"),
                                  QStringLiteral("1e5"),
                                  QStringLiteral("--1"),
                                  QStringLiteral("1;"),
                                  QStringLiteral("0 or 1=1")};
        for (const QString& text : refused) {
            bool thrown = false;
            try {
                SqlDialect::toDecimalText(text);
            } catch (const DbError& e) {
                thrown = true;
                QVERIFY2(e.message().contains(QStringLiteral("不是有效的数值")), qPrintable(e.message()));
            }
            QVERIFY2(thrown, qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestDbDialect)
#include "test_db_dialect.moc"
