// The library against the simulator: network terminals on free loopback
// ports and serial terminals on a pseudo-terminal, round trips, results,
// buffers, faults, threads and a restart with a state file.
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <thread>
#include <vector>

#include "SimProcess.h"
#include "posterm.h"

namespace {

constexpr int kBig = 4 * 1024 * 1024;
const char* const kRecord = "SysID=1\tCardNo=1\tBatch=1\tMoney=1\r\n";

QList<QByteArray> lines(const QByteArray& text) {
    QList<QByteArray> out = text.split('\n');
    for (QByteArray& l : out)
        l = l.endsWith('\r') ? l.chopped(1) : l;
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

QByteArray httpParams(const SimProcess& sim, int terminal, int passwd = 0) {
    return "protocol=HTTP,ipaddress=127.0.0.1,port=" + QByteArray::number(sim.listenPort(terminal)) +
           ",name=root,passwd=" + QByteArray::number(passwd);
}

// Handle closed at scope end, as the workers disconnect after each terminal.
struct Handle {
    explicit Handle(const QByteArray& params) : h(Connect(params.constData())) {}
    ~Handle() {
        if (h)
            Disconnect(h);
    }
    uint32_t h;
};

// CPU time the process has used, in clock ticks (user and system).
qint64 cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

} // namespace

class TestPostermLink : public QObject {
    Q_OBJECT

private:
    QByteArray net(int terminal, int timeoutMs = 0) const {
        return httpParams(m_sim, terminal, 7) +
               (timeoutMs ? ",timeout=" + QByteArray::number(timeoutMs) : "");
    }
    QByteArray serial(int id, int timeoutMs = 2000, int passwd = 7, int com = 3) const {
        return "protocol=RS485,port=COM" + QByteArray::number(com) +
               ",baudrate=9600bps,deviceid=" + QByteArray::number(id) +
               ",timeout=" + QByteArray::number(timeoutMs) + ",passwd=" + QByteArray::number(passwd);
    }
    QByteArray info(uint32_t handle, const char* items, int* result = nullptr) {
        const int r = InfoQuery(handle, m_buffer.data(), 1048576, items);
        if (result)
            *result = r;
        return QByteArray(m_buffer.data());
    }
    QByteArray query(uint32_t handle, const char* table, const char* filter, const char* options,
                     int* result) {
        *result = DataQuery(handle, m_buffer.data(), kBig, table, "*", filter, options);
        return QByteArray(m_buffer.data());
    }
    void fault(const QString& terminal, const QByteArray& settings) {
        QCOMPARE(m_sim.control("POST", "/v1/sim/fault?terminal=" + terminal.toUtf8() + "&" + settings), 200);
    }
    int connections(const QString& terminal) {
        QByteArray body;
        m_sim.control("GET", "/v1/sim/status?terminal=" + terminal.toUtf8(), &body);
        for (const QByteArray& l : lines(body)) {
            if (l.startsWith("connections="))
                return l.mid(12).toInt();
        }
        return -1;
    }

    SimProcess m_sim;
    QTemporaryDir m_home;
    std::vector<char> m_buffer = std::vector<char>(kBig);

private slots:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        QString error;
        QVERIFY2(m_sim.start({"--today", "20260315", "--passwd", "7", "--fw", "Ver 1.0", "--listen",
                              "127.0.0.1:0", "--fw", "Ver 2.0", "--listen", "127.0.0.1:0", "--serial", "3,4",
                              "--control", "127.0.0.1:0"},
                             &error),
                 qPrintable(error));
        QCOMPARE(m_sim.listenAddresses().size(), 2);
        QCOMPARE(m_sim.serialDevices().size(), 1);
        QFile ini(m_home.filePath("Daybook.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(
            "[RunTimeConfig]\r\nisPing=1\r\n[SerialPorts]\r\nCOM3=" + m_sim.serialDevices().first().toUtf8() +
            "\r\nCOM9=" + m_home.filePath("no-such-tty").toUtf8() + "\r\n");
        ini.close();
        qputenv("MEAL_HOME", m_home.path().toUtf8());
    }

    void cleanup() {
        for (const QString& t : {m_sim.listenAddresses().value(0), m_sim.listenAddresses().value(1),
                                 QString("rs3"), QString("rs4")})
            m_sim.control("POST", "/v1/sim/fault?clear=1&terminal=" + t.toUtf8());
    }

    void exportsByName() {
        // Callers import the six calls by name.
        void* library = dlopen(POSTERM_LIB_PATH, RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(library, dlerror());
        for (const char* name :
             {"Connect", "Disconnect", "InfoQuery", "DataCount", "DataAppend", "DataQuery"})
            QVERIFY2(dlsym(library, name), name);
        dlclose(library);
    }

    void connectAndInfo() {
        Handle old(net(0));
        QVERIFY(old.h != 0);
        int r = 0;
        const QByteArray text = info(old.h, "System.FwVersion", &r);
        QCOMPARE(text, QByteArray("OK\r\nSystem.FwVersion=Ver 1.0\r\n"));
        QCOMPARE(r, text.size());

        Handle fresh(net(1));
        QVERIFY(fresh.h != 0 && fresh.h != old.h);
        QCOMPARE(info(fresh.h, "System.FwVersion,System.SN,Colour", &r),
                 QByteArray("OK\r\nSystem.FwVersion=Ver 2.0\r\nSystem.SN=SIMNET2\r\nColour=\r\n"));
    }

    void refusedPassword() {
        QCOMPARE(Connect(net(0).replace("passwd=7", "passwd=8")), 0u);
        QCOMPARE(Connect(serial(3, 2000, 8)), 0u);
        Handle h(net(0));
        QVERIFY(h.h);
        fault(m_sim.listenAddresses()[0], "wrong_passwd=1");
        int r = 0;
        info(h.h, "System.SN", &r);
        QCOMPARE(r, -2);
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), -2);
        QCOMPARE(DataAppend(h.h, "SubsidyLog", kRecord, ""), -2);
        fault(m_sim.listenAddresses()[0], "wrong_passwd=0");
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
    }

    void appendAndQueryRoundTrip() {
        Handle h(net(0));
        // 12.345 yuan goes out as Money=1234 (the caller truncates); the terminal keeps it as 12.34.
        QCOMPARE(DataAppend(h.h, "SubsidyLog",
                            "SysID=1001\tCardNo=501\tBatch=1\tMoney=1234\r\n"
                            "SysID=1002\tCardNo=502\tBatch=1\tMoney=5\tAllowDate=20260401\r\n",
                            ""),
                 2);
        const char* filter = "SysID>=1001 and SysID<1003";
        QCOMPARE(DataCount(h.h, "SubsidyLog", filter, ""), 2);
        int r = 0;
        const QList<QByteArray> l = lines(query(h.h, "SubsidyLog", filter, "", &r));
        QCOMPARE(r, 2);
        QCOMPARE(l.size(), 4);
        QCOMPARE(l[0], QByteArray("records=2"));
        QCOMPARE(l[1], QByteArray("SysID\tCardNo\tBatch\tMoney\tAllowDate\tDownDate\tRecNo"));
        const QList<QByteArray> first = l[2].split('\t');
        const QList<QByteArray> second = l[3].split('\t');
        QCOMPARE(first.mid(0, 6), QList<QByteArray>({"1001", "501", "1", "12.34", "", "260315"}));
        QCOMPARE(second.mid(0, 6), QList<QByteArray>({"1002", "502", "1", "0.05", "260401", "260315"}));
        QCOMPARE(second[6].toInt(), first[6].toInt() + 1);

        // One record, as the read-back asks for the first record number.
        const QList<QByteArray> one = lines(query(h.h, "SubsidyLog", filter, "Maxreturn=1", &r));
        QCOMPARE(r, 1);
        QCOMPARE(one.size(), 3);
        QCOMPARE(one[2], l[2]);
        // A page by record numbers.
        const QByteArray page =
            "RecNo>=" + second[6] + " and RecNo<" + QByteArray::number(second[6].toInt() + 1000);
        query(h.h, "SubsidyLog", page.constData(), "", &r);
        QCOMPARE(r, 1);
    }

    void refusedRequestsStoreNothing() {
        Handle h(net(0));
        int r = 0;
        QCOMPARE(DataCount(h.h, "Nothing", "", ""), -4);
        query(h.h, "Nothing", "", "", &r);
        QCOMPARE(r, -4);
        QCOMPARE(DataAppend(h.h, "Nothing", kRecord, ""), -4);
        // A bad record anywhere fails the whole request.
        QCOMPARE(DataAppend(h.h, "SubsidyLog",
                            "SysID=3001\tCardNo=1\tBatch=1\tMoney=1\r\nSysID=3002\tCardNo=1\tBatch=1\r\n",
                            ""),
                 -3);
        QCOMPARE(DataAppend(h.h, "SubsidyLog", "SysID=3003\tCardNo=x\tBatch=1\tMoney=1\r\n", ""), -3);
        QCOMPARE(DataCount(h.h, "SubsidyLog", "SysID>=3001 and SysID<3100", ""), 0);
        QCOMPARE(DataCount(h.h, "SubsidyLog", "SysID>=", ""), -3);

        // The terminal's own fault: -6, nothing stored, the next append goes through.
        const QString terminal = m_sim.listenAddresses()[0];
        fault(terminal, "refuse_append=1");
        const char* record = "SysID=5001\tCardNo=1\tBatch=1\tMoney=1\r\n";
        QCOMPARE(DataAppend(h.h, "SubsidyLog", record, ""), -6);
        QCOMPARE(DataCount(h.h, "SubsidyLog", "SysID=5001", ""), 0);
        QCOMPARE(DataAppend(h.h, "SubsidyLog", record, ""), 1);

        // Over 4 MiB: refused whole, and the connection stays usable.
        QByteArray big;
        for (int i = 0; big.size() <= 4 * 1024 * 1024; ++i)
            big += "SysID=" + QByteArray::number(600000 + i) + "\tCardNo=1\tBatch=1\tMoney=1\r\n";
        const int before = connections(terminal);
        QCOMPARE(DataAppend(h.h, "SubsidyLog", big.constData(), ""), -6);
        QCOMPARE(DataCount(h.h, "SubsidyLog", "SysID>=600000", ""), 0);
        QCOMPARE(connections(terminal), before);
    }

    void smallBufferNeverOverrun() {
        Handle h(net(0));
        QVERIFY(DataAppend(h.h, "SubsidyLog", "SysID=4001\tCardNo=1\tBatch=1\tMoney=1\r\n", "") >= 0);
        int r = 0;
        const QByteArray whole = query(h.h, "SubsidyLog", "SysID=4001", "", &r);
        QCOMPARE(r, 1);
        const int length = whole.size();
        for (int size : {1, length - 1, length, length + 1}) {
            std::vector<char> memory(std::size_t(size) + 16, '#');
            r = DataQuery(h.h, memory.data(), size, "SubsidyLog", "*", "SysID=4001", "");
            for (std::size_t i = std::size_t(size); i < memory.size(); ++i)
                QVERIFY2(memory[i] == '#', qPrintable(QString("size %1: byte %2 written").arg(size).arg(i)));
            if (size > length) {
                QCOMPARE(r, 1);
                QCOMPARE(QByteArray(memory.data()), whole);
            } else {
                QCOMPARE(r, -5);
                QVERIFY(std::all_of(memory.begin(), memory.begin() + size, [](char c) { return c == 0; }));
            }
        }
        const QByteArray infoText = info(h.h, "System.SN");
        std::vector<char> memory(std::size_t(infoText.size()) + 16, '#');
        QCOMPARE(InfoQuery(h.h, memory.data(), infoText.size(), "System.SN"), -5);
        QCOMPARE(memory[std::size_t(infoText.size())], '#');
        // The handle is still good after a refused copy.
        QCOMPARE(InfoQuery(h.h, memory.data(), infoText.size() + 1, "System.SN"), infoText.size());

        // An answer with a zero byte inside would reach the caller cut short: malformed.
        const QString terminal = m_sim.listenAddresses()[0];
        QCOMPARE(m_sim.control("POST", "/v1/sim/set?terminal=" + terminal.toUtf8() + "&fw=Ver%001.0"), 200);
        std::vector<char> big(4096, '#');
        QCOMPARE(InfoQuery(h.h, big.data(), int(big.size()), "System.FwVersion"), -3);
        QVERIFY(std::all_of(big.begin(), big.end(), [](char c) { return c == 0; }));
        QCOMPARE(m_sim.control("POST", "/v1/sim/set?terminal=" + terminal.toUtf8() + "&fw=Ver%201.0"), 200);
        QVERIFY(InfoQuery(h.h, big.data(), int(big.size()), "System.FwVersion") > 0);
        QVERIFY(QByteArray(big.data()).contains("FwVersion=Ver 1.0"));
    }

    void keepAliveAndConnectionClose() {
        const QString terminal = m_sim.listenAddresses()[1];
        const int before = connections(terminal);
        Handle h(net(1));
        for (int i = 0; i < 5; ++i)
            QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
        QCOMPARE(connections(terminal), before + 1); // one kept-alive connection for all calls
        fault(terminal, "close=1");
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0); // answered with Connection: close
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0); // on a new connection
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
        QCOMPARE(connections(terminal), before + 2);
    }

    void reopensClosedKeptAliveConnection() {
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start({"--idle-timeout", "150", "--listen", "127.0.0.1:0", "--control", "127.0.0.1:0"},
                           &error),
                 qPrintable(error));
        Handle h(httpParams(sim, 0));
        QVERIFY(h.h);
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), 0);
        QTest::qWait(400); // the terminal closes the idle connection
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), 0);
        QCOMPARE(DataAppend(h.h, "SubsidyLog", kRecord, ""), 1);
        QTest::qWait(400);
        QCOMPARE(DataAppend(h.h, "SubsidyLog", "SysID=2\tCardNo=1\tBatch=1\tMoney=1\r\n", ""), 1);
        QByteArray body;
        sim.control("GET", "/v1/sim/status?terminal=127.0.0.1:0", &body);
        // Connect and the first calls shared one connection; each wait cost one.
        QVERIFY2(body.contains("connections=3\r\n"), body.constData());
        QVERIFY2(body.contains("waiting=2\r\n"), body.constData());
    }

    void networkFaults() {
        // After each fault the same handle works again.
        const QString terminal = m_sim.listenAddresses()[0];
        Handle h(net(0, 500));
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
        fault(terminal, "garbage=1");
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), -3);
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
        fault(terminal, "drop_after=30");
        int r = 0;
        info(h.h, "System.SN", &r);
        QCOMPARE(r, -1);
        info(h.h, "System.SN", &r);
        QVERIFY(r > 0);

        fault(terminal, "delay=1500");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), -1);
        QVERIFY(timer.elapsed() < 1200);
        fault(terminal, "delay=0");
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
    }

    void bogusHandles() {
        char buffer[64];
        for (uint32_t bogus : {0u, 0xFFFFFFFFu, 987654u}) {
            QVERIFY(InfoQuery(bogus, buffer, sizeof buffer, "System.SN") < 0);
            QVERIFY(DataCount(bogus, "SubsidyLog", "", "") < 0);
            QVERIFY(DataAppend(bogus, "SubsidyLog", "", "") < 0);
            QVERIFY(DataQuery(bogus, buffer, sizeof buffer, "SubsidyLog", "*", "", "") < 0);
            QVERIFY(Disconnect(bogus) < 0);
        }
        QCOMPARE(Connect(nullptr), 0u);
        QCOMPARE(Connect("protocol=HTTP"), 0u);
        SimProcess closed; // a port nobody listens on
        QVERIFY(closed.start({"--listen", "127.0.0.1:0"}));
        const QByteArray gone = httpParams(closed, 0);
        const uint32_t orphan = Connect(gone.constData());
        QVERIFY(orphan);
        closed.stop();
        QCOMPARE(Connect(gone.constData()), 0u);
        // The terminal went away under an open handle: no connection, and the handle stays valid.
        QCOMPARE(DataCount(orphan, "SubsidyLog", "", ""), -1);
        QCOMPARE(DataCount(orphan, "SubsidyLog", "", ""), -1);
        QCOMPARE(Disconnect(orphan), 0);
        const uint32_t h = Connect(net(0).constData());
        QVERIFY(h);
        QCOMPARE(InfoQuery(h, nullptr, 100, "System.SN"), -3);
        // Nothing fits a buffer of no bytes, not even the terminating zero.
        QCOMPARE(DataQuery(h, buffer, 0, "SubsidyLog", "*", "", ""), -5);
        QCOMPARE(InfoQuery(h, buffer, 0, "System.SN"), -5);
        QCOMPARE(DataQuery(h, buffer, -1, "SubsidyLog", "*", "", ""), -3);
        QVERIFY(DataCount(h, nullptr, nullptr, nullptr) < 0); // empty table name: unknown table
        QCOMPARE(Disconnect(h), 0);
        QCOMPARE(Disconnect(h), -1);
        QVERIFY(DataCount(h, "SubsidyLog", "", "") < 0);
    }

    void parallelHandles() {
        // One handle per thread, all at once, on one terminal.
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        const QByteArray params = net(1);
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                const uint32_t h = Connect(params.constData());
                if (!h) {
                    ++failures;
                    return;
                }
                char buffer[256];
                for (int i = 0; i < 25; ++i) {
                    const std::string record =
                        "SysID=" + std::to_string(7000 + t * 100 + i) + "\tCardNo=1\tBatch=1\tMoney=1\r\n";
                    if (DataAppend(h, "SubsidyLog", record.c_str(), "") != 1 ||
                        InfoQuery(h, buffer, sizeof buffer, "System.SN") <= 0)
                        ++failures;
                }
                Disconnect(h);
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(failures.load(), 0);
        Handle h(net(1));
        QCOMPARE(DataCount(h.h, "SubsidyLog", "SysID>=7000 and SysID<7400", ""), 100);
    }

    void serialTwoDevicesOnOneLine() {
        Handle three(serial(3));
        Handle four(serial(4));
        QVERIFY(three.h && four.h);
        QCOMPARE(info(three.h, "System.SN"), QByteArray("OK\r\nSystem.SN=SIMRS3\r\n"));
        QCOMPARE(info(four.h, "System.SN"), QByteArray("OK\r\nSystem.SN=SIMRS4\r\n"));
        QCOMPARE(DataAppend(three.h, "SubsidyLog", "SysID=8001\tCardNo=9\tBatch=2\tMoney=1234\r\n", ""), 1);
        QCOMPARE(DataCount(four.h, "SubsidyLog", "SysID=8001", ""), 0);
        int r = 0;
        const QList<QByteArray> l = lines(query(three.h, "SubsidyLog", "SysID=8001", "", &r));
        QCOMPARE(r, 1);
        QCOMPARE(l[2].split('\t').value(3), QByteArray("12.34"));

        // Both devices at once from two threads: the handles take turns on the line.
        std::atomic<int> failures{0};
        std::thread other([&] {
            for (int i = 0; i < 20; ++i)
                failures += DataCount(four.h, "SubsidyLog", "SysID=8001", "") != 0;
        });
        for (int i = 0; i < 20; ++i)
            failures += DataCount(three.h, "SubsidyLog", "SysID=8001", "") != 1;
        other.join();
        QCOMPARE(failures.load(), 0);

        // No device 5 on the line, and no device behind COM9: no handle, within the time-out.
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(Connect(serial(5, 300)), 0u);
        QVERIFY(timer.elapsed() < 1500);
        QCOMPARE(Connect(serial(3, 300, 7, 9)), 0u);
        QCOMPARE(Connect("protocol=RS232,port=COM3,baudrate=12345bps,deviceid=3,timeout=300,passwd=7"), 0u);
        // RS232 on the same line still sends the id.
        Handle rs232("protocol=RS232,port=COM3,baudrate=115200bps,deviceid=4,timeout=2000,passwd=7");
        QVERIFY(rs232.h);
        QCOMPARE(info(rs232.h, "System.SN"), QByteArray("OK\r\nSystem.SN=SIMRS4\r\n"));
    }

    void serialFaults() {
        Handle h(serial(3, 300));
        QVERIFY(h.h);
        fault("rs3", "delay=800");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), -1);
        QVERIFY(timer.elapsed() < 700);
        fault("rs3", "delay=0");
        QTest::qWait(700); // the late answer arrives and must not be taken for the next one
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);

        fault("rs3", "garbage=1");
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), -3);
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
        fault("rs3", "drop_after=10");
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), -1);
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
        fault("rs3", "wrong_passwd=1");
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), -2);
        QCOMPARE(DataCount(h.h, "Nothing", "", ""), -2);
    }

    void serialLineRecoversFromCutFrame() {
        // Another sender stopped in the middle of a frame that claims 1 MiB.
        QFile line(m_sim.serialDevices().first());
        QVERIFY(line.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QCOMPARE(line.write(QByteArray("\x02\x03\x00\x10\x00\x00GET /v1/de", 16)), 16);
        line.close();
        Handle h(serial(3, 3000));
        QVERIFY(h.h);
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
        // The same in the other direction: noise before the answer.
        fault("rs3", "noise=1");
        QVERIFY(DataCount(h.h, "SubsidyLog", "", "") >= 0);
    }

    void stateSurvivesRestart() {
        QTemporaryDir dir;
        const QStringList args = {"--state",   dir.filePath("terminals.state"),
                                  "--listen",  "127.0.0.1:0",
                                  "--listen",  "127.0.0.1:0",
                                  "--control", "127.0.0.1:0"};
        {
            SimProcess sim;
            QVERIFY(sim.start(args));
            Handle first(httpParams(sim, 0));
            Handle second(httpParams(sim, 1));
            QCOMPARE(
                DataAppend(first.h, "SubsidyLog",
                           "SysID=1\tCardNo=5\tBatch=1\tMoney=250\r\nSysID=2\tCardNo=5\tBatch=1\tMoney=1\r\n",
                           ""),
                2);
            QCOMPARE(DataAppend(second.h, "SubsidyLog", "SysID=3\tCardNo=6\tBatch=1\tMoney=1\r\n", ""), 1);
            // A card taken on the terminal's own address, as the protocol page offers it.
            QByteArray body;
            QCOMPARE(sim.control("POST", "/v1/sim/swipe?card=5&balance=10.00&sequ=4", &body,
                                 sim.listenAddresses()[0]),
                     200);
            QCOMPARE(body, QByteArray("taken=2\r\nbalance=12.51\r\nsequ=6\r\n"));
            sim.stop();
        }
        SimProcess sim;
        QVERIFY(sim.start(args));
        Handle first(httpParams(sim, 0));
        Handle second(httpParams(sim, 1));
        QCOMPARE(DataCount(first.h, "SubsidyLog", "", ""), 0);
        QCOMPARE(DataCount(first.h, "SidyLog", "", ""), 2);
        QCOMPARE(DataCount(second.h, "SubsidyLog", "", ""), 1);
        // Taken allowances still make a repeated batch a duplicate; record numbers go on.
        QCOMPARE(DataAppend(first.h, "SubsidyLog", "SysID=1\tCardNo=5\tBatch=1\tMoney=1\r\n", ""), 0);
        QCOMPARE(DataAppend(first.h, "SubsidyLog", "SysID=4\tCardNo=5\tBatch=1\tMoney=1\r\n", ""), 1);
        int r = 0;
        const QList<QByteArray> l = lines(query(first.h, "SubsidyLog", "", "", &r));
        QCOMPARE(r, 1);
        QCOMPARE(l[2].split('\t').value(6), QByteArray("3"));
    }

    // Clients that announce huge bodies, never finish a request or use up the
    // descriptors must not hold the terminal up for everybody else.
    void abusiveClients() {
        SimProcess sim;
        sim.fileLimit = 16;
        QString error;
        QVERIFY2(
            sim.start({"--request-timeout", "400", "--listen", "127.0.0.1:0", "--control", "127.0.0.1:0"},
                      &error),
            qPrintable(error));
        const quint16 port = quint16(sim.listenPort(0));
        const auto answerOf = [&](const QByteArray& request) {
            QTcpSocket socket;
            socket.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (!socket.waitForConnected(3000))
                return QByteArray("no connection");
            socket.write(request);
            if (!socket.waitForDisconnected(3000))
                return QByteArray("still open");
            return socket.readAll();
        };
        const QByteArray huge = "POST /v1/data/append?table=SubsidyLog HTTP/1.1\r\nHost: t\r\n"
                                "Content-Length: 1000000000000\r\n";
        // Without credentials: refused and closed before any of the body is read.
        QVERIFY(answerOf(huge + "\r\n").startsWith("HTTP/1.1 401"));
        // With them: too large to read away, refused and closed.
        QVERIFY(answerOf(huge + "Authorization: Basic cm9vdDow\r\n\r\n").startsWith("HTTP/1.1 413"));

        // A request trickling in is closed when its time is up, though bytes keep coming.
        QTcpSocket slow;
        slow.connectToHost(QStringLiteral("127.0.0.1"), port);
        QVERIFY(slow.waitForConnected(3000));
        QElapsedTimer timer;
        timer.start();
        slow.write("GET /v1/data/count?table=SubsidyLog HTTP/1.1\r\n");
        while (slow.state() == QAbstractSocket::ConnectedState && timer.elapsed() < 5000) {
            slow.write("X-Pad: 1\r\n");
            slow.waitForDisconnected(100);
        }
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));

        // More connections than descriptors: the loop waits instead of spinning,
        // and serves again once they go.
        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        for (int i = 0; i < 24; ++i) {
            crowd.push_back(std::make_unique<QTcpSocket>());
            crowd.back()->connectToHost(QStringLiteral("127.0.0.1"), port);
            QVERIFY(crowd.back()->waitForConnected(3000));
        }
        QTest::qWait(300);
        const qint64 before = cpuTicks(sim.processId());
        QVERIFY(before >= 0);
        QTest::qWait(1000);
        const qint64 used = cpuTicks(sim.processId()) - before;
        QVERIFY2(used < 25, qPrintable(QStringLiteral("%1 ticks in one second").arg(used)));
        crowd.clear();
        Handle h(httpParams(sim, 0));
        QVERIFY(h.h);
        QCOMPARE(DataCount(h.h, "SubsidyLog", "", ""), 0);
    }
};

QTEST_GUILESS_MAIN(TestPostermLink)
#include "tst_postermlink.moc"
