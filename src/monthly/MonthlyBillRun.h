#pragma once
// The receiving end of a bill computation: the object the workers post to.
// It keeps the pool (workers register with 4124 and leave with 4126), adds up
// the progress (4054), takes a single run's row (4114), counts the rows the
// database refused and the connection failures (4125, 4044), and tells its
// owner through signals. Used by the bill window, mealctl and the tests.
#include "monthly/MonthlyRec.h"
#include "monthly/MonthlyThread.h"
#include "workers/WorkerPool.h"

#include <QObject>

#include <memory>

class MonthlyBillRun : public QObject {
    Q_OBJECT
public:
    explicit MonthlyBillRun(QObject* parent = nullptr);
    // Stops every worker of this run; none posts afterwards.
    ~MonthlyBillRun() override;

    workers::TBMDThreadPool& pool() { return *m_pool; }
    bool isBusy(bool showHint = false) const { return m_pool->IsBusy(showHint); }

    // Starts a master run (the whole bill) or a single run (one card's row).
    void startMaster(const MonthlyRunConfig& config);
    void startSingle(const MonthlyRunConfig& config, const QString& key, qint32 cardId);

    int position() const { return m_position; }
    int maximum() const { return m_maximum; }
    int failedRows() const { return m_failedRows; }
    int workersStarted() const { return m_started; }
    const QStringList& failures() const { return m_failures; }
    void resetCounters();

    // Runs the event loop until no worker is left or the time is up.
    bool waitUntilIdle(int timeoutMs);

signals:
    void progressChanged(int position, int maximum, const QString& target);
    void rowComputed(const TMonthlyRec& rec);
    void failureReported(const QString& text);
    // The last worker has gone.
    void idle();

protected:
    bool event(QEvent* e) override;

private:
    std::unique_ptr<workers::TBMDThreadPool> m_pool;
    int m_position = 0;
    int m_maximum = 0;
    int m_failedRows = 0;
    int m_started = 0;
    QStringList m_failures;
};
