// The PC/SC command logic with canned reader answers, the reader-list and
// serial helpers, and the simulated reader's card file parser.
#include "cardreader/Apdu.h"
#include "cardreader/Hex.h"
#include "cardreader/cardreader.h"

#include <QTest>
#include <deque>

using namespace cardreader;

namespace {

Bytes hex(const char* text) {
    Bytes bytes;
    if (!parseHexBytes(text, bytes))
        qFatal("bad hex in test: %s", text);
    return bytes;
}

QByteArray show(const Bytes& bytes) {
    return QByteArray::fromStdString(hexText(bytes));
}

const SectorKey kKey{{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}};

// Answers commands from a script and keeps what it was sent.
class ScriptedChannel : public ApduChannel {
public:
    struct Answer {
        Bytes response;
        int transportFailure = CR_OK; // non-zero: the transport fails with this
    };
    std::deque<Answer> script;
    std::vector<Bytes> sent;

    void answer(const char* text) { script.push_back({hex(text), CR_OK}); }

    bool transmit(const Bytes& command, Bytes& response, int& result) override {
        sent.push_back(command);
        if (script.empty()) {
            result = CR_ERR_COMM;
            return false;
        }
        const Answer next = script.front();
        script.pop_front();
        if (next.transportFailure != CR_OK) {
            result = next.transportFailure;
            return false;
        }
        response = next.response;
        return true;
    }
};

QByteArray blockAnswer(int block) {
    Bytes data(16, static_cast<std::uint8_t>(block));
    data.push_back(0x90);
    data.push_back(0x00);
    return show(data);
}

} // namespace

class TestCardReaderApdu : public QObject {
    Q_OBJECT

private slots:
    void commandBytes() {
        QCOMPARE(show(apduGetUid()), QByteArray("FF CA 00 00 00"));
        QCOMPARE(show(apduLoadKey(kKey, 0)), QByteArray("FF 82 00 00 06 A0 A1 A2 A3 A4 A5"));
        QCOMPARE(show(apduLoadKey(kKey, 1)), QByteArray("FF 82 00 01 06 A0 A1 A2 A3 A4 A5"));
        QCOMPARE(show(apduAuthenticate(4, KeyType::A, 0)), QByteArray("FF 86 00 00 05 01 00 04 60 00"));
        QCOMPARE(show(apduAuthenticate(200, KeyType::B, 1)), QByteArray("FF 86 00 00 05 01 00 C8 61 01"));
        QCOMPARE(show(apduReadBinary(6, 16)), QByteArray("FF B0 00 06 10"));
        QCOMPARE(show(apduReadBinary(255, 16)), QByteArray("FF B0 00 FF 10"));
    }

    void statusWords_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("sw");
        QTest::addColumn<int>("result");
        const auto row = [](const char* name, ApduStep step, int sw, int result) {
            QTest::newRow(name) << int(step) << sw << result;
        };
        row("uid ok", ApduStep::GetUid, 0x9000, CR_OK);
        row("uid failed", ApduStep::GetUid, 0x6300, CR_ERR_NO_CARD);
        row("uid unsupported", ApduStep::GetUid, 0x6A81, CR_ERR_COMM);
        row("key ok", ApduStep::LoadKey, 0x9000, CR_OK);
        row("key refused", ApduStep::LoadKey, 0x6300, CR_ERR_COMM);
        row("auth ok", ApduStep::Authenticate, 0x9000, CR_OK);
        row("auth failed", ApduStep::Authenticate, 0x6300, CR_ERR_AUTH);
        row("auth no key", ApduStep::Authenticate, 0x6984, CR_ERR_AUTH);
        row("auth no block", ApduStep::Authenticate, 0x6A82, CR_ERR_BLOCK);
        row("auth odd", ApduStep::Authenticate, 0x6F00, CR_ERR_COMM);
        row("read ok", ApduStep::ReadBinary, 0x9000, CR_OK);
        row("read failed", ApduStep::ReadBinary, 0x6300, CR_ERR_READ);
        row("read no block", ApduStep::ReadBinary, 0x6A82, CR_ERR_BLOCK);
        row("read not authenticated", ApduStep::ReadBinary, 0x6982, CR_ERR_AUTH);
        row("read wrong length", ApduStep::ReadBinary, 0x6700, CR_ERR_COMM);
    }
    void statusWords() {
        QFETCH(int, step);
        QFETCH(int, sw);
        QFETCH(int, result);
        QCOMPARE(resultForStatus(static_cast<ApduStep>(step), static_cast<std::uint16_t>(sw)), result);
    }

    void cardSerial() {
        ScriptedChannel ok;
        ok.answer("01 02 03 04 90 00");
        Bytes uid;
        QCOMPARE(readUid(ok, uid), CR_OK);
        QCOMPARE(show(uid), QByteArray("01 02 03 04"));
        QCOMPARE(ok.sent.size(), std::size_t(1));
        QCOMPARE(show(ok.sent[0]), QByteArray("FF CA 00 00 00"));

        ScriptedChannel seven;
        seven.answer("04 A1 B2 C3 D4 E5 80 90 00");
        QCOMPARE(readUid(seven, uid), CR_OK);
        QCOMPARE(uid.size(), std::size_t(7));

        const auto fails = [](ScriptedChannel::Answer answer) {
            ScriptedChannel channel;
            channel.script.push_back(answer);
            Bytes out = hex("EE");
            const int rc = readUid(channel, out);
            return rc != CR_OK && show(out) == "EE" ? rc : -1;
        };
        QCOMPARE(fails({hex("63 00"), CR_OK}), CR_ERR_NO_CARD);
        QCOMPARE(fails({hex("6A 81"), CR_OK}), CR_ERR_COMM);
        QCOMPARE(fails({hex("01 02 03 04 05 90 00"), CR_OK}), CR_ERR_COMM); // no serial is 5 bytes
        QCOMPARE(fails({hex("90 00"), CR_OK}), CR_ERR_COMM);
        QCOMPARE(fails({Bytes(), CR_ERR_NO_CARD}), CR_ERR_NO_CARD); // card left during the exchange
    }

    void blocksOfOneSector() {
        ScriptedChannel channel;
        channel.answer("90 00");
        channel.answer("90 00");
        for (int block = 4; block < 7; ++block)
            channel.answer(blockAnswer(block).constData());
        Bytes data;
        QCOMPARE(readBlocks(channel, KeyType::A, 4, 3, kKey, data), CR_OK);
        QCOMPARE(data.size(), std::size_t(48));
        QCOMPARE(int(data[0]), 4);
        QCOMPARE(int(data[16]), 5);
        QCOMPARE(int(data[47]), 6);
        QStringList sent;
        for (const Bytes& command : channel.sent)
            sent << QString::fromLatin1(show(command));
        QCOMPARE(sent, QStringList({"FF 82 00 00 06 A0 A1 A2 A3 A4 A5", "FF 86 00 00 05 01 00 04 60 00",
                                    "FF B0 00 04 10", "FF B0 00 05 10", "FF B0 00 06 10"}));
        QVERIFY(channel.script.empty());
    }

    void blocksAcrossSectors() {
        ScriptedChannel channel;
        channel.answer("90 00"); // load key
        channel.answer("90 00"); // authenticate sector 1
        channel.answer(blockAnswer(6).constData());
        channel.answer(blockAnswer(7).constData());
        channel.answer("90 00"); // authenticate sector 2
        channel.answer(blockAnswer(8).constData());
        Bytes data;
        QCOMPARE(readBlocks(channel, KeyType::B, 6, 3, kKey, data), CR_OK);
        QCOMPARE(channel.sent.size(), std::size_t(6));
        QCOMPARE(show(channel.sent[1]), QByteArray("FF 86 00 00 05 01 00 06 61 00"));
        QCOMPARE(show(channel.sent[4]), QByteArray("FF 86 00 00 05 01 00 08 61 00"));
        QCOMPARE(int(data[32]), 8);
    }

    void blockReadFailures() {
        // The reader refuses the key: nothing is read and the output stays as it was.
        ScriptedChannel wrongKey;
        wrongKey.answer("90 00");
        wrongKey.answer("63 00");
        Bytes data = hex("EE");
        QCOMPARE(readBlocks(wrongKey, KeyType::A, 4, 3, kKey, data), CR_ERR_AUTH);
        QCOMPARE(wrongKey.sent.size(), std::size_t(2));
        QCOMPARE(show(data), QByteArray("EE"));

        ScriptedChannel noBlock;
        noBlock.answer("90 00");
        noBlock.answer("90 00");
        noBlock.answer(blockAnswer(62).constData());
        noBlock.answer("6A 82");
        QCOMPARE(readBlocks(noBlock, KeyType::A, 62, 3, kKey, data), CR_ERR_BLOCK);
        QCOMPARE(show(data), QByteArray("EE"));

        ScriptedChannel shortBlock;
        shortBlock.answer("90 00");
        shortBlock.answer("90 00");
        shortBlock.answer("00 01 02 90 00");
        QCOMPARE(readBlocks(shortBlock, KeyType::A, 4, 1, kKey, data), CR_ERR_COMM);

        ScriptedChannel keyRefused;
        keyRefused.answer("63 00");
        QCOMPARE(readBlocks(keyRefused, KeyType::A, 4, 1, kKey, data), CR_ERR_COMM);
        QCOMPARE(keyRefused.sent.size(), std::size_t(1));

        ScriptedChannel readFailed;
        readFailed.answer("90 00");
        readFailed.answer("90 00");
        readFailed.answer("63 00");
        QCOMPARE(readBlocks(readFailed, KeyType::A, 4, 1, kKey, data), CR_ERR_READ);

        ScriptedChannel silent; // the reader stops answering
        QCOMPARE(readBlocks(silent, KeyType::A, 4, 1, kKey, data), CR_ERR_COMM);
    }

    void sectors() {
        QCOMPARE(sectorOfBlock(0), 0);
        QCOMPARE(sectorOfBlock(3), 0);
        QCOMPARE(sectorOfBlock(4), 1);
        QCOMPARE(sectorOfBlock(127), 31);
        QCOMPARE(sectorOfBlock(128), 32);
        QCOMPARE(sectorOfBlock(143), 32);
        QCOMPARE(sectorOfBlock(144), 33);
        QCOMPARE(sectorOfBlock(255), 39);
    }

    void readerNamesAndSerials() {
        const char list[] = "ACS ACR122U PICC 00 00\0Other Reader 01 00\0\0";
        const std::vector<std::string> names = splitReaderList(list, sizeof list - 1);
        QCOMPARE(names.size(), std::size_t(2));
        QCOMPARE(QByteArray::fromStdString(names[1]), QByteArray("Other Reader 01 00"));
        QVERIFY(splitReaderList("\0", 1).empty());
        QVERIFY(splitReaderList(nullptr, 5).empty());
        const char unterminated[] = {'A', 'B'}; // never read past the length given
        QVERIFY(splitReaderList(unterminated, 2).empty());

        QCOMPARE(QByteArray::fromStdString(readerSerialText(Bytes{'1', '2', 'X', 0, 0}, "name")),
                 QByteArray("12X"));
        QCOMPARE(QByteArray::fromStdString(readerSerialText(Bytes{0x01, 0xAB}, "name")), QByteArray("01AB"));
        QCOMPARE(QByteArray::fromStdString(readerSerialText(Bytes{0, 0}, "ACS ACR122U")),
                 QByteArray("ACS ACR122U"));
    }
};

QTEST_GUILESS_MAIN(TestCardReaderApdu)
#include "tst_cardreaderapdu.moc"
