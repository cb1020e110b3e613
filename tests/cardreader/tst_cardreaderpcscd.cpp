// The PC/SC backend through the exports against the real resource manager: a
// pcscd of the test's own with the virtual reader driver vpcd and the card of
// virtual_card.py. pcscd runs in a mount namespace whose /run is a folder of
// the test, so its socket and pid file never meet the machine's pcscd; the
// library finds the socket through PCSCLITE_CSOCK_NAME. The processes die
// with the test (parent-death signal), also when the test is killed.
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

int readerSerial(QByteArray* serial = nullptr, int reader = 0) {
    unsigned char out[CR_SERIAL_BUFFER_SIZE] = {};
    const int rc = API_GetSerNum(1, reader, out);
    if (serial)
        *serial = reinterpret_cast<const char*>(out);
    return rc;
}
} // namespace

class TestCardReaderPcscd : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_pcscd, m_card;
    quint16 m_port = 0;

private slots:
    void initTestCase() {
        const QString pcscd = QStandardPaths::findExecutable("pcscd", {"/usr/sbin", "/sbin"});
        if (pcscd.isEmpty() || !QFile::exists(kDriver) ||
            !QFile::exists("/usr/lib/python3/site-packages/virtualsmartcard"))
            QSKIP("pcscd, vsmartcard-vpcd or python3-virtualsmartcard is not installed (scripts/setup "
                  "installs them)");
        QTcpServer probe; // a free port for vpcd to wait for the card on
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        m_port = probe.serverPort();
        probe.close();
        QDir dir(m_dir.path());
        QVERIFY(dir.mkpath("run") && dir.mkpath("conf"));
        QFile conf(dir.filePath("conf/vpcd"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral(
                       "FRIENDLYNAME \"Meal Test PCD\"\nDEVICENAME /dev/null:%1\nLIBPATH %2\nCHANNELID %1\n")
                       .arg(QString::number(m_port), QLatin1String(kDriver))
                       .toUtf8());
        conf.close();
        // Root binds the folder over /run; anybody else needs a user namespace for that.
        QStringList args{"--mount"};
        if (::geteuid() != 0)
            args << "--user"
                 << "--map-root-user";
        args << "sh"
             << "-c"
             << "mount --bind \"$1\" /run && exec \"$2\" --foreground --config \"$3\""
             << "sh" << dir.filePath("run") << pcscd << dir.filePath("conf");
        start(m_pcscd, "unshare", args);
        qputenv("PCSCLITE_CSOCK_NAME", QFile::encodeName(dir.filePath("run/pcscd/pcscd.comm")));
        qputenv("MEAL_CARDREADER", "pcsc");
        QVERIFY2(
            waitFor([&] { return m_pcscd.state() == QProcess::NotRunning || readerSerial() == CR_OK; }) &&
                m_pcscd.state() == QProcess::Running,
            m_pcscd.readAll().constData());
    }

    void cleanupTestCase() {
        for (QProcess* p : {&m_card, &m_pcscd})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
    }

    void readerCardKeysAndBlocks() {
        QByteArray serial, uid;
        QCOMPARE(readerSerial(&serial), CR_OK);
        QCOMPARE(serial, QByteArray("Meal Test PCD 00 00")); // our pcscd's reader, named by our reader.conf
        QCOMPARE(readerSerial(&serial, 1), CR_OK);           // vpcd has two slots
        QCOMPARE(serial, QByteArray("Meal Test PCD 00 01"));
        QCOMPARE(readerSerial(nullptr, 2), CR_ERR_NO_READER);
        QCOMPARE(cardSerial(), CR_ERR_NO_CARD);
        start(m_card, "/usr/bin/python3",
              {MEAL_VIRTUAL_CARD, QString::number(m_port), "A1B2C3D4", kKeyA, kKeyB});
        QVERIFY2(waitFor([&] { return m_card.state() == QProcess::NotRunning || cardSerial() == CR_OK; }),
                 m_card.readAll().constData());
        QCOMPARE(cardSerial(&uid), CR_OK);
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
        QCOMPARE(readerSerial(), CR_ERR_NO_READER);
        QCOMPARE(cardSerial(), CR_ERR_NO_READER);
    }
};

QTEST_GUILESS_MAIN(TestCardReaderPcscd)
#include "tst_cardreaderpcscd.moc"
