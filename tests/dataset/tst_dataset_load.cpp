// Loading a data set from the private MariaDB server: every column type,
// NULLs, Chinese text, money, bound parameters, both reading paths, base
// tables, streaming and cancelling.
#include "TestDatabase.h"
#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "dataset/DataSetLoader.h"
#include "db/DbError.h"

#include <QtTest>

class DataSetLoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyColumnType_data();
    void everyColumnType();
    void boundParameters();
    void baseTables();
    void moneyFromServerSumsExactly();
    void streamingAndCancel();
    void loadingOnAWorker();
    void errorsLeaveClosed();

private:
    std::unique_ptr<TestDatabase> m_db;
};

void DataSetLoadTest::initTestCase() {
    m_db = std::make_unique<TestDatabase>(QStringLiteral("dataset_load"), false);
    m_db->exec(QStringLiteral(
        "create table alltypes (id int auto_increment primary key, c_tiny tinyint, c_usmall smallint "
        "unsigned, "
        "c_int int not null default 0, c_big bigint, c_ubig bigint unsigned, c_float float, c_double double, "
        "c_money decimal(12,2), c_dec4 decimal(15,4), c_wide decimal(30,10), c_bit bit(1), c_date date, "
        "c_time time, c_dt datetime, c_ts timestamp null default null, c_char char(10), c_varchar "
        "varchar(50), "
        "c_text text, c_blob blob, c_year year, c_enum enum('on','off'))"));
    m_db->exec(QStringLiteral(
        "insert into alltypes values "
        "(1, -128, 65535, -2147483648, -9223372036854775807, 18446744073709551615, 1.5, 3.141592653589793, "
        " -1234567890.12, 12.3456, 12345678901234567890.0123456789, b'1', '2024-02-29', '-12:30:15', "
        " '2024-01-31 23:59:59', '2024-01-01 00:00:01', '工号01', '张三''s \\\\ card: :x', '长文本', "
        "x'00ff10', "
        " 2024, 'off'),"
        "(2, null, null, 0, null, null, null, null, null, null, null, null, null, null, null, null, null, "
        "null, "
        " null, null, null, null),"
        "(3, 127, 0, 2147483647, 9223372036854775807, 0, -0.25, -1e300, 0.10, -0.0001, 0, b'0', "
        "'1900-01-01', "
        " '838:59:59', '1970-01-01 00:00:00', null, '', '', '', '', 1901, 'on')"));
}

void DataSetLoadTest::cleanupTestCase() {
    m_db.reset();
}

void DataSetLoadTest::everyColumnType_data() {
    QTest::addColumn<bool>("qtDriver");
    QTest::newRow("C API") << false;
    QTest::newRow("QSqlQuery") << true;
}

void DataSetLoadTest::everyColumnType() {
    QFETCH(bool, qtDriver);
    DataSet ds;
    DataSet::OpenOptions options;
    options.forceQtDriver = qtDriver;
    QVERIFY(ds.open(m_db->db(), QStringLiteral("select * from alltypes order by id"), {}, options));
    QCOMPARE(ds.recordCount(), 3);
    QCOMPARE(ds.fieldCount(), 22);
    auto f = [&](const char* name) -> Field& { return ds.fieldByName(QString::fromLatin1(name)); };
    const QList<QPair<const char*, FieldType>> types = {
        {"c_int", FieldType::Integer}, {"c_big", FieldType::LargeInt},       {"c_double", FieldType::Float},
        {"c_money", FieldType::BCD},   {"c_date", FieldType::Date},          {"c_dt", FieldType::DateTime},
        {"c_ts", FieldType::DateTime}, {"c_varchar", FieldType::WideString}, {"c_blob", FieldType::Blob}};
    // Types only the C API reports exactly: Qt's driver reads TIME as text; a
    // decimal too wide for the fixed-point form is read as a float.
    const QList<QPair<const char*, FieldType>> exactTypes = {
        {"id", FieldType::Integer},    {"c_usmall", FieldType::Word}, {"c_time", FieldType::Time},
        {"c_bit", FieldType::Boolean}, {"c_text", FieldType::Memo},   {"c_wide", FieldType::Float}};
    for (const auto& [name, type] : types + (qtDriver ? decltype(types)() : exactTypes))
        QVERIFY2(f(name).dataType() == type, name);
    if (!qtDriver) {
        QVERIFY(f("id").isAutoIncrement() && f("id").isKey());
        QVERIFY(f("c_int").required());
        QCOMPARE(f("c_varchar").size(), 50);
        QCOMPARE(f("c_money").precision(), 12);
        QCOMPARE(f("c_money").scale(), 2);
    }

    ds.first();
    QCOMPARE(f("c_tiny").asInteger(), -128);
    QCOMPARE(f("c_usmall").asInteger(), 65535);
    QCOMPARE(f("c_int").asInteger(), std::numeric_limits<int>::min());
    QCOMPARE(f("c_big").asInteger(), -9223372036854775807LL);
    QCOMPARE(f("c_float").asFloat(), 1.5);
    QCOMPARE(f("c_double").asFloat(), 3.141592653589793);
    QCOMPARE(f("c_money").asFixed(), -12345678901200LL);
    QCOMPARE(f("c_money").asString(), QStringLiteral("-1234567890.12"));
    QCOMPARE(f("c_dec4").asFixed(), 123456);
    QCOMPARE(f("c_date").value().toDate(), QDate(2024, 2, 29));
    QCOMPARE(f("c_time").asString(), QStringLiteral("-12:30:15"));
    QCOMPARE(f("c_dt").value().toDateTime(), QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59)));
    QCOMPARE(f("c_ts").value().toDateTime(), QDateTime(QDate(2024, 1, 1), QTime(0, 0, 1)));
    QCOMPARE(f("c_char").asString(), QStringLiteral("工号01"));
    QCOMPARE(f("c_varchar").asString(), QStringLiteral("张三's \\ card: :x"));
    QCOMPARE(f("c_text").asString(), QStringLiteral("长文本"));
    QCOMPARE(f("c_blob").value().toByteArray(), QByteArray("\x00\xff\x10", 3));
    QCOMPARE(f("c_year").asInteger(), 2024);
    QCOMPARE(f("c_enum").asString(), QStringLiteral("off"));
    if (!qtDriver)
        QCOMPARE(f("c_bit").value(), QVariant(true));

    ds.next();
    for (int i = 0; i < ds.fieldCount(); ++i) {
        const Field& field = *ds.field(i);
        if (field.fieldName() != QLatin1String("id") && field.fieldName() != QLatin1String("c_int"))
            QVERIFY2(field.isNull() && field.value().isNull(), qPrintable(field.fieldName()));
    }

    ds.next();
    QCOMPARE(f("c_int").asInteger(), std::numeric_limits<int>::max());
    QCOMPARE(f("c_big").asInteger(), std::numeric_limits<qint64>::max());
    QCOMPARE(f("c_money").asFixed(), 1000);
    QCOMPARE(f("c_dec4").asFixed(), -1);
    QCOMPARE(f("c_double").asFloat(), -1e300);
    QCOMPARE(f("c_date").value().toDate(), QDate(1900, 1, 1));
    QCOMPARE(f("c_time").asString(), QStringLiteral("838:59:59"));
    QCOMPARE(f("c_dt").value().toDateTime(), QDateTime(QDate(1970, 1, 1), QTime(0, 0)));
    QVERIFY(!f("c_varchar").isNull());
    QCOMPARE(f("c_varchar").asString(), QString());
    f("c_money").setDisplayFormat(QStringLiteral("￥0.00"));
    QCOMPARE(f("c_money").displayText(), QStringLiteral("￥0.10"));
    ds.first();
    QCOMPARE(f("c_money").displayText(), QStringLiteral("-￥1234567890.12"));
}

void DataSetLoadTest::boundParameters() {
    const QString sql = QStringLiteral(
        "select id, ':id' as lit, c_varchar from alltypes where (c_varchar = :@name or c_char = :name) "
        "and c_dt <= :@enddate and id >= :id order by id");
    for (const bool qtDriver : {false, true}) {
        DataSet ds;
        DataSet::OpenOptions options;
        options.forceQtDriver = qtDriver;
        QVariantMap params{{QStringLiteral("@name"), QStringLiteral("张三's \\ card: :x")},
                           {QStringLiteral("enddate"), QStringLiteral("2024-12-31 00:00:00")},
                           {QStringLiteral("id"), 1}};
        ds.open(m_db->db(), sql, params, options);
        QCOMPARE(ds.recordCount(), 1);
        QCOMPARE(ds.fieldByName(QStringLiteral("lit")).asString(), QStringLiteral(":id"));
        // A value that would change the statement if it were pasted finds nothing.
        params[QStringLiteral("name")] = QStringLiteral("x' or '1'='1");
        ds.open(m_db->db(), sql, params, options);
        QCOMPARE(ds.recordCount(), 0);
        QVERIFY(ds.isActive());
        QCOMPARE(ds.recNo(), 0);
        QVERIFY(ds.eof() && ds.bof());
        params.remove(QStringLiteral("id"));
        QVERIFY_THROWS_EXCEPTION(DbError, ds.open(m_db->db(), sql, params, options));
        QVERIFY(!ds.isActive());
    }
}

void DataSetLoadTest::baseTables() {
    m_db->exec(QStringLiteral("create table dept (deptno varchar(10) primary key, deptname varchar(40))"));
    m_db->exec(QStringLiteral("insert into dept values ('A01', '财务部')"));
    DataSet ds;
    ds.open(m_db->db(), QStringLiteral("select id as code, c_varchar, 1+1 as two from alltypes"));
    QCOMPARE(ds.uniqueTable(), QStringLiteral("alltypes"));
    QCOMPARE(ds.fieldByName(QStringLiteral("code")).baseTableName(), QStringLiteral("alltypes"));
    QCOMPARE(ds.fieldByName(QStringLiteral("code")).baseColumnName(), QStringLiteral("id"));
    QCOMPARE(ds.fieldByName(QStringLiteral("two")).baseTableName(), QString());
    ds.open(m_db->db(), QStringLiteral("select a.id, d.deptname from alltypes a, dept d"));
    QCOMPARE(ds.uniqueTable(), QString());
    QCOMPARE(ds.fieldByName(QStringLiteral("deptname")).baseTableName(), QStringLiteral("dept"));
    QCOMPARE(ds.recordCount(), 3);
}

void DataSetLoadTest::moneyFromServerSumsExactly() {
    m_db->exec(QStringLiteral("create table money (card_consume decimal(12,2))"));
    m_db->exec(QStringLiteral("insert into money select 0.10 from seq_1_to_1000000"));
    DataSet ds;
    ds.open(m_db->db(), QStringLiteral("select card_consume from money"));
    QCOMPARE(ds.recordCount(), 1000000);
    QCOMPARE(cellcodec::fixedText(ds.sumFixed(0), 2), QStringLiteral("100000.00"));
    QCOMPARE(m_db->scalar(QStringLiteral("select cast(sum(card_consume) as char) from money")).toString(),
             cellcodec::fixedText(ds.sumFixed(0), 2));
}

void DataSetLoadTest::streamingAndCancel() {
    m_db->exec(QStringLiteral(
        "create table big as select seq as n, concat('名字', seq) as name from seq_1_to_300000"));
    // Rows arrive in several batches, the first one small.
    {
        DataSet ds;
        QList<quint32> progress;
        DataSet::OpenOptions options;
        options.progress = [&](std::uint32_t rows) {
            progress << rows;
            return true;
        };
        QSignalSpy appended(&ds, &DataSet::rowsAppended);
        QVERIFY(ds.open(m_db->db(), QStringLiteral("select * from big"), {}, options));
        QCOMPARE(ds.recordCount(), 300000);
        QVERIFY(progress.size() > 5);
        QVERIFY(progress.first() <= 1024);
        QCOMPARE(progress.last(), 300000u);
        QCOMPARE(appended.count(), progress.size());
        ds.last();
        QCOMPARE(ds.fieldByName(QStringLiteral("name")).asString(), QStringLiteral("名字300000"));
    }
    // Cancelling keeps the rows so far, and the connection is free at once.
    for (const bool qtDriver : {false, true}) {
        DataSet ds;
        DataSet::OpenOptions options;
        options.forceQtDriver = qtDriver;
        options.progress = [](std::uint32_t rows) { return rows < 2000; };
        QSignalSpy finished(&ds, &DataSet::loadFinished);
        QVERIFY(!ds.open(m_db->db(), QStringLiteral("select * from big order by n"), {}, options));
        QVERIFY(ds.isActive());
        QVERIFY(ds.recordCount() >= 2000);
        QVERIFY(ds.recordCount() < 300000);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(ds.fieldByName(QStringLiteral("n")).asInteger(), 1);
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from big")).toInt(), 300000);
        DataSet again;
        again.open(m_db->db(), QStringLiteral("select * from big where n <= 10"));
        QCOMPARE(again.recordCount(), 10);
    }
}

void DataSetLoadTest::loadingOnAWorker() {
    DataSet ds;
    DataSetLoader loader(&ds);
    QSignalSpy finished(&loader, &DataSetLoader::finished);
    QSignalSpy appended(&ds, &DataSet::rowsAppended);
    // Rows arrive in several steps while the interface thread keeps running.
    loader.start(m_db->db(), QStringLiteral("select * from big where n > :@from order by n"),
                 {{QStringLiteral("from"), 100}});
    QVERIFY(loader.isRunning());
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().at(0).toBool(), false);
    QCOMPARE(finished.first().at(1).toString(), QString());
    QCOMPARE(ds.recordCount(), 299900);
    QVERIFY(appended.count() > 5);
    QCOMPARE(appended.first().at(0).toInt(), 0);
    ds.first();
    QCOMPARE(ds.fieldByName(QStringLiteral("n")).asInteger(), 101);
    QVERIFY(!ds.isLoading());

    // Cancelled after the first rows: they stay, the rest never comes.
    finished.clear();
    appended.clear();
    connect(&ds, &DataSet::rowsAppended, &loader, [&] { loader.cancel(); });
    loader.start(m_db->db(), QStringLiteral("select * from big order by n"));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().at(0).toBool(), true);
    QVERIFY(ds.recordCount() > 0);
    QVERIFY(ds.recordCount() < 300000);
    QVERIFY(ds.isActive());
    disconnect(&ds, &DataSet::rowsAppended, &loader, nullptr);

    // A newer request supersedes the running one: only its rows and its end arrive.
    finished.clear();
    loader.start(m_db->db(), QStringLiteral("select * from big order by n desc"));
    loader.start(m_db->db(), QStringLiteral("select * from big where n <= 10"));
    QVERIFY(finished.wait(20000));
    QTest::qWait(200);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(ds.recordCount(), 10);

    // A failing statement closes the data set and reports the engine's message.
    finished.clear();
    loader.start(m_db->db(), QStringLiteral("select nosuch from big"));
    QVERIFY(finished.wait(20000));
    QVERIFY(finished.first().at(1).toString().contains(QLatin1String("nosuch")));
    QVERIFY(!ds.isActive());

    // Cancelling while the server is still working ends the wait at once.
    finished.clear();
    QElapsedTimer t;
    t.start();
    loader.start(m_db->db(), QStringLiteral("select sleep(30)"));
    QTest::qWait(300);
    loader.cancel();
    QVERIFY(finished.wait(10000));
    QVERIFY(t.elapsed() < 10000);
    QCOMPARE(finished.first().at(0).toBool(), true);
}

void DataSetLoadTest::errorsLeaveClosed() {
    DataSet ds;
    ds.open(m_db->db(), QStringLiteral("select id from alltypes"));
    try {
        ds.open(m_db->db(), QStringLiteral("select nosuch from alltypes"));
        QFAIL("no error raised");
    } catch (const DbError& e) {
        QVERIFY(e.message().contains(QLatin1String("nosuch")));
    }
    QVERIFY(!ds.isActive());
    QCOMPARE(ds.recordCount(), 0);
    // A statement without a result set opens an empty data set.
    ds.open(m_db->db(), QStringLiteral("update alltypes set c_tiny = c_tiny where id = 0"));
    QVERIFY(ds.isActive());
    QCOMPARE(ds.fieldCount(), 0);
}

QTEST_GUILESS_MAIN(DataSetLoadTest)
#include "tst_dataset_load.moc"
