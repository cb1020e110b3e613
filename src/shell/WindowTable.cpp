#include "shell/WindowTable.h"

#include "allowance/ui/AddAllowdown.h"
#include "allowance/ui/AllowanceRecords.h"
#include "allowance/ui/Orderparam.h"
#include "allowance/ui/ShowMallowsInEqu.h"
#include "cashier/ui/CardCenterStatistic.h"
#include "cashier/ui/SettleAccounts.h"
#include "dailystats/ui/ChargeSum.h"
#include "dailystats/ui/DinRoomSum.h"
#include "dailystats/ui/MealSumDay.h"
#include "dailystats/ui/MealSumDaySec.h"
#include "db/DbError.h"
#include "monthly/ui/MonthlyBalance.h"
#include "reports/stats/ui/ClockDinlev.h"
#include "reports/stats/ui/DepartDinLev.h"
#include "reports/stats/ui/EmpChargeSum.h"
#include "reports/stats/ui/EmpDinlev.h"
#include "reports/stats/ui/HSRecords.h"
#include "reports/stats/ui/PersonAccount.h"
#include "reports/ui/CardBalance.h"
#include "reports/ui/ChargeRec.h"
#include "reports/ui/EmpAllRecords.h"
#include "reports/ui/ExceptRecords.h"
#include "reports/ui/FullBakRecords.h"
#include "reports/ui/IssueCardRecord.h"
#include "reports/ui/LossCardMealRecord.h"
#include "reports/ui/MCardcost.h"
#include "reports/ui/MealRecords.h"
#include "reports/ui/Refund.h"
#include "reports/ui/ReturnCard.h"
#include "shell/ActionNames.h"

#include <QSet>
#include <QStringList>

WindowRow pendingRow(const char* actionName, const char* caption, WindowOpening opening) {
    return {QLatin1String(actionName), QString::fromUtf8(caption), opening, nullptr, nullptr};
}

namespace {
QVector<WindowRow> buildTable() {
    using namespace ActionName;
    // Windows are created without a parent: the dispatch adds them to the host's window list.
    return {
        windowRow<TfrmChargeRec>(FullRecord, "充值明细"),
        windowRow<TFrmMonthlyBalance>(MonthlyBalance, "月结账单管理"),
        windowRow<TfrmMealRecords>(MealRecord, "消费明细"),
        windowRow<TfrmCardBalance>(CardBalance, "卡余额表"),
        windowRow<TfrmRefund>(BackRecords, "退款明细表"),
        windowRow<TfrmMCardcost>(CardCost, "押金明细表"),
        windowRow<TfrmReturnCard>(ReturnCard, "退卡明细表"),
        windowRow<TfrmChargeSum>(ChargeSumDay, "每日充值汇总表"),
        windowRow<TfrmMealSumDay>(MealSumDay, "每日消费汇总"),
        windowRow<TfrmDinRoomSum>(DinRoomSum, "餐厅统计"),
        windowRow<TfrmEmpChargeSum>(EmpChargeSum, "个人充值统计"),
        windowRow<TfrmEmpDinlev>(EmpDinLev, "个人餐别统计"),
        windowRow<TfrmDepartDinLev>(DepartDinLev, "部门餐别统计"),
        windowRow<TfrmClockDinlev>(ClockDinlev, "餐厅餐别统计"),
        windowRow<TfrmPersonAccount>(PersonAccount, "个人汇总资料"),
        windowRow<TfrmCardCenterStatistic>(CardCenterSta, "出纳统计账管理"),
        windowRow<TfrmHSRecords>(HSRecords, "商品销售统计"),
        windowRow<TfrmAllowanceRecords>(Allowance, "补贴登记"),
        windowRow<TfrmAddAllowdown>(AddAllowdown, "补贴下发", WindowOpening::Modeless),
        windowRow<TfrmExceptRecords>(ExceptRecord, "异常明细表"),
        windowRow<TfrmSettleAccounts>(SettleAccounts, "本系统运行结算凭证"),
        windowRow<TfrmMealSumDaySec>(MealSumDaySec, "充值消费汇总表"),
        windowRow<TfrmEmpAllRecords>(EmpAllRecords, "个人明细查询"),
        windowRow<TfrmFullBakRecords>(FullBak, "充值异常记录"),
        windowRow<TfrmIssueCardRecord>(IssueCardRecord, "发卡明细"),
        windowRow<TfrmLossCardMealRecord>(LossCardMealRecord, "挂失卡消费明细"),
        windowRow<TfrmOrderparam>(Orderparam, "定餐参数设置", WindowOpening::Modeless),
        windowRow<TFrmShowMallowsInEqu>(ShowMallowsInEqu, "联机显示设备补贴记录信息",
                                        WindowOpening::Modeless),
    };
}
} // namespace

QStringList windowTableFaults(const QVector<WindowRow>& rows) {
    QStringList faults;
    QSet<QString> names;
    QSet<const QMetaObject*> classes;
    for (const WindowRow& row : rows) {
        const QString name = row.actionName;
        if (name.isEmpty())
            faults << QStringLiteral("a window row without an action name");
        else if (names.contains(name))
            faults << QStringLiteral("action %1 is listed twice").arg(name);
        names.insert(name);
        if (row.isBuilt() != (row.windowClass != nullptr))
            faults
                << QStringLiteral("action %1 has a factory without a class or a class without one").arg(name);
        if (row.windowClass) {
            // One instance variable per class: two actions may not share a window.
            if (classes.contains(row.windowClass))
                faults << QStringLiteral("window %1 is listed twice")
                              .arg(QString::fromLatin1(row.windowClass->className()));
            classes.insert(row.windowClass);
        }
    }
    return faults;
}

const QVector<WindowRow>& windowTable() {
    static const QVector<WindowRow> rows = [] {
        QVector<WindowRow> table = buildTable();
        const QStringList faults = windowTableFaults(table);
        if (!faults.isEmpty())
            throw DbError(QStringLiteral("window table: ") + faults.join(QStringLiteral("; ")));
        return table;
    }();
    return rows;
}

const WindowRow* findWindowRow(QLatin1String actionName) {
    for (const WindowRow& row : windowTable())
        if (row.actionName == actionName)
            return &row;
    return nullptr;
}

const WindowRow* findWindowRow(const QString& actionName) {
    for (const WindowRow& row : windowTable())
        if (actionName == row.actionName)
            return &row;
    return nullptr;
}
