#include "workers/WorkerPool.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QWaitCondition>

namespace workers {

namespace {

std::atomic<quint64> g_nextSerial{1};

// Live worker threads of the process, for a clean unload.
QMutex g_liveLock;
QWaitCondition g_liveChanged;
int g_live = 0;

} // namespace

WorkerLink::WorkerLink(QObject* receiver) : m_receiver(receiver) {}

bool WorkerLink::post(QEvent* event) {
    QMutexLocker lock(&m_lock);
    if (m_closed || !m_receiver) {
        delete event;
        return false;
    }
    QCoreApplication::postEvent(m_receiver, event);
    return true;
}

void WorkerLink::close() {
    QMutexLocker lock(&m_lock);
    m_closed = true;
    m_receiver = nullptr;
}

bool WorkerLink::isClosed() const {
    QMutexLocker lock(&m_lock);
    return m_closed;
}

bool WorkerLink::runIfOpen(const std::function<void()>& action) {
    QMutexLocker lock(&m_lock);
    if (m_closed)
        return false;
    action();
    return true;
}

WorkerState::WorkerState(std::shared_ptr<WorkerLink> link)
    : m_serial(g_nextSerial.fetch_add(1)), m_link(std::move(link)) {}

TBMDThreadPool::TBMDThreadPool(QObject* receiver) : m_link(std::make_shared<WorkerLink>(receiver)) {}

TBMDThreadPool::~TBMDThreadPool() {
    TerminateAll();
    m_link->close();
}

void TBMDThreadPool::Add(const WorkerHandle& worker) {
    if (!worker)
        return;
    QMutexLocker lock(&m_lock);
    if (m_endedBeforeAdd.remove(worker->serial()))
        return;
    m_workers.append(worker);
}

void TBMDThreadPool::Remove(const WorkerHandle& worker) {
    if (!worker)
        return;
    QMutexLocker lock(&m_lock);
    for (int i = m_workers.size() - 1; i >= 0; --i) {
        if (m_workers.at(i)->serial() == worker->serial()) {
            m_workers.removeAt(i);
            return;
        }
    }
    m_endedBeforeAdd.insert(worker->serial());
}

bool TBMDThreadPool::IsBusy(bool showHint) const {
    bool busy;
    {
        QMutexLocker lock(&m_lock);
        busy = !m_workers.isEmpty();
    }
    if (busy && showHint && m_hintSink)
        m_hintSink(QStringLiteral("正在%1,请耐心等待...").arg(QStringLiteral("操作中")));
    return busy;
}

int TBMDThreadPool::count() const {
    QMutexLocker lock(&m_lock);
    return m_workers.size();
}

void TBMDThreadPool::TerminateAll() {
    QMutexLocker lock(&m_lock);
    for (int i = m_workers.size() - 1; i >= 0; --i)
        m_workers.at(i)->terminate();
}

TMealWorkerThread::TMealWorkerThread(std::shared_ptr<WorkerLink> link)
    : m_state(std::make_shared<WorkerState>(std::move(link))) {
    // A master worker may create workers on its own thread, which has no event
    // loop: the thread object must be freed by the main thread.
    if (QCoreApplication::instance() && thread() != QCoreApplication::instance()->thread())
        moveToThread(QCoreApplication::instance()->thread());
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    QMutexLocker lock(&g_liveLock);
    ++g_live;
}

TMealWorkerThread::~TMealWorkerThread() {
    QMutexLocker lock(&g_liveLock);
    --g_live;
    g_liveChanged.wakeAll();
}

bool TMealWorkerThread::PostOpMsg(int kind, const QString& target, const QString& text) {
    if (Terminated() || MessageOfKind(kind) < 0)
        return false;
    return PostEvent(new OpTypeEvent(m_state, TOpTypeMsg{kind, target, text}));
}

bool TMealWorkerThread::PostAllowData(TAllowTypeMsg msg) {
    if (Terminated())
        return false;
    return PostEvent(new AllowDataEvent(m_state, std::move(msg)));
}

bool TMealWorkerThread::PostEvent(WorkerEvent* event) {
    if (m_state->terminated()) {
        delete event;
        return false;
    }
    return m_state->link()->post(event);
}

bool TBMDThreadPool::TerminateAndWait(int timeoutMs) {
    TerminateAll();
    QVector<WorkerHandle> listed;
    {
        QMutexLocker lock(&m_lock);
        listed = m_workers;
    }
    QDeadlineTimer deadline(timeoutMs);
    for (const WorkerHandle& worker : std::as_const(listed)) {
        while (!worker->ended()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
    }
    return true;
}

void TMealWorkerThread::run() {
    Execute();
    m_state->markEnded();
    PostEvent(new WorkerLifeEvent(WM_THREADDONE, m_state, m_state));
}

bool TMealWorkerThread::WaitForAllWorkers(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&g_liveLock);
    while (g_live > 0) {
        // Thread objects are freed by the main thread's event loop; let it run
        // when the caller is that thread.
        if (QCoreApplication::instance() &&
            QThread::currentThread() == QCoreApplication::instance()->thread()) {
            lock.unlock();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
            lock.relock();
        } else if (!g_liveChanged.wait(&g_liveLock, deadline)) {
            return g_live == 0;
        }
        if (deadline.hasExpired())
            return g_live == 0;
    }
    return true;
}

int TMealWorkerThread::liveWorkers() {
    QMutexLocker lock(&g_liveLock);
    return g_live;
}

} // namespace workers
