// The PC/SC command logic with canned reader answers, and the reader-list and
// serial helpers.
#include "cardreader/Apdu.h"
#include "cardreader/Hex.h"
#include "cardreader/cardreader.h"

#include <QTest>
#include <deque>

using namespace cardreader;

namespace {

Bytes hex(const std::string& text) {
    Bytes bytes;
    if (!parseHexBytes(text, bytes))
        qFatal("bad hex in test: %s", text.c_str());
    return bytes;
}

QByteArray show(const Bytes& bytes) {
    return QByteArray::fromStdString(hexText(bytes));
}

const SectorKey kKey{{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}};

// Answers commands from a script and keeps what it was sent; a script that
// has run out is a reader that stopped answering.
class ScriptedChannel : public ApduChannel {
public:
    struct Answer {
        Bytes response;
        int transportFailure = CR_OK; // non-zero: the transport fails with this
    };
    std::deque<Answer> script;
    std::vector<Bytes> sent;

    explicit ScriptedChannel(std::initializer_list<std::string> answers = {}) {
        for (const std::string& a : answers)
            script.push_back({hex(a), CR_OK});
    }
    QStringList sentText() const {
        QStringList out;
        for (const Bytes& command : sent)
            out << QString::fromLatin1(show(command));
        return out;
    }

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

// Blocks of 16 bytes of their own number, as read.
Bytes blocksFrom(int first, int count) {
    Bytes data;
    for (int b = first; b < first + count; ++b)
        data.insert(data.end(), 16, static_cast<std::uint8_t>(b));
    return data;
}

// One block as the reader answers it, with 90 00.
std::string blockAnswer(int block) {
    return hexText(blocksFrom(block, 1)) + " 90 00";
}

} // namespace

class TestCardReaderApdu : public QObject {
    Q_OBJECT

private slots:
    // The commands not already seen in the exchanges below: key slot 1, key B
    // on a high block, the last block.
    void commandBytes() {
        QCOMPARE(show(apduLoadKey(kKey, 1)), QByteArray("FF 82 00 01 06 A0 A1 A2 A3 A4 A5"));
        QCOMPARE(show(apduAuthenticate(200, KeyType::B, 1)), QByteArray("FF 86 00 00 05 01 00 C8 61 01"));
        QCOMPARE(show(apduReadBinary(255, 16)), QByteArray("FF B0 00 FF 10"));
    }

    void statusWords() {
        const auto check = [](ApduStep step, std::initializer_list<std::pair<int, int>> swAndResult) {
            for (const auto& [sw, result] : swAndResult)
                QVERIFY2(resultForStatus(step, std::uint16_t(sw)) == result,
                         qPrintable(QString("step %1, %2").arg(int(step)).arg(sw, 0, 16)));
        };
        check(ApduStep::GetUid, {{0x9000, CR_OK}, {0x6300, CR_ERR_NO_CARD}, {0x6A81, CR_ERR_COMM}});
        check(ApduStep::LoadKey, {{0x9000, CR_OK}, {0x6300, CR_ERR_COMM}});
        // 6984: no key loaded; 6A82: no such block; 6982: not authenticated.
        check(ApduStep::Authenticate, {{0x9000, CR_OK}, {0x6300, CR_ERR_AUTH}, {0x6984, CR_ERR_AUTH}});
        check(ApduStep::Authenticate, {{0x6A82, CR_ERR_BLOCK}, {0x6F00, CR_ERR_COMM}});
        check(ApduStep::ReadBinary, {{0x9000, CR_OK}, {0x6300, CR_ERR_READ}, {0x6A82, CR_ERR_BLOCK}});
        check(ApduStep::ReadBinary, {{0x6982, CR_ERR_AUTH}, {0x6700, CR_ERR_COMM}});
    }

    void cardSerial() {
        ScriptedChannel ok({"01 02 03 04 90 00"});
        Bytes uid;
        QCOMPARE(readUid(ok, uid), CR_OK);
        QCOMPARE(show(uid), QByteArray("01 02 03 04"));
        QCOMPARE(ok.sentText(), QStringList{"FF CA 00 00 00"});
        ScriptedChannel seven({"04 A1 B2 C3 D4 E5 80 90 00"});
        QCOMPARE(readUid(seven, uid), CR_OK);
        QCOMPARE(uid.size(), std::size_t(7));

        // A failure leaves the serial as it was.
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

    void readBlocksCommands() {
        // Key loaded once, one sector authenticated, three blocks read.
        ScriptedChannel one({"90 00", "90 00", blockAnswer(4), blockAnswer(5), blockAnswer(6)});
        Bytes data;
        QCOMPARE(readBlocks(one, KeyType::A, 4, 3, kKey, data), CR_OK);
        QCOMPARE(show(data), show(blocksFrom(4, 3)));
        QCOMPARE(one.sentText(),
                 QStringList({"FF 82 00 00 06 A0 A1 A2 A3 A4 A5", "FF 86 00 00 05 01 00 04 60 00",
                              "FF B0 00 04 10", "FF B0 00 05 10", "FF B0 00 06 10"}));
        QVERIFY(one.script.empty());

        // Across a sector border the next sector is authenticated before its block.
        ScriptedChannel two({"90 00", "90 00", blockAnswer(6), blockAnswer(7), "90 00", blockAnswer(8)});
        QCOMPARE(readBlocks(two, KeyType::B, 6, 3, kKey, data), CR_OK);
        QCOMPARE(two.sentText(),
                 QStringList({"FF 82 00 00 06 A0 A1 A2 A3 A4 A5", "FF 86 00 00 05 01 00 06 61 00",
                              "FF B0 00 06 10", "FF B0 00 07 10", "FF 86 00 00 05 01 00 08 61 00",
                              "FF B0 00 08 10"}));
        QCOMPARE(show(data), show(blocksFrom(6, 3)));
    }

    void blockReadFailures() {
        // Each failure leaves the output as it was; `sent` is how many commands went out.
        const auto fails = [](std::initializer_list<std::string> answers, int first, int count,
                              std::size_t sent) {
            ScriptedChannel channel(answers);
            Bytes data = hex("EE");
            const int rc = readBlocks(channel, KeyType::A, first, count, kKey, data);
            return show(data) == "EE" && channel.sent.size() == sent ? rc : -100;
        };
        QCOMPARE(fails({"90 00", "63 00"}, 4, 3, 2), CR_ERR_AUTH); // key refused by the card
        QCOMPARE(fails({"90 00", "90 00", blockAnswer(62), "6A 82"}, 62, 3, 4), CR_ERR_BLOCK);
        QCOMPARE(fails({"90 00", "90 00", "00 01 02 90 00"}, 4, 1, 3), CR_ERR_COMM); // short block
        QCOMPARE(fails({"63 00"}, 4, 1, 1), CR_ERR_COMM);                            // key not loaded
        QCOMPARE(fails({"90 00", "90 00", "63 00"}, 4, 1, 3), CR_ERR_READ);
        QCOMPARE(fails({}, 4, 1, 1), CR_ERR_COMM); // the reader stops answering
    }

    void sectors() {
        // 32 sectors of 4 blocks, then sectors of 16 blocks.
        const int cases[][2] = {{0, 0},    {3, 0},    {4, 1},    {127, 31},
                                {128, 32}, {143, 32}, {144, 33}, {255, 39}};
        for (const auto& c : cases)
            QCOMPARE(sectorOfBlock(c[0]), c[1]);
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
