#pragma once
// Adds the time of a scope to one counter of WorkerTimings, when there is one.
#include "allowance/CheckAllowThread.h"

#include <QElapsedTimer>

namespace allowance {

class WorkerClock {
public:
    WorkerClock(WorkerTimings* timings, std::atomic<qint64> WorkerTimings::*counter)
        : m_sink(timings ? &(timings->*counter) : nullptr) {
        if (m_sink)
            m_timer.start();
    }
    ~WorkerClock() {
        if (m_sink)
            *m_sink += m_timer.nsecsElapsed();
    }
    WorkerClock(const WorkerClock&) = delete;
    WorkerClock& operator=(const WorkerClock&) = delete;

private:
    std::atomic<qint64>* m_sink;
    QElapsedTimer m_timer;
};

} // namespace allowance
