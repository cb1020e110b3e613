// The card reader link against the simulated reader (a card file per case) and counting stand-ins;
// decoding the card data is tst_cardcodec's.
#include "SampleCard.h"
#include "TestDatabase.h"
#include "cardreader/cardreader.h"
#include "db/Session.h"
#include "util/CardReaderLink.h"
#include "util/ScriptedPrompter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Stand-ins that count the calls and keep the arguments of the block read.
struct Recorder {
    int serNum = 0, snr = 0, pcd = 0;
    int serNumResult = CR_OK;
    int keyMode = -1, firstBlock = -1, blockCount = -1;
    QByteArray key;
} g_rec;

int recSerNum(int, int, unsigned char* out) {
    ++g_rec.serNum;
    qstrcpy(reinterpret_cast<char*>(out), "REC-1");
    return g_rec.serNumResult;
}
int recSnr(int, int, int, int, unsigned char*, unsigned char*) {
    ++g_rec.snr;
    return CR_ERR_NO_CARD;
}
int recPcd(int, int, int keyMode, int firstBlock, int blockCount, const unsigned char* key, unsigned char*) {
    ++g_rec.pcd;
    g_rec.keyMode = keyMode;
    g_rec.firstBlock = firstBlock;
    g_rec.blockCount = blockCount;
    g_rec.key = QByteArray(reinterpret_cast<const char*>(key), 6);
    return CR_ERR_AUTH;
}
const CardReaderCalls kRecorder{&recSerNum, &recSnr, &recPcd};
const CardReaderCalls kLibrary{&API_GetSerNum, &GET_SNR, &API_PCDRead};
} // namespace

class TestCardReaderLink : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;
    ScriptedPrompter m_prompter;

    void useCard(const QString& key, const QString& uid = QStringLiteral("01 02 03 04")) {
        QVERIFY(
            laySimulatedCard(m_home.filePath(QStringLiteral("card.txt")), uid, key, sampleCardBlockLines()));
    }
    void setPassWord(const QString& value) {
        m_db->exec(QStringLiteral("delete from company"));
        m_db->exec(QStringLiteral("insert into company (company_ch_name, parameters) values ('食堂', '%1')")
                       .arg(value.isNull() ? QString() : QStringLiteral("PassWord=") + value));
    }
    QString traceText() const {
        QFile f(m_session.trace().currentFilePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private slots:
    void initTestCase() {
        QGuiApplication::setApplicationDisplayName(QStringLiteral("消费管理"));
        m_db = std::make_unique<TestDatabase>(QStringLiteral("card_reader_link"));
        m_db->writeDaybookIni(m_home.path(), QStringLiteral("[RunTimeConfig]\nisWritelog=1\n"));
        bindSession(m_session, *m_db, m_home.path());
        QVERIFY(m_session.trace().toFile());
        m_prompter.setUnexpectedHandler([](const QString& why) { QFAIL(qPrintable(why)); });
    }
    void init() {
        m_prompter.clear();
        g_rec = Recorder();
        setPassWord(QStringLiteral("FFFFFFFFFFFF"));
        qunsetenv("MEAL_CARDREADER_UID");
    }
    void cleanupTestCase() { m_db.reset(); }

    void presentCardGivesNumberAndRecord() {
        setPassWord(QStringLiteral("FFFFFF")); // widened to the card's twelve F
        useCard(QStringLiteral("FF FF FF FF FF FF"));
        CardReaderLink link(m_session, m_prompter, kLibrary);
        CardReader reader{7, 3};
        QString cardNo = QStringLiteral("old");
        QVERIFY(link.ReadCardNumber(reader, cardNo));
        QCOMPARE(cardNo, QStringLiteral("67305985"));
        QCOMPARE(reader.address, 1); // the record is set to address 1, reader 0
        QCOMPARE(reader.number, 0);
        QCOMPARE(link.readerSerial(), QStringLiteral("SIMREADER-01"));

        CardInfo info;
        QVERIFY(link.ReadCardData(reader, info));
        QVERIFY(link.lastMessage().isEmpty());
        QCOMPARE(info.value(CardField::CardNo), 67305985);
        QCOMPARE(info.value(CardField::Balance), 12345);
        QVERIFY(m_prompter.calls().isEmpty());
        QVERIFY(traceText().contains(QStringLiteral("   GET_SNR result = 0")));
    }

    void absentCardLeavesNumberEmpty() {
        useCard(QStringLiteral("FFFFFFFFFFFF"), QString());
        CardReaderLink link(m_session, m_prompter, kLibrary);
        CardReader reader;
        QString cardNo = QStringLiteral("12");
        QVERIFY(!link.ReadCardNumber(reader, cardNo));
        QVERIFY(cardNo.isEmpty());
        QCOMPARE(link.lastResult(), CR_ERR_NO_CARD);
        QCOMPARE(link.lastMessage(), CardCodec::messageForResult(CR_ERR_NO_CARD));
        QVERIFY(traceText().contains(QStringLiteral("GET_SNR result = 3")));

        CardInfo info;
        info.setValue(CardField::CardNo, 5);
        QVERIFY(!link.ReadCardData(reader, info));
        QCOMPARE(info, CardInfo());
        QVERIFY(!link.readerFailed());
        QVERIFY(m_prompter.calls().isEmpty()); // no card is the caller's to tell
    }

    void absentReaderIsToldOnceAndNothingElseIsCalled() {
        g_rec.serNumResult = CR_ERR_NO_READER;
        CardReaderLink link(m_session, m_prompter, kRecorder);
        CardReader reader;
        QVERIFY(!link.OpenCardReader(reader, false));
        QVERIFY(m_prompter.calls().isEmpty());
        QString cardNo;
        QVERIFY(!link.ReadCardNumber(reader, cardNo));
        CardInfo info;
        QVERIFY(!link.ReadCardData(reader, info));
        QCOMPARE(g_rec.serNum, 3);
        QCOMPARE(g_rec.snr + g_rec.pcd, 0);
        QVERIFY(link.readerFailed());
        QCOMPARE(m_prompter.texts(), QStringList(2, QStringLiteral("连接发卡器失败")));
        QCOMPARE(m_prompter.calls().at(1).title, QStringLiteral("消费管理"));
        QCOMPARE(m_prompter.calls().at(1).icon, PromptIcon::Warning);
    }

    // The key is "PassWord", the factory key when unset; a malformed key never reaches the card.
    void sectorKeyComesFromPassWord() {
        CardReaderLink link(m_session, m_prompter, kRecorder);
        CardReader reader;
        CardInfo info;
        setPassWord(QStringLiteral("A0A1A2A3A4A5"));
        QVERIFY(!link.ReadCardData(reader, info));
        QCOMPARE(g_rec.key, QByteArray::fromHex("A0A1A2A3A4A5"));
        QCOMPARE(g_rec.blockCount, 3);
        QCOMPARE(link.lastMessage(), CardCodec::messageForResult(CR_ERR_AUTH));
        setPassWord(QString());
        QVERIFY(!link.ReadCardData(reader, info));
        QCOMPARE(g_rec.key, QByteArray(6, '\xFF'));
        setPassWord(QStringLiteral("FFFF"));
        QVERIFY(!link.ReadCardData(reader, info));
        QCOMPARE(g_rec.pcd, 2);
        QVERIFY(link.lastMessage().contains(QStringLiteral("PassWord")));
    }
};

QTEST_GUILESS_MAIN(TestCardReaderLink)
#include "test_card_reader_link.moc"
