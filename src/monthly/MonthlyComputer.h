#pragma once
// Computes bill rows for a group of cards on one connection: the add-back
// recovery and gap filler, one statement each for the group's transactions in
// and before the period and for its replaced cards, the per-card rules, and
// the rows appended to MealMonthRec.
#include "db/QueryRunner.h"
#include "db/SqlDialect.h"
#include "monthly/MonthlyStatements.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>

#include <functional>
#include <vector>

using CardTxnMap = QHash<qint32, std::vector<CardTxn>>;

class MonthlyComputer {
public:
    MonthlyComputer(const QSqlDatabase& db, const SqlDialect& dialect, const SqlTrace& trace,
                    const MonthlyPeriod& period, bool skipAddBack);

    // Fills opening, closing, sums and totals of `recs` (key, card number and
    // holder fields set). Returns per record whether it was computed: records
    // after a stop are not. Throws DbError when a group statement fails.
    QVector<bool> computeGroup(QVector<TMonthlyRec>& recs, const std::function<bool()>& stopped);

    // The same with the cards' period transactions read beforehand (and the
    // add-back recovery done): repairs gaps, reads what else the rules need.
    QVector<bool> computeWithPeriod(QVector<TMonthlyRec>& recs, CardTxnMap& period,
                                    const std::function<bool()>& stopped);
    // The add-back recovery of a whole population at once: the period's rows
    // found along the time index rather than card by card.
    void recoverAddedBackForAll(const QSet<qint32>& population);
    // Every transaction of the period, by card.
    CardTxnMap loadWholePeriod();

    struct WriteResult {
        int written = 0;
        int failed = 0; // rows the database refused, each written to the trace
        bool stopped = false;
    };
    // Runs the commit, unless the run was stopped; false when it did not run.
    using CommitGate = std::function<bool(const std::function<void()>& commit)>;
    // Appends the rows in one transaction; a refused batch is retried row by
    // row so that only the refused rows are missing.
    WriteResult writeRows(const QVector<TMonthlyRec>& rows, const CommitGate& gate = {});

    // Reads the transactions of a statement built by MonthlyStatements, by card.
    CardTxnMap loadTransactions(const QString& sql);

private:
    // The add-back recovery of the cards: meal rows, then allowances and charges.
    void recoverAddedBack(const QString& cards);
    void reopenAddedBackCharges(const QString& cards);
    // The period's transactions of the cards (every card: empty list).
    CardTxnMap loadPeriodOf(const QString& cards);
    // Opening = closing from the first row of a balance statement; false when it has none.
    bool readOpening(const QString& sql, TMonthlyRec& rec);
    void openingWithoutTransactions(TMonthlyRec& rec);

    QSqlDatabase m_db;
    SqlDialect m_dialect;
    QueryRunner m_runner;
    const SqlTrace& m_trace;
    MonthlyPeriod m_period;
    bool m_skipAddBack;
};
