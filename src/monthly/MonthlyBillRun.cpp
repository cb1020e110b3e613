#include "monthly/MonthlyBillRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

using namespace workers;

MonthlyBillRun::MonthlyBillRun(QObject* parent)
    : QObject(parent), m_pool(std::make_unique<TBMDThreadPool>(this)) {}

MonthlyBillRun::~MonthlyBillRun() = default;

void MonthlyBillRun::resetCounters() {
    m_position = m_maximum = m_failedRows = m_started = 0;
    m_failures.clear();
}

void MonthlyBillRun::startMaster(const MonthlyRunConfig& config) {
    auto* master = new TMyMonthlyThread(m_pool->link(), config);
    m_pool->Add(master->handle());
    master->start();
}

void MonthlyBillRun::startSingle(const MonthlyRunConfig& config, const QString& key, qint32 cardId) {
    auto* single = new TMyMonthlyThread(m_pool->link(), config, key, cardId);
    m_pool->Add(single->handle());
    single->start();
}

bool MonthlyBillRun::waitUntilIdle(int timeoutMs) {
    if (!m_pool->IsBusy(false))
        return true;
    // Sleeps in the event loop until the pool empties (no polling: the
    // workers and the server want the processor).
    QEventLoop loop;
    connect(this, &MonthlyBillRun::idle, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return !m_pool->IsBusy(false);
}

bool MonthlyBillRun::event(QEvent* e) {
    switch (int(e->type())) {
    case WM_OPPROGRESS: {
        const TOpTypeMsg& m = static_cast<OpTypeEvent*>(e)->msg;
        const int value = m.text.toInt();
        if (m.target == QLatin1String(kOpPosition))
            m_position += value;
        else if (m.target == QLatin1String(kOpMax))
            m_maximum += value;
        else if (m.target == QLatin1String(kOpZero))
            m_position = m_maximum = value;
        emit progressChanged(m_position, m_maximum, m.target);
        return true;
    }
    case WM_OPLOG: {
        const TOpTypeMsg& m = static_cast<OpTypeEvent*>(e)->msg;
        if (m.target == QLatin1String(kOpRowsFailed)) {
            m_failedRows += m.text.toInt();
            const QString text = QStringLiteral("有 %1 条账单记录未能保存，详见日志").arg(m.text);
            m_failures << text;
            emit failureReported(text);
        }
        return true;
    }
    case WM_CLOCKSTATUS: {
        const QString text = static_cast<OpTypeEvent*>(e)->msg.text;
        m_failures << text;
        emit failureReported(text);
        return true;
    }
    case WM_THREADSTART:
        ++m_started;
        m_pool->Add(static_cast<WorkerLifeEvent*>(e)->subject);
        return true;
    case WM_THREADDONE:
        m_pool->Remove(static_cast<WorkerLifeEvent*>(e)->subject);
        if (!m_pool->IsBusy(false))
            emit idle();
        return true;
    case WM_MONTHLYREC:
        emit rowComputed(static_cast<PayloadEvent<TMonthlyRec>*>(e)->payload);
        return true;
    default:
        return QObject::event(e);
    }
}
