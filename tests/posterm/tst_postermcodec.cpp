// The pure parts of the terminal protocol: text coding, HTTP messages, serial
// frames, records and filters, parameter strings and answer rules.
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
    void base64();
    void percentCoding();
    void answerParserComplete();
    void answerParserIncremental();
    void answerParserRejects();
    void requestParser();
    void frames();
    void framesResynchronise();
    void moneyAndDates();
    void records();
    void filters();
    void filterEvaluation();
    void connectParams();
    void serialDevicePaths();
    void answerRules();
    void copyAnswerBounds();
};

void TestPostermCodec::base64() {
    QCOMPARE(base64Encode("root:0"), std::string("cm9vdDow"));
    QCOMPARE(base64Encode(""), std::string(""));
    QCOMPARE(base64Encode("a"), std::string("YQ=="));
    QCOMPARE(base64Encode("ab"), std::string("YWI="));
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

void TestPostermCodec::percentCoding() {
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

void TestPostermCodec::answerParserComplete() {
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
    QCOMPARE(
        parseHttpAnswer("HTTP/1.1 401 Unauthorized\nContent-Length: 2\n\nno", false, 1024, answer, consumed),
        ParseStatus::Complete);
    QCOMPARE(answer.status, 401);
    QCOMPARE(answer.body, std::string("no"));
}

void TestPostermCodec::answerParserIncremental() {
    const std::string answers[] = {
        buildHttpAnswer(200, "records=1\r\nA\tB\r\n1\t2\r\n", true),
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n",
    };
    for (const std::string& whole : answers) {
        HttpAnswer answer;
        std::size_t consumed = 0;
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            const ParseStatus status = parseHttpAnswer(whole.substr(0, cut), false, 1024, answer, consumed);
            QVERIFY2(status == ParseStatus::NeedMore, qPrintable(QString("cut at %1").arg(cut)));
            // A cut answer at end of file is never taken as complete.
            QVERIFY(parseHttpAnswer(whole.substr(0, cut), true, 1024, answer, consumed) !=
                    ParseStatus::Complete);
        }
        QCOMPARE(parseHttpAnswer(whole, false, 1024, answer, consumed), ParseStatus::Complete);
    }
}

void TestPostermCodec::answerParserRejects() {
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

void TestPostermCodec::requestParser() {
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

void TestPostermCodec::frames() {
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

void TestPostermCodec::framesResynchronise() {
    const std::string good = encodeFrame(3, "answer");
    std::string damaged = encodeFrame(3, "answer");
    damaged[8] ^= 0x20; // payload byte: CRC no longer matches
    std::string noEtx = encodeFrame(3, "answer");
    noEtx.back() = 'x';
    const std::string oversized = encodeFrame(3, std::string(2000, 'a'));
    const std::string stream = "noise" + damaged + noEtx + oversized + good;

    // Whatever comes before it, the reader finds the good frame and only it.
    std::string rest = stream;
    int frames = 0;
    Frame out;
    while (!rest.empty()) {
        std::size_t consumed = 0;
        const FrameStatus status = decodeFrame(rest, 1024, out, consumed);
        if (status == FrameStatus::NeedMore)
            break;
        QVERIFY(consumed >= 1 && consumed <= rest.size());
        if (status == FrameStatus::Frame) {
            ++frames;
            QCOMPARE(out.payload, std::string("answer"));
        }
        rest.erase(0, consumed);
    }
    QCOMPARE(frames, 1);
}

void TestPostermCodec::moneyAndDates() {
    QCOMPARE(formatCents(1234), std::string("12.34"));
    QCOMPARE(formatCents(5), std::string("0.05"));
    QCOMPARE(formatCents(-150), std::string("-1.50"));
    QCOMPARE(formatCents(0), std::string("0.00"));
    std::int64_t cents = 0;
    QVERIFY(parseYuan("12.5", cents));
    QCOMPARE(cents, std::int64_t(1250));
    QVERIFY(parseYuan("-0.07", cents));
    QCOMPARE(cents, std::int64_t(-7));
    QVERIFY(parseYuan("3", cents));
    QCOMPARE(cents, std::int64_t(300));
    QVERIFY(!parseYuan("12.345", cents));
    QVERIFY(!parseYuan("1,5", cents));
    QVERIFY(!parseYuan("", cents));
    QVERIFY(!parseYuan(".", cents));
    QVERIFY(isValidDate(20240229));
    QVERIFY(!isValidDate(20230229));
    QVERIFY(!isValidDate(20241301));
    QVERIFY(!isValidDate(20240431));
    QVERIFY(isValidDate(20000229));
    QVERIFY(!isValidDate(21000229));
}

void TestPostermCodec::records() {
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
}

void TestPostermCodec::filters() {
    std::vector<Condition> out;
    std::string error;
    QVERIFY(parseFilter("", out, error));
    QVERIFY(out.empty());
    QVERIFY(parseFilter("RecNo>=1 and RecNo<1001", out, error));
    QCOMPARE(out.size(), std::size_t(2));
    QCOMPARE(out[0].field, std::string("RecNo"));
    QVERIFY(out[0].op == CompareOp::GreaterEqual);
    QCOMPARE(out[0].number, std::int64_t(1));
    QVERIFY(out[1].op == CompareOp::Less);
    QCOMPARE(out[1].number, std::int64_t(1001));
    QVERIFY(parseFilter("  CardNo = 'a b' AND Money<>-5 and X<=0 and Y>2 and Z=3", out, error));
    QCOMPARE(out.size(), std::size_t(5));
    QVERIFY(out[0].isText);
    QCOMPARE(out[0].text, std::string("a b"));
    QVERIFY(out[1].op == CompareOp::NotEqual);
    QCOMPARE(out[1].number, std::int64_t(-5));
    QVERIFY(out[2].op == CompareOp::LessEqual);
    QVERIFY(out[3].op == CompareOp::Greater);
    QVERIFY(out[4].op == CompareOp::Equal);

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

void TestPostermCodec::filterEvaluation() {
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

void TestPostermCodec::connectParams() {
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

    QVERIFY(
        parseConnectParams("protocol=RS232,port=COM1,baudrate=9600bps,deviceid=1,timeout=500,passwd=5", p));
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

void TestPostermCodec::serialDevicePaths() {
    const std::string ini = "\xEF\xBB\xBF[RunTimeConfig]\r\nCOM3=/wrong\r\n; note\r\n[serialports]\r\n"
                            " com3 = /dev/pts/4 \r\nCOM4=\r\n[Other]\r\nCOM5=/dev/other\r\n";
    QCOMPARE(serialDevicePath(3, ini), std::string("/dev/pts/4"));
    QCOMPARE(serialDevicePath(4, ini), std::string("/dev/ttyS3")); // empty value: the default
    QCOMPARE(serialDevicePath(5, ini), std::string("/dev/ttyS4"));
    QCOMPARE(serialDevicePath(1, ""), std::string("/dev/ttyS0"));
    QVERIFY(!iniValue(ini, "SerialPorts", "COM9"));
}

void TestPostermCodec::answerRules() {
    QCOMPARE(resultForStatus(200), int(kOk));
    QCOMPARE(resultForStatus(401), int(kRefused));
    QCOMPARE(resultForStatus(400), int(kMalformed));
    QCOMPARE(resultForStatus(404), int(kUnknownTable));
    QCOMPARE(resultForStatus(413), int(kOtherStatus));
    QCOMPARE(resultForStatus(500), int(kOtherStatus));

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
}

void TestPostermCodec::copyAnswerBounds() {
    const std::string answer = "records=0\r\nA\r\n";
    for (int size = 1; size <= int(answer.size()) + 3; ++size) {
        std::vector<char> memory(std::size_t(size) + 8, '#');
        const int result = copyAnswer(memory.data(), size, answer);
        // Nothing past the size is touched, whatever the outcome.
        for (std::size_t i = std::size_t(size); i < memory.size(); ++i)
            QCOMPARE(memory[i], '#');
        if (std::size_t(size) >= answer.size() + 1) {
            QCOMPARE(result, int(kOk));
            QCOMPARE(std::string(memory.data()), answer);
            for (int i = int(answer.size()); i < size; ++i)
                QCOMPARE(memory[std::size_t(i)], '\0');
        } else {
            QCOMPARE(result, int(kBufferTooSmall));
            for (int i = 0; i < size; ++i)
                QCOMPARE(memory[std::size_t(i)], '\0');
        }
    }
    char one = 'x';
    QCOMPARE(copyAnswer(&one, 0, "a"), int(kMalformed));
    QCOMPARE(one, 'x');
    QCOMPARE(copyAnswer(nullptr, 10, "a"), int(kMalformed));
}

QTEST_GUILESS_MAIN(TestPostermCodec)
#include "tst_postermcodec.moc"
