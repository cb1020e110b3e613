#pragma once
// The chain of a card's transactions: every record carries the card's counter
// and the balance after it, so each one must follow the previous one by one
// counter step and by exactly its own change of money. Where a history breaks
// that chain a record is missing, doubled or wrong, which is what the monthly
// bill's and the person account's differences come from.
#include "db/Currency.h"

#include <QString>
#include <QVector>

#include <optional>

// The sequence numbers after which a card's history breaks: each row whose
// number is not the previous one's plus 1 lists the previous number.
QVector<int> sequenceBreaks(const QVector<int>& sequences);

struct ChainRow {
    qint64 card = 0;
    std::optional<qint64> sequence; // none: a row outside the chain (a meal order)
    Currency change;                // money onto the card positive, off it negative
    std::optional<Currency> balance;
};

struct ChainFinding {
    enum Kind { SequenceBreak, BalanceBreak };
    Kind kind = SequenceBreak;
    int row = -1; // index of the offending row in the input
    qint64 card = 0;
    qint64 previousSequence = 0;
    qint64 sequence = 0;
    Currency expected; // balance breaks: the previous balance plus this change
    Currency found;
};

// Checks each card's rows in counter order (the input may mix cards and be in
// any order); the findings come in card and counter order.
QVector<ChainFinding> checkCardChain(const QVector<ChainRow>& rows);

// The operator's summary: the row count, the number of each kind of finding
// and one line per finding, at most `maxLines`.
QString describeCardChain(int rowCount, const QVector<ChainFinding>& findings, int maxLines = 20);
