#include "db/CodeTables.h"

#include <QSqlField>
#include <QSqlRecord>

#include <cmath>

namespace CodeTables {

bool readCode(const QVariant& value, int& code) {
    if (value.isNull() || !value.isValid())
        return false;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (d != std::floor(d) || std::fabs(d) > 2147483647.0)
            return false;
        code = int(d);
        return true;
    }
    case QMetaType::Bool:
        code = value.toBool() ? 1 : 0;
        return true;
    default:
        break;
    }
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    if (ok)
        code = n;
    return ok;
}

QString rechargeKindText(int kind) {
    switch (kind) {
    case 0:
        return QStringLiteral("现金");
    case 1:
    case 3:
    case 104:
        return QStringLiteral("手工补贴充值");
    case 2:
        return QStringLiteral("批量");
    case 30:
        return QStringLiteral("出纳机");
    case 31:
        return QStringLiteral("优惠");
    case 33:
        return QStringLiteral("补贴机");
    default:
        return QString();
    }
}

QString rechargeKindText(const QVariant& kind) {
    int code = 0;
    return readCode(kind, code) ? rechargeKindText(code) : QString();
}

QString consumptionFlagText(int flag) {
    switch (flag) {
    case 1:
        return QStringLiteral("定值");
    case 2:
        return QStringLiteral("金额");
    case 3:
        return QStringLiteral("键值");
    case 4:
        return QStringLiteral("计次");
    case 5:
        return QStringLiteral("商品");
    case 6:
        return QStringLiteral("计时");
    case 7:
        return QStringLiteral("记帐");
    case 9:
    case 90:
        return QStringLiteral("纠错");
    case 14:
        return QStringLiteral("清零");
    case 105:
        return QStringLiteral("补单");
    default:
        return QString();
    }
}

QString consumptionFlagText(const QVariant& flag) {
    int code = 0;
    return readCode(flag, code) ? consumptionFlagText(code) : QString();
}

QString flagCategoryCondition(int index) {
    switch (index) {
    case 0:
        return QStringLiteral(" and C.flag in (1,2,3,5,6,103) ");
    case 1:
        return QStringLiteral(" and C.flag in (4) ");
    case 2:
        return QStringLiteral(" and C.flag in (7) ");
    case 3:
        return QStringLiteral(" and C.flag in (9,90,14,105) ");
    default:
        return QStringLiteral(" and C.flag<>102 ");
    }
}

QString cardCostKindText(const QVariant& kind) {
    int code = 0;
    if (!readCode(kind, code))
        return QString();
    if (code == 1)
        return QStringLiteral("押金");
    if (code == 2)
        return QStringLiteral("管理费");
    return QString();
}

QString issueCardMoneyText(const QVariant& money) {
    if (money.isNull() || !money.isValid())
        return QStringLiteral("0");
    return money.toString();
}

QString paySourceText(const QVariant& source) {
    int code = 0;
    if (!readCode(source, code))
        return QString();
    if (code == 1)
        return QStringLiteral("支付宝");
    if (code == 2)
        return QStringLiteral("微信");
    return QString();
}

QString exceptionKTypeText(const QVariant& ktype) {
    int code = 0;
    if (!readCode(ktype, code))
        return QString();
    switch (code) {
    case 0:
        return QStringLiteral("外来卡");
    case 1:
        return QStringLiteral("挂失卡");
    case 2:
        return QStringLiteral("测试卡");
    default:
        return QString();
    }
}

QString exceptionCTypeText(const QVariant& ctype) {
    return ctype.toString() == QLatin1String("CH") ? QStringLiteral("加款") : QStringLiteral("减款");
}

QString exceptionCtKindText(const QString& ctkind) {
    // "type,code": without a comma the type is empty and the whole text is the code.
    const int comma = int(ctkind.indexOf(QLatin1Char(',')));
    const QString type = comma < 0 ? QString() : ctkind.left(comma).trimmed();
    const QString codeText = comma < 0 ? ctkind : ctkind.mid(comma + 1);
    bool ok = false;
    int code = codeText.trimmed().toInt(&ok);
    if (!ok)
        code = UnknownCode;
    if (code == UnknownCode)
        return QStringLiteral("未知类型");
    return type == QLatin1String("CH") ? rechargeKindText(code) : consumptionFlagText(code);
}

bool sameMealLevelId(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull() || !a.isValid() || !b.isValid())
        return false;
    int x = 0;
    int y = 0;
    if (readCode(a, x) && readCode(b, y))
        return x == y;
    return a.toString().trimmed() == b.toString().trimmed();
}

QString mealLevelText(const QVariant& code, const QVector<MealLevel>& levels) {
    for (const MealLevel& level : levels)
        if (sameMealLevelId(code, level.id))
            return level.name;
    return QString();
}

QString mealOrderTypeText(const QVariant& ordertype) {
    static const QString table[4];
    int code = 0;
    if (!readCode(ordertype, code) || code < 0 || code > 3)
        return QString();
    return table[code];
}

RechargeGroup rechargeGroup(int kind, bool personalSums) {
    switch (kind) {
    case 0:
        return RechargeGroup::Cash;
    case 1:
    case 3:
    case 33:
        return RechargeGroup::Allowance;
    case 104:
        return personalSums ? RechargeGroup::Allowance : RechargeGroup::None;
    case 2:
        return RechargeGroup::Batch;
    case 30:
        return RechargeGroup::Cashier;
    case 31:
        return RechargeGroup::Discount;
    default:
        return RechargeGroup::None;
    }
}

QList<int> rechargeGroupKinds(RechargeGroup group, bool personalSums) {
    switch (group) {
    case RechargeGroup::Cash:
        return {0};
    case RechargeGroup::Allowance:
        return personalSums ? QList<int>{33, 1, 3, 104} : QList<int>{33, 1, 3};
    case RechargeGroup::Batch:
        return {2};
    case RechargeGroup::Cashier:
        return {30};
    case RechargeGroup::Discount:
        return {31};
    case RechargeGroup::None:
        break;
    }
    return {};
}

const QStringList& sumSumCashTerms() {
    static const QStringList terms{QStringLiteral("sum_charge_money"),  QStringLiteral("sum_bat_money"),
                                   QStringLiteral("sum_cost_money"),    QStringLiteral("sum_ChuNa_money"),
                                   QStringLiteral("sum_manager_money"), QStringLiteral("sum_cost_money_Red"),
                                   QStringLiteral("sum_return_money")};
    return terms;
}

Currency sumSumCash(const std::function<QVariant(const QString&)>& field) {
    const QStringList& terms = sumSumCashTerms();
    Currency total;
    for (int i = 0; i < terms.size(); ++i) {
        const Currency value = Currency::fromVariant(field(terms[i]));
        if (i < 5)
            total += value;
        else
            total -= value;
    }
    return total;
}

Currency sumSumCash(const QSqlRecord& record) {
    return sumSumCash([&record](const QString& name) -> QVariant {
        // Field names are matched without regard to letter case, as the engine does.
        for (int i = 0; i < record.count(); ++i)
            if (record.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
                return record.value(i);
        return QVariant();
    });
}

} // namespace CodeTables
