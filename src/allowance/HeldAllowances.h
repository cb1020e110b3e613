#pragma once
// The rows the read-back window lists from one page of terminal records.
#include "workers/WorkerMessages.h"

#include <QStringList>
#include <QVector>

namespace allowance {

struct HeldPage {
    QVector<QStringList> rows; // the rows to list, in page order
    int lines = 0;             // every record line of the page, listed or not
};

// Mode 2 (waiting, "SubsidyLog"): 机号, 名称, 系统编号, 卡号, 补贴流水号,
// 补贴金额, 补贴有效日期, 下载日期. Mode 1 (taken, "SidyLog"): 机号, 名称,
// 系统编号, 卡号, 卡流水号, 补贴流水号, 补贴金额, 卡余额, 领取补贴时间.
// With a card filter only the records of exactly that card are kept.
HeldPage heldRows(const workers::TAllowTypeMsg& page, const QString& cardFilter);

// "yymmdd" as "20yy-mm-dd"; empty for an empty field, the field itself when
// it is not six digits.
QString shortDateText(const QString& field);
// "yyyyMMddHHmmss" as "yyyy-MM-dd HH:mm:ss"; the field itself when it is not that.
QString takeTimeText(const QString& field);

} // namespace allowance
