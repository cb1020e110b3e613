// The module's card data: card number, sector key, the 23-field record and
// the operator's messages. The road from the simulated reader through the
// module is in tests/util (test_card_reader_link).
#include "cardreader/cardreader.h"
#include "util/CardCodec.h"

#include <QTest>

namespace {

// The three blocks of src/cardreader/sample-card.txt, written by hand from the
// documented layout.
QByteArray sampleBlocks() {
    return QByteArray::fromHex("01020304000400012601052912310101"
                               "39300000390006008813000300D00779"
                               "26120412150C0052030002017E046400");
}

} // namespace

class TestCardCodec : public QObject {
    Q_OBJECT

private slots:
    void cardNumbers() {
        const struct {
            const char* serial;
            const char* number;
        } cases[] = {{"01020304", "67305985"},
                     {"FFFFFFFF", "4294967295"},       // unsigned, not negative
                     {"04A1B2C3D4E580", "3283263748"}, // the first four of a 7-byte serial
                     {"010203", ""}};
        for (const auto& c : cases)
            QCOMPARE(CardCodec::cardNumber(QByteArray::fromHex(c.serial)), QString::fromLatin1(c.number));
    }

    void sectorKeys_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("key"); // empty: refused
        QTest::newRow("six f widened") << " ffffff" << QByteArray::fromHex("FFFFFFFFFFFF");
        QTest::newRow("twelve digits") << "A0A1A2A3A4A5" << QByteArray::fromHex("A0A1A2A3A4A5");
        QTest::newRow("lower case, blanks round") << " 0a1b2c3d4e5f " << QByteArray::fromHex("0A1B2C3D4E5F");
        for (const char* bad :
             {"", "123456", "FFFFF", "A0A1A2A3A4A", "A0A1A2A3A4A5A6", "G0A1A2A3A4A5", "A0A1A2 A3A4A"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << QByteArray();
        QTest::newRow("full-width digits") << QString::fromUtf8("１２３４５６７８９０１２") << QByteArray();
    }
    void sectorKeys() {
        QFETCH(QString, text);
        QFETCH(QByteArray, key);
        QByteArray parsed("unchanged");
        QString error;
        const bool ok = CardCodec::parseSectorKey(text, parsed, error);
        QCOMPARE(ok, !key.isEmpty());
        QCOMPARE(parsed, ok ? key : QByteArray("unchanged"));
        QCOMPARE(error.isEmpty(), ok);
        QVERIFY(ok || error.contains(QLatin1String("PassWord")));
    }

    void decodeBlocks() {
        QCOMPARE(CardCodec::blocksToText(sampleBlocks()),
                 QStringLiteral("67305985,1024,1,20260105,20291231,1,1,12345,57,6,5000,3,2000,121,"
                                "20261204,1215,12,850,2,1,1150,100,0"));
        QVERIFY(CardCodec::purseIntact(sampleBlocks()));
        QVERIFY(!CardCodec::isBlank(sampleBlocks()));
        QVERIFY(CardCodec::blocksToText(sampleBlocks().left(47)).isEmpty());

        // A negative balance (overdrawn card) stays negative.
        QByteArray blocks = sampleBlocks();
        blocks.replace(16, 4, QByteArray::fromHex("6AFFFFFF"));
        QCOMPARE(CardCodec::decode(blocks).value(CardField::Balance), -150);

        // A damaged date digit shows in the text and makes that one field 0.
        blocks = sampleBlocks();
        blocks[9] = '\x1A';
        QCOMPARE(CardCodec::blocksToText(blocks).section(QLatin1Char(','), 3, 3), QStringLiteral("20261A05"));
        blocks[35] = '\xC5'; // and one in the last time
        const CardInfo damaged = CardCodec::decode(blocks);
        QCOMPARE(damaged.value(CardField::IssueDate), 0);
        QCOMPARE(damaged.value(CardField::LastTime), 0);
        QCOMPARE(damaged.value(CardField::ValidDate), 20291231);
        // An unset date reads 0, not the year 2000.
        blocks.replace(32, 3, QByteArray(3, '\0'));
        QCOMPARE(CardCodec::decode(blocks).value(CardField::LastDate), 0);
    }

    void recordFromText() {
        CardInfo info = CardCodec::parseText(QStringLiteral("5, 6 ,x,,7.5,-3"));
        CardInfo expected;
        expected.setValue(CardField::CardNo, 5);
        expected.setValue(CardField::SysId, 6);
        expected.setValue(CardField::CardType, -3); // "x", empty and 7.5 are 0, so are missing fields
        QCOMPARE(info, expected);

        QStringList many;
        for (int i = 1; i <= 30; ++i)
            many << QString::number(i);
        QCOMPARE(CardCodec::parseText(many.join(QLatin1Char(','))).value(CardField::Options), 23);
        QCOMPARE(CardCodec::parseText(QString()), CardInfo());
    }

    void encodeRoundTrip() {
        const CardInfo sample = CardCodec::decode(sampleBlocks());
        QString error;
        QCOMPARE(CardCodec::encode(sample, &error), sampleBlocks());

        CardInfo info = sample;
        info.setValue(CardField::Balance, -1);
        info.setValue(CardField::LastDate, 0);
        info.setValue(CardField::LastTime, 5);
        const QByteArray bytes = CardCodec::encode(info, &error);
        QCOMPARE(bytes.size(), CardCodec::DataSize);
        QVERIFY(CardCodec::purseIntact(bytes));
        const CardInfo back = CardCodec::decode(bytes);
        QVERIFY(back.value(CardField::CheckByte) != sample.value(CardField::CheckByte));
        // The check byte is computed from the purse; every other field comes back.
        info.setValue(CardField::CheckByte, back.value(CardField::CheckByte));
        QCOMPARE(back, info);
    }

    void encodeRefuses() {
        const struct {
            CardField field;
            qint64 value;
        } cases[] = {{CardField::CardType, 256},       {CardField::SysId, 1 << 24},
                     {CardField::CardSequ, -1},        {CardField::Balance, qint64(1) << 31},
                     {CardField::IssueDate, 19991231}, {CardField::ValidDate, 20261301},
                     {CardField::LastTime, 2400},      {CardField::LastTime, 1260}};
        for (const auto& c : cases) {
            CardInfo info = CardCodec::decode(sampleBlocks());
            info.setValue(c.field, c.value);
            QString error;
            QVERIFY2(CardCodec::encode(info, &error).isEmpty(), qPrintable(QString::number(c.value)));
            QVERIFY2(error.startsWith(QStringLiteral("field %1 ").arg(int(c.field) + 1)), qPrintable(error));
        }
    }

    void messages() {
        const QString blank = QStringLiteral("这是一张空白卡！");
        const QString noCard = QStringLiteral("没有找到IC卡或卡是否损坏。");
        QVERIFY(CardCodec::messageForData(sampleBlocks()).isEmpty());
        QCOMPARE(CardCodec::messageForData(QByteArray(48, '\0')), blank);
        QCOMPARE(CardCodec::messageForData(QByteArray(48, '\xFF')), blank);
        QByteArray damaged = sampleBlocks();
        damaged[17] = '\x31'; // balance changed without its check byte
        QCOMPARE(CardCodec::messageForData(damaged), noCard);
        damaged = sampleBlocks();
        damaged.replace(0, 4, QByteArray(4, '\0'));
        QCOMPARE(CardCodec::messageForData(damaged), QStringLiteral("读取成功！这是一张空白卡。"));
        QCOMPARE(CardCodec::messageForData(QByteArray(16, '\x11')), noCard);

        QVERIFY(CardCodec::messageForResult(CR_OK).isEmpty());
        for (const int result : {CR_ERR_READ, CR_ERR_NO_CARD})
            QCOMPARE(CardCodec::messageForResult(result), noCard);
        for (const int result : {CR_ERR_CONFIG, CR_ERR_NO_READER})
            QCOMPARE(CardCodec::messageForResult(result), QStringLiteral("连接发卡器失败"));
        QCOMPARE(CardCodec::messageForResult(CR_ERR_AUTH), QStringLiteral("读卡错误,请检查卡密码是否正确!"));
    }
};

QTEST_GUILESS_MAIN(TestCardCodec)
#include "tst_cardcodec.moc"
