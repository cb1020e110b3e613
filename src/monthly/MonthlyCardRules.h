#pragma once
// The per-card rules of the monthly bill and the hand-out of cards to
// workers; no database here.
#include "monthly/MonthlyRec.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

// Opening and closing balances and the category sums of one card from its
// period transactions `period` (ascending) and its transactions before the
// period `before` (newest first). Returns false when both are empty: the
// opening balance must then come from the holder or a later transaction.
bool computeCardBalances(const CardTxn* period, int periodCount, const CardTxn* before, int beforeCount,
                         bool replaced, TMonthlyRec& rec);

// Whether a card's period sequence numbers (ascending) fail to run
// contiguously from the smallest: their sum differs from n(n+1)/2 when the
// smallest is 1, else from (smallest - 1)n + n(n+1)/2.
bool hasSequenceGap(const std::vector<CardTxn>& period);

// The five-value line a master run hands to a worker for one card.
QString monthlyCardLine(const QString& sysId, const QString& empno, qint32 cardId, const QString& empName,
                        const QString& deptName);
// The line read back: sys_id, empno, card_id, EmpName, deptname; sys_id is
// the record key, the card number when the card has no holder.
TMonthlyRec parseMonthlyCardLine(const QString& line);

// Cards per worker: the population divided by the thread count when there are
// at least 100 per thread, else 100.
int monthlyBatchSize(int cardCount, int threadCount);

// Splits the population into worker batches: cards with sequence gaps (list A)
// and the others (list B) each go out when they reach the batch size; what
// remains goes out A first, then B.
class MonthlyBatchPlanner {
public:
    explicit MonthlyBatchPlanner(int batchSize) : m_batchSize(batchSize > 0 ? batchSize : 100) {}
    // Adds a card line; returns a full batch to hand out, or an empty list.
    QStringList add(const QString& line, bool hasGap);
    // The batches left at the end (A, then B; empty lists are left out).
    QVector<QStringList> finish();

private:
    int m_batchSize;
    QStringList m_listA;
    QStringList m_listB;
};
