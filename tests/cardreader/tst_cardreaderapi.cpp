// libcardreader.so through its three exports, on the simulated reader.
#include "cardreader/cardreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>

namespace {

constexpr unsigned char kGuard = 0xAA;
const unsigned char kFactoryKey[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
using Buffer = std::array<unsigned char, 256>;

// `count` blocks of distinct bytes from block `first` on, as "block N = ..." lines.
QByteArray blockLines(int first, int count, int seed) {
    QByteArray lines;
    for (int b = 0; b < count; ++b) {
        lines += "block " + QByteArray::number(first + b) + " =";
        for (int i = 0; i < 16; ++i)
            lines += ' ' + QByteArray::number((seed + b * 16 + i) & 0xFF, 16).rightJustified(2, '0');
        lines += '\n';
    }
    return lines;
}

QByteArray expectedBlocks(int count, int seed) {
    QByteArray bytes;
    for (int i = 0; i < count * 16; ++i)
        bytes += char((seed + i) & 0xFF);
    return bytes;
}

QByteArray bytes(const unsigned char* data, int size) {
    return QByteArray(reinterpret_cast<const char*>(data), size);
}

bool untouchedFrom(const unsigned char* buffer, int from, int size = 256) {
    return std::all_of(buffer + from, buffer + size, [](unsigned char c) { return c == kGuard; });
}

} // namespace

class TestCardReaderApi : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString cardPath() const { return m_dir.filePath(QStringLiteral("card.txt")); }

    // Puts the card file in use with this text.
    void writeCard(const QByteArray& text) {
        qputenv("MEAL_CARDREADER_CARD", cardPath().toLocal8Bit());
        QFile file(cardPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    int snr(Buffer& out1, Buffer& out2, int mode = 0x26) {
        out1.fill(kGuard);
        out2.fill(kGuard);
        return GET_SNR(1, 0, mode, 0, out1.data(), out2.data());
    }
    int read(Buffer& out, int first, int count, const unsigned char* key = kFactoryKey,
             int keyMode = CR_KEY_A) {
        out.fill(kGuard);
        return API_PCDRead(1, 0, keyMode, first, count, key, out.data());
    }

private slots:
    void init() {
        qunsetenv("MEAL_CARDREADER");
        qunsetenv("MEAL_CARDREADER_CARD");
        qunsetenv("MEAL_CARDREADER_UID");
        QFile::remove(cardPath());
    }

    void readerSerial() {
        qputenv("MEAL_CARDREADER_CARD", cardPath().toLocal8Bit());
        std::array<unsigned char, 128> out;
        out.fill(kGuard);
        // No card file: the simulated reader is there, with its default serial.
        QCOMPARE(API_GetSerNum(1, 0, out.data()), CR_OK);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data())), QByteArray("SIMREADER-01"));
        QVERIFY(untouchedFrom(out.data(), 13, 128));

        writeCard("reader = R-77 0815\n");
        QCOMPARE(API_GetSerNum(1, 0, out.data()), CR_OK);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data())), QByteArray("R-77 0815"));

        // A serial longer than the buffer is cut to 63 characters and ended.
        out.fill(kGuard);
        writeCard("reader = " + QByteArray(100, 'S') + '\n');
        QCOMPARE(API_GetSerNum(1, 0, out.data()), CR_OK);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data())), QByteArray(63, 'S'));
        QVERIFY(untouchedFrom(out.data(), 64, 128));
    }

    void readerAbsent() {
        Buffer a, b;
        unsigned char serial[64];
        const auto allRefused = [&] {
            QCOMPARE(API_GetSerNum(1, 0, serial), CR_ERR_NO_READER);
            QCOMPARE(snr(a, b), CR_ERR_NO_READER);
            QCOMPARE(read(a, 4, 3), CR_ERR_NO_READER);
            QVERIFY(untouchedFrom(a.data(), 0));
        };
        // No reader configured at all.
        qputenv("MEAL_CARDREADER", "none");
        allRefused();
        // The simulated reader unplugged, with a card file that still names a card.
        qunsetenv("MEAL_CARDREADER");
        writeCard("connected = no\nuid = 01 02 03 04\n");
        allRefused();

        // Plugged in again; only reader number 0 exists.
        writeCard("connected = yes\nuid = 01 02 03 04\n");
        QCOMPARE(API_GetSerNum(1, 0, serial), CR_OK);
        QCOMPARE(API_GetSerNum(1, 1, serial), CR_ERR_NO_READER);
        QCOMPARE(GET_SNR(1, 1, 0x26, 0, a.data(), b.data()), CR_ERR_NO_READER);

        // A backend name nobody knows is no reader, not a guess.
        qputenv("MEAL_CARDREADER", "serial");
        QCOMPARE(API_GetSerNum(1, 0, serial), CR_ERR_NO_READER);
    }

    void cardSerial() {
        Buffer out1, out2;
        qputenv("MEAL_CARDREADER_CARD", cardPath().toLocal8Bit());
        QCOMPARE(snr(out1, out2), CR_ERR_NO_CARD); // no file: no card
        QVERIFY(untouchedFrom(out2.data(), 0));

        writeCard("uid = 01 02 03 04\n");
        QCOMPARE(snr(out1, out2), CR_OK);
        QCOMPARE(int(out1[0]), 4);
        QVERIFY(untouchedFrom(out1.data(), 1));
        QCOMPARE(bytes(out2.data(), 4), QByteArray("\x01\x02\x03\x04", 4));
        QVERIFY(untouchedFrom(out2.data(), 4));
        QCOMPARE(snr(out1, out2, 0x52), CR_OK);

        // Taking the card away is noticed by the next call.
        QVERIFY(QFile::remove(cardPath()));
        QCOMPARE(snr(out1, out2), CR_ERR_NO_CARD);
        writeCard("reader = R1\n");
        QCOMPARE(snr(out1, out2), CR_ERR_NO_CARD);

        writeCard("uid = 04:A1:B2:C3:D4:E5:80\n");
        QCOMPARE(snr(out1, out2), CR_OK);
        QCOMPARE(int(out1[0]), 7);
        QCOMPARE(bytes(out2.data(), 7), QByteArray::fromHex("04A1B2C3D4E580"));
        QVERIFY(untouchedFrom(out2.data(), 7));

        // The variable puts another card over the file's; empty, it takes the card away.
        qputenv("MEAL_CARDREADER_UID", "0A0B0C0D");
        QCOMPARE(snr(out1, out2), CR_OK);
        QCOMPARE(bytes(out2.data(), 4), QByteArray("\x0A\x0B\x0C\x0D", 4));
        qputenv("MEAL_CARDREADER_UID", "");
        QCOMPARE(snr(out1, out2), CR_ERR_NO_CARD);
        // A serial that is not one is a configuration fault.
        qputenv("MEAL_CARDREADER_UID", "0102030");
        QCOMPARE(snr(out1, out2), CR_ERR_CONFIG);

        // The simulated reader chosen by name, without a card file, has nothing on it.
        qunsetenv("MEAL_CARDREADER_UID");
        qunsetenv("MEAL_CARDREADER_CARD");
        qputenv("MEAL_CARDREADER", "sim");
        QCOMPARE(snr(out1, out2), CR_ERR_NO_CARD);
        qputenv("MEAL_CARDREADER_UID", "FFFFFFFF");
        QCOMPARE(snr(out1, out2), CR_OK);
        QCOMPARE(bytes(out2.data(), 4), QByteArray(4, '\xFF'));
    }

    void readBlocksWithTheSectorKey() {
        Buffer out;
        writeCard("uid = 01 02 03 04\nkey = A0 A1 A2 A3 A4 A5\nkeyb = B0B1B2B3B4B5\n" +
                  blockLines(4, 3, 0x10));
        const unsigned char keyA[6] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
        const unsigned char keyB[6] = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};

        QCOMPARE(read(out, 4, 3, keyA), CR_OK);
        QCOMPARE(bytes(out.data(), 48), expectedBlocks(3, 0x10));
        QVERIFY(untouchedFrom(out.data(), 48));
        QCOMPARE(read(out, 4, 3, keyA, 0), CR_OK);
        QCOMPARE(read(out, 4, 3, keyB, CR_KEY_B), CR_OK);
        QCOMPARE(read(out, 4, 3, keyB, 1), CR_OK);

        // A wrong key leaves the buffer as it was.
        QCOMPARE(read(out, 4, 3, kFactoryKey), CR_ERR_AUTH);
        QVERIFY(untouchedFrom(out.data(), 0));
        QCOMPARE(read(out, 4, 3, keyA, CR_KEY_B), CR_ERR_AUTH);

        // Blocks not written read as zeros, across sectors too; the card has 64 blocks.
        QCOMPARE(read(out, 6, 3, keyA), CR_OK);
        QCOMPARE(bytes(out.data(), 48), expectedBlocks(3, 0x10).mid(32) + QByteArray(32, '\0'));
        QCOMPARE(read(out, 62, 3, keyA), CR_ERR_BLOCK);
        QCOMPARE(read(out, 240, 16, keyA), CR_ERR_BLOCK);
        QCOMPARE(read(out, 0, 16, keyA), CR_OK);

        // A larger card, with comments, blank lines and names in any case.
        writeCard("# a 4K card\n\n  UID = 01020304  \nBlocks = 256\n" + blockLines(200, 1, 0x40));
        QCOMPARE(read(out, 200, 1), CR_OK);
        QCOMPARE(bytes(out.data(), 16), expectedBlocks(1, 0x40));
        QCOMPARE(read(out, 255, 1), CR_OK);

        // No card, no read.
        writeCard("key = A0 A1 A2 A3 A4 A5\n");
        QCOMPARE(read(out, 4, 3, keyA), CR_ERR_NO_CARD);
    }

    void refusesBadArguments() {
        Buffer a, b;
        qputenv("MEAL_CARDREADER_UID", "01020304");
        QCOMPARE(API_GetSerNum(1, 0, nullptr), CR_ERR_PARAMETER);
        QCOMPARE(GET_SNR(1, 0, 0x26, 0, nullptr, b.data()), CR_ERR_PARAMETER);
        QCOMPARE(GET_SNR(1, 0, 0x26, 0, a.data(), nullptr), CR_ERR_PARAMETER);
        QCOMPARE(snr(a, b, 0x27), CR_ERR_PARAMETER);
        QCOMPARE(API_PCDRead(1, 0, CR_KEY_A, 4, 3, nullptr, a.data()), CR_ERR_PARAMETER);
        QCOMPARE(API_PCDRead(1, 0, CR_KEY_A, 4, 3, kFactoryKey, nullptr), CR_ERR_PARAMETER);
        QCOMPARE(read(a, 4, 0), CR_ERR_PARAMETER);
        QCOMPARE(read(a, 4, 17), CR_ERR_PARAMETER); // 17 blocks would not fit 256 bytes
        QCOMPARE(read(a, -1, 3), CR_ERR_PARAMETER);
        QCOMPARE(read(a, 256, 1), CR_ERR_PARAMETER);
        QCOMPARE(read(a, 4, 3, kFactoryKey, 2), CR_ERR_PARAMETER);
        QVERIFY(untouchedFrom(a.data(), 0));
        QCOMPARE(read(a, 4, 3), CR_OK);
    }

    void malformedCardFile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no equals sign") << QByteArray("uid 01 02 03 04\n");
        QTest::newRow("unknown name") << QByteArray("ud = 01 02 03 04\n");
        QTest::newRow("five-byte uid") << QByteArray("uid = 01 02 03 04 05\n");
        QTest::newRow("split byte") << QByteArray("uid = 0 102 03 04\n");
        QTest::newRow("short key") << QByteArray("key = FF FF FF FF FF\n");
        QTest::newRow("short block") << QByteArray("block 4 = 00 11 22\n");
        QTest::newRow("block 300") << QByteArray("block 300 = 00112233445566778899AABBCCDDEEFF\n");
        QTest::newRow("block past 1K") << QByteArray("block 64 = 00112233445566778899AABBCCDDEEFF\n");
        QTest::newRow("block twice") << QByteArray("block 4 = 00112233445566778899AABBCCDDEEFF\n"
                                                   "block 4 = 00112233445566778899AABBCCDDEEFF\n");
        QTest::newRow("blocks 100") << QByteArray("blocks = 100\n");
        QTest::newRow("connected maybe") << QByteArray("connected = maybe\n");
    }
    void malformedCardFile() {
        QFETCH(QByteArray, text);
        Buffer a, b;
        writeCard("uid = 01 02 03 04\n" + text);
        QCOMPARE(API_GetSerNum(1, 0, a.data()), CR_ERR_CONFIG);
        QCOMPARE(snr(a, b), CR_ERR_CONFIG);
        QVERIFY(untouchedFrom(b.data(), 0));
        QCOMPARE(read(a, 4, 3), CR_ERR_CONFIG);
    }
};

QTEST_GUILESS_MAIN(TestCardReaderApi)
#include "tst_cardreaderapi.moc"
