// The engine chosen from the configuration, quoting, and the number conversions guarding typed values.
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
    // Daybook.ini's engine, in any case, selects the dialect; an unknown one keeps the previous
    // selector while the time of day, chosen by IsMySQL, takes the SQL Server form.
    void engineFromConfiguration() {
        const struct {
            const char* datatype;
            bool previousSqlServer, mysql, sqlServer;
            const char* length;
            const char* timeOfDay;
        } cases[] = {{"mysql", false, true, false, "length", " time(sign_time) "},
                     {"SqlServer", false, false, true, "len", " convert(varchar(5),sign_time,114) "},
                     {"ORACLE", false, false, false, "length", " convert(varchar(5),sign_time,114) "},
                     {"ORACLE", true, false, true, "len", " convert(varchar(5),sign_time,114) "}};
        for (const auto& c : cases) {
            std::unique_ptr<Session> s(
                sessionFor(m_home.path(), QString::fromLatin1(c.datatype), c.previousSqlServer));
            QVERIFY(s);
            QCOMPARE(s->IsMySQL(), c.mysql);
            QCOMPARE(s->IsSQLServer(), c.sqlServer);
            QCOMPARE(s->dialect().lengthFunction(), QString::fromLatin1(c.length));
            QCOMPARE(s->dialect().rowLimit(!c.sqlServer, 5),
                     c.sqlServer ? QStringLiteral("Top 5") : QStringLiteral("limit 5"));
            QCOMPARE(s->dialect().signTimeOfDay(), QString::fromLatin1(c.timeOfDay));
        }
    }

    void quoting() {
        const struct {
            QString text;
            const char* mysql;
            const char* sqlServer;
        } cases[] = {
            {QStringLiteral("abc"), "'abc'", "'abc'"},
            {QString(), "''", "''"},
            {QStringLiteral("O'Brien"), "'O''Brien'", "'O''Brien'"},
            {QStringLiteral("a\\b"), "'a\\\\b'", "'a\\b'"},
            {QStringLiteral("x\\'"), "'x\\\\'''", "'x\\'''"},
            {QStringLiteral("end\\"), "'end\\\\'", "'end\\'"},
            {QStringLiteral("'; drop table x; --"), "'''; drop table x; --'", "'''; drop table x; --'"},
            {QStringLiteral("张三"), "'张三'", "'张三'"},
            {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), "'ab'", "'ab'"}}; // NUL dropped
        for (const auto& c : cases) {
            QCOMPARE(SqlDialect(false, true).quote(c.text), QString::fromUtf8(c.mysql));
            QCOMPARE(SqlDialect(true, false).quote(c.text), QString::fromUtf8(c.sqlServer));
        }
    }

    // Accepted forms are normalised; anything else is refused with a message naming the text.
    void numberConversions() {
        QCOMPARE(SqlDialect::toInteger(QStringLiteral(" 42 ")), qint64(42));
        QCOMPARE(SqlDialect::toInteger(QStringLiteral("-7")), qint64(-7));
        QCOMPARE(SqlDialect::toIntegerText(QStringLiteral("+0012")), QStringLiteral("12"));
        QCOMPARE(SqlDialect::toDecimalText(QStringLiteral("12.50")), QStringLiteral("12.50"));
        QCOMPARE(SqlDialect::toDecimalText(QStringLiteral(" +3. ")), QStringLiteral("3"));
        QCOMPARE(SqlDialect::toDecimalText(QStringLiteral(".25")), QStringLiteral("0.25"));
        QCOMPARE(SqlDialect::toDecimalText(QStringLiteral("-.5")), QStringLiteral("-0.5"));
        const auto refused = [](QString (*convert)(const QString&), const char* message,
                                const QStringList& texts) {
            for (const QString& text : texts) {
                try {
                    convert(text);
                    QFAIL(qPrintable(text));
                } catch (const DbError& e) {
                    QVERIFY2(e.message().contains(QString::fromUtf8(message)), qPrintable(e.message()));
                    QVERIFY2(e.message().contains(text.trimmed()), qPrintable(e.message()));
                }
            }
        };
        refused(SqlDialect::toIntegerText, "不是有效的整数",
                {QString(), QStringLiteral(" "), QStringLiteral("12a"), QStringLiteral("1.5"),
                 QStringLiteral("1e3"), QStringLiteral("0x10"), QStringLiteral("1 or 1=1"),
                 QStringLiteral("99999999999999999999"), QStringLiteral("１２")});
        refused(SqlDialect::toDecimalText, "不是有效的数值",
                {QString(), QStringLiteral("."), QStringLiteral("1,5"), QStringLiteral("1.5.2"),
                 QStringLiteral("abc"), QStringLiteral("1e5"), QStringLiteral("--1"), QStringLiteral("1;"),
                 QStringLiteral("0 or 1=1")});

        // Within a range (a terminal number, a mode): text and range both checked.
        const struct {
            const char* text;
            qint64 min, max;
            std::optional<qint64> value;
        } ranged[] = {
            {"5", 1, 10, 5},     {" 10 ", 1, 10, 10}, {"+1", 1, 10, 1},
            {"-5", 1, 10, {}},   {"0", 1, 10, {}},    {"11", 1, 10, {}},
            {"1abc", 1, 10, {}}, {"", 0, 10, {}},     {"2147483648", 0, 2147483647, {}},
            {"-1", -1, -1, -1},  {"1 2", 0, 99, {}},
        };
        for (const auto& c : ranged) {
            const QString text = QString::fromUtf8(c.text);
            QCOMPARE(SqlDialect::parseInteger(text, c.min, c.max), c.value);
            try {
                const qint64 value = SqlDialect::toInteger(text, c.min, c.max, QStringLiteral("--clock"));
                QVERIFY2(c.value && value == *c.value, c.text);
            } catch (const DbError& e) {
                QVERIFY2(!c.value, c.text);
                QVERIFY2(e.message().startsWith(QStringLiteral("--clock: ")), qPrintable(e.message()));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestDbDialect)
#include "test_db_dialect.moc"
