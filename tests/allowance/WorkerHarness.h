#pragma once
// What the worker suites share: a stand-in for the window that receives the
// workers' events, a database with terminals and open tasks, the program
// folder, and loopback addresses of this test process's own.
#include "TestDatabase.h"
#include "allowance/CheckAllowThread.h"

#include <QTemporaryDir>
#include <QVector>

#include <functional>
#include <memory>

struct SeenMsg {
    int number = 0;
    QString target;
    QString text;
};

// Receives events as a terminal window does; its pool removes a worker on
// WM_THREADDONE. closePool() is the window closing.
class WindowStub : public QObject {
public:
    WindowStub();
    ~WindowStub() override;

    workers::TBMDThreadPool& pool() { return *m_pool; }
    // Destroys the pool and drops what is still queued, as a window being
    // freed does; anything delivered afterwards was posted after the stop.
    void closePool();
    // Runs the event loop until the pool is empty.
    bool waitIdle(int timeoutMs = 60000);
    // Runs the event loop until `done` holds.
    bool waitFor(const std::function<bool()>& done, int timeoutMs = 60000);

    QStringList statuses(const QString& target) const;
    QStringList logs() const;
    bool event(QEvent* e) override;

    QVector<SeenMsg> seen;
    QVector<workers::TAllowTypeMsg> pages;
    int deliveredAfterClose = 0;
    std::function<void(const SeenMsg&)> onMessage;

private:
    std::unique_ptr<workers::TBMDThreadPool> m_pool;
};

class AllowanceFixture {
public:
    explicit AllowanceFixture(const QString& suite);

    TestDatabase db;
    QTemporaryDir home;
    allowance::AllowWorkerSetup setup;

    // 127.A.B.n: A and B from the process id, so parallel suites do not meet.
    static QString address(int n);
    // Daybook.ini with the database, isPing=1 and the given serial ports.
    void writeIni(const QString& serialPorts = QString()) const;

    void addNetworkClock(int id, const QString& address) const;
    void addSerialClock(int id, int comport, int tcpipType) const;
    // `count` allowances with one open task each for terminal `clockId`;
    // SysID = firstSys + i, CardNo = 50000 + firstSys + i, Batch = batch.
    void addTasks(int clockId, int count, int firstSys = 1000, const QString& money = QStringLiteral("12.50"),
                  int batch = 7) const;
    QString clockSn(int id) const { return QStringLiteral("SN%1").arg(id); }

    // Starts one worker for `clockList` in the window's pool.
    void start(WindowStub& window, quint8 mode, const QString& clockList) const;
    // start + waitIdle.
    bool run(WindowStub& window, quint8 mode, const QString& clockList) const;

    int scalar(const QString& sql) const { return db.scalar(sql).toInt(); }
};

// The W (waiting) or T (taken) lines of a terminal in the simulator's dump.
class SimProcess;
QStringList dumpRecords(const SimProcess& sim, const QString& key, char kind);
