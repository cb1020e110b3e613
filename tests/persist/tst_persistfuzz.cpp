// The file readers under the sanitizers: random truncations, bit flips and inserted bytes end in a
// refusal or a read, never a crash; the samples include hostile files that once crashed.
#include "AdtgBytes.h"
#include "dataset/persist/AdtgFormat.h"
#include "dataset/persist/RecordSetImage.h"
#include "dataset/persist/XmlRowsetFormat.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray sampleAdtg() {
    AdtgBytes b;
    b.start(4, 1, 2);
    AdtgBytes table;
    table.u16(1).str(QStringLiteral("T")).str(QStringLiteral("T")).u16(936).u16(4).u16(1).u16(1);
    b.element(0x05, table);
    const std::pair<const char*, std::uint16_t> cols[] = {{"A", 3}, {"B", 130}, {"C", 131}, {"D", 135}};
    for (std::uint16_t i = 0; i < 4; ++i) {
        const QString name = QString::fromLatin1(cols[i].first);
        AdtgBytes c;
        c.u8(0x0F).u8(0).u8(0).u16(i + 1).str(name).u16(1).u16(i + 1);
        c.str(name).u16(cols[i].second).u32(8).u32(12).u32(2).u32(0x20).u16(0xFFFF);
        b.element(0x06, c);
    }
    for (int r = 0; r < 2; ++r) {
        b.u8(0x07).u8(0x00).u32(std::uint32_t(r)).wtext(QStringLiteral("名字"));
        b.u8(12).u8(2).u8(1).u64(12345).u64(0);
        b.u16(2024).u16(1).u16(31).u16(23).u16(59).u16(59).u32(0);
    }
    b.u8(0x07).u8(0x0E).u32(9).u8(0x0A).u8(0x02).u8(0x00).wtext(QStringLiteral("x"));
    b.u8(0x0F);
    return b.bytes();
}

QByteArray sampleXml() {
    return QByteArray(
        "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
        "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
        "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
        "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
        "<s:AttributeType name='A' rs:number='1'><s:datatype dt:type='int'/></s:AttributeType>"
        "<s:AttributeType name='B' rs:number='2'><s:datatype dt:type='bin.hex'/></s:AttributeType>"
        "<s:AttributeType name='C' rs:number='3'><s:datatype dt:type='dateTime'/></s:AttributeType>"
        "</s:ElementType></s:Schema><rs:data>"
        "<z:row A='1' B='00ff' C='2024-01-01T00:00:00'/><z:row A='2'/>"
        "<rs:update><rs:original><z:row A='3'/></rs:original><z:row B='10' rs:forcenull='A'/></rs:update>"
        "</rs:data></xml>");
}

// A second schema, before or after the data, whose extra column must not reach rows of the first.
QByteArray secondSchema(bool afterData) {
    QByteArray b = sampleXml();
    const QByteArray schema("<s:Schema id='More'><s:ElementType name='row'><s:AttributeType name='D'>"
                            "<s:datatype dt:type='string'/></s:AttributeType></s:ElementType></s:Schema>");
    b.insert(afterData ? b.indexOf("</rs:data>") + 10 : b.indexOf("<rs:data>"), schema);
    return b;
}

enum class Outcome { Read, Refused };

Outcome readAny(const QByteArray& bytes, bool xml) {
    persist::RecordSetImage image;
    try {
        if (xml)
            persist::readXmlRowset(bytes, image);
        else
            persist::readAdtg(bytes, image);
    } catch (const persist::PersistError& e) {
        if (!e.message.startsWith(QStringLiteral("文件格式不正确")))
            qFatal("unexpected message");
        return Outcome::Refused;
    }
    // What was read is consistent: every batch has a value per row and column.
    std::uint64_t rows = 0;
    for (const RowBatch& b : image.batches) {
        rows += b.rows();
        if (b.columns().size() != image.columns.size())
            qFatal("a batch holds %zu columns of %zu", b.columns().size(), image.columns.size());
        for (std::size_t c = 0; c < b.columns().size(); ++c) {
            const ColumnPart& p = b.columns()[c];
            const std::size_t n = b.kinds()[c] == StorageKind::Bytes    ? p.offsets.size() - 1
                                  : b.kinds()[c] == StorageKind::Double ? p.doubles.size()
                                                                        : p.ints.size();
            if (n != b.rows())
                qFatal("column %zu holds %zu values for %u rows", c, n, b.rows());
        }
    }
    if (rows != image.rows)
        qFatal("row count mismatch");
    return Outcome::Read;
}

} // namespace

class PersistFuzzTest : public QObject {
    Q_OBJECT
private slots:
    void samplesRead() {
        persist::RecordSetImage a, x;
        persist::readAdtg(sampleAdtg(), a);
        QCOMPARE(a.rows, 3u);
        QCOMPARE(a.columns.size(), 4u);
        persist::readXmlRowset(sampleXml(), x);
        QCOMPARE(x.rows, 3u);
    }

    void damagedInputNeverCrashes_data() {
        QTest::addColumn<bool>("xml");
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("adtg") << false << sampleAdtg() << 19990101u;
        QTest::newRow("xml") << true << sampleXml() << 20240601u;
        QTest::newRow("xml schema twice") << true << secondSchema(false) << 20240602u;
        QTest::newRow("xml schema after data") << true << secondSchema(true) << 20240603u;
    }

    void damagedInputNeverCrashes() {
        QFETCH(bool, xml);
        QFETCH(QByteArray, sample);
        QFETCH(quint32, seed);
        readAny(sample, xml);
        QRandomGenerator rng(seed);
        int refused = 0;
        for (int i = 0; i < 4000; ++i) {
            QByteArray b = sample;
            switch (rng.bounded(3)) {
            case 0:
                b.truncate(rng.bounded(b.size()));
                break;
            case 1:
                for (int k = 1 + rng.bounded(4); k > 0; --k) {
                    const int at = rng.bounded(b.size());
                    b[at] = char(b[at] ^ (1 << rng.bounded(8)));
                }
                break;
            default:
                b.insert(rng.bounded(b.size()), char(rng.bounded(256)));
                break;
            }
            refused += readAny(b, xml) == Outcome::Refused;
        }
        // Most damage is noticed (a flip inside a text value is not damage we can see).
        QVERIFY2(refused > 1000, qPrintable(QString::number(refused)));
    }
};

QTEST_GUILESS_MAIN(PersistFuzzTest)
#include "tst_persistfuzz.moc"
