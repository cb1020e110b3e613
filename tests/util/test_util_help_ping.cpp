// Context help over the index files below the program folder, and the ICMP
// echo test (loopback only).
#include "TestFiles.h"
#include "util/HelpIndex.h"
#include "util/Ping.h"
#include "util/ScriptedPrompter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Whether this user may send ICMP at all (root, CAP_NET_RAW, or a group in
// net.ipv4.ping_group_range).
bool icmpSocketAllowed() {
    for (int type : {SOCK_DGRAM, SOCK_RAW}) {
        const int fd = ::socket(AF_INET, type, IPPROTO_ICMP);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
    }
    return false;
}
} // namespace

class TestUtilHelpPing : public QObject {
    Q_OBJECT

private slots:
    void lookups_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("target"); // null: no match
        const auto row = [](const char* name, const char* text, const char* key, const char* target) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(key)
                                << (target ? QString::fromUtf8(target) : QString());
        };
        row("plain", "1\t消费明细\thtml/xf.htm\n", "消费明细", "html/xf.htm");
        row("caption twice: first line", "1\t补贴下发\tfirst.htm\r\n2\t补贴下发\tsecond.htm\r\n", "补贴下发",
            "first.htm");
        row("one tab never matches", "消费明细\thtml/xf.htm\n", "html/xf.htm", nullptr);
        row("no tab, empty key", "abc\n\n", "", nullptr);
        row("two tabs, empty key matches", "abc\t\tt\n", "", "t");
        row("key is exact", "1\t消费明细 \ta\n1\t消费明细表\tb\n", "消费明细", nullptr);
        row("rest after second tab kept", "1\tK\ta\tb\n", "K", "a\tb");
        row("first field ignored", "K\tX\tt\n", "K", nullptr);
        row("later line", "junk\n1\tA\ta\n1\tB\tb", "B", "b");
    }
    void lookups() {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, target);
        const std::optional<QString> found = HelpIndex::lookup(text, key);
        QCOMPARE(found.has_value(), !target.isNull());
        if (found)
            QCOMPARE(*found, target);
    }

    // The index files are read as UTF-8, or in the folder's own code page.
    void codePages() {
        QTemporaryDir dir;
        const QString gb = dir.filePath(QStringLiteral("gb.txt"));
        QStringEncoder gbk("GB18030");
        QVERIFY(gbk.isValid());
        QVERIFY(writeAll(gb, gbk.encode(QStringLiteral("1\t消费明细\t消费.htm\r\n"))));
        QCOMPARE(HelpIndex::lookupFile(gb, QStringLiteral("消费明细"), false),
                 std::optional<QString>(QStringLiteral("消费.htm")));

        QStringEncoder big5("Big5");
        if (!big5.isValid())
            QSKIP("this Qt has no Big5 codec");
        const QString big5File = dir.filePath(QStringLiteral("big5.txt"));
        QVERIFY(writeAll(big5File, big5.encode(QStringLiteral("1\t補貼下發\t補貼.htm\r\n"))));
        QCOMPARE(HelpIndex::lookupFile(big5File, QStringLiteral("補貼下發"), true),
                 std::optional<QString>(QStringLiteral("補貼.htm")));
        QCOMPARE(HelpIndex::lookupFile(dir.filePath(QStringLiteral("none.txt")), QStringLiteral("x"), false),
                 std::nullopt);
    }

    // The index follows engine, character set and kind; a missing help file is told.
    void showHelp() {
        QTemporaryDir home;
        const QString root = home.path();
        QVERIFY(writeAll(root + "/language/mysql/gb/helplist.txt", "1\t消费明细\thtml\\xf.htm#top\n"));
        QVERIFY(writeAll(root + "/language/mysql/big5/helplist.txt", "1\t消费明细\tbig5.htm\n"));
        QVERIFY(writeAll(root + "/language/sqlserver/gb/helplist.txt", "1\t消费明细\tsql.htm\n"));
        QVERIFY(writeAll(root + "/language/mysql/gb/WWWlist.txt", "1\t消费明细\thttp://127.0.0.1/xf\n"));

        ScriptedPrompter prompter;
        QList<QUrl> opened;
        const auto service = [&](bool isMySQL) {
            auto made = std::make_unique<HelpService>(root, isMySQL, prompter);
            made->setBig5(false);
            made->setUrlOpener([&](const QUrl& url) {
                opened << url;
                return true;
            });
            return made;
        };
        const std::unique_ptr<HelpService> help = service(true);

        // No help file: the operator is told, nothing opens.
        QVERIFY(!help->ShowHelp(true, QStringLiteral("消费明细")));
        QVERIFY(opened.isEmpty());
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("help.chm帮助文件不存在!")});

        // Help file present: its extracted page when there is one.
        QVERIFY(writeAll(root + "/help.chm", "ITSF"));
        QVERIFY(help->ShowHelp(true, QStringLiteral("消费明细")));
        QCOMPARE(opened.last(), QUrl::fromLocalFile(root + "/help.chm"));
        QVERIFY(writeAll(root + "/help/html/xf.htm", "<html/>"));
        QVERIFY(help->ShowHelp(true, QStringLiteral("消费明细")));
        QCOMPARE(opened.last().toLocalFile(), root + "/help/html/xf.htm");
        QCOMPARE(opened.last().fragment(), QStringLiteral("top"));

        // Web addresses come from the other index.
        QVERIFY(help->ShowHelp(false, QStringLiteral("消费明细")));
        QCOMPARE(opened.last(), QUrl(QStringLiteral("http://127.0.0.1/xf")));

        // Unknown caption, or an index missing for this engine: nothing.
        const int before = int(opened.size());
        QVERIFY(!help->ShowHelp(true, QStringLiteral("没有的窗口")));
        QVERIFY(!service(false)->ShowHelp(false, QStringLiteral("消费明细")));
        QCOMPARE(opened.size(), before);

        // A traditional-Chinese system reads the Big5 folder.
        help->setBig5(true);
        QVERIFY(help->ShowHelp(true, QStringLiteral("消费明细")));
        QCOMPARE(opened.last(), QUrl::fromLocalFile(root + "/help.chm"));
        QVERIFY(writeAll(root + "/help/big5.htm", "<html/>"));
        QVERIFY(help->ShowHelp(true, QStringLiteral("消费明细")));
        QCOMPARE(opened.last().toLocalFile(), root + "/help/big5.htm");

        // The desktop refusing to open the topic counts as a missing file.
        help->setUrlOpener([](const QUrl&) { return false; });
        prompter.clear();
        QVERIFY(!help->ShowHelp(true, QStringLiteral("消费明细")));
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("help.chm帮助文件不存在!")});
    }

    void addresses_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("loopback") << "127.0.0.1" << true;
        QTest::newRow("spaces around") << " 127.0.0.1 " << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("three parts") << "127.0.1" << false;
        QTest::newRow("hex") << "0x7f.0.0.1" << false;
        QTest::newRow("full-width digits") << "１２７.0.0.1" << false;
    }
    void addresses() {
        QFETCH(QString, address);
        quint32 ip = 0;
        QTEST(parseDottedIPv4(address, &ip), "valid");
    }

    void checksum() {
        // The example of RFC 1071: 0001 f203 f4f5 f6f7 sums to ddf2.
        const unsigned char words[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
        QCOMPARE(icmpChecksum(words, 8), quint16(~0xddf2 & 0xFFFF));
        // A packet carrying its checksum sums to zero.
        unsigned char packet[9] = {8, 0, 0, 0, 0x12, 0x34, 0, 1, 0xAA};
        const quint16 sum = icmpChecksum(packet, 9);
        packet[2] = quint8(sum >> 8);
        packet[3] = quint8(sum & 0xFF);
        QCOMPARE(icmpChecksum(packet, 9), quint16(0));
    }

    void pingLoopback() {
        if (!icmpSocketAllowed())
            QSKIP("this user may open neither a datagram nor a raw ICMP socket");
        QVERIFY(Ping(QStringLiteral("127.0.0.1")));
        PingOptions small;
        small.dataSize = 16;
        QVERIFY(Ping(QStringLiteral("127.0.0.1"), small));
    }

    // A malformed address fails at once, without waiting for the time-out.
    void pingBadAddress() {
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!Ping(QStringLiteral("127.0.0")));
        QVERIFY(timer.elapsed() < 500);
    }
};

QTEST_GUILESS_MAIN(TestUtilHelpPing)
#include "test_util_help_ping.moc"
