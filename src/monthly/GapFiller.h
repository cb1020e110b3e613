#pragma once
// Repairs the breaks in a card's sequence numbers within the period before its
// bill row is computed: a duplicated allowance charge goes to the backup
// table, rows of a repeated number that an earlier run added back are
// deleted, and a gap is filled from the backup tables (rows marked
// isAddBack = 1) when the backups hold every missing number and their amounts
// close the gap exactly. A gap the backups cannot close is left as it is, so
// the card's row shows a non-zero balance.
#include "db/QueryRunner.h"
#include "db/SqlDialect.h"
#include "monthly/MonthlyStatements.h"

#include <QHash>
#include <QSqlDatabase>

#include <vector>

class GapFiller {
public:
    GapFiller(const QSqlDatabase& db, const SqlDialect& dialect, const SqlTrace& trace,
              const MonthlyPeriod& period);

    // `period` holds each card's period transactions in sequence order.
    // Returns the cards whose stored transactions were changed.
    QVector<qint32> repair(const QHash<qint32, std::vector<CardTxn>>& period);

private:
    struct BackupRow {
        qint32 sequence = 0;
        Currency amount;
        bool charge = false;
    };
    bool repairRepeat(qint32 card, const CardTxn& previous, const CardTxn& current);
    bool fillGap(qint32 card, const CardTxn& previous, const CardTxn& current,
                 const std::vector<BackupRow>& backups);
    void remarkAllowance(qint32 card, qint32 sequence);

    QSqlDatabase m_db;
    SqlDialect m_dialect;
    QueryRunner m_runner;
    MonthlyPeriod m_period;
};
