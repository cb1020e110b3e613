#pragma once
// The terminal allowance worker: uploads the open tasks of `allowtasklist` to
// the terminals' "SubsidyLog" and books what they took (mode 0), or reads a
// terminal table back page by page (mode 1 "SidyLog", mode 2 "SubsidyLog").
// It runs on its own thread with its own database connection and reports only
// through posted events (status, log, progress, record pages).
#include "allowance/AllowanceLines.h"
#include "allowance/ClockInfo.h"
#include "allowance/TerminalLink.h"
#include "db/QueryRunner.h"
#include "db/SqlDialect.h"
#include "db/SqlTrace.h"
#include "workers/WorkerPool.h"

#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <atomic>

class Session;

namespace allowance {

// Time spent in the database and on the terminal line, summed over the
// workers that share one object (for measurements).
struct WorkerTimings {
    std::atomic<qint64> databaseNs{0};
    std::atomic<qint64> terminalNs{0};
};

// What a worker takes from the session that starts it; copied into the worker.
struct AllowWorkerSetup {
    // The connection it clones its own from; only its description is read
    // off the owning thread.
    QSqlDatabase hostConnection;
    SqlTrace trace;
    SqlDialect dialect;
    QString programFolder; // Daybook.ini for the link
    WorkerTimings* timings = nullptr;
    // How often a booking the terminal's acceptance calls for is tried.
    int bookingAttempts = 3;
    int bookingPauseMs = 200;

    static AllowWorkerSetup fromSession(const Session& session);
};

enum CheckAllowMode : quint8 { UploadAllowances = 0, ReadSidyLog = 1, ReadSubsidyLog = 2 };

class TCheckAllowThread : public workers::TMealWorkerThread {
    Q_OBJECT
public:
    // `clockList`: clock_id values separated by commas. Call start() to run.
    TCheckAllowThread(quint8 mode, std::shared_ptr<workers::WorkerLink> link, QString clockList,
                      AllowWorkerSetup setup);

    // Upload batch size.
    static constexpr int kBatchRows = 100;

protected:
    void Execute() override;

private:
    // Steps of one terminal.
    void serveTerminal(TClockInfo& clock);
    bool upload(TClockInfo& clock);
    void readBack(TClockInfo& clock);

    // Upload helpers (CheckAllowUpload.cpp).
    QVector<AllowTask> openTasks(const TClockInfo& clock);
    bool sendBatch(const TClockInfo& clock, QString& terminalLines, QString& bookLines, int sent, int total);
    bool bookAccepted(const TCardList& card);
    void bookRefused(const TCardList& card);
    bool runBooking(const QStringList& statements);

    // Posting shortcuts: kind 0 status of one terminal, kind 3 log line.
    void status(int clock_id, const QString& text);
    void status(const QString& target, const QString& text);
    void log(const QString& text);

    void trace(const QString& text) const;
    QString threadTag() const;
    bool openDatabase();
    void closeDatabase();

    quint8 m_mode;
    QString m_clockList;
    AllowWorkerSetup m_setup;
    TerminalLink m_link;
    QueryRunner m_runner;
    QString m_connectionName;
    QSqlDatabase m_db;
};

// Starts the workers of one run the way the terminal windows do: one per
// network terminal, and one more for all serial terminals together. Each is
// registered in `pool`. Returns the number started.
int startTerminalWorkers(quint8 mode, const QVector<TClockInfo>& clocks, workers::TBMDThreadPool& pool,
                         const AllowWorkerSetup& setup);

} // namespace allowance
