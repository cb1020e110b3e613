#include "monthly/MonthlyRec.h"

void TMonthlyRec::computeTotals() {
    const Currency in = sum_charge_money + sum_add_money + sum_bat_money + sum_chuna_money + sum_rate_money;
    const Currency out = sum_Consume_money + sum_Return_money + sum_Clear_money + sum_BuDan_money;
    sum_All_in = in + ChangeCardMoney;
    sum_All_out = out;
    // Amounts are signed as stored: a consistent card gives 0.
    Balance = last_balance + ChangeCardMoney + in + out - Now_card_balance;
}

QString categoryLabel(TxnCategory category) {
    switch (category) {
    case TxnCategory::Charge:
        return QStringLiteral("充值手工系统");
    case TxnCategory::Add:
        return QStringLiteral("补贴");
    case TxnCategory::Bat:
        return QStringLiteral("批量充值");
    case TxnCategory::Chuna:
        return QStringLiteral("出纳机充值");
    case TxnCategory::Rate:
        return QStringLiteral("充值优惠");
    case TxnCategory::Consume:
        return QStringLiteral("消费");
    case TxnCategory::Clear:
        return QStringLiteral("卡片清零");
    case TxnCategory::BuDan:
        return QStringLiteral("补单");
    case TxnCategory::Return:
        return QStringLiteral("退款");
    case TxnCategory::None:
        break;
    }
    return QString();
}

TxnCategory categoryOfLabel(const QString& trimmedLabel) {
    for (TxnCategory c :
         {TxnCategory::Charge, TxnCategory::Add, TxnCategory::Bat, TxnCategory::Chuna, TxnCategory::Rate,
          TxnCategory::Consume, TxnCategory::Clear, TxnCategory::BuDan, TxnCategory::Return})
        if (categoryLabel(c) == trimmedLabel)
            return c;
    return TxnCategory::None;
}

bool isChargeCategory(TxnCategory category) {
    return category == TxnCategory::Charge || category == TxnCategory::Add || category == TxnCategory::Bat ||
           category == TxnCategory::Chuna || category == TxnCategory::Rate;
}
