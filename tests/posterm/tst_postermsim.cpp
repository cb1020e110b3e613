// The simulated terminal without sockets: record validation, idempotent
// append, queries and filters, taking allowances, information items, the
// password, fault switches and the state file.
#include <QTemporaryDir>
#include <QtTest>

#include "codec/HttpMessage.h"
#include "codec/TextCoding.h"
#include "sim/StateFile.h"
#include "sim/TerminalService.h"
#include "sim/TerminalStore.h"

using namespace posterm;

namespace {

const SimClock kClock{20260315, "20260315101500"};
const std::string kWaitingHeader = "SysID\tCardNo\tBatch\tMoney\tAllowDate\tDownDate\tRecNo\r\n";

std::string line(std::int64_t sysId, const std::string& card, std::int64_t batch, std::int64_t money,
                 const std::string& extra = {}) {
    return "SysID=" + std::to_string(sysId) + "\tCardNo=" + card + "\tBatch=" + std::to_string(batch) +
           "\tMoney=" + std::to_string(money) + extra + "\r\n";
}

// A SidyLog record as answered: the ten reserved fields empty.
std::string takenRow(const std::string& head, const std::string& recNo) {
    return head + std::string(11, '\t') + recNo + "\r\n";
}

HttpRequest request(const std::string& method, const std::string& target, const std::string& auth,
                    const std::string& body = {}) {
    const std::string text = buildHttpRequest(method, target, "t", base64Encode(auth), body);
    HttpRequest r;
    std::size_t consumed = 0;
    std::size_t length = 0;
    parseHttpRequest(text, 1 << 20, r, consumed, length);
    return r;
}

HttpAnswer answerOf(const ServiceReply& reply) {
    HttpAnswer a;
    std::size_t consumed = 0;
    parseHttpAnswer(reply.bytes, true, 1 << 20, a, consumed);
    return a;
}

HttpAnswer ask(TerminalService& service, const std::string& method, const std::string& target,
               const std::string& auth, const std::string& body = {}) {
    return answerOf(service.handle(request(method, target, auth, body), kClock));
}

} // namespace

class TestPostermSim : public QObject {
    Q_OBJECT
private slots:
    void appendValidation_data() {
        QTest::addColumn<QString>("bad");
        QTest::newRow("missing Money") << "SysID=1\tCardNo=2\tBatch=3\r\n";
        QTest::newRow("missing SysID") << "CardNo=2\tBatch=3\tMoney=4\r\n";
        QTest::newRow("text CardNo") << "SysID=1\tCardNo=A2\tBatch=3\tMoney=4\r\n";
        QTest::newRow("decimal Money") << "SysID=1\tCardNo=2\tBatch=3\tMoney=12.34\r\n";
        QTest::newRow("empty Batch") << "SysID=1\tCardNo=2\tBatch=\tMoney=4\r\n";
        QTest::newRow("unknown field") << "SysID=1\tCardNo=2\tBatch=3\tMoney=4\tColour=red\r\n";
        QTest::newRow("bad AllowDate") << "SysID=1\tCardNo=2\tBatch=3\tMoney=4\tAllowDate=20260230\r\n";
        QTest::newRow("short AllowDate") << "SysID=1\tCardNo=2\tBatch=3\tMoney=4\tAllowDate=260301\r\n";
        QTest::newRow("no equals") << "SysID=1\tCardNo=2\tBatch=3\tMoney\r\n";
    }

    void appendValidation() {
        QFETCH(QString, bad);
        TerminalStore store;
        // A bad record anywhere in the request: nothing of it is stored.
        const std::string body = line(10, "100", 1, 500) + bad.toStdString() + line(11, "101", 1, 500);
        const StoreReply reply = store.append("SubsidyLog", body, kClock);
        QCOMPARE(reply.status, 400);
        QVERIFY(!reply.changed);
        QVERIFY(store.state().waiting.empty());
        QCOMPARE(store.count("SubsidyLog", "").body, std::string("count=0\r\n"));
        // The terminal still takes good records afterwards, numbered from 1.
        QCOMPARE(store.append("SubsidyLog", line(10, "100", 1, 500), kClock).status, 200);
        QCOMPARE(store.state().waiting.front().recNo, std::int64_t(1));
    }

    void appendIsIdempotent() {
        TerminalStore store;
        StoreReply r = store.append(
            "SubsidyLog", line(1, "100", 7, 1234) + line(2, "200", 7, 100) + line(1, "100", 7, 1234), kClock);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, std::string("appended=2\r\nduplicates=1\r\n"));
        // The same batch again: acknowledged, counted, not stored.
        r = store.append("SubsidyLog",
                         line(1, "100", 7, 1234) + line(2, "200", 7, 100) + line(1, "100", 8, 50), kClock);
        QCOMPARE(r.body, std::string("appended=1\r\nduplicates=2\r\n"));
        QCOMPARE(store.state().waiting.size(), std::size_t(3));
        // Taken records still count: a batch sent again after a swipe pays nothing twice.
        store.swipe("100", 0, 0, 1, kClock);
        r = store.append("SubsidyLog", line(1, "100", 7, 1234), kClock);
        QCOMPARE(r.body, std::string("appended=0\r\nduplicates=1\r\n"));
        QVERIFY(!r.changed);
        QCOMPARE(store.state().waiting.size(), std::size_t(1));
        // An empty request is a valid request that stores nothing.
        QCOMPARE(store.append("SubsidyLog", "", kClock).body, std::string("appended=0\r\nduplicates=0\r\n"));
    }

    void queryAndCount() {
        TerminalStore store;
        std::string body;
        for (int i = 1; i <= 5; ++i)
            body +=
                line(i, std::to_string(100 + i % 2), 1, i * 1000 + 34, i == 2 ? "\tAllowDate=20261231" : "");
        QCOMPARE(store.append("subsidylog", body, kClock).status, 200);
        const std::string rows[] = {"1\t101\t1\t10.34\t\t260315\t1\r\n",
                                    "2\t100\t1\t20.34\t261231\t260315\t2\r\n",
                                    "3\t101\t1\t30.34\t\t260315\t3\r\n", "4\t100\t1\t40.34\t\t260315\t4\r\n",
                                    "5\t101\t1\t50.34\t\t260315\t5\r\n"};

        StoreReply r = store.query("SubsidyLog", "*", "", "");
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, "records=5\r\n" + kWaitingHeader + rows[0] + rows[1] + rows[2] + rows[3] + rows[4]);
        QCOMPARE(store.query("SubsidyLog", "*", "RecNo>=2 and RecNo<4", "").body,
                 "records=2\r\n" + kWaitingHeader + rows[1] + rows[2]);
        QCOMPARE(store.query("SubsidyLog", "*", "CardNo='101' and Money>30", "Maxreturn=1").body,
                 "records=1\r\n" + kWaitingHeader + rows[2]);
        QCOMPARE(store.query("SubsidyLog", "RecNo, Money", "", "Maxreturn=2,Other=1").body,
                 std::string("records=2\r\nRecNo\tMoney\r\n1\t10.34\r\n2\t20.34\r\n"));

        QCOMPARE(store.query("SubsidyLog", "Colour", "", "").status, 400);
        QCOMPARE(store.query("SubsidyLog", "*", "Colour=1", "").status, 400);
        QCOMPARE(store.query("SubsidyLog", "*", "RecNo>", "").status, 400);
        QCOMPARE(store.query("SubsidyLog", "*", "", "Maxreturn=x").status, 400);
        QCOMPARE(store.query("Nothing", "*", "", "").status, 404);
        QCOMPARE(store.count("SubsidyLog", "").body, std::string("count=5\r\n"));
        QCOMPARE(store.count("SubsidyLog", "CardNo='101'").body, std::string("count=3\r\n"));
        QCOMPARE(store.count("SidyLog", "").body, std::string("count=0\r\n"));
        QCOMPARE(store.count("Nope", "").status, 404);
        QCOMPARE(store.count("SubsidyLog", "RecNo=1 or RecNo=2").status, 400);
        // SidyLog is filled by cards only.
        QCOMPARE(store.append("SidyLog", line(1, "1", 1, 1), kClock).status, 400);
        QCOMPARE(store.append("Nope", line(1, "1", 1, 1), kClock).status, 404);
        // SidyLog answers its 21 fields even when empty.
        r = store.query("SidyLog", "*", "", "");
        QCOMPARE(split(splitLines(r.body)[1], '\t').size(), std::size_t(21));
    }

    void swipeTakesValidAllowances() {
        TerminalStore store;
        store.append("SubsidyLog",
                     line(1, "77", 1, 1000, "\tAllowDate=20260314") +    // passed yesterday
                         line(1, "77", 2, 250, "\tAllowDate=20260315") + // today: not passed
                         line(1, "77", 3, 5) +                           // no date
                         line(2, "78", 1, 999),                          // another card
                     kClock);
        const StoreReply r = store.swipe("0077", 1050, 9, 4, kClock);
        QCOMPARE(r.body, std::string("taken=2\r\nbalance=13.05\r\nsequ=11\r\n"));
        QVERIFY(r.changed);
        // SysID, CardNo, CardSequ, Batch, TakeTime, Money, Balance, DeviceID, AllowDate, DownDate, ..., RecNo
        const std::string taken = store.query("SidyLog", "*", "", "").body;
        QCOMPARE(taken.substr(taken.find("\r\n", 11) + 2),
                 takenRow("1\t77\t10\t2\t20260315101500\t2.50\t13.00\t4\t260315\t260315", "1") +
                     takenRow("1\t77\t11\t3\t20260315101500\t0.05\t13.05\t4\t\t260315", "2"));
        // The expired record and the other card's stay waiting.
        QCOMPARE(store.query("SubsidyLog", "*", "", "").body, "records=2\r\n" + kWaitingHeader +
                                                                  "1\t77\t1\t10.00\t260314\t260315\t1\r\n" +
                                                                  "2\t78\t1\t9.99\t\t260315\t4\r\n");
        // Nothing left to take: the balance comes back unchanged.
        QCOMPARE(store.swipe("77", 1305, 11, 4, kClock).body,
                 std::string("taken=0\r\nbalance=13.05\r\nsequ=11\r\n"));
    }

    void recordNumbersNeverReused() {
        TerminalStore store;
        store.append("SubsidyLog", line(1, "5", 1, 1) + line(2, "5", 1, 1) + line(3, "6", 1, 1), kClock);
        const auto option = [&](const char* name) {
            std::string value = "absent";
            store.optionValue(name, value);
            return value;
        };
        QCOMPARE(option("Options.ReadSubsidyLogMaxID"), std::string("3"));
        store.swipe("6", 0, 0, 1, kClock); // takes RecNo 3
        QCOMPARE(option("options.readsubsidylogmaxid"), std::string("2"));
        QCOMPARE(option("Options.ReadSidyLogMaxID"), std::string("1"));
        store.append("SubsidyLog", line(4, "5", 1, 1), kClock);
        QCOMPARE(store.state().waiting.back().recNo, std::int64_t(4));
        QCOMPARE(option("Options.LastSidyLogID"), std::string("0"));
        std::string value;
        QVERIFY(!store.optionValue("Options.Colour", value));
    }

    void serviceAuthAndRoutes() {
        TerminalService service({"t1", "7", "Ver 1.0", "SN1", 1});
        HttpAnswer a = ask(service, "GET", "/v1/device", "root:7");
        QCOMPARE(a.status, 200);
        QCOMPARE(a.body, std::string("SN=SN1\r\nFwVersion=Ver 1.0\r\n"));
        QCOMPARE(ask(service, "GET", "/v1/device", "root:8").status, 401);
        QCOMPARE(ask(service, "GET", "/v1/device", "admin:7").status, 401);
        QCOMPARE(ask(service, "GET", "/v1/device", "root:007").status, 200);
        HttpRequest anonymous = request("GET", "/v1/device", "root:7");
        anonymous.headers.clear();
        QCOMPARE(answerOf(service.handle(anonymous, kClock)).status, 401);
        QCOMPARE(ask(service, "GET", "/v1/nothing", "root:7").status, 404);
        QCOMPARE(ask(service, "GET", "/v1/data/append?table=SubsidyLog", "root:7").status, 400);
        QCOMPARE(ask(service, "GET", "/v1/data/count?table=SubsidyLog&filter=%zz", "root:7").status, 400);

        const ServiceReply reply = service.handle(
            request("POST", "/v1/data/append?table=SubsidyLog", "root:7", line(1, "2", 3, 4)), kClock);
        QCOMPARE(answerOf(reply).body, std::string("appended=1\r\nduplicates=0\r\n"));
        QVERIFY(reply.changed);
        QCOMPARE(ask(service, "GET", "/v1/data/count?table=SubsidyLog&filter=RecNo%3E%3D1", "root:7").body,
                 std::string("count=1\r\n"));
        // Swipe on the terminal's own address needs no password.
        QCOMPARE(ask(service, "POST", "/v1/sim/swipe?card=2&balance=1&sequ=1", "x:y").body,
                 std::string("taken=1\r\nbalance=1.04\r\nsequ=2\r\n"));
    }

    void serviceInfoItems() {
        TerminalService service({"t1", "0", "Ver 1.0 build 7", "SN9", 1});
        const std::string items = percentEncode("System.SN,System.FwVersion,Options.LastSubSidyLogID,"
                                                "Options.ReadSidyLogMaxID,Options.Nothing");
        QCOMPARE(
            ask(service, "GET", "/v1/info?items=" + items, "root:0").body,
            std::string("OK\r\nSystem.SN=SN9\r\nSystem.FwVersion=Ver 1.0 build 7\r\n"
                        "Options.LastSubSidyLogID=0\r\nOptions.ReadSidyLogMaxID=0\r\nOptions.Nothing=\r\n"));
        QCOMPARE(ask(service, "GET", "/v1/info?items=", "root:0").body, std::string("OK\r\n"));
        // The host's read position is set through the simulator's control request.
        service.control("/v1/sim/set", {{"LastSidyLogID", "41"}}, kClock);
        QCOMPARE(ask(service, "GET", "/v1/info?items=Options.LastSidyLogID", "root:0").body,
                 std::string("OK\r\nOptions.LastSidyLogID=41\r\n"));
    }

    void faultSwitches() {
        // Refused appends, garbage and a refused password are seen through the
        // library in tst_postermlink; here what the switches promise over time.
        TerminalService service({"t1", "0", "Ver 2.0", "SN", 1});
        const auto device = [&] { return service.handle(request("GET", "/v1/device", "root:0"), kClock); };
        const auto appendOf = [&](std::int64_t batch) {
            return service.handle(
                request("POST", "/v1/data/append?table=SubsidyLog", "root:0", line(1, "2", batch, 4)),
                kClock);
        };
        // Append faults wait for the appends to let through; a dropped append is stored.
        service.control("/v1/sim/fault", {{"skip_appends", "1"}, {"refuse_append", "1"}}, kClock);
        QCOMPARE(answerOf(appendOf(10)).status, 200);
        QCOMPARE(answerOf(appendOf(11)).status, 500);
        QCOMPARE(answerOf(appendOf(11)).status, 200);
        QCOMPARE(service.store().state().waiting.size(), std::size_t(2));
        service.control("/v1/sim/fault", {{"skip_appends", "1"}, {"drop_append", "5"}}, kClock);
        QCOMPARE(appendOf(12).dropAfter, -1LL);
        QCOMPARE(device().dropAfter, -1LL);
        QCOMPARE(appendOf(13).dropAfter, 5LL);
        QCOMPARE(service.store().state().waiting.size(), std::size_t(4));
        QCOMPARE(device().dropAfter, -1LL);

        service.control("/v1/sim/fault", {{"garbage", "1"}}, kClock);
        ServiceReply reply = device();
        HttpAnswer a;
        std::size_t consumed = 0;
        QCOMPARE(parseHttpAnswer(reply.bytes, true, 1024, a, consumed), ParseStatus::Malformed);
        QVERIFY(reply.close);

        service.control("/v1/sim/fault", {{"drop_after", "10"}, {"delay", "250"}, {"close", "1"}}, kClock);
        reply = device();
        QCOMPARE(reply.dropAfter, 10LL);
        QCOMPARE(reply.delayMs, 250);
        QVERIFY(reply.close);
        reply = device();
        QCOMPARE(reply.dropAfter, -1LL); // one answer only
        QCOMPARE(reply.delayMs, 250);    // until cleared
        QVERIFY(!reply.close);

        service.control("/v1/sim/fault", {{"wrong_passwd", "1"}}, kClock);
        QCOMPARE(answerOf(device()).status, 401);
        service.control("/v1/sim/fault", {{"clear", "1"}}, kClock);
        reply = device();
        QCOMPARE(answerOf(reply).status, 200);
        QCOMPARE(reply.delayMs, 0);
    }

    void stateFileRoundTrip() {
        TerminalStore store;
        store.append("SubsidyLog", line(1, "0077", 1, -150, "\tAllowDate=20261231") + line(2, "78", 1, 99),
                     kClock);
        store.swipe("78", 100, 1, 3, kClock);
        store.setLastIds(5, 6);
        const std::string text =
            formatTerminalState("127.0.0.1:0", store.state()) + formatTerminalState("rs3", {});
        std::map<std::string, StoreState> parsed;
        std::string error;
        QVERIFY2(parseStateText(text, parsed, error), error.c_str());
        QCOMPARE(parsed.size(), std::size_t(2));
        TerminalStore back;
        back.restore(parsed["127.0.0.1:0"]);
        QCOMPARE(formatTerminalState("x", back.state()), formatTerminalState("x", store.state()));
        // Restored keys keep append idempotent.
        QCOMPARE(back.append("SubsidyLog", line(2, "78", 1, 99), kClock).body,
                 std::string("appended=0\r\nduplicates=1\r\n"));

        QVERIFY(!parseStateText("W\t1\t2\n", parsed, error));
        QVERIFY(!parseStateText("[terminal a]\nW\t1\t2\t3\n", parsed, error));
        QVERIFY(!parseStateText("[terminal a]\nnext\tx\t1\n", parsed, error));

        QTemporaryDir dir;
        const std::string path = dir.filePath("state.txt").toStdString();
        QVERIFY(writeFileAtomically(path, text));
        QVERIFY(writeFileAtomically(path, "second\n"));
        std::string content;
        QVERIFY(readWholeFile(path, content));
        QCOMPARE(content, std::string("second\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System), QStringList{"state.txt"});

        // A link planted where a temporary file could be is never written through.
        const QString victim = dir.filePath("victim.txt");
        QVERIFY(QFile(victim).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(victim, QString::fromStdString(path + ".tmp")));
        QVERIFY(writeFileAtomically(path, "third\n"));
        QCOMPARE(QFileInfo(victim).size(), 0);
        QVERIFY(readWholeFile(path, content));
        QCOMPARE(content, std::string("third\n"));
        QVERIFY(!QFileInfo(QString::fromStdString(path)).isSymLink());
        // A folder that cannot be written fails, leaving the file as it was.
        QVERIFY(!writeFileAtomically(dir.filePath("missing/state.txt").toStdString(), "x\n"));
    }
};

QTEST_GUILESS_MAIN(TestPostermSim)
#include "tst_postermsim.moc"
