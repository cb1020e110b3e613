#pragma once
// The two lines an open allowance task becomes on its way to a terminal: the
// record appended to the terminal's "SubsidyLog", and the bookkeeping line
// the worker keeps to mark the task and its allowance once the terminal has
// taken the batch.
#include "db/Currency.h"

#include <QDate>
#include <QString>

class QSqlRecord;

namespace allowance {

// One open row of `allowtasklist`.
struct AllowTask {
    qint64 allow_id = 0;
    QString sys_id;
    QString card_id;
    QString charge_ver;
    Currency charge_money;
    QDate charge_date; // null: no date
    qint64 aow_id = 0; // the `mallowance` row

    static AllowTask fromRecord(const QSqlRecord& record);
    // SysID, CardNo and Batch are wholly numbers (not negative). A task that
    // fails is never sent: a tab or line break in a value would add fields or
    // whole records to the terminal's request.
    bool numbersValid() const;
};

// One parsed bookkeeping line.
struct TCardList {
    qint64 SysID = 0;
    QString CardNo;
    int Batch = 0;
    qint64 allow_id = 0;
    qint64 aow_id = 0;
    int clock_id = 0; // the terminal the batch went to
};

// Hundredths of a yuan, cut (not rounded) below the cent: 12.345 -> 1234.
qint64 moneyHundredths(Currency money);

// "SysID=..\tCardNo=..\tBatch=..\tMoney=..[\tAllowDate=yyyyMMdd]\r\n"
QString terminalLine(const AllowTask& task, bool withDate);
// "SysID=..\tCardNo=..\tBatch=..\tMoney=..\tallow_id=..\taow_id=..\r\n"
QString bookLine(const AllowTask& task);
// Reads a bookkeeping line field by field (1 SysID, 2 CardNo, 3 Batch,
// 5 allow_id, 6 aow_id); a missing or unreadable number counts as 0.
TCardList parseBookLine(const QString& line, int clock_id);

} // namespace allowance
