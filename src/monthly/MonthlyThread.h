#pragma once
// TMyMonthlyThread: the bill workers. A master run lists the cards of the
// period and hands them to worker runs in batches; a worker run computes its
// cards group by group and appends their rows to MealMonthRec; a single run
// recomputes one card's row and posts it to the window (4114). Each run has
// its own connection, cloned from the host connection by name, and reports
// only by posted events.
#include "db/SqlDialect.h"
#include "db/SqlTrace.h"
#include "monthly/MonthlyStatements.h"
#include "workers/WorkerPool.h"

#include <QHash>
#include <QSqlDatabase>
#include <QStringList>

#include <vector>

class Session;

// Progress target of a WM_OPLOG event telling how many bill rows the database refused.
inline const char* const kOpRowsFailed = "opRowsFailed";

// What every run of one bill shares.
struct MonthlyRunConfig {
    QString connectionName; // the host connection the runs clone
    SqlDialect dialect;
    SqlTrace trace;
    bool skipAddBack = false;    // company parameter aballowtype
    bool checkLimitDate = false; // company parameter isCheckLimitDate: cards by validdate
    int threadCount = 10;        // isMThreadCount
    int groupSize = 100;         // cards per statement group
    QString MonthDes;
    MonthlyPeriod period;

    // The session's connection, configuration and company parameters.
    static MonthlyRunConfig fromSession(const Session& session);
};

class TMyMonthlyThread : public workers::TMealWorkerThread {
    Q_OBJECT
public:
    enum Mode : quint8 { Master = 0, Single = 1, Worker = 2 };

    // A master run, or a worker run for the card lines given.
    TMyMonthlyThread(std::shared_ptr<workers::WorkerLink> window, const MonthlyRunConfig& config,
                     const QStringList& cardLines = QStringList(), bool worker = false);
    // A worker run whose cards' period transactions the master has read.
    TMyMonthlyThread(std::shared_ptr<workers::WorkerLink> window, const MonthlyRunConfig& config,
                     const QStringList& cardLines, QHash<qint32, std::vector<CardTxn>> periodRows);
    // A single run for one bill row: its key and its card number.
    TMyMonthlyThread(std::shared_ptr<workers::WorkerLink> window, const MonthlyRunConfig& config,
                     const QString& personKey, qint32 cardId);

    Mode mode() const { return m_mode; }

protected:
    void Execute() override;

private:
    struct PopulationRow {
        QString card; // trimmed card number text
        QString line; // the five-value card line
    };
    // The card population of the period; `extra` narrows both card selects.
    QVector<PopulationRow> readPopulation(const QSqlDatabase& db, const QString& extra) const;
    // A bill row of this run for a card line.
    TMonthlyRec billRow(const QString& line) const;
    void runMaster(const QSqlDatabase& db);
    void runWorker(const QSqlDatabase& db);
    void runSingle(const QSqlDatabase& db);
    void startWorker(const QStringList& lines, QHash<qint32, std::vector<CardTxn>>& month);
    void postProgress(const char* target, qint64 value);
    // Logs the failure and tells the window: the run did not produce its rows.
    void fail(const QString& text);
    void log(const QString& text) const;

    Mode m_mode;
    MonthlyRunConfig m_config;
    QStringList m_cardLines;
    QHash<qint32, std::vector<CardTxn>> m_periodRows;
    bool m_havePeriodRows = false;
    QString m_personKey;
    qint32 m_cardId = 0;
};
