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
// The cards with meal rows of the period that an earlier run added back,
// once per row.
QString cardsWithAddedBackMeals(const SqlDialect& dialect, const MonthlyPeriod& period);
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
// The allowance charges (kind 33) booked under one sequence number.
QString allowanceChargeCount(qint32 card, qint32 sequence);
// Copies, then deletes, `count` of them: the latest, so the first one stays.
// The tables need no key: the rows are picked by their own columns.
QString copyLatestAllowanceCharges(const SqlDialect& dialect, qint32 card, qint32 sequence, int count);
QString deleteLatestAllowanceCharges(const SqlDialect& dialect, qint32 card, qint32 sequence, int count);

// One multi-row insert of bill rows.
QString insertMonthRows(const SqlDialect& dialect, const QVector<TMonthlyRec>& rows);

} // namespace MonthlyStatements
