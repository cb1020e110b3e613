#pragma once
// The recharge list ("充值明细") without widgets: its type list by the
// module's feature bits, the statement with the type, employee, department,
// rights and card conditions in their order, and the type kept in
// Daybook.ini between sessions.
#include "reports/RecordReportQuery.h"

#include <QVector>

class Session;

// What a type-list item selects; its position depends on the feature bits.
enum class ChargeKind { Cash, Batch, Cashier, Discount, AllowanceTerminal, ManualAllowance, All };

struct ChargeKindItem {
    QString text;
    ChargeKind kind;
};

struct ChargeRecFilter {
    RecordReportFilter records;
    ChargeKind kind = ChargeKind::All;
};

namespace ChargeRecQuery {
QString baseStatement();
// "现金", "批量", "出纳机" and "优惠" (bit 2), "补贴机" (bit 4), "手工补贴", "全部".
QVector<ChargeKindItem> kindItems(int moduleOptions);
// " and kind=0", ...; empty for ChargeKind::All.
QString kindCondition(ChargeKind kind);
// Throws DbError for a card number that is not all digits.
QString statement(const ChargeRecFilter& filter, const Session& session);

// The type-list position kept in Daybook.ini, section "Meal", key
// "Charge_cbkind": the last item when none is kept or the kept one is no
// position of a list of `itemCount` items.
int storedKindIndex(const Session& session, int itemCount);
// Returns false when the file cannot be read or written (nothing is written
// over a file that could not be read).
bool storeKindIndex(const Session& session, int index);
} // namespace ChargeRecQuery
