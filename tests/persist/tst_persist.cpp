// Data sets saved as tablegram (ADTG) and XML rowset files and loaded back; hand-built files as the
// Windows installations write them; damaged files refused with the data set kept.
#include "AdtgBytes.h"
#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "dataset/persist/DataSetFile.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(DataSetFileFormat)

namespace {

ColumnDef col(const char* name, FieldType type, int size = 0) {
    ColumnDef d;
    d.name = QString::fromUtf8(name);
    d.type = type;
    d.size = size;
    d.baseTable = QStringLiteral("Staff");
    return d;
}

// Every field type, the key an auto-increment column, one column from no table.
std::vector<ColumnDef> allTypes() {
    std::vector<ColumnDef> c = {col("Id", FieldType::AutoInc),
                                col("姓名", FieldType::WideString, 20),
                                col("Code", FieldType::String, 10),
                                col("Small", FieldType::SmallInt),
                                col("Num", FieldType::Integer),
                                col("W", FieldType::Word),
                                col("Big", FieldType::LargeInt),
                                col("F", FieldType::Float),
                                col("Money", FieldType::Currency),
                                col("Dec", FieldType::BCD),
                                col("Flag", FieldType::Boolean),
                                col("D", FieldType::Date),
                                col("T", FieldType::Time),
                                col("DT", FieldType::DateTime),
                                col("Note", FieldType::Memo),
                                col("Photo", FieldType::Blob),
                                col("Total (元)", FieldType::Currency)};
    c[0].key = true;
    c[0].autoIncrement = true;
    c[0].nullable = false;
    c[9].precision = 12;
    c[9].scale = 2;
    c[16].baseTable.clear();
    return c;
}

void appendRow(DataSet& ds, const QVariantList& values) {
    ds.append();
    for (int i = 0; i < values.size(); ++i)
        ds.field(i)->setValue(values[i]);
    ds.post();
}

void fillAllTypes(DataSet& ds) {
    ds.beginLoad(allTypes());
    ds.endLoad();
    const QVariant null;
    appendRow(ds, {1, QStringLiteral("张三丰"), QStringLiteral("A'B&C<>\""), -5, 123456, 65535,
                   QVariant(qlonglong(9000000000000000000LL)), 3.141592653589793, QStringLiteral("1234.5678"),
                   QStringLiteral("-98765.43"), true, QDate(2024, 2, 29), QTime(8, 30, 15),
                   QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 999)),
                   QStringLiteral("备注\n第二行\t& <标记> '引号'\r"), QByteArray("\x00\xFF\x10 ab", 6),
                   QStringLiteral("0.0001")});
    // Nulls everywhere but the key.
    appendRow(ds, {2, null, null, null, null, null, null, null, null, null, null, null, null, null, null,
                   null, null});
    // Empty texts are not nulls; range ends.
    appendRow(ds, {3, QString(""), QString(""), -32768, std::numeric_limits<int>::min(), 0,
                   QVariant(qlonglong(std::numeric_limits<qint64>::min())), -1e300,
                   QStringLiteral("-922337203685477.5807"), QStringLiteral("0"), false, QDate(1900, 1, 1),
                   QTime(0, 0, 0), QDateTime(QDate(1899, 12, 30), QTime(0, 0)), QString(""), QByteArray(""),
                   QStringLiteral("-0.01")});
}

QByteArray save(const DataSet& ds, DataSetFileFormat format) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    QString error;
    if (!SaveDataSetToDevice(ds, buf, format, &error))
        qWarning() << error;
    return buf.data();
}

// Fields and cells of two data sets are the same.
void compareDataSets(const DataSet& a, const DataSet& b) {
    QCOMPARE(b.fieldCount(), a.fieldCount());
    QCOMPARE(b.recordCount(), a.recordCount());
    QCOMPARE(b.uniqueTable(), a.uniqueTable());
    for (int i = 0; i < a.fieldCount(); ++i) {
        const Field* fa = a.field(i);
        const Field* fb = b.field(i);
        QCOMPARE(fb->fieldName(), fa->fieldName());
        QCOMPARE(fb->dataType(), fa->dataType());
        QCOMPARE(fb->baseTableName(), fa->baseTableName());
        QCOMPARE(fb->baseColumnName(), fa->baseColumnName());
        QCOMPARE(fb->isAutoIncrement(), fa->isAutoIncrement());
        QCOMPARE(fb->isKey(), fa->isKey());
        QCOMPARE(fb->required(), fa->required());
        if (isTextType(fa->dataType()) && !isBlobType(fa->dataType()))
            QCOMPARE(fb->size(), fa->size());
        if (fa->dataType() == FieldType::BCD) {
            QCOMPARE(fb->precision(), fa->precision());
            QCOMPARE(fb->scale(), fa->scale());
        }
        for (int r = 0; r < a.recordCount(); ++r) {
            const Cell ca = a.cellAt(a.bookmarkAt(r), i);
            const Cell cb = b.cellAt(b.bookmarkAt(r), i);
            QVERIFY2(ca.null == cb.null, qPrintable(QStringLiteral("%1 row %2").arg(fa->fieldName()).arg(r)));
            if (ca.null)
                continue;
            QCOMPARE(cb.i, ca.i);
            QCOMPARE(cb.d, ca.d);
            QCOMPARE(QByteArray::fromStdString(cb.s), QByteArray::fromStdString(ca.s));
        }
    }
}

QByteArray gbk(const QString& s) {
    QStringEncoder enc("GB18030");
    return enc.encode(s);
}

// A column descriptor: name, base table 1 with its column ordinal, type, flags.
AdtgBytes columnDescriptor(std::uint16_t ordinal, const QString& name, std::uint16_t type,
                           std::uint32_t maxLength, std::uint32_t flags, bool autoIncrement = false,
                           std::uint32_t precision = 0, std::uint32_t scale = 0) {
    AdtgBytes c;
    c.u8(0x01 | 0x02 | 0x04 | 0x08).u8(autoIncrement ? 0x80 : 0x00).u8(0x00);
    c.u16(ordinal).str(name).u16(1).u16(ordinal).str(name);
    c.u16(type).u32(maxLength).u32(precision).u32(scale).u32(flags);
    if (autoIncrement)
        c.u16(0xFFFF);
    c.u16(0xFFFF);
    return c;
}

// A "MealRecords" tablegram (code page 936): unchanged, null, changed, deleted and inserted rows.
QByteArray handMadeAdtg() {
    AdtgBytes b;
    b.start(5, 1, 4);
    AdtgBytes table;
    const QString name = QStringLiteral("MealRecords");
    table.u16(1).str(name).str(name).u16(936).u16(5).u16(1).u16(1);
    b.element(0x05, table);
    b.element(0x06, columnDescriptor(1, QStringLiteral("ID"), 3, 4, 0x10 | 0x8000, true));
    b.element(0x06, columnDescriptor(2, QStringLiteral("CardNo"), 129, 20, 0x20 | 0x40));
    b.element(0x06, columnDescriptor(3, QStringLiteral("Money"), 6, 8, 0x10 | 0x20, false, 19));
    b.element(0x06, columnDescriptor(4, QStringLiteral("OpDate"), 135, 16, 0x10 | 0x20, false, 23, 3));
    b.element(0x06, columnDescriptor(5, QStringLiteral("姓名"), 130, 10, 0x20));
    auto timestamp = [](AdtgBytes& r, int y, int mo, int d, int h, int mi, int s, std::uint32_t ns) {
        r.u16(std::uint16_t(y)).u16(std::uint16_t(mo)).u16(std::uint16_t(d));
        r.u16(std::uint16_t(h)).u16(std::uint16_t(mi)).u16(std::uint16_t(s)).u32(ns);
    };
    const QByteArray card = gbk(QStringLiteral("卡一"));
    // 1: unchanged, all values.
    b.u8(0x07).u8(0x00).u32(1).u32(std::uint32_t(card.size())).raw(card).u64(125000);
    timestamp(b, 2024, 3, 15, 12, 5, 0, 500000000);
    b.wtext(QStringLiteral("李四"));
    // 2: CardNo, Money, OpDate, 姓名 null.
    b.u8(0x07).u8(0x1E).u32(2);
    // 3: original, then Money (column 3) changed to -7.5 and 姓名 (column 5) set to null.
    b.u8(0x07).u8(0x1E).u32(3);
    b.u8(0x0A).u8(0x14).u8(0x10).u64(std::uint64_t(-75000));
    // 4: deleted.
    b.u8(0x07).u8(0x1E).u32(4).u8(0x0C);
    // 5: inserted with ID and CardNo only.
    b.u8(0x08).u8(0x03).u8(0x00).u32(5).u32(3).raw("X-9");
    b.u8(0x0F);
    return b.bytes();
}

// An XML rowset as the Windows installations write it, with pending changes.
QByteArray handMadeXml() {
    return QStringLiteral(
               "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\n"
               "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
               "\txmlns:rs='urn:schemas-microsoft-com:rowset'\n\txmlns:z='#RowsetSchema'>\n"
               "<s:Schema id='RowsetSchema'>\n"
               "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\n"
               "\t\t<s:AttributeType name='ID' rs:number='1' rs:writeunknown='true' "
               "rs:basetable='AllowRecords' rs:basecolumn='ID' rs:keycolumn='true' rs:autoincrement='true'>\n"
               "\t\t\t<s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' rs:fixedlength='true' "
               "rs:maybenull='false'/>\n\t\t</s:AttributeType>\n"
               "\t\t<s:AttributeType name='c1' rs:name='Emp Name' rs:number='2' rs:nullable='true' "
               "rs:writeunknown='true' rs:basetable='AllowRecords' rs:basecolumn='EmpName'>\n"
               "\t\t\t<s:datatype dt:type='string' dt:maxLength='50'/>\n\t\t</s:AttributeType>\n"
               "\t\t<s:AttributeType name='Amount' rs:number='3' rs:nullable='true' rs:writeunknown='true' "
               "rs:basetable='AllowRecords' rs:basecolumn='Amount'>\n"
               "\t\t\t<s:datatype dt:type='number' rs:dbtype='currency' dt:maxLength='8' rs:precision='19' "
               "rs:fixedlength='true' rs:maybenull='false'/>\n\t\t</s:AttributeType>\n"
               "\t\t<s:AttributeType name='Sent' rs:number='4' rs:nullable='true' rs:writeunknown='true' "
               "rs:basetable='AllowRecords' rs:basecolumn='Sent'>\n"
               "\t\t\t<s:datatype dt:type='boolean' dt:maxLength='2' rs:fixedlength='true'/>\n"
               "\t\t</s:AttributeType>\n"
               "\t\t<s:AttributeType name='RegDate' rs:number='5' rs:nullable='true' rs:writeunknown='true' "
               "rs:basetable='AllowRecords' rs:basecolumn='RegDate'>\n"
               "\t\t\t<s:datatype dt:type='dateTime' rs:dbtype='timestamp' dt:maxLength='16' rs:scale='3' "
               "rs:precision='23' rs:fixedlength='true'/>\n\t\t</s:AttributeType>\n"
               "\t\t<s:extends type='rs:rowbase'/>\n\t</s:ElementType>\n</s:Schema>\n<rs:data>\n"
               "\t<z:row ID='1' c1='王五 &amp; 赵六' Amount='150.5' Sent='True' "
               "RegDate='2024-05-01T08:00:00'/>\n\t<z:row ID='2'/>\n\t<rs:update>\n\t\t<rs:original>\n"
               "\t\t\t<z:row ID='3' c1='旧名' Amount='10' Sent='False'/>\n\t\t</rs:original>\n"
               "\t\t<z:row c1='新名' Amount='12.25'/>\n\t</rs:update>\n\t<rs:delete>\n"
               "\t\t<z:row ID='4' c1='删除的'/>\n\t</rs:delete>\n\t<rs:insert>\n"
               "\t\t<z:row ID='5' Amount='-0.01' RegDate='2024-06-30T23:59:59.123'/>\n\t</rs:insert>\n"
               "</rs:data>\n</xml>\n")
        .toUtf8();
}

const char kXmlOpen[] = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
                        "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
                        "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>";

// An XML rowset of `columns` integer columns and `rows` rows of `row`.
QByteArray wideXml(int columns, int rows, const QByteArray& row = "<z:row/>") {
    QByteArray b = kXmlOpen;
    b += "<s:Schema id='RowsetSchema'><s:ElementType name='row'>";
    for (int c = 0; c < columns; ++c)
        b += "<s:AttributeType name='c" + QByteArray::number(c) +
             "'><s:datatype dt:type='int'/></s:AttributeType>";
    b += "</s:ElementType></s:Schema><rs:data>";
    for (int r = 0; r < rows; ++r)
        b += row;
    return b + "</rs:data></xml>";
}

// A tablegram of `columns` integer columns and `rows` rows of nulls.
QByteArray nullRowsAdtg(int columns, int rows) {
    AdtgBytes b;
    b.start(std::uint16_t(columns), 0, std::uint32_t(rows));
    for (int c = 1; c <= columns; ++c) {
        AdtgBytes d;
        d.u8(0x01).u8(0).u8(0).u16(std::uint16_t(c)).str(QStringLiteral("c%1").arg(c));
        d.u16(3).u32(4).u32(10).u32(0).u32(0x20).u16(0xFFFF);
        b.element(0x06, d);
    }
    const QByteArray nulls((columns + 7) / 8, '\xFF');
    for (int r = 0; r < rows; ++r)
        b.u8(0x07).raw(nulls);
    return b.u8(0x0F).bytes();
}

} // namespace

class PersistTest : public QObject {
    Q_OBJECT
private slots:
    void roundTripKeepsEveryTypeAndProperty_data() {
        QTest::addColumn<DataSetFileFormat>("format");
        QTest::newRow("adtg") << DataSetFileFormat::Adtg;
        QTest::newRow("xml") << DataSetFileFormat::Xml;
    }

    void roundTripKeepsEveryTypeAndProperty() {
        QFETCH(DataSetFileFormat, format);
        DataSet original;
        fillAllTypes(original);
        // "Total (元)" comes from no table; the others name the one table.
        QCOMPARE(original.uniqueTable(), QStringLiteral("Staff"));
        const QByteArray bytes = save(original, format);
        QVERIFY(!bytes.isEmpty());

        DataSet loaded;
        QString error;
        QVERIFY2(LoadDataSetFromBytes(loaded, bytes, &error), qPrintable(error));
        compareDataSets(original, loaded);
        QCOMPARE(loaded.fieldByName(QStringLiteral("Id")).dataType(), FieldType::AutoInc);
        QCOMPARE(loaded.value(0, 1).toString(), QStringLiteral("张三丰"));
        QCOMPARE(loaded.value(0, 14).toString(), QStringLiteral("备注\n第二行\t& <标记> '引号'\r"));

        // A second save of the loaded data set gives the same rows again.
        DataSet again;
        QVERIFY(LoadDataSetFromBytes(again, save(loaded, format), &error));
        compareDataSets(original, again);

        // The file holds the rows the data set shows, in their order, and no calculated field.
        original.setSort(QStringLiteral("Id DESC"));
        original.setFilter(QStringLiteral("Id <> 2"));
        original.setFiltered(true);
        original.addCalculatedField(QStringLiteral("Twice"), FieldType::Integer,
                                    [](const DataSet& d, Bookmark b) { return d.valueAt(b, 0).toInt() * 2; });
        QVERIFY(LoadDataSetFromBytes(loaded, save(original, format)));
        QCOMPARE(loaded.recordCount(), 2);
        QCOMPARE(loaded.value(0, 0).toInt(), 3);
        QCOMPARE(loaded.value(1, 0).toInt(), 1);
        QCOMPARE(loaded.fieldCount(), int(allTypes().size()));
    }

    void rowsAcrossTheWritersBlocksRoundTrip_data() { roundTripKeepsEveryTypeAndProperty_data(); }

    // Files are written in 1 MiB blocks that can end inside a row: a null after long texts keeps its mark.
    void rowsAcrossTheWritersBlocksRoundTrip() {
        QFETCH(DataSetFileFormat, format);
        DataSet original;
        original.beginLoad({col("姓名", FieldType::WideString, 2000), col("Code", FieldType::String, 2000),
                            col("Num", FieldType::Integer), col("Note", FieldType::Memo)});
        RowBatch batch({StorageKind::Bytes, StorageKind::Bytes, StorageKind::Int64, StorageKind::Bytes});
        for (int r = 0; r < 2000; ++r) {
            const QByteArray name = QString(500 + r % 300, QChar(0x4E00 + r % 100)).toUtf8();
            const QByteArray code = QByteArray(200 + r % 50, char('a' + r % 26));
            batch.addBytes(0, name.constData(), std::size_t(name.size()));
            batch.addBytes(1, code.constData(), std::size_t(code.size()));
            r % 2 ? batch.addNull(2) : batch.addInt(2, r);
            r % 2 ? batch.addBytes(3, "备注", 6) : batch.addNull(3);
            batch.endRow();
        }
        original.appendRows(batch);
        original.endLoad();
        const QByteArray bytes = save(original, format);
        QVERIFY(bytes.size() > 2 * (1 << 20));
        DataSet loaded;
        QString error;
        QVERIFY2(LoadDataSetFromBytes(loaded, bytes, &error), qPrintable(error));
        compareDataSets(original, loaded);
    }

    void readsHandMadeTablegram() {
        DataSet ds;
        QString error;
        QVERIFY2(LoadDataSetFromBytes(ds, handMadeAdtg(), &error), qPrintable(error));
        QCOMPARE(ds.uniqueTable(), QStringLiteral("MealRecords"));
        QCOMPARE(ds.fieldCount(), 5);
        QVERIFY(ds.field(0)->isAutoIncrement() && ds.field(0)->isKey());
        QCOMPARE(ds.field(0)->baseTableName(), QStringLiteral("MealRecords"));
        QCOMPARE(ds.field(1)->size(), 20);
        QCOMPARE(QList<FieldType>({ds.field(1)->dataType(), ds.field(2)->dataType(), ds.field(3)->dataType(),
                                   ds.field(4)->dataType()}),
                 QList<FieldType>(
                     {FieldType::String, FieldType::Currency, FieldType::DateTime, FieldType::WideString}));

        // Unchanged, nulls, changed (new values), inserted; the deleted row is left out.
        QCOMPARE(ds.recordCount(), 4);
        QCOMPARE(ds.value(0, 1).toString(), QStringLiteral("卡一")); // from code page 936
        QCOMPARE(ds.fixedAt(ds.bookmarkAt(0), 2), 125000);
        QCOMPARE(ds.value(0, 3).toDateTime(), QDateTime(QDate(2024, 3, 15), QTime(12, 5, 0, 500)));
        QCOMPARE(ds.value(0, 4).toString(), QStringLiteral("李四"));
        for (int f = 1; f < 5; ++f)
            QVERIFY(ds.isNull(1, f));
        QCOMPARE(ds.value(2, 0).toInt(), 3);
        QCOMPARE(ds.fixedAt(ds.bookmarkAt(2), 2), -75000);
        QVERIFY(ds.isNull(2, 4));
        QCOMPARE(ds.value(3, 0).toInt(), 5);
        QCOMPARE(ds.value(3, 1).toString(), QStringLiteral("X-9"));
        QVERIFY(ds.isNull(3, 2));
    }

    void readsHandMadeXmlRowset() {
        DataSet ds;
        QString error;
        QVERIFY2(LoadDataSetFromBytes(ds, handMadeXml(), &error), qPrintable(error));
        QCOMPARE(ds.uniqueTable(), QStringLiteral("AllowRecords"));
        QCOMPARE(ds.fieldCount(), 5);
        QCOMPARE(ds.field(1)->fieldName(), QStringLiteral("Emp Name"));
        QCOMPARE(ds.field(1)->baseColumnName(), QStringLiteral("EmpName"));
        QCOMPARE(ds.field(1)->size(), 50);
        QVERIFY(ds.field(0)->isAutoIncrement() && ds.field(0)->isKey());
        QVERIFY(ds.field(2)->required() && !ds.field(3)->required());
        QCOMPARE(ds.field(2)->dataType(), FieldType::Currency);
        QCOMPARE(ds.field(3)->dataType(), FieldType::Boolean);

        QCOMPARE(ds.recordCount(), 4);
        QCOMPARE(ds.value(0, 1).toString(), QStringLiteral("王五 & 赵六"));
        QCOMPARE(ds.fixedAt(ds.bookmarkAt(0), 2), 1505000);
        QCOMPARE(ds.value(0, 3).toBool(), true);
        QCOMPARE(ds.value(0, 4).toDateTime(), QDateTime(QDate(2024, 5, 1), QTime(8, 0)));
        for (int f = 1; f < 5; ++f)
            QVERIFY(ds.isNull(1, f));
        // The update: original values overlaid with the changed ones.
        QCOMPARE(ds.value(2, 0).toInt(), 3);
        QCOMPARE(ds.value(2, 1).toString(), QStringLiteral("新名"));
        QCOMPARE(ds.fixedAt(ds.bookmarkAt(2), 2), 122500);
        QCOMPARE(ds.value(2, 3).toBool(), false);
        QCOMPARE(ds.value(3, 0).toInt(), 5);
        QCOMPARE(ds.fixedAt(ds.bookmarkAt(3), 2), -100);
        QCOMPARE(ds.value(3, 4).toDateTime(), QDateTime(QDate(2024, 6, 30), QTime(23, 59, 59, 123)));
    }

    void refusesDamagedFilesAndKeepsTheDataSet_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("detail");
        const QByteArray xml = handMadeXml();
        QTest::newRow("empty") << QByteArray() << QStringLiteral("既不是");
        QTest::newRow("text") << QByteArray("ID,Name\n1,abc\n") << QStringLiteral("既不是");
        QTest::newRow("other xml") << QByteArray("<html><body/></html>") << QStringLiteral("不是记录集");
        QTest::newRow("xml cut") << xml.left(xml.size() / 2) << QStringLiteral("XML 第");
        QTest::newRow("xml no schema")
            << QByteArray("<xml><rs:data xmlns:rs='urn:schemas-microsoft-com:rowset'/></xml>")
            << QStringLiteral("数据出现在结构定义之前");
        QByteArray badInt = xml;
        badInt.replace("ID='2'", "ID='2x'");
        QTest::newRow("xml bad number") << badInt << QStringLiteral("字段 ID 的值 \"2x\" 无效");
        QByteArray unknown = xml;
        unknown.replace("ID='2'", "ID='2' Extra='1'");
        QTest::newRow("xml unknown attribute") << unknown << QStringLiteral("Extra");
        // A second schema would add columns that rows read against the first one lack.
        const QByteArray schema(
            "<s:Schema id='More'><s:ElementType name='row'><s:AttributeType name='Extra'>"
            "<s:datatype dt:type='string'/></s:AttributeType></s:ElementType></s:Schema>");
        QByteArray twoSchemas = xml;
        twoSchemas.insert(twoSchemas.indexOf("<rs:data>"), schema);
        QTest::newRow("xml schema twice") << twoSchemas << QStringLiteral("结构定义 (s:Schema) 重复");
        QByteArray lateSchema = xml;
        lateSchema.insert(lateSchema.indexOf("</rs:data>") + 10, schema);
        QTest::newRow("xml schema after the data")
            << lateSchema << QStringLiteral("结构定义 (s:Schema) 重复");
        QByteArray badDate = xml;
        badDate.replace("2024-05-01T08:00:00", "2024-13-01T08:00:00");
        QTest::newRow("xml bad date") << badDate << QStringLiteral("RegDate");

        const QByteArray adtg = handMadeAdtg();
        QByteArray badToken = adtg;
        badToken[badToken.size() - 1] = 0x33;
        QTest::newRow("adtg unknown row token") << badToken << QStringLiteral("未知的行标记");
        QByteArray bigEndian = adtg;
        bigEndian[7] = 1;
        QTest::newRow("adtg big-endian") << bigEndian << QStringLiteral("字节顺序");
        AdtgBytes wrongCount;
        wrongCount.start(2, 0, 0).element(0x06, columnDescriptor(1, QStringLiteral("A"), 3, 4, 0)).u8(0x0F);
        QTest::newRow("adtg column count") << wrongCount.bytes() << QStringLiteral("字段数 1");
        AdtgBytes badType;
        badType.start(1, 0, 0).element(0x06, columnDescriptor(1, QStringLiteral("A"), 999, 4, 0)).u8(0x0F);
        QTest::newRow("adtg unknown type") << badType.bytes() << QStringLiteral("数据类型 999");
        AdtgBytes badMonth;
        AdtgBytes oneTable;
        oneTable.u16(1).str(QStringLiteral("T")).str(QStringLiteral("T")).u16(936).u16(1).u16(0);
        badMonth.start(1, 1, 1).element(0x05, oneTable);
        badMonth.element(0x06, columnDescriptor(1, QStringLiteral("D"), 133, 6, 0));
        badMonth.u8(0x07).u8(0x00).u16(2024).u16(13).u16(1).u8(0x0F);
        QTest::newRow("adtg bad date") << badMonth.bytes() << QStringLiteral("字段 D 的值无效");
    }

    void refusesDamagedFilesAndKeepsTheDataSet() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, detail);
        DataSet ds;
        fillAllTypes(ds);
        ds.setUniqueTable(QStringLiteral("Staff"));
        ds.setRecNo(2);
        QString error;
        QVERIFY(!LoadDataSetFromBytes(ds, bytes, &error));
        QVERIFY2(error.startsWith(QStringLiteral("文件格式不正确: ")), qPrintable(error));
        QVERIFY2(error.contains(detail), qPrintable(error));
        QCOMPARE(ds.fieldCount(), int(allTypes().size()));
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(ds.recNo(), 2);
        QCOMPARE(ds.uniqueTable(), QStringLiteral("Staff"));
        QCOMPARE(ds.value(0, 1).toString(), QStringLiteral("张三丰"));
    }

    void refusesEveryTruncationOfATablegram() {
        // Cut anywhere before the end marker, a tablegram is refused, never half read.
        for (const QByteArray& whole : {handMadeAdtg(), [] {
                                            DataSet ds;
                                            fillAllTypes(ds);
                                            return save(ds, DataSetFileFormat::Adtg);
                                        }()}) {
            for (int n = 0; n < whole.size(); ++n) {
                DataSet ds;
                QString error;
                QVERIFY2(!LoadDataSetFromBytes(ds, whole.left(n), &error), qPrintable(QString::number(n)));
                QVERIFY(error.startsWith(QStringLiteral("文件格式不正确")));
                QVERIFY(!ds.isActive());
            }
        }
    }

    void rowsStayInProportionToTheFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("mustLoad");
        // A null costs nothing in an XML row and a bit in a tablegram but a full value in memory; an entity
        // reference expands to thousands of characters.
        QTest::newRow("xml: wide rows of nulls") << wideXml(600, 40000) << false;
        QTest::newRow("adtg: wide rows of nulls") << nullRowsAdtg(1024, 8000) << false;
        QByteArray entities = kXmlOpen;
        entities.prepend("<!DOCTYPE xml [<!ENTITY e '" + QByteArray(4000, 'x') + "'>]>");
        entities +=
            "<s:Schema><s:ElementType name='row'><s:AttributeType name='t'/></s:ElementType></s:Schema>"
            "<rs:data>";
        for (int r = 0; r < 200; ++r)
            entities += "<z:row t='" + QByteArray("&e;").repeated(100) + "'/>";
        entities += "</rs:data></xml>";
        QTest::newRow("xml: entities") << entities << false;
        QTest::newRow("xml: wide rows of nulls in many rs:data")
            << wideXml(600, 20, QByteArray("<z:row/>").repeated(2000) + "</rs:data><rs:data>") << false;
        // Many columns or many rows with values are files like any other.
        QTest::newRow("xml: wide, few rows") << wideXml(3000, 3, "<z:row c7='7' c2999='1'/>") << true;
        QTest::newRow("adtg: wide, few null rows") << nullRowsAdtg(2000, 50) << true;
        QTest::newRow("xml: a column of numbers, many rows") << wideXml(1, 400000, "<z:row c0='1'/>") << true;
    }

    void rowsStayInProportionToTheFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, mustLoad);
        DataSet ds;
        QString error;
        const bool loaded = LoadDataSetFromBytes(ds, bytes, &error);
        QVERIFY2(loaded || !mustLoad, qPrintable(error));
        // Refused, or loaded into memory in proportion to the file.
        if (loaded)
            QVERIFY2(ds.memoryBytes() < (std::size_t(16) << 20) + 32 * std::size_t(bytes.size()),
                     qPrintable(QString::number(ds.memoryBytes())));
        else
            QVERIFY2(error.startsWith(QStringLiteral("文件格式不正确: ")), qPrintable(error));
    }

    void filesOnDisk() {
        QTemporaryDir dir;
        DataSet ds;
        fillAllTypes(ds);
        for (const char* name : {"staff.ADTG", "staff.xml"}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            QString error;
            QVERIFY2(SaveDataSetToFile(ds, path, DataSetFileFormatForPath(path), &error), qPrintable(error));
            QCOMPARE(PeekDataSetFileBaseTable(path, &error), QStringLiteral("Staff"));
            DataSet loaded;
            QVERIFY2(LoadDataSetFromFile(loaded, path, &error), qPrintable(error));
            QCOMPARE(loaded.recordCount(), 3);
        }
        QCOMPARE(DataSetFileFormatForPath(QStringLiteral("a.XML")), DataSetFileFormat::Xml);
        // An empty data set whose columns all come from one table names it too.
        DataSet oneTable;
        std::vector<ColumnDef> cols = allTypes();
        cols.pop_back();
        oneTable.beginLoad(cols);
        oneTable.endLoad();
        for (const char* name : {"one.xml", "one.adtg"}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            QVERIFY(SaveDataSetToFile(oneTable, path, DataSetFileFormatForPath(path)));
            QCOMPARE(PeekDataSetFileBaseTable(path), QStringLiteral("Staff"));
        }

        QString error;
        DataSet missing;
        QVERIFY(!LoadDataSetFromFile(missing, dir.filePath(QStringLiteral("none.adtg")), &error));
        QVERIFY2(error.startsWith(QStringLiteral("无法打开文件")), qPrintable(error));
        QVERIFY(!SaveDataSetToFile(ds, dir.path(), DataSetFileFormat::Adtg, &error)); // a folder
        DataSet closed;
        QVERIFY(!SaveDataSetToFile(closed, dir.filePath(QStringLiteral("closed.adtg")),
                                   DataSetFileFormat::Adtg, &error));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("closed.adtg"))));
    }

    void valuesTheFormatsCannotHoldAreRefused() {
        // A negative time fits neither format: the save fails and leaves no file rather than a wrong value.
        QTemporaryDir dir;
        DataSet ds;
        ds.beginLoad({col("T", FieldType::Time)});
        ds.endLoad();
        appendRow(ds, {QStringLiteral("-01:00:00")});
        for (DataSetFileFormat format : {DataSetFileFormat::Adtg, DataSetFileFormat::Xml}) {
            const QString path = dir.filePath(format == DataSetFileFormat::Adtg ? QStringLiteral("t.adtg")
                                                                                : QStringLiteral("t.xml"));
            QString error;
            QVERIFY(!SaveDataSetToFile(ds, path, format, &error));
            QVERIFY2(error.contains(QStringLiteral("超出文件格式允许的范围")), qPrintable(error));
            QVERIFY(!QFile::exists(path));
        }
    }
};

QTEST_GUILESS_MAIN(PersistTest)
#include "tst_persist.moc"
