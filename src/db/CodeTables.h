#pragma once
// The codes stored in the card-system tables and the texts the windows show
// for them: recharge kinds, consumption flags, card-cost kinds, payment
// sources, exception record types, meal levels and meal-order types; the
// record-type conditions of the consumption lists; the recharge groups of the
// summaries and the calculated cash column of the recharge sums.
#include "db/Currency.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

class QSqlRecord;

namespace CodeTables {

// A code read from a field: null, an empty or an unreadable text give no code.
bool readCode(const QVariant& value, int& code);

// Recharge kind (MChargeRecords.kind): 0 "现金", 1/3/104 "手工补贴充值", 2 "批量",
// 30 "出纳机", 31 "优惠", 33 "补贴机"; other values show nothing.
QString rechargeKindText(int kind);
QString rechargeKindText(const QVariant& kind);

// Consumption record flag (MealRecords.flag). 102 (refund) has no text here.
QString consumptionFlagText(int flag);
QString consumptionFlagText(const QVariant& flag);
constexpr int RefundFlag = 102;

// The condition appended to a MealRecords query aliased C for the record-type
// selector's item index: sales, count, on account, corrections, else all but refunds.
QString flagCategoryCondition(int index);

// Card cost kind (mcardcost.kind): 1 "押金", 2 "管理费".
QString cardCostKindText(const QVariant& kind);
// The issue-card record window shows "0" for a money value that is null.
QString issueCardMoneyText(const QVariant& money);

// Payment source: 1 "支付宝", 2 "微信".
QString paySourceText(const QVariant& source);

// Exception records: ktype (0 foreign, 1 lost, 2 test card), cType ("CH" money
// added, anything else deducted) and ctkind ("type,code").
QString exceptionKTypeText(const QVariant& ktype);
QString exceptionCTypeText(const QVariant& ctype);
constexpr int UnknownCode = 1000;
QString exceptionCtKindText(const QString& ctkind);

// One row of the meal-level table Dinlev.
struct MealLevel {
    QVariant id;
    QString name;
};
// The name of the level whose id equals `code`; empty when none matches.
QString mealLevelText(const QVariant& code, const QVector<MealLevel>& levels);
// Ids compare as numbers when both read as integers, else as trimmed texts.
bool sameMealLevelId(const QVariant& a, const QVariant& b);

// Meal-order type: a four-entry table the module never fills, so always empty.
QString mealOrderTypeText(const QVariant& ordertype);

// The recharge groups of the summaries.
enum class RechargeGroup { None, Cash, Allowance, Batch, Cashier, Discount };
// Kind 104 counts as allowance only in the personal recharge sums (dsMChargeSum).
RechargeGroup rechargeGroup(int kind, bool personalSums);
QList<int> rechargeGroupKinds(RechargeGroup group, bool personalSums);

// sum_charge_money + sum_bat_money + sum_cost_money + sum_ChuNa_money +
// sum_manager_money - sum_cost_money_Red - sum_return_money, each null or
// missing field read as 0, in exact decimal. `field` returns a field's value by name.
Currency sumSumCash(const std::function<QVariant(const QString&)>& field);
Currency sumSumCash(const QSqlRecord& record);
// The field names the cash column is computed from, in order; the last two are subtracted.
const QStringList& sumSumCashTerms();

} // namespace CodeTables
