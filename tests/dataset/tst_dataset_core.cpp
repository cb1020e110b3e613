// The data set without a database: cell conversions, display formats,
// parameter translation, filter, sort, bookmarks, Locate, clones, editing.
#include "DataSetTestHelpers.h"
#include "MemoryRows.h"
#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "dataset/DisplayFormat.h"
#include "dataset/TextCompare.h"
#include "db/DbError.h"
#include "db/NamedParameters.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

ColumnDef colDef(const char* name, FieldType type) {
    ColumnDef d;
    d.name = QString::fromLatin1(name);
    d.type = type;
    return d;
}

void loadSample(DataSet& ds) {
    loadMemoryRows(ds,
                   {{"id", FieldType::Integer},
                    {"name", FieldType::WideString},
                    {"dept", FieldType::WideString},
                    {"amount", FieldType::BCD},
                    {"price", FieldType::Float},
                    {"at", FieldType::DateTime},
                    {"ok", FieldType::Boolean}},
                   {{"1", "张三", "A01", "12.50", "1.5", "2024-01-05 08:30:00", "1"},
                    {"2", "李四", "A02", "0.10", nullptr, "2024-01-05 12:00:00", "0"},
                    {"3", "O'Brien", "B01", "-3.00", "2.25", "2024-02-01 00:00:00", "1"},
                    {"4", "alice", "A01", nullptr, "3.0", nullptr, nullptr},
                    {"5", "Bob", "B02", "100.00", "0.5", "2024-03-10 18:45:10", "0"},
                    {"6", nullptr, "A01", "12.50", "1.5", "2024-01-06 09:00:00", "1"}},
                   QStringLiteral("sample"));
}

// The id of the current record.
qint64 curId(const DataSet& ds) {
    return fld(ds, "id").asInteger();
}

} // namespace

class DataSetCoreTest : public QObject {
    Q_OBJECT
private slots:
    void cellParsers() {
        using namespace cellcodec;
        // Units of 1/10000, half away from zero at the fifth decimal.
        const QList<QPair<const char*, std::int64_t>> fixed = {
            {"12.5", 125000}, {"-0.00005", -1}, {"0.12344", 1234}, {".5", 5000}};
        std::int64_t v = 0;
        for (const auto& [text, units] : fixed) {
            QVERIFY2(parseFixed4(text, std::strlen(text), v), text);
            QCOMPARE(v, units);
        }
        for (const char* bad : {"1e3", "", "99999999999999999999"})
            QVERIFY2(!parseFixed4(bad, std::strlen(bad), v), bad);
        QCOMPARE(fixedText(125000, 2), QStringLiteral("12.50"));
        QCOMPARE(fixedText(-5, 2),
                 QStringLiteral("0.00")); // -0.0005 rounds away to -0.00: shown without sign
        QCOMPARE(fixedText(-50, 2), QStringLiteral("-0.01"));
        QCOMPARE(fixedTextTrimmed(-30000), QStringLiteral("-3"));

        auto dt = [](const char* s, std::int64_t& ms) { return parseDateTime(s, std::strlen(s), ms); };
        std::int64_t ms = 0;
        QVERIFY(dt("2024-02-29 23:59:58.250", ms));
        QCOMPARE(toDateTime(ms), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 250)));
        QVERIFY(dt("1969-12-31", ms));
        QCOMPARE(toDate(ms), QDate(1969, 12, 31));
        QCOMPARE(dateTimeText(ms + 3723000), QStringLiteral("1969-12-31 01:02:03"));
        QVERIFY(!dt("0000-00-00 00:00:00", ms));
        QVERIFY(!dt("2024-13-01", ms));
        QVERIFY(parseTime("-838:59:59", 10, ms));
        QCOMPARE(ms, -((838LL * 3600 + 59 * 60 + 59) * 1000));
        QCOMPARE(timeText(ms), QStringLiteral("-838:59:59"));
    }

    void displayFormats() {
        using namespace displayformat;
        const struct {
            const char* format;
            std::int64_t units;
            const char* text;
        } fixed[] = {{"￥0.00", 125000, "￥12.50"}, {"￥0.00", -30000, "-￥3.00"},
                     {"0", 125000, "13"},           {"#,###.00", 12345678900, "1,234,567.89"},
                     {"#,###.00", 5000, ".50"},     {"#,##0.00", 5000, "0.50"},
                     {"0.##", 125000, "12.5"},      {"0.00;(0.00);零", -30000, "(3.00)"},
                     {"0.00;(0.00);零", 0, "零"}};
        for (const auto& f : fixed)
            QCOMPARE(formatFixed(QString::fromUtf8(f.format), f.units), QString::fromUtf8(f.text));
        QCOMPARE(formatDouble(QStringLiteral("￥#,##0.00"), 1234.565), QStringLiteral("￥1,234.57"));
        QCOMPARE(formatInteger(QStringLiteral("0000"), 42), QStringLiteral("0042"));
        QCOMPARE(formatInteger(QStringLiteral("\"No.\"0"), 7), QStringLiteral("No.7"));
        std::int64_t ms = 0;
        QVERIFY(cellcodec::parseDateTime("2024-03-09 07:05:04", 19, ms));
        QCOMPARE(formatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), ms),
                 QStringLiteral("2024-03-09 07:05:04"));
        QCOMPARE(formatDateTime(QStringLiteral("yyyy年m月d日 hh:mm"), ms),
                 QStringLiteral("2024年3月9日 07:05"));
    }

    void namedParameters() {
        const SqlDialect mysql(false, true);
        const ParsedStatement p = ParsedStatement::parse(
            QStringLiteral("select ':no', \":no\", `a:b`, 'it''s :no' /* :no */ from t -- :no\n"
                           "where sign_time >= :@begindate and sign_time <= :@enddate and x = :Name and y:=1 "
                           "and z = 'a\\':no' "
                           "and w = :name"));
        QCOMPARE(p.names(), QStringList({QStringLiteral("@begindate"), QStringLiteral("@enddate"),
                                         QStringLiteral("Name"), QStringLiteral("name")}));
        QVERIFY(p.positional().contains(
            QLatin1String("where sign_time >= ? and sign_time <= ? and x = ? and y:=1")));
        QVERIFY(p.positional().contains(QLatin1String("'it''s :no' /* :no */ from t -- :no\n")));
        QVERIFY(p.positional().endsWith(QLatin1String("z = 'a\\':no' and w = ?")));

        QVariantMap values{{QStringLiteral("@BeginDate"), QDateTime(QDate(2024, 1, 1), QTime(0, 0))},
                           {QStringLiteral("enddate"), QStringLiteral("2024-01-31 23:59:59")},
                           {QStringLiteral(":name"), QStringLiteral("x' or '1'='1\\")}};
        const QVariantList ordered = p.orderedValues(values);
        QCOMPARE(ordered.size(), 4);
        QCOMPARE(ordered[2], ordered[3]);
        const QString sql = p.inlined(values, mysql);
        QVERIFY(sql.contains(
            QLatin1String("sign_time >= '2024-01-01 00:00:00' and sign_time <= '2024-01-31 23:59:59'")));
        QVERIFY(sql.contains(QLatin1String("x = 'x'' or ''1''=''1\\\\'")));
        // A missing value is refused, not replaced.
        QVERIFY_THROWS_EXCEPTION(DbError, p.orderedValues({{QStringLiteral("name"), 1}}));
        QCOMPARE(ParsedStatement::literal(QVariant(), mysql), QStringLiteral("NULL"));
        QCOMPARE(ParsedStatement::literal(12.5, mysql), QStringLiteral("12.5"));
        QCOMPARE(ParsedStatement::literal(QByteArray("\x01\xff", 2), mysql), QStringLiteral("X'01ff'"));
        // SQL Server takes the backslash literally: the quote after it ends the literal.
        const ParsedStatement ss = ParsedStatement::parse(QStringLiteral("select 'a\\' , :p"), false);
        QCOMPARE(ss.names(), QStringList({QStringLiteral("p")}));
    }

    void likePatterns() {
        using textcompare::LikePattern;
        const struct {
            const char* pattern;
            const char* text;
            bool matches;
        } cases[] = {{"abc%", "ABCdef", true}, {"abc%", "xabc", false},   {"*def", "abcdef", true},
                     {"%b%d%", "abcde", true}, {"%d%b%", "abcde", false}, {"a%a", "aa", true},
                     {"a%a", "a", false},      {"%", "", true},           {"张%", "张三", true},
                     {"abc", "abcd", false}};
        for (const auto& c : cases)
            QVERIFY2(LikePattern(c.pattern).matches(c.text) == c.matches, c.pattern);
    }

    void valuesAndTexts() {
        DataSet ds;
        loadSample(ds);
        QCOMPARE(ds.recordCount(), 6);
        QCOMPARE(ds.uniqueTable(), QStringLiteral("sample"));
        Field& amount = fld(ds, "AMOUNT");
        QCOMPARE(amount.dataType(), FieldType::BCD);
        ds.first();
        QCOMPARE(fld(ds, "name").asString(), QStringLiteral("张三"));
        QCOMPARE(amount.asFixed(), 125000);
        QCOMPARE(amount.value().toDouble(), 12.5);
        amount.setDisplayFormat(QStringLiteral("￥0.00"));
        QCOMPARE(amount.displayText(), QStringLiteral("￥12.50"));
        QCOMPARE(fld(ds, "at").value().toDateTime(), QDateTime(QDate(2024, 1, 5), QTime(8, 30)));
        QCOMPARE(fld(ds, "ok").value(), QVariant(true));
        ds.setRecNo(3);
        QCOMPARE(fld(ds, "at").asString(), QStringLiteral("2024-02-01")); // midnight
        ds.setRecNo(4);
        QVERIFY(amount.isNull());
        QVERIFY(amount.value().isNull());
        QCOMPARE(amount.displayText(), QString());
        QVERIFY(fld(ds, "at").value().isNull());
        QCOMPARE(fld(ds, "at").value().typeId(), int(QMetaType::QDateTime));
        QVERIFY_THROWS_EXCEPTION(DbError, fld(ds, "nosuch"));
        // Navigation flags.
        ds.last();
        QVERIFY(ds.eof());
        QCOMPARE(ds.recNo(), 6);
        ds.next();
        QCOMPARE(ds.recNo(), 6);
        ds.first();
        ds.prior();
        QVERIFY(ds.bof());
        QCOMPARE(ds.recNo(), 1);
        ds.moveBy(3);
        QCOMPARE(ds.recNo(), 4);
    }

    void filterForms_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("int =") << "id = 3" << QList<int>{3};
        QTest::newRow("int > fraction") << "id > 2.5" << QList<int>{3, 4, 5, 6};
        QTest::newRow("int quoted") << "id = '4'" << QList<int>{4};
        QTest::newRow("money >") << "amount > 12.5" << QList<int>{5};
        QTest::newRow("money < 0") << "amount < 0" << QList<int>{3};
        QTest::newRow("money <= quoted") << "amount <= '0.10'" << QList<int>{2, 3};
        QTest::newRow("float >") << "price > 1" << QList<int>{1, 3, 4, 6};
        QTest::newRow("doubled quote") << "name = 'O''Brien'" << QList<int>{3};
        QTest::newRow("text in #") << "(name = #O'Brien#)" << QList<int>{3};
        QTest::newRow("date text on text field") << "dept <> #2024-01-01#" << QList<int>{1, 2, 3, 4, 5, 6};
        QTest::newRow("text any case") << "name = 'ALICE'" << QList<int>{4};
        QTest::newRow("like * both ends") << "name like '*LI*'" << QList<int>{4};
        QTest::newRow("like suffix") << "name LIKE '%b'" << QList<int>{5};
        QTest::newRow("date range") << "at >= #2024-01-05 12:00:00# AND at < #2024-02-01#"
                                    << QList<int>{2, 6};
        QTest::newRow("date =") << "at = #2024-02-01#" << QList<int>{3};
        QTest::newRow("date quoted") << "at = '2024-03-10 18:45:10'" << QList<int>{5};
        QTest::newRow("date US form") << "at < #1/6/2024#" << QList<int>{1, 2};
        QTest::newRow("null =") << "price = Null" << QList<int>{2};
        QTest::newRow("null <>") << "price <> NULL" << QList<int>{1, 3, 4, 5, 6};
        QTest::newRow("is null") << "at is null" << QList<int>{4};
        QTest::newRow("parentheses") << "(dept = 'A01' OR dept = 'B02') AND ok = True" << QList<int>{1, 6};
        QTest::newRow("and before or") << "dept = 'A01' OR id = 5 AND ok = False" << QList<int>{1, 4, 5, 6};
        QTest::newRow("brackets") << "[name] = '李四'" << QList<int>{2};
        QTest::newRow("label") << "[部门] = 'B01'" << QList<int>{3};
        QTest::newRow("bool number") << "ok = 1" << QList<int>{1, 3, 6};
        QTest::newRow("not") << "NOT (id < 5)" << QList<int>{5, 6};
        QTest::newRow("blank") << "  " << QList<int>{1, 2, 3, 4, 5, 6};
    }

    void filterForms() {
        QFETCH(QString, expression);
        QFETCH(QList<int>, expected);
        DataSet ds;
        loadSample(ds);
        ds.fieldByName(QStringLiteral("dept")).setDisplayLabel(QStringLiteral("部门"));
        ds.setFilter(expression);
        ds.setFiltered(true);
        QCOMPARE(ids(ds), expected);
        QCOMPARE(ds.recNo(), expected.isEmpty() ? 0 : 1);
    }

    void badFilterChangesNothing() {
        DataSet ds;
        loadSample(ds);
        ds.setFilter(QStringLiteral("dept = 'A01'"));
        ds.setFiltered(true);
        ds.last();
        const Bookmark current = ds.bookmark();
        const QStringList bad = {QStringLiteral("id = "),         QStringLiteral("id == 3"),
                                 QStringLiteral("nosuch = 1"),    QStringLiteral("name = 'unterminated"),
                                 QStringLiteral("(id = 1"),       QStringLiteral("id = 1)"),
                                 QStringLiteral("id = 'abc'"),    QStringLiteral("at = #notadate#"),
                                 QStringLiteral("amount > Null"), QStringLiteral("id = 1 AND"),
                                 QStringLiteral("id 3"),          QStringLiteral("at > 5")};
        for (const QString& expression : bad) {
            bool thrown = false;
            try {
                ds.setFilter(expression);
            } catch (const DbError& e) {
                thrown = true;
                QVERIFY2(!e.message().isEmpty(), qPrintable(expression));
            }
            QVERIFY2(thrown, qPrintable(expression));
            QCOMPARE(ds.filter(), QStringLiteral("dept = 'A01'"));
            QVERIFY(ds.filtered());
            QCOMPARE(ids(ds), QList<int>({1, 4, 6}));
            QCOMPARE(ds.bookmark(), current);
        }
    }

    void filteredSwitch() {
        DataSet ds;
        loadSample(ds);
        QSignalSpy reset(&ds, &DataSet::viewReset);
        ds.setFilter(QStringLiteral("ok = False"));
        QCOMPARE(ds.recordCount(), 6); // not applied until Filtered
        ds.setFiltered(true);
        QCOMPARE(ids(ds), QList<int>({2, 5}));
        ds.setFilter(QStringLiteral("ok = True"));
        QCOMPARE(ids(ds), QList<int>({1, 3, 6}));
        ds.setFiltered(false);
        QCOMPARE(ds.recordCount(), 6);
        QVERIFY(reset.count() >= 3);
        // The filter is applied to rows that arrive later.
        ds.setFiltered(true);
        for (const int id : {7, 8})
            put(ds, true, {{"id", id}, {"ok", id == 7}});
        QCOMPARE(ids(ds), QList<int>({1, 3, 6, 7}));
    }

    void sortOrders() {
        DataSet ds;
        loadSample(ds);
        const QList<QPair<const char*, QList<int>>> orders = {{"dept ASC, amount DESC", {1, 6, 4, 2, 3, 5}},
                                                              {"[name]", {6, 4, 5, 3, 1, 2}},
                                                              {"ok desc,at", {1, 6, 3, 2, 5, 4}},
                                                              {"price DESC , id DESC", {4, 3, 6, 1, 5, 2}}};
        for (const auto& [sort, expected] : orders) {
            ds.setSort(QString::fromLatin1(sort));
            QCOMPARE(ids(ds), expected);
        }
        // Sort and filter together; the sort text is kept when the filter changes.
        ds.setFilter(QStringLiteral("dept like 'A%'"));
        ds.setFiltered(true);
        QCOMPARE(ids(ds), QList<int>({4, 6, 1, 2}));
        ds.setSort(QString());
        QCOMPARE(ids(ds), QList<int>({1, 2, 4, 6}));
        // A sort that cannot be made keeps the order and the text there were.
        ds.setFiltered(false);
        ds.setSort(QStringLiteral("amount"));
        const QList<int> before = ids(ds);
        ds.addCalculatedField(QStringLiteral("calc"), FieldType::Integer,
                              [](const DataSet&, Bookmark) { return 1; });
        for (const char* bad : {"nosuch", "id upward", "calc"})
            QVERIFY_THROWS_EXCEPTION(DbError, ds.setSort(QString::fromLatin1(bad)));
        QCOMPARE(ds.sort(), QStringLiteral("amount"));
        QCOMPARE(ids(ds), before);
    }

    void multiKeySortMatchesReference() {
        // Keys of every storage kind with nulls, signed doubles and the whole 64-bit range, alone and
        // combined: the order equals a plain stable sort by the documented rules.
        DataSet ds;
        ds.beginLoad({colDef("t", FieldType::WideString), colDef("i", FieldType::Integer),
                      colDef("d", FieldType::Float), colDef("big", FieldType::LargeInt)});
        RowBatch batch({StorageKind::Bytes, StorageKind::Int64, StorageKind::Double, StorageKind::Int64});
        const char* texts[] = {"b", "B", "a", "张", "ab", "", "Ab"};
        const double doubles[] = {-1e300, 1e300, -0.0, 0.0, -2.5, 0.25};
        constexpr std::int64_t lo = std::numeric_limits<std::int64_t>::min();
        constexpr std::int64_t hi = std::numeric_limits<std::int64_t>::max();
        const std::int64_t extremes[] = {lo, hi, 0, -1, 65536, -65537, 4294967296};
        std::uint64_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            return seed >> 33;
        };
        const int rows = 3000;
        for (int r = 0; r < rows; ++r) {
            const auto pick = next();
            if (pick % 9 == 0)
                batch.addNull(0);
            else
                batch.addBytes(0, texts[pick % 7], std::strlen(texts[pick % 7]));
            pick % 11 == 0 ? batch.addNull(1) : batch.addInt(1, std::int64_t(next() % 50) - 25);
            if (pick % 13 == 0)
                batch.addNull(2);
            else
                batch.addDouble(2, pick % 3 == 0 ? doubles[next() % 6] : (double(next() % 2000) - 1000) / 8);
            pick % 7 == 0 ? batch.addNull(3)
                          : batch.addInt(3, pick % 5 == 0 ? extremes[next() % 7] : std::int64_t(next() % 4));
            batch.endRow();
        }
        ds.appendRows(batch);
        ds.endLoad();

        const RowStore& store = *ds.store();
        // -1, 0, 1 for the two rows' values of one column, nulls lowest.
        auto compareColumn = [&store](Bookmark a, Bookmark b, int c) {
            const bool na = store.isNull(a, c), nb = store.isNull(b, c);
            if (na || nb)
                return na == nb ? 0 : (na ? -1 : 1);
            switch (store.kind(c)) {
            case StorageKind::Bytes:
                return textcompare::compare(store.bytesAt(a, c), store.bytesAt(b, c), true);
            case StorageKind::Double: {
                const double x = store.doubleAt(a, c), y = store.doubleAt(b, c);
                return x < y ? -1 : (x > y ? 1 : 0);
            }
            default: {
                const std::int64_t x = store.intAt(a, c), y = store.intAt(b, c);
                return x < y ? -1 : (x > y ? 1 : 0);
            }
            }
        };
        const QList<QPair<QString, QList<QPair<int, bool>>>> cases = {
            {QStringLiteral("t, i DESC"), {{0, false}, {1, true}}},
            {QStringLiteral("big DESC, t"), {{3, true}, {0, false}}},
            {QStringLiteral("i, big, d DESC, t DESC"), {{1, false}, {3, false}, {2, true}, {0, true}}},
            {QStringLiteral("d, big DESC"), {{2, false}, {3, true}}},
            {QStringLiteral("d"), {{2, false}}},
            {QStringLiteral("big DESC"), {{3, true}}},
        };
        for (const auto& [text, keys] : cases) {
            std::vector<Bookmark> expected(rows);
            for (int r = 0; r < rows; ++r)
                expected[std::size_t(r)] = Bookmark(r);
            std::stable_sort(expected.begin(), expected.end(), [&](Bookmark a, Bookmark b) {
                for (const auto& [column, descending] : keys) {
                    const int c = compareColumn(a, b, column);
                    if (c != 0)
                        return descending ? c > 0 : c < 0;
                }
                return false;
            });
            ds.setSort(text);
            for (int r = 0; r < rows; ++r)
                QVERIFY2(ds.bookmarkAt(r) == expected[std::size_t(r)],
                         qPrintable(QStringLiteral("%1: row %2").arg(text).arg(r)));
        }
    }

    void bookmarksSurviveSortAndFilter() {
        DataSet ds;
        loadSample(ds);
        QVERIFY(ds.locate(QStringLiteral("id"), 5));
        const Bookmark five = ds.bookmark();
        ds.first();
        const Bookmark one = ds.bookmark();
        ds.gotoBookmark(five);
        ds.setSort(QStringLiteral("amount DESC"));
        QCOMPARE(ds.bookmark(), five); // the cursor stays on its row
        QCOMPARE(curId(ds), 5);
        QCOMPARE(ds.recNo(), 1);
        ds.setFilter(QStringLiteral("dept = 'B02' or dept = 'A02'"));
        ds.setFiltered(true);
        QCOMPARE(curId(ds), 5);
        QVERIFY(!ds.gotoBookmark(one)); // filtered out
        QCOMPARE(curId(ds), 5);
        ds.setFiltered(false);
        QVERIFY(ds.gotoBookmark(one));
        QCOMPARE(curId(ds), 1);
        QCOMPARE(ds.positionOf(five), 0);
    }

    void locate() {
        DataSet ds;
        loadSample(ds);
        QVERIFY(!ds.locate(QStringLiteral("name"), QStringLiteral("bob")));
        QVERIFY(ds.locate(QStringLiteral("name"), QStringLiteral("bob"), DataSet::CaseInsensitive));
        QCOMPARE(curId(ds), 5);
        QVERIFY(ds.locate(QStringLiteral("name"), QStringLiteral("AL"),
                          DataSet::CaseInsensitive | DataSet::PartialKey));
        QCOMPARE(curId(ds), 4);
        QVERIFY(ds.locate(QStringLiteral("dept;amount"), QVariantList{QStringLiteral("A01"), 12.5}));
        QCOMPARE(curId(ds), 1);
        ds.setSort(QStringLiteral("id DESC"));
        QVERIFY(ds.locate(QStringLiteral("dept;amount"),
                          QVariantList{QStringLiteral("A01"), QStringLiteral("12.50")}));
        QCOMPARE(curId(ds), 6);
        QVERIFY(ds.locate(QStringLiteral("at"), QDateTime(QDate(2024, 2, 1), QTime(0, 0))));
        QCOMPARE(curId(ds), 3);
        QVERIFY(ds.locate(QStringLiteral("name"), QVariant()));
        QCOMPARE(curId(ds), 6);
        const Bookmark before = ds.bookmark();
        QVERIFY(!ds.locate(QStringLiteral("id"), 99));
        QCOMPARE(ds.bookmark(), before); // a failed Locate does not move
        QVERIFY_THROWS_EXCEPTION(DbError, ds.locate(QStringLiteral("id;name"), 1));
    }

    void cloneIndependence() {
        DataSet ds;
        loadSample(ds);
        fld(ds, "amount").setDisplayLabel(QStringLiteral("金额"));
        std::unique_ptr<DataSet> copy(ds.clone());
        QCOMPARE(copy->recordCount(), 6);
        QCOMPARE(fld(*copy, "amount").displayLabel(), QStringLiteral("金额"));
        copy->setSort(QStringLiteral("id DESC"));
        copy->setFilter(QStringLiteral("id > 2"));
        copy->setFiltered(true);
        copy->last();
        QCOMPARE(ids(*copy), QList<int>({6, 5, 4, 3}));
        QCOMPARE(ids(ds), QList<int>({1, 2, 3, 4, 5, 6}));
        QCOMPARE(ds.recNo(), 1);
        QVERIFY(!ds.filtered());
        // Rows are shared: a posted change and a new row show in both.
        ds.setRecNo(4);
        put(ds, false, {{"amount", "7.25"}});
        QVERIFY(copy->locate(QStringLiteral("id"), 4));
        QCOMPARE(fld(*copy, "amount").asFixed(), 72500);
        put(ds, true, {{"id", 9}});
        QCOMPARE(ids(*copy), QList<int>({6, 5, 4, 3, 9}));
        // A row deleted through the clone leaves both.
        QVERIFY(copy->locate(QStringLiteral("id"), 5));
        copy->deleteRecord();
        QCOMPARE(ids(ds), QList<int>({1, 2, 3, 4, 6, 9}));
        QCOMPARE(ds.recordCount(), 6);
        // Closing the original leaves the clone its rows.
        ds.close();
        QCOMPARE(ids(*copy), QList<int>({6, 4, 3, 9}));
    }

    void editStates() {
        DataSet ds;
        loadSample(ds);
        QStringList events;
        ds.afterInsert = [&](DataSet& d) {
            events << QStringLiteral("afterInsert");
            fld(d, "ok").setValue(false); // the record window's Boolean defaults
        };
        ds.beforePost = [&](DataSet& d) {
            events << QStringLiteral("beforePost");
            if (fld(d, "dept").asString() == QLatin1String("XX"))
                throw DbError(QStringLiteral("refused"));
        };
        fld(ds, "name").setOnValidate([&](Field&, const QVariant& v) {
            events << QStringLiteral("validate");
            if (v.toString().isEmpty())
                throw DbError(QStringLiteral("name required"));
        });
        QSignalSpy states(&ds, &DataSet::stateChanged);
        QVERIFY_THROWS_EXCEPTION(DbError, fld(ds, "id").setValue(1)); // browsing
        ds.append();
        QCOMPARE(ds.state(), DataSet::State::Insert);
        QCOMPARE(fld(ds, "ok").value(), QVariant(false));
        QVERIFY(fld(ds, "id").isNull());
        QVERIFY_THROWS_EXCEPTION(DbError, fld(ds, "name").setValue(QString()));
        fld(ds, "name").setValue(QStringLiteral("王五"));
        fld(ds, "dept").setValue(QStringLiteral("XX"));
        QVERIFY_THROWS_EXCEPTION(DbError, fld(ds, "amount").setValue(QStringLiteral("1,5")));
        QVERIFY_THROWS_EXCEPTION(DbError, ds.post());
        QCOMPARE(ds.state(), DataSet::State::Insert); // a refused post keeps the record
        fld(ds, "dept").setValue(QStringLiteral("C01"));
        fld(ds, "amount").setValue(0.3);
        ds.post();
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QCOMPARE(ds.recordCount(), 7);
        QCOMPARE(ds.recNo(), 7);
        QCOMPARE(fld(ds, "name").asString(), QStringLiteral("王五"));
        QCOMPARE(fld(ds, "amount").asFixed(), 3000);
        QCOMPARE(events.join(QLatin1Char(',')),
                 QStringLiteral("afterInsert,validate,validate,beforePost,beforePost"));
        // Edit then Cancel restores; Edit then Post writes.
        ds.first();
        ds.edit();
        fld(ds, "dept").setValue(QStringLiteral("Z9"));
        QCOMPARE(fld(ds, "dept").asString(), QStringLiteral("Z9"));
        QVERIFY(ds.isModified());
        ds.cancel();
        QCOMPARE(fld(ds, "dept").asString(), QStringLiteral("A01"));
        // The poster sees old and new values and can refuse.
        DataSet::Change seen{};
        bool refuse = true;
        ds.poster = [&](DataSet&, DataSet::Change& change) {
            seen = change;
            if (refuse)
                throw DbError(QStringLiteral("server said no"));
        };
        QVERIFY_THROWS_EXCEPTION(DbError, put(ds, false, {{"dept", "Z9"}}));
        QCOMPARE(ds.state(), DataSet::State::Edit);
        refuse = false;
        ds.post();
        QCOMPARE(seen.kind, DataSet::Change::Update);
        QCOMPARE(QByteArray::fromStdString(seen.oldValues[2].s), QByteArray("A01"));
        QCOMPARE(QByteArray::fromStdString(seen.newValues[2].s), QByteArray("Z9"));
        QVERIFY(seen.changed[2] && !seen.changed[1]);
        QCOMPARE(fld(ds, "dept").asString(), QStringLiteral("Z9"));
        ds.deleteRecord();
        QCOMPARE(seen.kind, DataSet::Change::Delete);
        QCOMPARE(ds.recordCount(), 6);
        QCOMPARE(curId(ds), 2);
        QVERIFY(states.count() >= 6);
    }

    void calculatedAndHandlers() {
        DataSet ds;
        loadSample(ds);
        const int amountIndex = fld(ds, "amount").index();
        const int priceIndex = fld(ds, "price").index();
        Field& total = ds.addCalculatedField(
            QStringLiteral("total"), FieldType::Float, [=](const DataSet& d, Bookmark b) {
                return QVariant(d.valueAt(b, amountIndex).toDouble() + d.valueAt(b, priceIndex).toDouble());
            });
        total.setDisplayFormat(QStringLiteral("0.00"));
        ds.first();
        QCOMPARE(total.value().toDouble(), 14.0);
        QCOMPARE(total.displayText(), QStringLiteral("14.00"));
        ds.setFilter(QStringLiteral("total > 50"));
        ds.setFiltered(true);
        QCOMPARE(ids(ds), QList<int>({5}));
        ds.setFiltered(false);
        Field& ok = fld(ds, "ok");
        ok.setTextHandler([](const QVariant& v) {
            return v.isNull() ? QStringLiteral("?")
                              : (v.toBool() ? QStringLiteral("是") : QStringLiteral("否"));
        });
        QCOMPARE(ds.displayText(0, ok.index()), QStringLiteral("是"));
        QCOMPARE(ds.displayText(3, ok.index()), QStringLiteral("?"));
        // Field order can be changed; cells follow their fields.
        ok.setIndex(0);
        QCOMPARE(ds.field(0)->fieldName(), QStringLiteral("ok"));
        QCOMPARE(ds.value(0, 1).toInt(), 1);
        QCOMPARE(ds.sumFixed(fld(ds, "amount").index()),
                 1221000); // 12.50 + 0.10 - 3.00 + 100.00 + 12.50, the null counting 0
    }

    void lookupFields() {
        DataSet depts;
        loadMemoryRows(depts, {{"deptno", FieldType::WideString}, {"deptname", FieldType::WideString}},
                       {{"A01", "财务部"}, {"B01", "后勤部"}, {"A02", "研发部"}, {"A01", "重复"}});

        DataSet ds;
        loadSample(ds);
        Field& name = ds.addLookupField(QStringLiteral("deptname"), QStringLiteral("dept"), &depts,
                                        QStringLiteral("deptno"), QStringLiteral("deptname"));
        QVERIFY(name.isLookup());
        QCOMPARE(name.dataType(), FieldType::WideString);
        ds.first();
        QCOMPARE(name.asString(), QStringLiteral("财务部")); // the first matching row
        QVERIFY(ds.locate(QStringLiteral("id"), 5));
        QVERIFY(name.isNull()); // B02 has no department row
        // Lookup columns can be sorted and filtered; plain calculated ones cannot be sorted.
        ds.setSort(QStringLiteral("deptname DESC, id"));
        QCOMPARE(ids(ds), QList<int>({1, 4, 6, 2, 3, 5})); // code-point order, null last descending
        ds.setFilter(QStringLiteral("deptname = '财务部'"));
        ds.setFiltered(true);
        QCOMPARE(ids(ds), QList<int>({1, 4, 6}));
        // A change in the looked-up rows shows at once.
        depts.first();
        put(depts, false, {{"deptname", "财务处"}});
        ds.first();
        QCOMPARE(name.asString(), QStringLiteral("财务处"));
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 ds.addLookupField(QStringLiteral("x"), QStringLiteral("dept;id"), &depts,
                                                   QStringLiteral("deptno"), QStringLiteral("deptname")));
    }
};

QTEST_GUILESS_MAIN(DataSetCoreTest)
#include "tst_dataset_core.moc"
