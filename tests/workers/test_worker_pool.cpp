// The pool's stop rules: nothing reaches a closed window, early-ending workers leave no entry, threads are
// freed.
#include "workers/WorkerPool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>

#include <atomic>
#include <thread>

using namespace workers;

namespace {

class Recorder : public QObject {
public:
    QVector<int> numbers;
    QStringList texts;
    TBMDThreadPool* pool = nullptr; // when set, behaves as a window: registers and unregisters
    bool event(QEvent* e) override {
        if (auto* w = dynamic_cast<WorkerEvent*>(e)) {
            numbers.append(w->messageNumber());
            if (auto* op = dynamic_cast<OpTypeEvent*>(e))
                texts.append(op->msg.target + QLatin1Char('|') + op->msg.text);
            if (auto* life = dynamic_cast<WorkerLifeEvent*>(e); life && pool) {
                if (life->messageNumber() == WM_THREADSTART)
                    pool->Add(life->subject);
                else if (life->messageNumber() == WM_THREADDONE)
                    pool->Remove(life->subject);
            }
            return true;
        }
        return QObject::event(e);
    }
};

// Posts `steps` progress messages, waiting on `gate` before each one.
class SteppingWorker : public TMealWorkerThread {
public:
    SteppingWorker(std::shared_ptr<WorkerLink> link, int steps, QSemaphore* gate)
        : TMealWorkerThread(std::move(link)), m_steps(steps), m_gate(gate) {}
    static std::atomic<int> postedAfterStop;

protected:
    void Execute() override {
        for (int i = 0; i < m_steps; ++i) {
            if (m_gate)
                m_gate->acquire();
            const bool wasStopped = Terminated();
            if (PostOpMsg(4, QString::fromLatin1(kOpPosition), QStringLiteral("1")) && wasStopped)
                ++postedAfterStop;
        }
    }

private:
    int m_steps;
    QSemaphore* m_gate;
};
std::atomic<int> SteppingWorker::postedAfterStop{0};

// Starts children through the link and announces them as a master run does.
class MasterWorker : public TMealWorkerThread {
public:
    MasterWorker(std::shared_ptr<WorkerLink> link, int children)
        : TMealWorkerThread(std::move(link)), m_children(children) {}

protected:
    void Execute() override {
        for (int i = 0; i < m_children; ++i) {
            auto* child = new SteppingWorker(handle()->link(), 1, nullptr);
            const WorkerHandle h = child->handle();
            child->start();
            // The child may well end before the window learns of it.
            QThread::msleep(2);
            PostEvent(new WorkerLifeEvent(WM_THREADSTART, handle(), h));
        }
    }

private:
    int m_children;
};

bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace

class TestWorkerPool : public QObject {
    Q_OBJECT
private slots:
    // Messages arrive in order; busy while running, with the hint; an Add after its Remove is dropped.
    void workerReportsAndEnds() {
        Recorder window;
        TBMDThreadPool pool(&window);
        QString hint;
        pool.setHintSink([&](const QString& s) { hint = s; });
        QVERIFY(!pool.IsBusy(true));
        QVERIFY(hint.isEmpty());
        auto* w = new SteppingWorker(pool.link(), 3, nullptr);
        // The thread object frees itself when it ends: keep only its handle.
        const WorkerHandle handle = w->handle();
        pool.Add(handle);
        w->start();
        QVERIFY(pool.IsBusy(true));
        QVERIFY(!hint.isEmpty());
        QVERIFY(waitUntil([&] { return window.numbers.contains(WM_THREADDONE); }));
        QCOMPARE(window.numbers, (QVector<int>{4054, 4054, 4054, WM_THREADDONE}));
        QCOMPARE(window.texts.first(), QStringLiteral("opPosition|1"));
        pool.Remove(handle);
        QVERIFY(!pool.IsBusy(false));
        QVERIFY(TMealWorkerThread::WaitForAllWorkers(5000));
        auto early = std::make_shared<WorkerState>(pool.link());
        pool.Remove(early);
        pool.Add(early);
        QCOMPARE(pool.count(), 0);
    }

    void closingTheWindowStopsEveryPost() {
        SteppingWorker::postedAfterStop = 0;
        QSemaphore gate;
        auto window = std::make_unique<Recorder>();
        auto pool = std::make_unique<TBMDThreadPool>(window.get());
        // One registered worker and one the window never heard of: both share the link.
        auto* listed = new SteppingWorker(pool->link(), 50, &gate);
        auto* unlisted = new SteppingWorker(pool->link(), 50, &gate);
        pool->Add(listed->handle());
        const WorkerHandle listedHandle = listed->handle();
        listed->start();
        unlisted->start();
        gate.release(10);
        QVERIFY(waitUntil([&] { return window->numbers.size() >= 10; }));
        // The window goes: pool first, then the window object itself.
        pool.reset();
        QVERIFY(listedHandle->terminated());
        window.reset();
        gate.release(200);
        QVERIFY(TMealWorkerThread::WaitForAllWorkers(5000));
        QCOMPARE(SteppingWorker::postedAfterStop.load(), 0);
        QCOMPARE(TMealWorkerThread::liveWorkers(), 0);
    }

    void workersThatEndBeforeRegistrationLeaveThePoolEmpty() {
        Recorder window;
        TBMDThreadPool pool(&window);
        window.pool = &pool;
        auto* master = new MasterWorker(pool.link(), 20);
        pool.Add(master->handle());
        master->start();
        QVERIFY(waitUntil([&] {
            return std::count(window.numbers.begin(), window.numbers.end(), int(WM_THREADDONE)) == 21 &&
                   std::count(window.numbers.begin(), window.numbers.end(), int(WM_THREADSTART)) == 20;
        }));
        QCOMPARE(pool.count(), 0);
        QVERIFY(!pool.IsBusy(false));
        QVERIFY(TMealWorkerThread::WaitForAllWorkers(5000));
    }

    // An action run through the link finishes before a close returns; none runs after it.
    void closeWaitsForAnActionInProgress() {
        Recorder window;
        auto link = std::make_shared<WorkerLink>(&window);
        QSemaphore inside;
        QSemaphore release;
        std::atomic<bool> closed{false};
        std::atomic<bool> actionSawClose{false};
        std::thread worker([&] {
            link->runIfOpen([&] {
                inside.release();
                release.acquire();
                actionSawClose = closed.load();
            });
        });
        inside.acquire();
        std::thread closer([&] {
            link->close();
            closed = true;
        });
        QThread::msleep(50);
        QVERIFY(!closed.load());
        release.release();
        closer.join();
        worker.join();
        QVERIFY(closed.load());
        QVERIFY(!actionSawClose.load());
        bool ran = false;
        QVERIFY(!link->runIfOpen([&] { ran = true; }));
        QVERIFY(!ran);
    }
};

QTEST_GUILESS_MAIN(TestWorkerPool)
#include "test_worker_pool.moc"
