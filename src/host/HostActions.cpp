#include "host/HostActions.h"

#include "shell/ActionNames.h"

const QVector<HostActionEntry>& hostOnlyActions() {
    static const QVector<HostActionEntry> entries = {
        {ActionName::MonthlyBalance, "月结账单管理"},
        {ActionName::CardCenterSta, "出纳统计账管理"},
        {ActionName::ExceptRecord, "异常明细表"},
        {ActionName::SettleAccounts, "本系统运行结算凭证"},
        {ActionName::MealSumDaySec, "充值消费汇总表"},
        {ActionName::EmpAllRecords, "个人明细查询"},
        {ActionName::FullBak, "充值异常记录"},
        {ActionName::IssueCardRecord, "发卡明细"},
        {ActionName::LossCardMealRecord, "挂失卡消费明细"},
    };
    return entries;
}
