#include "reports/ChargeRecQuery.h"

#include "db/IniFile.h"
#include "db/Session.h"

namespace ChargeRecQuery {

namespace {
const QString kSection = QStringLiteral("Meal");
const QString kKey = QStringLiteral("Charge_cbkind");
} // namespace

QString baseStatement() {
    return QStringLiteral(
        "SELECT emp_id, card_id, empname, deptno, deptname, charge_money, card_balance, "
        "card_times,card_sequ, Kind, opcard_id, op_date,clock_id ,stadescr,PaySource,tradeNo "
        "FROM MChargeRecords where (op_date >= :@begindate And op_date <= :@enddate) ");
}

QVector<ChargeKindItem> kindItems(int moduleOptions) {
    QVector<ChargeKindItem> items = {{QStringLiteral("现金"), ChargeKind::Cash},
                                     {QStringLiteral("批量"), ChargeKind::Batch}};
    if (moduleOptions & 2)
        items << ChargeKindItem{QStringLiteral("出纳机"), ChargeKind::Cashier}
              << ChargeKindItem{QStringLiteral("优惠"), ChargeKind::Discount};
    if (moduleOptions & 4)
        items << ChargeKindItem{QStringLiteral("补贴机"), ChargeKind::AllowanceTerminal};
    items << ChargeKindItem{QStringLiteral("手工补贴"), ChargeKind::ManualAllowance}
          << ChargeKindItem{QStringLiteral("全部"), ChargeKind::All};
    return items;
}

QString kindCondition(ChargeKind kind) {
    switch (kind) {
    case ChargeKind::Cash:
        return QStringLiteral(" and kind=0");
    case ChargeKind::Batch:
        return QStringLiteral(" and kind=2");
    case ChargeKind::Cashier:
        return QStringLiteral(" and kind=30");
    case ChargeKind::Discount:
        return QStringLiteral(" and kind=31");
    case ChargeKind::AllowanceTerminal:
        return QStringLiteral(" and kind=33");
    case ChargeKind::ManualAllowance:
        return QStringLiteral(" and (kind=1 or kind=3 or kind=104)");
    case ChargeKind::All:
        break;
    }
    return QString();
}

QString statement(const ChargeRecFilter& f, const Session& session) {
    return RecordReportQuery::where(baseStatement() + kindCondition(f.kind), f.records, session) +
           QStringLiteral(" order by emp_id,card_sequ ");
}

int storedKindIndex(const Session& session, int itemCount) {
    const IniFile ini(session.iniPath());
    const int index = ini.readInteger(kSection, kKey, itemCount - 1);
    return index >= 0 && index < itemCount ? index : itemCount - 1;
}

bool storeKindIndex(const Session& session, int index) {
    IniFile ini(session.iniPath());
    // A file that could not be read is never replaced by one holding only this key.
    if (!ini.exists())
        return false;
    const QString value = QString::number(index);
    if (ini.readString(kSection, kKey) == value)
        return true; // unchanged: the file is left as the operator wrote it
    ini.writeString(kSection, kKey, value);
    return ini.save();
}

} // namespace ChargeRecQuery
