// The pure parts of the terminal protocol: text coding, HTTP messages, serial
// frames, records and filters, parameter strings and answer rules. Cut
// answers and buffer bounds are checked at every length by tst_postermfuzz.
#include <QtTest>

#include <cstring>

#include "codec/AnswerRules.h"
#include "codec/ConnectParams.h"
#include "codec/FrameCodec.h"
#include "codec/HttpMessage.h"
#include "codec/Records.h"
#include "codec/TextCoding.h"

using namespace posterm;

class TestPostermCodec : public QObject {
    Q_OBJECT
private slots:
    void base64() {
        for (const auto& [plain, coded] : {std::pair<std::string, std::string>{"root:0", "cm9vdDow"},
                                           {"", ""},
                                           {"a", "YQ=="},
                                           {"ab", "YWI="}})
            QCOMPARE(base64Encode(plain), coded);
        std::string all;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        for (std::size_t n = 0; n < 10; ++n) {
            std::string back;
            QVERIFY(base64Decode(base64Encode(all.substr(n)), back));
            QCOMPARE(back, all.substr(n));
        }
        std::string out;
        QVERIFY(!base64Decode("cm9vdDo", out));  // length
        QVERIFY(!base64Decode("cm9v*Dow", out)); // alphabet
        QVERIFY(!base64Decode("YQ==YQ==", out)); // padding inside
    }

    void percentCoding() {
        QCOMPARE(percentEncode("RecNo>=1 and RecNo<1001"), std::string("RecNo%3E%3D1%20and%20RecNo%3C1001"));
        QCOMPARE(percentEncode("a+b,c"), std::string("a%2Bb%2Cc"));
        std::string all;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        std::string back;
        QVERIFY(percentDecode(percentEncode(all), back));
        QCOMPARE(back, all);
        // A plus is a literal plus, not a blank.
        QVERIFY(percentDecode("1+1", back));
        QCOMPARE(back, std::string("1+1"));
        QVERIFY(!percentDecode("%4", back));
        QVERIFY(!percentDecode("%zz", back));
        std::vector<NameValue> pairs;
        QVERIFY(parseQuery("table=SubsidyLog&filter=CardNo%3D%277%27&flag", pairs));
        QCOMPARE(pairs.size(), std::size_t(3));
        QCOMPARE(*findValue(pairs, "FILTER"), std::string("CardNo='7'"));
        QCOMPARE(*findValue(pairs, "flag"), std::string());
        QVERIFY(!parseQuery("a=%G1", pairs));
    }

    void answerParserComplete() {
        HttpAnswer answer;
        std::size_t consumed = 0;
        const std::string plain = buildHttpAnswer(200, "count=3\r\n", true);
        QCOMPARE(parseHttpAnswer(plain, false, 1024, answer, consumed), ParseStatus::Complete);
        QCOMPARE(consumed, plain.size());
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, std::string("count=3\r\n"));
        QVERIFY(answer.keepAlive);

        const std::string closing = buildHttpAnswer(404, "unknown table\r\n", false);
        QCOMPARE(parseHttpAnswer(closing + "extra", false, 1024, answer, consumed), ParseStatus::Complete);
        QCOMPARE(consumed, closing.size());
        QCOMPARE(answer.status, 404);
        QVERIFY(!answer.keepAlive);

        const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                    "4\r\nOK\r\n\r\n6;x=y\r\nA=1\r\nB\r\n0\r\nTrailer: 1\r\n\r\n";
        QCOMPARE(parseHttpAnswer(chunked, false, 1024, answer, consumed), ParseStatus::Complete);
        QCOMPARE(answer.body, std::string("OK\r\nA=1\r\nB"));
        QCOMPARE(consumed, chunked.size());

        // HTTP/1.0 closes unless asked otherwise; a body without length ends with the connection.
        const std::string old = "HTTP/1.0 200 OK\r\n\r\nOK\r\n";
        QCOMPARE(parseHttpAnswer(old, false, 1024, answer, consumed), ParseStatus::NeedMore);
        QCOMPARE(parseHttpAnswer(old, true, 1024, answer, consumed), ParseStatus::Complete);
        QCOMPARE(answer.body, std::string("OK\r\n"));
        QVERIFY(!answer.keepAlive);

        // Bare LF line ends are taken too.
        QCOMPARE(parseHttpAnswer("HTTP/1.1 401 Unauthorized\nContent-Length: 2\n\nno", false, 1024, answer,
                                 consumed),
                 ParseStatus::Complete);
        QCOMPARE(answer.status, 401);
        QCOMPARE(answer.body, std::string("no"));
    }

    void answerParserRejects() {
        HttpAnswer answer;
        std::size_t consumed = 0;
        const char* malformed[] = {
            "garbage\r\n\r\n",
            "HTTP/2 200 OK\r\n\r\n",
            "HTTP/1.1 2x0 OK\r\n\r\n",
            "HTTP/1.1 200OK\r\n\r\n",
            "HTTP/1.1 200 OK\r\nno colon here\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabX\r\n",
        };
        for (const char* text : malformed)
            QVERIFY2(parseHttpAnswer(text, false, 1024, answer, consumed) == ParseStatus::Malformed, text);
        QCOMPARE(
            parseHttpAnswer("HTTP/1.1 200 OK\r\nContent-Length: 2000\r\n\r\n", false, 1024, answer, consumed),
            ParseStatus::TooLarge);
        QCOMPARE(parseHttpAnswer("HTTP/1.1 200 OK\r\nX: " + std::string(kMaxHeaderBytes, 'a'), false, 1024,
                                 answer, consumed),
                 ParseStatus::TooLarge);
    }

    void requestParser() {
        const std::string body = "SysID=1\tCardNo=2\tBatch=3\tMoney=4\r\n";
        const std::string text = buildHttpRequest("POST", "/v1/data/append?table=SubsidyLog", "127.0.0.1",
                                                  base64Encode("root:0"), body);
        HttpRequest request;
        std::size_t consumed = 0;
        std::size_t bodyLength = 0;
        QCOMPARE(parseHttpRequest(text, 1024, request, consumed, bodyLength), ParseStatus::Complete);
        QCOMPARE(consumed, text.size());
        QCOMPARE(request.method, std::string("POST"));
        QCOMPARE(request.path, std::string("/v1/data/append"));
        QCOMPARE(request.query, std::string("table=SubsidyLog"));
        QCOMPARE(request.body, body);
        QCOMPARE(*request.header("authorization"), std::string("Basic cm9vdDow"));
        QVERIFY(request.keepAlive);
        QCOMPARE(parseHttpRequest(text.substr(0, text.size() - 1), 1024, request, consumed, bodyLength),
                 ParseStatus::NeedMore);

        // A body over the limit gives the header length and the declared size, so
        // the reader can skip it and still answer.
        QCOMPARE(parseHttpRequest(text, 10, request, consumed, bodyLength), ParseStatus::TooLarge);
        QCOMPARE(consumed, text.size() - body.size());
        QCOMPARE(bodyLength, body.size());

        QCOMPARE(parseHttpRequest("GET nopath HTTP/1.1\r\n\r\n", 10, request, consumed, bodyLength),
                 ParseStatus::Malformed);
        QCOMPARE(parseHttpRequest("GET / HTTP/1.1 extra\r\n\r\n", 10, request, consumed, bodyLength),
                 ParseStatus::Malformed);
        QCOMPARE(parseHttpRequest("GET / HTTP/1.0\r\n\r\n", 10, request, consumed, bodyLength),
                 ParseStatus::Complete);
        QVERIFY(!request.keepAlive);
    }

    void frames() {
        // Standard check value of CRC-16/CCITT-FALSE.
        QCOMPARE(crc16CcittFalse("123456789"), std::uint16_t(0x29B1));
        const std::string frame = encodeFrame(7, "GET /v1/device HTTP/1.1\r\n\r\n");
        QCOMPARE(frame.size(), std::size_t(27 + kFrameOverhead));
        QCOMPARE(frame[0], kStx);
        QCOMPARE(frame[1], char(7));
        QCOMPARE(frame.substr(2, 4), std::string("\0\0\0\x1b", 4));
        QCOMPARE(frame.back(), kEtx);
        Frame out;
        std::size_t consumed = 0;
        for (std::size_t cut = 0; cut < frame.size(); ++cut)
            QCOMPARE(decodeFrame(frame.substr(0, cut), 1024, out, consumed), FrameStatus::NeedMore);
        QCOMPARE(decodeFrame(frame + "tail", 1024, out, consumed), FrameStatus::Frame);
        QCOMPARE(consumed, frame.size());
        QCOMPARE(out.id, std::uint8_t(7));
        QCOMPARE(out.payload, std::string("GET /v1/device HTTP/1.1\r\n\r\n"));
        // Empty payload and binary payload with STX/ETX inside.
        const std::string binary("\x02\x03\x00\xff", 4);
        QCOMPARE(decodeFrame(encodeFrame(255, binary), 1024, out, consumed), FrameStatus::Frame);
        QCOMPARE(out.payload, binary);
        QCOMPARE(decodeFrame(encodeFrame(0, ""), 1024, out, consumed), FrameStatus::Frame);
        QVERIFY(out.payload.empty());
    }

    void moneyAndDates() {
        for (const auto& [cents, text] :
             {std::pair<std::int64_t, std::string>{1234, "12.34"}, {5, "0.05"}, {-150, "-1.50"}, {0, "0.00"}})
            QCOMPARE(formatCents(cents), text);
        for (const auto& [text, expected] :
             {std::pair<std::string, std::int64_t>{"12.5", 1250}, {"-0.07", -7}, {"3", 300}}) {
            std::int64_t cents = 0;
            QVERIFY(parseYuan(text, cents));
            QCOMPARE(cents, expected);
        }
        std::int64_t cents = 0;
        for (const char* bad : {"12.345", "1,5", "", "."})
            QVERIFY2(!parseYuan(bad, cents), bad);
        for (const int date : {20240229, 20000229})
            QVERIFY(isValidDate(date));
        for (const int date : {20230229, 20241301, 20240431, 21000229})
            QVERIFY2(!isValidDate(date), qPrintable(QString::number(date)));
    }

    void records() {
        std::vector<Record> out;
        std::string error;
        QVERIFY(parseRecordLines("SysID=1\tCardNo=2\r\n\r\nSysID=3\tAllowDate=\n", out, error));
        QCOMPARE(out.size(), std::size_t(2));
        QCOMPARE(out[0].size(), std::size_t(2));
        QCOMPARE(*findValue(out[1], "allowdate"), std::string());
        QVERIFY(!parseRecordLines("SysID=1\tCardNo\r\n", out, error));
        QVERIFY(error.find("line 1") != std::string::npos);
        QVERIFY(!parseRecordLines("SysID=1\r\nSysID=1\tSysID=2\r\n", out, error));
        QVERIFY(error.find("line 2") != std::string::npos);
        QVERIFY(!parseRecordLines("=5\r\n", out, error));
        QVERIFY(!parseRecordLines("SysID=1\tsysid=2\r\n", out, error)); // names compare without case

        // A line of many fields is checked for repeated names in linear time: the
        // check used to compare every field with all before it.
        std::string wide;
        for (int i = 0; i < 100000; ++i)
            wide += (i ? "\tF" : "F") + std::to_string(i) + "=1";
        QElapsedTimer timer;
        timer.start();
        QVERIFY(parseRecordLines(wide + "\r\n", out, error));
        QCOMPARE(out.front().size(), std::size_t(100000));
        QVERIFY(!parseRecordLines(wide + "\tf17=2\r\n", out, error));
        QVERIFY(error.find("f17") != std::string::npos);
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    }

    void filters() {
        std::vector<Condition> out;
        std::string error;
        QVERIFY(parseFilter("", out, error));
        QVERIFY(out.empty());
        // The operators are told apart by the evaluation below and the terminal's queries.
        QVERIFY(parseFilter("RecNo>=1 and RecNo<1001", out, error));
        QCOMPARE(out.size(), std::size_t(2));
        QCOMPARE(out[1].field, std::string("RecNo"));
        QCOMPARE(out[1].number, std::int64_t(1001));
        QVERIFY(parseFilter("  CardNo = 'a b' AND Money<>-5 and X<=0 and Y>2 and Z=3", out, error));
        QCOMPARE(out.size(), std::size_t(5));
        QVERIFY(out[0].isText);
        QCOMPARE(out[0].text, std::string("a b"));
        QCOMPARE(out[1].number, std::int64_t(-5));

        const char* bad[] = {"RecNo",
                             "RecNo>=",
                             "RecNo>=x",
                             "RecNo=='1'",
                             "RecNo=1 or RecNo=2",
                             "RecNo=1 and",
                             "CardNo='open",
                             "RecNo=1andRecNo=2",
                             ">=1",
                             "RecNo=1 RecNo=2",
                             "RecNo=99999999999999999999"};
        for (const char* text : bad)
            QVERIFY2(!parseFilter(text, out, error), text);
    }

    void filterEvaluation() {
        std::vector<Condition> c;
        std::string error;
        QVERIFY(parseFilter("Money>12 and Money<=13 and CardNo='0007' and RecNo<>4", c, error));
        QVERIFY(conditionHolds(c[0], "12.34"));
        QVERIFY(!conditionHolds(c[0], "12.00"));
        QVERIFY(conditionHolds(c[1], "13"));
        QVERIFY(!conditionHolds(c[1], "13.01"));
        QVERIFY(conditionHolds(c[2], "0007"));
        QVERIFY(!conditionHolds(c[2], "7"));
        QVERIFY(conditionHolds(c[3], "5"));
        QVERIFY(!conditionHolds(c[3], "4"));
        // An empty field (no AllowDate) satisfies no number comparison.
        QVERIFY(!conditionHolds(c[3], ""));
    }

    void connectParams() {
        ConnectParams p;
        QVERIFY(parseConnectParams("protocol=HTTP,ipaddress=192.168.1.20,port=80,name=root,passwd=123", p));
        QVERIFY(p.protocol == Protocol::Http);
        QCOMPARE(p.address, std::string("192.168.1.20"));
        QCOMPARE(p.port, 80);
        QCOMPARE(p.name, std::string("root"));
        QCOMPARE(p.passwd, std::string("123"));
        QCOMPARE(p.timeoutMs, 20000);

        QVERIFY(parseConnectParams(
            "protocol=RS485,port=COM3,baudrate=19200bps,deviceid=12,timeout=20000,passwd=0", p));
        QVERIFY(p.protocol == Protocol::Rs485);
        QCOMPARE(p.comNumber, 3);
        QCOMPARE(p.baudRate, 19200);
        QCOMPARE(p.deviceId, 12);
        QCOMPARE(p.name, std::string("root")); // no name= authenticates as root
        QCOMPARE(p.passwd, std::string("0"));

        QVERIFY(parseConnectParams(
            "protocol=RS232,port=COM1,baudrate=9600bps,deviceid=1,timeout=500,passwd=5", p));
        QVERIFY(p.protocol == Protocol::Rs232);
        QCOMPARE(p.timeoutMs, 500);

        const char* bad[] = {
            "",
            "protocol=HTTP,port=80",
            "protocol=TCP,ipaddress=1.2.3.4",
            "protocol=HTTP,ipaddress=1.2.3.4,port=x",
            "protocol=HTTP,ipaddress=1.2.3.4,port=70000",
            "protocol=RS485,port=3,baudrate=9600bps,deviceid=1",
            "protocol=RS485,port=COM3,baudrate=fastbps,deviceid=1",
            "protocol=RS485,port=COM3,baudrate=9600bps",
            "protocol=RS485,port=COM3,baudrate=9600bps,deviceid=300",
            "protocol=RS485,port=COM3,baudrate=9600bps,deviceid=1,timeout=0",
            "protocol=HTTP,ipaddress",
        };
        for (const char* text : bad)
            QVERIFY2(!parseConnectParams(text, p), text);
    }

    void serialDevicePaths() {
        const std::string ini = "\xEF\xBB\xBF[RunTimeConfig]\r\nCOM3=/wrong\r\n; note\r\n[serialports]\r\n"
                                " com3 = /dev/pts/4 \r\nCOM4=\r\n[Other]\r\nCOM5=/dev/other\r\n";
        QCOMPARE(serialDevicePath(3, ini), std::string("/dev/pts/4"));
        QCOMPARE(serialDevicePath(4, ini), std::string("/dev/ttyS3")); // empty value: the default
        QCOMPARE(serialDevicePath(5, ini), std::string("/dev/ttyS4"));
        QCOMPARE(serialDevicePath(1, ""), std::string("/dev/ttyS0"));
        QVERIFY(!iniValue(ini, "SerialPorts", "COM9"));
    }

    void answerRules() {
        // The library's results are part of the protocol: -2 password, -3 malformed, -4 table, -6 other.
        for (const auto& [status, result] :
             {std::pair<int, int>{200, 0}, {401, -2}, {400, -3}, {404, -4}, {413, -6}, {500, -6}})
            QCOMPARE(resultForStatus(status), result);

        QCOMPARE(countFromAnswer("count=42\r\n"), 42);
        QCOMPARE(countFromAnswer("count=\r\n"), int(kMalformed));
        QCOMPARE(countFromAnswer("total=4\r\n"), int(kMalformed));
        QCOMPARE(countFromAnswer("count=99999999999\r\n"), int(kMalformed));
        QCOMPARE(recordsFromAnswer("records=0\r\nA\tB\r\n"), 0);
        QCOMPARE(recordsFromAnswer("records=2\r\nA\r\n1\r\n2\r\n"), 2);
        QCOMPARE(recordsFromAnswer("records=3\r\nA\r\n1\r\n2\r\n"), int(kMalformed)); // lines missing
        QCOMPARE(recordsFromAnswer("records=0\r\n"), int(kMalformed));                // no header
        QCOMPARE(appendedFromAnswer("appended=3\r\nduplicates=1\r\n"), 3);
        QCOMPARE(appendedFromAnswer("duplicates=1\r\n"), int(kMalformed));
        QVERIFY(isInfoAnswer("OK\r\nSystem.SN=1\r\n"));
        QVERIFY(!isInfoAnswer("SN=1\r\n"));
        // The bounds of copyAnswer are fuzzed; a negative size is refused as malformed.
        char small[4];
        QCOMPARE(copyAnswer(small, -1, ""), -3);
    }
};

QTEST_GUILESS_MAIN(TestPostermCodec)
#include "tst_postermcodec.moc"
