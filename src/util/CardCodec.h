#pragma once
// What the record windows make of a card on the desktop reader, without the
// reader or a window: the card number from the card serial, the sector key
// from the company parameter "PassWord", the card-information record from the
// three data blocks, and the message the operator sees for each outcome.
//
// Card layout: the three blocks read from the first data block on (48 bytes;
// numbers little-endian like the card serial, money in cents, dates packed BCD
// "YYMMDD" of the years 2000-2099, times packed BCD "hhmm"):
//
//   block  bytes  field               block  bytes  field
//   0      0-3    1 card number        1      0-3    8 balance (signed)
//   0      4-6    2 employee sys_id    1      4-5    9 card transaction counter
//   0      7      3 card format ver.   1      6-7   10 recharge counter
//   0      8-10   4 issue date         1      8-10  11 allowance balance
//   0      11-13  5 valid-until date   1      11-12 12 allowance version
//   0      14     6 card type          1      13-14 13 deposit
//   0      15     7 card status        1      15    14 check byte (XOR of bytes 0-14)
//
//   2      0-2   15 last transaction date      2      10    19 its meal period
//   2      3-4   16 last transaction time      2      11    20 meals taken in that period
//   2      5-6   17 terminal of it             2      12-13 21 spent that day
//   2      7-9   18 amount of it               2      14    22 daily limit, whole yuan (0 none)
//                                              2      15    23 option bits
//
// The blocks become a text of 23 comma-separated decimal fields (dates as
// yyyymmdd, times as hhmm, an all-zero date as 0); the text is split into the
// record, and a field that does not read as a number (a damaged BCD digit)
// becomes 0.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

enum class CardField {
    CardNo,
    SysId,
    FormatVersion,
    IssueDate,
    ValidDate,
    CardType,
    CardStatus,
    Balance,
    CardSequ,
    ChargeSequ,
    AllowanceBalance,
    AllowanceVersion,
    Deposit,
    CheckByte,
    LastDate,
    LastTime,
    LastClock,
    LastAmount,
    LastKind,
    KindTimes,
    DayTotal,
    DayLimit,
    Options,
};

// The card-information record; every field 0 until filled.
struct CardInfo {
    static constexpr int FieldCount = 23;
    std::array<qint64, FieldCount> values{};

    qint64 value(CardField field) const { return values[static_cast<std::size_t>(field)]; }
    void setValue(CardField field, qint64 v) { values[static_cast<std::size_t>(field)] = v; }
    bool operator==(const CardInfo& other) const { return values == other.values; }
};

class CardCodec {
public:
    static constexpr int BlockCount = 3;
    static constexpr int DataSize = BlockCount * 16;

    // The card number: the first 4 serial bytes as an unsigned little-endian
    // number in decimal (01 02 03 04 -> "67305985"); empty for a shorter serial.
    static QString cardNumber(const QByteArray& serial);

    // The 6-byte sector key from the text of the company parameter "PassWord":
    // 12 hexadecimal digits, or 6 "F" standing for 12. Anything else is refused
    // with `error` set to the operator's message, and `key` is left as it was.
    static bool parseSectorKey(const QString& text, QByteArray& key, QString& error);

    // The 23-field text of 48 card bytes; empty when fewer bytes are given.
    static QString blocksToText(const QByteArray& blocks);
    // The record of a 23-field text: zero-filled, then field by field.
    static CardInfo parseText(const QString& text);
    static CardInfo decode(const QByteArray& blocks) { return parseText(blocksToText(blocks)); }

    // Never written: every byte 00 or every byte FF.
    static bool isBlank(const QByteArray& blocks);
    // The purse block's check byte matches its other bytes.
    static bool purseIntact(const QByteArray& blocks);

    // The 48 bytes of a record (the check byte computed), for writing cards and
    // the simulated reader's card files. Empty, with `error`, when a field does
    // not fit its bytes or a date or time is not one.
    static QByteArray encode(const CardInfo& info, QString* error = nullptr);

    // Operator messages.
    static QString readerFailedMessage() { return QStringLiteral("连接发卡器失败"); }
    static QString noCardMessage() { return QStringLiteral("没有找到IC卡或卡是否损坏。"); }
    static QString wrongKeyMessage() { return QStringLiteral("读卡错误,请检查卡密码是否正确!"); }
    static QString blankCardMessage() { return QStringLiteral("这是一张空白卡！"); }
    static QString readBlankCardMessage() { return QStringLiteral("读取成功！这是一张空白卡。"); }

    // The message for a failed reader call (a CR_ERR_* code of cardreader.h).
    static QString messageForResult(int result);
    // The message for three blocks that were read: blank (never written),
    // written without a card number (issued to nobody), damaged purse, or none.
    static QString messageForData(const QByteArray& blocks);
};
