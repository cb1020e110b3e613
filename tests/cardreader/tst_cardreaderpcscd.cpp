// The PC/SC backend against a pcscd of the test's own (in a mount namespace whose /run is a folder of the
// test, away from the machine's pcscd) with the vpcd driver and the card of virtual_card.py. Both processes
// end with the test object, or by the parent-death signal when the test is killed.
#include "cardreader/cardreader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
const char kDriver[] = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so";
const char kKeyA[] = "FFFFFFFFFFFF", kKeyB[] = "112233445566";

void start(QProcess& p, const QString& program, const QStringList& args) {
    p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
}

template <typename F> bool waitFor(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 20000)
        QTest::qWait(100);
    return done();
}

int cardSerial(QByteArray* uid = nullptr) {
    std::array<unsigned char, 256> out1{}, out2{};
    const int rc = GET_SNR(1, 0, CR_REQUEST_IDLE, 0, out1.data(), out2.data());
    if (uid)
        *uid = QByteArray(reinterpret_cast<const char*>(out2.data()), out1[0]).toHex().toUpper();
    return rc;
}

QByteArray readerSerial(int reader = 0) {
    unsigned char out[CR_SERIAL_BUFFER_SIZE] = {};
    const int rc = API_GetSerNum(1, reader, out);
    return rc == CR_OK ? QByteArray(reinterpret_cast<const char*>(out)) : "error " + QByteArray::number(rc);
}
} // namespace

class TestCardReaderPcscd : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_pcscd, m_card;

private slots:
    void readerCardKeysAndBlocks() {
        const QString pcscd = QStandardPaths::findExecutable("pcscd", {"/usr/sbin", "/sbin"});
        if (pcscd.isEmpty() || !QFile::exists(kDriver) ||
            !QFile::exists("/usr/lib/python3/site-packages/virtualsmartcard"))
            QSKIP("pcscd, vsmartcard-vpcd or python3-virtualsmartcard is not installed (scripts/setup "
                  "installs them)");
        QTcpServer probe; // a free port for vpcd to wait for the card on
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QString port = QString::number(probe.serverPort());
        probe.close();
        QDir dir(m_dir.path());
        QFile conf(dir.filePath("conf/vpcd"));
        QVERIFY(dir.mkpath("run") && dir.mkpath("conf") && conf.open(QIODevice::WriteOnly));
        conf.write(
            QStringLiteral("FRIENDLYNAME \"Test PCD\"\nDEVICENAME /dev/null:%1\nLIBPATH %2\nCHANNELID %1\n")
                .arg(port, QLatin1String(kDriver))
                .toUtf8());
        conf.close();
        // Root binds the folder over /run; anybody else needs a user namespace for that.
        const QStringList user = ::geteuid() ? QStringList{"--user", "--map-root-user"} : QStringList{};
        start(m_pcscd, "unshare",
              QStringList{"--mount"} + user +
                  QStringList{"sh", "-c",
                              "mount --bind \"$1\" /run && exec \"$2\" --foreground --config \"$3\"", "sh",
                              dir.filePath("run"), pcscd, dir.filePath("conf")});
        qputenv("PCSCLITE_CSOCK_NAME", QFile::encodeName(dir.filePath("run/pcscd/pcscd.comm")));
        qputenv("MEAL_CARDREADER", "pcsc");
        QVERIFY2(waitFor([&] { return !m_pcscd.processId() || readerSerial().startsWith("Test"); }) &&
                     m_pcscd.processId(),
                 m_pcscd.readAll().constData());

        // vpcd has two slots, each a reader named by our reader.conf.
        QCOMPARE(readerSerial(0) + '/' + readerSerial(1) + '/' + readerSerial(2),
                 QByteArray("Test PCD 00 00/Test PCD 00 01/error 2"));
        QCOMPARE(cardSerial(), CR_ERR_NO_CARD);
        start(m_card, "/usr/bin/python3", {MEAL_VIRTUAL_CARD, port, "A1B2C3D4", kKeyA, kKeyB});
        QByteArray uid;
        QVERIFY2(waitFor([&] { return !m_card.processId() || cardSerial(&uid) == CR_OK; }),
                 m_card.readAll().constData());
        QCOMPARE(uid, QByteArray("A1B2C3D4"));

        // first block, count, key type, key, result; block n holds (16 n + i) mod 256
        const struct {
            int first, count, keyType;
            const char* key;
            int result;
        } cases[] = {{4, 1, CR_KEY_A, kKeyA, CR_OK},
                     {2, 7, CR_KEY_A, kKeyA, CR_OK}, // three sectors
                     {60, 4, CR_KEY_B, kKeyB, CR_OK},
                     {0, 16, CR_KEY_A, kKeyA, CR_OK},
                     {4, 1, CR_KEY_A, "FFFFFFFFFFFE", CR_ERR_AUTH},
                     {4, 1, CR_KEY_B, kKeyA, CR_ERR_AUTH},
                     {62, 3, CR_KEY_A, kKeyA, CR_ERR_BLOCK},
                     {64, 1, CR_KEY_A, kKeyA, CR_ERR_BLOCK}};
        for (const auto& c : cases) {
            std::array<unsigned char, 256> out;
            out.fill(0xEE);
            const QByteArray key = QByteArray::fromHex(c.key);
            QCOMPARE(API_PCDRead(1, 0, c.keyType, c.first, c.count,
                                 reinterpret_cast<const unsigned char*>(key.constData()), out.data()),
                     c.result);
            for (int i = 0; i < 256; ++i) // written only on success, only the blocks asked for
                QCOMPARE(int(out[i]),
                         i < (c.result == CR_OK ? 16 * c.count : 0) ? (16 * c.first + i) % 256 : 0xEE);
        }

        // The card taken away, then the resource manager gone.
        m_card.kill();
        QVERIFY(waitFor([] { return cardSerial() == CR_ERR_NO_CARD; }));
        m_pcscd.kill();
        m_pcscd.waitForFinished(5000);
        QCOMPARE(readerSerial(), QByteArray("error 2"));
        QCOMPARE(cardSerial(), CR_ERR_NO_READER);
    }
};

QTEST_GUILESS_MAIN(TestCardReaderPcscd)
#include "tst_cardreaderpcscd.moc"
