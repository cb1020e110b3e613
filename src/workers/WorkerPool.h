#pragma once
// Background workers and the pool a window keeps them in.
//
// A window owns a TBMDThreadPool. Every worker started for that window, and
// every worker those workers start in turn, reports through the pool's
// WorkerLink. Closing the link (the pool's destructor does) stops them all:
// the link is checked and the event posted under one lock, so once the window
// has gone no worker can post to it, even one the window never registered.
// Workers free their own thread object when they end; the window and the pool
// only ever hold WorkerHandles, which outlive the thread object.
#include "workers/WorkerMessages.h"

#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThread>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>

namespace workers {

class WorkerLink {
public:
    explicit WorkerLink(QObject* receiver);
    // Posts `event` to the receiver unless the link is closed; the event is
    // freed when it cannot be posted. Returns whether it was posted.
    bool post(QEvent* event);
    void close();
    bool isClosed() const;
    // Runs `action` under the link's lock unless the link is closed, so that a
    // close waits for it: nothing the action does (a commit) lands after the close.
    bool runIfOpen(const std::function<void()>& action);

private:
    mutable QRecursiveMutex m_lock;
    QObject* m_receiver;
    bool m_closed = false;
};

// What outlives a worker's thread object: its identity and its stop flag.
class WorkerState {
public:
    explicit WorkerState(std::shared_ptr<WorkerLink> link);
    quint64 serial() const { return m_serial; }
    // Set by the pool (window closing) or by the worker's owner.
    void terminate() { m_terminated.store(true); }
    bool terminated() const { return m_terminated.load() || m_link->isClosed(); }
    // Set when the worker's Execute() has returned: it touches nothing after that.
    void markEnded() { m_ended.store(true); }
    bool ended() const { return m_ended.load(); }
    const std::shared_ptr<WorkerLink>& link() const { return m_link; }

private:
    quint64 m_serial;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_ended{false};
    std::shared_ptr<WorkerLink> m_link;
};

class TBMDThreadPool {
public:
    explicit TBMDThreadPool(QObject* receiver);
    // Asks every worker still listed to stop (newest first) and closes the link,
    // so no worker of this window posts again. Does not wait.
    ~TBMDThreadPool();
    TBMDThreadPool(const TBMDThreadPool&) = delete;
    TBMDThreadPool& operator=(const TBMDThreadPool&) = delete;

    const std::shared_ptr<WorkerLink>& link() const { return m_link; }

    void Add(const WorkerHandle& worker);
    // Removes the last entry of `worker`. A worker that ends before it was
    // added is remembered, so its late Add leaves the pool as it was.
    void Remove(const WorkerHandle& worker);
    // True while a worker is listed; with showHint the hint sink is told
    // "正在操作中,请耐心等待...".
    bool IsBusy(bool showHint) const;
    int count() const;
    // Stops every listed worker (newest first) without closing the link.
    void TerminateAll();
    // Stops every listed worker and waits until each has ended (a window
    // closing: a booking in progress is finished, nothing is started after).
    // Returns false when one is still running at the deadline.
    bool TerminateAndWait(int timeoutMs);
    void setHintSink(std::function<void(const QString&)> sink) { m_hintSink = std::move(sink); }

private:
    mutable QMutex m_lock;
    QVector<WorkerHandle> m_workers;
    QSet<quint64> m_endedBeforeAdd;
    std::shared_ptr<WorkerLink> m_link;
    std::function<void(const QString&)> m_hintSink;
};

// A worker thread. It starts when start() is called, runs Execute() and
// posts WM_THREADDONE (unless stopped), then frees its thread object on the
// application's main thread.
class TMealWorkerThread : public QThread {
    Q_OBJECT
public:
    explicit TMealWorkerThread(std::shared_ptr<WorkerLink> link);
    ~TMealWorkerThread() override;

    const WorkerHandle& handle() const { return m_state; }
    bool Terminated() const { return m_state->terminated(); }

    // Posting routines: nothing is posted once the worker is stopped.
    bool PostOpMsg(int kind, const QString& target, const QString& text);
    bool PostAllowData(TAllowTypeMsg msg);
    bool PostEvent(WorkerEvent* event);

    // Waits until every worker thread of the process has ended (module unload,
    // command-line tools). Returns false on time-out.
    static bool WaitForAllWorkers(int timeoutMs);
    static int liveWorkers();

protected:
    virtual void Execute() = 0;
    void run() final;

private:
    WorkerHandle m_state;
};

} // namespace workers
