// The PC/SC backend through the exports, against the stand-in libpcsclite.so.1
// of FakePcscLite.cpp (found first on LD_LIBRARY_PATH).
#include "cardreader/cardreader.h"

#include <QTest>
#include <array>
#include <dlfcn.h>

class TestCardReaderPcsc : public QObject {
    Q_OBJECT

private:
    // Contexts and card handles the fake still holds open.
    static int openHandles() {
        void* library = dlopen("libpcsclite.so.1", RTLD_NOW | RTLD_NOLOAD);
        if (!library)
            return -1;
        const auto count = reinterpret_cast<int (*)()>(dlsym(library, "FakePcsc_openHandles"));
        const int n = count ? count() : -1;
        dlclose(library);
        return n;
    }

    static int read(std::array<unsigned char, 256>& out, int first, int count, const char* keyHex) {
        const QByteArray key = QByteArray::fromHex(keyHex);
        out.fill(0xAA);
        return API_PCDRead(1, 0, CR_KEY_A, first, count,
                           reinterpret_cast<const unsigned char*>(key.constData()), out.data());
    }

private slots:
    void init() {
        qputenv("MEAL_CARDREADER", "pcsc");
        for (const char* name :
             {"FAKE_PCSC_SERVICE", "FAKE_PCSC_READERS", "FAKE_PCSC_SERIAL", "FAKE_PCSC_UID", "FAKE_PCSC_KEY",
              "MEAL_CARDREADER_CARD", "MEAL_CARDREADER_UID"})
            qunsetenv(name);
    }
    void cleanup() {
        // Every call, failed or not, gives its context and card handle back.
        QCOMPARE(openHandles(), 0);
    }

    void readerSerial() {
        unsigned char serial[64];
        QCOMPARE(API_GetSerNum(1, 0, serial), CR_OK);
        QVERIFY2(openHandles() == 0, "libpcsclite.so.1 is not the stand-in; check LD_LIBRARY_PATH");
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(serial)), QByteArray("Fake Reader 00 00"));
        qputenv("FAKE_PCSC_SERIAL", "FK-0042");
        QCOMPARE(API_GetSerNum(1, 0, serial), CR_OK);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(serial)), QByteArray("FK-0042"));
    }

    void noReader() {
        std::array<unsigned char, 256> a, b;
        QCOMPARE(API_GetSerNum(1, 1, a.data()), CR_ERR_NO_READER); // only one reader
        qputenv("FAKE_PCSC_UID", "01020304");
        QCOMPARE(GET_SNR(1, 1, CR_REQUEST_IDLE, 0, a.data(), b.data()), CR_ERR_NO_READER);
        qputenv("FAKE_PCSC_READERS", "0");
        QCOMPARE(API_GetSerNum(1, 0, a.data()), CR_ERR_NO_READER);
        QCOMPARE(GET_SNR(1, 0, CR_REQUEST_IDLE, 0, a.data(), b.data()), CR_ERR_NO_READER);
        qunsetenv("FAKE_PCSC_READERS");
        qputenv("FAKE_PCSC_SERVICE", "down");
        QCOMPARE(API_GetSerNum(1, 0, a.data()), CR_ERR_NO_READER);
        QCOMPARE(read(a, 4, 3, "FFFFFFFFFFFF"), CR_ERR_NO_READER);
    }

    void cardSerial() {
        std::array<unsigned char, 256> out1, out2;
        QCOMPARE(GET_SNR(1, 0, CR_REQUEST_IDLE, 0, out1.data(), out2.data()), CR_ERR_NO_CARD);
        qputenv("FAKE_PCSC_UID", "01020304");
        out2.fill(0xAA);
        QCOMPARE(GET_SNR(1, 0, CR_REQUEST_IDLE, 0, out1.data(), out2.data()), CR_OK);
        QCOMPARE(int(out1[0]), 4);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(out2.data()), 5),
                 QByteArray("\x01\x02\x03\x04\xAA"));
    }

    void authenticatedReads() {
        std::array<unsigned char, 256> out;
        QCOMPARE(read(out, 4, 3, "FFFFFFFFFFFF"), CR_ERR_NO_CARD);
        qputenv("FAKE_PCSC_UID", "01020304");
        qputenv("FAKE_PCSC_KEY", "A0A1A2A3A4A5");
        QCOMPARE(read(out, 4, 3, "A0A1A2A3A4A5"), CR_OK);
        for (int i = 0; i < 48; ++i)
            QCOMPARE(int(out[std::size_t(i)]), 4 + i / 16);
        QCOMPARE(int(out[48]), 0xAA);

        // Sector 1 and sector 2 are authenticated one after the other.
        QCOMPARE(read(out, 6, 3, "A0A1A2A3A4A5"), CR_OK);
        QCOMPARE(int(out[47]), 8);

        QCOMPARE(read(out, 4, 3, "FFFFFFFFFFFF"), CR_ERR_AUTH);
        QCOMPARE(int(out[0]), 0xAA);
        QCOMPARE(read(out, 62, 3, "A0A1A2A3A4A5"), CR_ERR_BLOCK);
        QCOMPARE(int(out[0]), 0xAA);
    }
};

QTEST_GUILESS_MAIN(TestCardReaderPcsc)
#include "tst_cardreaderpcsc.moc"
