#pragma once
// The statements of the monthly bill computation: the card population of a
// period, the sequence-gap list, a group's transactions in and before the
// period, the replaced cards, the opening-balance fall-backs, the add-back
// recovery and the bill rows written. Card lists are card numbers; keys and
// texts pass through the dialect's quoting.
#include "monthly/MonthlyRec.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class SqlDialect;

struct MonthlyPeriod {
    QDateTime start;
    QDateTime end;
    // The lowest record numbers of rows dated from the start on (0: not known).
    // Every row of the period has a number at least this high, so statements
    // that select by card can skip the card's older rows inside the index.
    qint64 firstMealId = 0;
    qint64 firstChargeId = 0;
};

namespace MonthlyStatements {

// "yyyy-MM-dd HH:mm:ss", the form every date of these statements takes.
QString dateText(const QDateTime& dt);
// Comma list of card numbers.
QString cardList(const QVector<qint32>& cards);

// The nested CASE select that labels each transaction (actiondd).
QString categorySelect();
// Cards issued before the period and neither returned nor replaced by its
// start, plus cards issued within it, each with its holder when there is one.
// `extra` is appended to both card selects (" AND Card_id = 123 ").
QString population(const SqlDialect& dialect, bool checkLimitDate, const MonthlyPeriod& period,
                   const QString& extra = QString());
// The cards of the period's population that have no row in the bill.
QString uncomputedCards(const SqlDialect& dialect, bool checkLimitDate, const MonthlyPeriod& period,
                        const QString& monthDes);
// The lowest record numbers from the period start on, meal and charge table.
QString firstRecordIds(const MonthlyPeriod& period);
// The period's transactions of the cards, per card in sequence order; of
// every card, unsorted, when `cards` is empty.
QString periodTransactions(const MonthlyPeriod& period, const QString& cards);
// Per card the transactions of its two highest sequence numbers before the period, newest first.
QString beforeTransactions(const MonthlyPeriod& period, const QString& cards);
// The cards of the list replaced by the period end.
QString replacedCards(const MonthlyPeriod& period, const QString& cards);
// Opening balance of a holder without transactions.
QString holderBalance(const SqlDialect& dialect, const QString& sysId);
// Opening balance from the card's first transaction after the period start.
QString earliestBalance(const SqlDialect& dialect, qint32 card, const MonthlyPeriod& period);

// The add-back recovery: rows restored by an earlier run are rebuilt.
QString deleteAddedBackMeals(const SqlDialect& dialect, const QString& cards, const MonthlyPeriod& period);
// The period's meal rows added back by an earlier run: rec_id, card_id.
QString addedBackMeals(const SqlDialect& dialect, const MonthlyPeriod& period);
QString addedBackAllowances(const QString& cards, const MonthlyPeriod& period);
QString resetAllowance(qint64 id);
QString deleteAddedBackCharges(const SqlDialect& dialect, const QString& cards, const MonthlyPeriod& period);
// Backup rows of the period for the cards: card, sequence, signed amount, 'CH' or 'XF'.
QString backupRows(const QString& cards, const MonthlyPeriod& period);
// Copies one backup row of a missing sequence back, marked isAddBack = 1.
QString restoreMeal(const SqlDialect& dialect, qint32 card, qint32 sequence);
QString restoreCharge(const SqlDialect& dialect, qint32 card, qint32 sequence);
// Marks the allowance a restored allowance charge paid as charged again.
QString remarkAllowance(qint32 card, qint32 sequence);
// Rows of one sequence that an earlier run added back.
QString deleteAddedBackSequence(const QString& table, qint32 card, qint32 sequence);
QString duplicateAllowanceIds(qint32 card, qint32 sequence);
QString moveChargeToBackup(qint64 recId);
QString deleteCharge(qint64 recId);

// One multi-row insert of bill rows.
QString insertMonthRows(const SqlDialect& dialect, const QVector<TMonthlyRec>& rows);

} // namespace MonthlyStatements
