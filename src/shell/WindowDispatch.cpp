#include "shell/WindowDispatch.h"

#include "shell/WindowRegistry.h"

const QVector<DispatchRow>& dispatchTable() {
    static const QVector<DispatchRow> rows = [] {
        QVector<DispatchRow> table = {
            {"ActFullRecord", "TfrmChargeRec", "充值明细", nullptr, true},
            {"ActMonthlyBalance", "TFrmMonthlyBalance", "月结账单管理", nullptr, true},
            {"ActMealRecord", "TfrmMealRecords", "消费明细", nullptr, true},
            {"ActCardBalance", "TfrmCardBalance", "卡余额表", nullptr, true},
            {"ActBackRecords", "TfrmRefund", "退款明细表", nullptr, true},
            {"ActCardCost", "TfrmMCardcost", "押金明细表", nullptr, true},
            {"ActReturnCard", "TfrmReturnCard", "退卡明细表", nullptr, true},
            {"ActChargeSumDay", "TfrmChargeSum", "每日充值汇总表", nullptr, true},
            {"ActMealSumDay", "TfrmMealSumDay", "每日消费汇总", nullptr, true},
            {"ActDinRoomSum", "TfrmDinRoomSum", "餐厅统计", nullptr, true},
            {"ActEmpChargeSum", "TfrmEmpChargeSum", "个人充值统计", nullptr, true},
            {"ActEmpDinLev", "TfrmEmpDinlev", "个人餐别统计", nullptr, true},
            {"ActDepartDinLev", "TfrmDepartDinLev", "部门餐别统计", nullptr, true},
            {"ActClockDinlev", "TfrmClockDinlev", "餐厅餐别统计", nullptr, true},
            {"ActPersonAccount", "TfrmPersonAccount", "个人汇总资料", nullptr, true},
            {"ActCardCenterSta", "TfrmCardCenterStatistic", "出纳统计账管理", nullptr, true},
            {"ActHSRecords", "TfrmHSRecords", "商品销售统计", nullptr, true},
            {"ActAllowance", "TfrmAllowanceRecords", "补贴登记", nullptr, true},
            {"ActAddAllowdown", "TfrmAddAllowdown", "补贴下发", nullptr, false},
            {"ActExceptRecord", "TfrmExceptRecords", "异常明细表", nullptr, true},
            {"ActSettleAccounts", "TfrmSettleAccounts", "本系统运行结算凭证", nullptr, true},
            {"ActMealSumDaySec", "TfrmMealSumDaySec", "充值消费汇总表", nullptr, true},
            {"ActEmpAllRecords", "TfrmEmpAllRecords", "个人明细查询", nullptr, true},
            {"ActFullBak", "TfrmFullBakRecords", "充值异常记录", nullptr, true},
            {"ActIssueCardRecord", "TfrmIssueCardRecord", "发卡明细", nullptr, true},
            {"ActLossCardMealRecord", "TfrmLossCardMealRecord", "挂失卡消费明细", nullptr, true},
        };
        // Windows built into this plug-in register their factory by class name.
        for (DispatchRow& row : table)
            row.create = registeredWindowFactory(QString::fromLatin1(row.className));
        return table;
    }();
    return rows;
}

const DispatchRow* findDispatchRow(const QString& actionName) {
    for (const DispatchRow& row : dispatchTable())
        if (actionName == QLatin1String(row.actionName))
            return &row;
    return nullptr;
}
