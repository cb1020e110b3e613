#pragma once
// One card's monthly bill row and the transactions it is computed from.
// Money is fixed-point so that opening + movements - closing adds up to the cent.
#include "db/Currency.h"

#include <QDateTime>
#include <QString>

struct TMonthlyRec {
    QString MonthDes;
    QDateTime BillStartDate;
    QDateTime BillEndDate;
    Currency last_balance;     // opening balance
    Currency Now_card_balance; // closing balance
    QString sys_id;            // the row key: the holder's sys_id, else the card number
    QString empno;
    QString EmpName;
    QString deptname;
    qint32 card_id = 0;
    Currency sum_charge_money;
    Currency sum_add_money;
    Currency sum_bat_money;
    Currency sum_chuna_money;
    Currency sum_rate_money;
    Currency sum_Consume_money;
    Currency sum_Return_money;
    Currency sum_Clear_money;
    Currency sum_BuDan_money;
    Currency ChangeCardMoney;
    Currency sum_All_in;
    Currency sum_All_out;
    Currency Balance;
    quint8 flag = 0;
    // The key came from the holder (not the card number): only then is the
    // holder's last_balance looked up by it.
    bool hasHolder = false;

    // sum_All_in, sum_All_out and Balance from the other fields.
    void computeTotals();
};

// The category a transaction's sum goes to (its trimmed actiondd label).
enum class TxnCategory { Charge, Add, Bat, Chuna, Rate, Consume, Clear, BuDan, Return, None };

// One row of vIsCheckCardRecord as the bill reads it.
struct CardTxn {
    qint32 card_id = 0;
    qint32 card_sequ = 0;
    qint32 kind = 0;
    Currency consume; // signed amount
    Currency balance; // balance after
    TxnCategory category = TxnCategory::None;
    qint64 opDate = 0; // wall-clock milliseconds
};

// The label texts of the categories, trimmed ("充值手工系统", "补贴", ...).
QString categoryLabel(TxnCategory category);
TxnCategory categoryOfLabel(const QString& trimmedLabel);
// Charge-table categories (manual, allowance, batch, cashier, bonus).
bool isChargeCategory(TxnCategory category);
