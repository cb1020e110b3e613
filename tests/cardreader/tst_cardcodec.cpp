// The module's card data: card number, sector key, the 23-field record and
// the operator's messages, and the whole road from the simulated reader.
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

QByteArray bytesOf(const unsigned char* data, int size) {
    return QByteArray(reinterpret_cast<const char*>(data), size);
}

} // namespace

class TestCardCodec : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        qunsetenv("MEAL_CARDREADER");
        qunsetenv("MEAL_CARDREADER_CARD");
        qunsetenv("MEAL_CARDREADER_UID");
    }

    void cardNumbers_data() {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<QString>("number");
        QTest::newRow("first byte lowest") << QByteArray::fromHex("01020304") << "67305985";
        QTest::newRow("unsigned, not negative") << QByteArray::fromHex("FFFFFFFF") << "4294967295";
        QTest::newRow("high bit") << QByteArray::fromHex("00000080") << "2147483648";
        QTest::newRow("small") << QByteArray::fromHex("2A000000") << "42";
        QTest::newRow("7-byte serial, first four") << QByteArray::fromHex("04A1B2C3D4E580") << "3283263748";
        QTest::newRow("too short") << QByteArray::fromHex("010203") << QString();
    }
    void cardNumbers() {
        QFETCH(QByteArray, serial);
        QFETCH(QString, number);
        QCOMPARE(CardCodec::cardNumber(serial), number);
    }

    void sectorKeys_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("key"); // empty: refused
        QTest::newRow("six F widened") << "FFFFFF" << QByteArray::fromHex("FFFFFFFFFFFF");
        QTest::newRow("six f widened") << "ffffff" << QByteArray::fromHex("FFFFFFFFFFFF");
        QTest::newRow("twelve digits") << "A0A1A2A3A4A5" << QByteArray::fromHex("A0A1A2A3A4A5");
        QTest::newRow("lower case, blanks round") << " 0a1b2c3d4e5f " << QByteArray::fromHex("0A1B2C3D4E5F");
        QTest::newRow("empty") << "" << QByteArray();
        QTest::newRow("six digits not F") << "123456" << QByteArray();
        QTest::newRow("five F") << "FFFFF" << QByteArray();
        QTest::newRow("eleven") << "A0A1A2A3A4A" << QByteArray();
        QTest::newRow("fourteen") << "A0A1A2A3A4A5A6" << QByteArray();
        QTest::newRow("not hex") << "G0A1A2A3A4A5" << QByteArray();
        QTest::newRow("blank inside") << "A0A1A2 A3A4A" << QByteArray();
        QTest::newRow("full-width digits") << QString::fromUtf8("１２３４５６７８９０１２") << QByteArray();
    }
    void sectorKeys() {
        QFETCH(QString, text);
        QFETCH(QByteArray, key);
        QByteArray parsed("unchanged");
        QString error;
        const bool ok = CardCodec::parseSectorKey(text, parsed, error);
        QCOMPARE(ok, !key.isEmpty());
        if (ok) {
            QCOMPARE(parsed, key);
            QVERIFY(error.isEmpty());
        } else {
            QCOMPARE(parsed, QByteArray("unchanged"));
            QVERIFY(error.contains(QLatin1String("PassWord")));
        }
    }

    void sampleCardText() {
        QCOMPARE(CardCodec::blocksToText(sampleBlocks()),
                 QStringLiteral("67305985,1024,1,20260105,20291231,1,1,12345,57,6,5000,3,2000,121,"
                                "20261204,1215,12,850,2,1,1150,100,0"));
        const CardInfo info = CardCodec::decode(sampleBlocks());
        QCOMPARE(info.value(CardField::CardNo), 67305985);
        QCOMPARE(info.value(CardField::Balance), 12345);
        QCOMPARE(info.value(CardField::ValidDate), 20291231);
        QCOMPARE(info.value(CardField::LastTime), 1215);
        QCOMPARE(info.value(CardField::Options), 0);
        QVERIFY(CardCodec::purseIntact(sampleBlocks()));
        QVERIFY(!CardCodec::isBlank(sampleBlocks()));
        QVERIFY(CardCodec::messageForData(sampleBlocks()).isEmpty());
    }

    void unusualBytes() {
        // A negative balance (overdrawn card) stays negative.
        QByteArray blocks = sampleBlocks();
        blocks.replace(16, 4, QByteArray::fromHex("6AFFFFFF"));
        QCOMPARE(CardCodec::decode(blocks).value(CardField::Balance), -150);

        // A damaged date digit makes that one field 0, the others stay.
        blocks = sampleBlocks();
        blocks[9] = '\x1A';
        const QString text = CardCodec::blocksToText(blocks);
        QCOMPARE(text.section(QLatin1Char(','), 3, 3), QStringLiteral("2026"
                                                                      "1A05"));
        const CardInfo info = CardCodec::decode(blocks);
        QCOMPARE(info.value(CardField::IssueDate), 0);
        QCOMPARE(info.value(CardField::ValidDate), 20291231);
        QCOMPARE(info.value(CardField::CardNo), 67305985);

        // An unset date reads 0, not the year 2000.
        blocks.replace(32, 3, QByteArray(3, '\0'));
        QCOMPARE(CardCodec::decode(blocks).value(CardField::LastDate), 0);

        QVERIFY(CardCodec::blocksToText(sampleBlocks().left(47)).isEmpty());
    }

    void recordFromText() {
        CardInfo info = CardCodec::parseText(QStringLiteral("5, 6 ,x,,7.5,-3"));
        QCOMPARE(info.value(CardField::CardNo), 5);
        QCOMPARE(info.value(CardField::SysId), 6);
        QCOMPARE(info.value(CardField::FormatVersion), 0); // "x"
        QCOMPARE(info.value(CardField::IssueDate), 0);     // empty
        QCOMPARE(info.value(CardField::ValidDate), 0);     // not a whole number
        QCOMPARE(info.value(CardField::CardType), -3);
        QCOMPARE(info.value(CardField::Options), 0); // missing fields are zero

        QStringList many;
        for (int i = 1; i <= 30; ++i)
            many << QString::number(i);
        info = CardCodec::parseText(many.join(QLatin1Char(',')));
        QCOMPARE(info.value(CardField::Options), 23);
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

    void encodeRefuses_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<qint64>("value");
        QTest::newRow("card type 256") << int(CardField::CardType) << qint64(256);
        QTest::newRow("sys_id over 3 bytes") << int(CardField::SysId) << qint64(1 << 24);
        QTest::newRow("negative counter") << int(CardField::CardSequ) << qint64(-1);
        QTest::newRow("balance over 4 bytes") << int(CardField::Balance) << (qint64(1) << 31);
        QTest::newRow("last century") << int(CardField::IssueDate) << qint64(19991231);
        QTest::newRow("month 13") << int(CardField::ValidDate) << qint64(20261301);
        QTest::newRow("24 o'clock") << int(CardField::LastTime) << qint64(2400);
        QTest::newRow("minute 60") << int(CardField::LastTime) << qint64(1260);
    }
    void encodeRefuses() {
        QFETCH(int, field);
        QFETCH(qint64, value);
        CardInfo info = CardCodec::decode(sampleBlocks());
        info.setValue(static_cast<CardField>(field), value);
        QString error;
        QVERIFY(CardCodec::encode(info, &error).isEmpty());
        QVERIFY(error.startsWith(QStringLiteral("field %1 ").arg(field + 1)));
    }

    void dataMessages() {
        QCOMPARE(CardCodec::messageForData(QByteArray(48, '\0')), QStringLiteral("这是一张空白卡！"));
        QCOMPARE(CardCodec::messageForData(QByteArray(48, '\xFF')), QStringLiteral("这是一张空白卡！"));
        QByteArray damaged = sampleBlocks();
        damaged[17] = '\x31'; // balance changed without its check byte
        QCOMPARE(CardCodec::messageForData(damaged), QStringLiteral("没有找到IC卡或卡是否损坏。"));
        QByteArray noNumber = sampleBlocks();
        noNumber.replace(0, 4, QByteArray(4, '\0'));
        QCOMPARE(CardCodec::messageForData(noNumber), QStringLiteral("读取成功！这是一张空白卡。"));
        QCOMPARE(CardCodec::messageForData(QByteArray(16, '\x11')),
                 QStringLiteral("没有找到IC卡或卡是否损坏。"));
    }

    void resultMessages() {
        QVERIFY(CardCodec::messageForResult(CR_OK).isEmpty());
        QCOMPARE(CardCodec::messageForResult(CR_ERR_NO_READER), QStringLiteral("连接发卡器失败"));
        QCOMPARE(CardCodec::messageForResult(CR_ERR_NO_CARD), QStringLiteral("没有找到IC卡或卡是否损坏。"));
        QCOMPARE(CardCodec::messageForResult(CR_ERR_AUTH), QStringLiteral("读卡错误,请检查卡密码是否正确!"));
        QCOMPARE(CardCodec::messageForResult(CR_ERR_READ), QStringLiteral("没有找到IC卡或卡是否损坏。"));
    }

    // The sample card through the library's exports, as the record windows will read it.
    void sampleCardThroughTheReader() {
        qputenv("MEAL_CARDREADER_CARD", MEAL_SOURCE_DIR "/src/cardreader/sample-card.txt");
        unsigned char serial[64], out1[256], out2[256], blocks[256];
        QCOMPARE(API_GetSerNum(1, 0, serial), CR_OK);
        QCOMPARE(GET_SNR(1, 0, CR_REQUEST_IDLE, 0, out1, out2), CR_OK);
        const QString number = CardCodec::cardNumber(bytesOf(out2, 4));
        QCOMPARE(number, QStringLiteral("67305985"));

        QByteArray key;
        QString error;
        QVERIFY(CardCodec::parseSectorKey(QStringLiteral("FFFFFF"), key, error));
        QCOMPARE(API_PCDRead(1, 0, CR_KEY_A, 4, 3, reinterpret_cast<const unsigned char*>(key.constData()),
                             blocks),
                 CR_OK);
        const QByteArray data = bytesOf(blocks, CardCodec::DataSize);
        QCOMPARE(data, sampleBlocks());
        QVERIFY(CardCodec::messageForData(data).isEmpty());
        QCOMPARE(QString::number(CardCodec::decode(data).value(CardField::CardNo)), number);

        QVERIFY(CardCodec::parseSectorKey(QStringLiteral("A0A1A2A3A4A5"), key, error));
        const int rc = API_PCDRead(1, 0, CR_KEY_A, 4, 3,
                                   reinterpret_cast<const unsigned char*>(key.constData()), blocks);
        QCOMPARE(rc, CR_ERR_AUTH);
        QCOMPARE(CardCodec::messageForResult(rc), QStringLiteral("读卡错误,请检查卡密码是否正确!"));
    }
};

QTEST_GUILESS_MAIN(TestCardCodec)
#include "tst_cardcodec.moc"
