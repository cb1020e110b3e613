#include "host/HostActions.h"

const QVector<HostActionEntry>& hostOnlyActions() {
    static const QVector<HostActionEntry> entries = {
        {"ActMonthlyBalance", "月结账单管理"},
        {"ActCardCenterSta", "出纳统计账管理"},
        {"ActExceptRecord", "异常明细表"},
        {"ActSettleAccounts", "本系统运行结算凭证"},
        {"ActMealSumDaySec", "充值消费汇总表"},
        {"ActEmpAllRecords", "个人明细查询"},
        {"ActFullBak", "充值异常记录"},
        {"ActIssueCardRecord", "发卡明细"},
        {"ActLossCardMealRecord", "挂失卡消费明细"},
    };
    return entries;
}
