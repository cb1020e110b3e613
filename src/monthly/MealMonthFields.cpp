#include "monthly/MealMonthFields.h"

#include "dataset/DataSet.h"
#include "db/Currency.h"

#include <QHash>

namespace MealMonthFields {

namespace {
bool isMoney(const QString& measure) {
    static const QStringList money = {"cardcost", "chargemoney", "consume", "refund", "balance"};
    return money.contains(measure);
}
} // namespace

const QStringList& measures() {
    static const QStringList all = {"cardcost",      "chargemoney", "chargeper", "consume",  "consumeper",
                                    "refund",        "refundper",   "balance",   "TotalPer", "newaccountPer",
                                    "changecardPer", "blackPer",    "whitePer"};
    return all;
}

QString measureTitle(const QString& measure) {
    static const QHash<QString, QString> titles = {
        {"cardcost", "现金收入|卡费"},        {"chargemoney", "现金收入|充值金额"},
        {"chargeper", "现金收入|人次"},       {"consume", "现金支出|消费金额"},
        {"consumeper", "现金支出|人次"},      {"refund", "现金支出|退款金额"},
        {"refundper", "现金支出|退款人次"},   {"balance", "卡余额"},
        {"TotalPer", "人事信息|总人数"},      {"newaccountPer", "人事信息|新开户数"},
        {"changecardPer", "人事信息|补卡数"}, {"blackPer", "人事信息|挂失数"},
        {"whitePer", "人事信息|解挂数"},
    };
    return titles.value(measure);
}

void apply(DataSet& ds) {
    for (const QString& m : measures()) {
        Field* star = ds.findField(m + QStringLiteral("_star"));
        Field* change = ds.findField(m);
        if (!star || !change)
            continue;
        star->setDisplayLabel(QStringLiteral("期初|") + measureTitle(m));
        change->setDisplayLabel(QStringLiteral("本期变化量|") + measureTitle(m));
        const int a = star->index();
        const int b = change->index();
        const bool money = isMoney(m);
        Field& end = ds.addCalculatedField(m + QStringLiteral("_end"),
                                           money ? FieldType::Currency : FieldType::Integer,
                                           [a, b, money](const DataSet& d, Bookmark row) -> QVariant {
                                               const std::int64_t sum = d.fixedAt(row, a) + d.fixedAt(row, b);
                                               if (money)
                                                   return Currency::fromUnits(sum).toString(4);
                                               return QVariant(qint64(sum / Currency::Scale));
                                           });
        end.setDisplayLabel(QStringLiteral("期末汇总|") + measureTitle(m));
        if (money)
            end.setDisplayFormat(QStringLiteral("￥0.00"));
    }
}

} // namespace MealMonthFields
