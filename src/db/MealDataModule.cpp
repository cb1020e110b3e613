#include "db/MealDataModule.h"

#include "db/QueryRunner.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

using F = DataSetFieldDef;
using H = TextHandler;
using K = FieldKind;
constexpr int NoSum = MealDataModule::NoSumTag;

// Fields of the consumption records, in grid order.
QVector<DataSetFieldDef> mealRecordFields() {
    return {
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, false, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("sign_time"), QStringLiteral("消费时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("card_consume"), QStringLiteral("消费金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("card_balance"), QStringLiteral("卡余额"), K::Currency, 0, NoSum, true, H::None},
        F{QStringLiteral("Card_Sequ"), QStringLiteral("卡流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("clock_id"), QStringLiteral("机号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("Pos_Sequ"), QStringLiteral("机器流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("flag"), QStringLiteral("标志"), K::Word, 0, NoSum, true, H::ConsumptionFlag},
        F{QStringLiteral("kind"), QStringLiteral("餐别"), K::String, 50, NoSum, false, H::MealLevel},
        F{QStringLiteral("opcard_id"), QStringLiteral("操作员"), K::String, 50, 0, false, H::None},
    };
}

// Fields of the allowance registration list, in grid order; the person's
// system number and the row key are hidden, the new card number is shown by
// the window when the company re-issues allowances to new cards.
QVector<DataSetFieldDef> allowanceFields() {
    return {
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("clock_id"), QStringLiteral("机号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("deposit"), QStringLiteral("录入金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("downed"), QStringLiteral("是否下载"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("charged"), QStringLiteral("是否补贴"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("charge_money"), QStringLiteral("已补贴金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("nunDeposit"), QStringLiteral("未补贴金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("allowdate"), QStringLiteral("有效日期"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("charge_date"), QStringLiteral("补贴时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("card_balance"), QStringLiteral("卡上余额"), K::Currency, 0, NoSum, true, H::None},
        F{QStringLiteral("card_sequ"), QStringLiteral("卡流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("op_user"), QStringLiteral("操作员"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("op_date"), QStringLiteral("录入时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("charge_ver"), QStringLiteral("补贴流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, false, H::None},
        F{QStringLiteral("sys_id"), QStringLiteral("系统号码"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("newcard_id"), QStringLiteral("新卡号"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("Memo"), QStringLiteral("补贴说明"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("id"), QStringLiteral("号码"), K::Integer, 0, NoSum, false, H::None},
    };
}

// Fields of the recharge records. The employee, card and terminal columns
// carry the captions they have in the consumption records; balances,
// counters and codes get no sum.
QVector<DataSetFieldDef> chargeFields() {
    return {
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, 0, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, true, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("charge_money"), QStringLiteral("充值金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("card_balance"), QStringLiteral("卡余额"), K::Currency, 0, NoSum, true, H::None},
        F{QStringLiteral("card_times"), QStringLiteral("卡次数"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("card_sequ"), QStringLiteral("卡流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("Kind"), QStringLiteral("类型"), K::Word, 0, 0, true, H::RechargeKind},
        F{QStringLiteral("op_date"), QStringLiteral("充值时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("clock_id"), QStringLiteral("机号"), K::Integer, 0, 0, true, H::None},
        F{QStringLiteral("opcard_id"), QStringLiteral("操作员"), K::String, 50, 0, true, H::None},
        F{QStringLiteral("stadescr"), QStringLiteral("收支统计账单号"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("PaySource"), QStringLiteral("支付方式"), K::Integer, 0, NoSum, true, H::PaySource},
        F{QStringLiteral("tradeNo"), QStringLiteral("交易码"), K::String, 0, 0, true, H::None},
    };
}

// Fields of the refunds (consumption rows of flag 102): the amount is the
// refund, negative as stored; the terminal shown is the one read as 0 where
// none is stored.
QVector<DataSetFieldDef> refundFields() {
    return {
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, false, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("sign_time"), QStringLiteral("退款时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("card_consume"), QStringLiteral("退款金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("card_balance"), QStringLiteral("卡余额"), K::Currency, 0, NoSum, true, H::None},
        F{QStringLiteral("card_sequ"), QStringLiteral("卡流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("clock_id"), QStringLiteral("机号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("flag"), QStringLiteral("标志"), K::Word, 0, NoSum, false, H::None},
        F{QStringLiteral("kind"), QStringLiteral("餐别"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("opcard_id"), QStringLiteral("操作员"), K::String, 50, 0, true, H::None},
        F{QStringLiteral("stadescr"), QStringLiteral("收支统计账单号"), K::String, 0, 0, true, H::None},
    };
}

QVector<DataSetFieldDef> cardCostFields() {
    return {
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, false, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("in_money"), QStringLiteral("收入金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("out_money"), QStringLiteral("支出金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("kind"), QStringLiteral("类型"), K::Integer, 0, NoSum, true, H::CardCostKind},
        F{QStringLiteral("op_user"), QStringLiteral("操作员"), K::String, 50, 0, true, H::None},
        F{QStringLiteral("op_date"), QStringLiteral("操作时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("op_ymd"), QStringLiteral("日期"), K::DateTime, 0, 0, false, H::None},
        F{QStringLiteral("remark"), QStringLiteral("备注"), K::String, 200, 0, true, H::None},
        F{QStringLiteral("stadescr"), QStringLiteral("收支统计账单号"), K::String, 0, 0, true, H::None},
    };
}

QVector<DataSetFieldDef> balanceFields() {
    return {
        F{QStringLiteral("empno"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("Card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, false, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("card_balance"), QStringLiteral("卡余额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("card_sequ"), QStringLiteral("卡流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("CardFactory"), QStringLiteral("卡厂商"), K::String, 50, 0, true, H::None},
    };
}

QVector<DataSetFieldDef> issueCardFields() {
    return {
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, false, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("Name"), QStringLiteral("卡类型"), K::String, 50, 0, true, H::None},
        F{QStringLiteral("issue_date"), QStringLiteral("发卡时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("validdate"), QStringLiteral("有效期"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("charge_money"), QStringLiteral("充值金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("op_date"), QStringLiteral("充值时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("in_money1"), QStringLiteral("押金"), K::Currency, 0, 0, true, H::IssueCardMoney},
        F{QStringLiteral("in_money2"), QStringLiteral("管理费"), K::Currency, 0, 0, true, H::IssueCardMoney},
        F{QStringLiteral("opcard_id"), QStringLiteral("操作员"), K::String, 50, 0, true, H::None},
        F{QStringLiteral("kind"), QStringLiteral("类型"), K::Integer, 0, NoSum, true, H::CardCostKind},
    };
}

// The consumption fields, then the other columns of the consumption table
// (the lost-card list selects them all): kept out of sight and out of sums.
QVector<DataSetFieldDef> lossCardMealFields() {
    QVector<DataSetFieldDef> fields = mealRecordFields();
    fields << F{QStringLiteral("stadescr"), QStringLiteral("收支统计账单号"), K::String, 0, 0, true, H::None};
    for (const char* name :
         {"rec_id", "ver_id", "sys_id", "mark", "card_times", "op_ymd", "op_user", "isAddBack"})
        fields << F{QString::fromLatin1(name), QString(), K::Unknown, 0, NoSum, false, H::None};
    return fields;
}

// Fields of the transaction journal and of a person's history (dsAllRec):
// one column set over recharge, consumption and card-cost rows.
QVector<DataSetFieldDef> allRecordFields() {
    return {
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("sys_id"), QStringLiteral("人员唯一标识"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("clock_id"), QStringLiteral("机号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("op_date"), QStringLiteral("操作时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("sign_time"), QStringLiteral("消费时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("charge_money"), QStringLiteral("变动金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("card_consume"), QStringLiteral("消费金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("card_sequ"), QStringLiteral("卡流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("pos_sequ"), QStringLiteral("机器流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("card_Balance"), QStringLiteral("余额"), K::Currency, 0, NoSum, true, H::None},
        F{QStringLiteral("actiondd"), QStringLiteral("动作描述"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("op_ymd"), QStringLiteral("消费日期"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, false, H::None},
        F{QStringLiteral("deptName"), QStringLiteral("部门"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("Kind"), QStringLiteral("餐别"), K::Word, 0, NoSum, true, H::MealLevel},
        F{QStringLiteral("opcard_id"), QStringLiteral("操作员"), K::String, 50, 0, true, H::None},
        F{QStringLiteral("op_user"), QStringLiteral("操作员"), K::String, 50, 0, true, H::None},
        F{QStringLiteral("charged"), QStringLiteral("已补贴"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("downed"), QStringLiteral("已下发"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("chargemoney"), QStringLiteral("补贴金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("nunDeposit"), QStringLiteral("未补贴金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("charge_date"), QStringLiteral("补贴时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("charge_ver"), QStringLiteral("补贴版本"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("rs"), QStringLiteral("记录类型"), K::Integer, 0, NoSum, false, H::None},
    };
}

// Fields of the exception records: the rows of vIsCheckCardRecord, their
// exception type and their kind text.
QVector<DataSetFieldDef> exceptionFields() {
    return {
        F{QStringLiteral("ktype"), QStringLiteral("异常类型"), K::Integer, 0, NoSum, true, H::ExceptionKType},
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, false, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("op_date"), QStringLiteral("操作时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("cType"), QStringLiteral("收支"), K::String, 0, 0, true, H::ExceptionCType},
        F{QStringLiteral("ctkind"), QStringLiteral("类型"), K::String, 0, 0, true, H::ExceptionCtKind},
        F{QStringLiteral("card_consume"), QStringLiteral("金额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("card_Balance"), QStringLiteral("卡余额"), K::Currency, 0, NoSum, true, H::None},
        F{QStringLiteral("card_sequ"), QStringLiteral("卡流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("clock_id"), QStringLiteral("机号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("pos_sequ"), QStringLiteral("机器流水号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("kind"), QStringLiteral("类型编码"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("rec_id"), QStringLiteral("记录号"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("sys_id"), QStringLiteral("人员唯一标识"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("charge_ver"), QStringLiteral("补贴版本"), K::Integer, 0, NoSum, false, H::None},
        F{QStringLiteral("op_ymd"), QStringLiteral("日期"), K::DateTime, 0, 0, false, H::None},
        F{QStringLiteral("opcard_id"), QStringLiteral("操作员"), K::String, 50, 0, true, H::None},
        F{QStringLiteral("stadescr"), QStringLiteral("收支统计账单号"), K::String, 0, 0, true, H::None},
    };
}

// Grouping columns of the meal-period statistics (the period columns are
// titled from the meal-period list when the rows arrive).
QVector<DataSetFieldDef> mealLevelFields(bool byTerminal, bool byEmployee) {
    if (byTerminal)
        return {F{QStringLiteral("Clock_id"), QStringLiteral("机号"), K::Integer, 0, NoSum, true, H::None},
                F{QStringLiteral("Clock_name"), QStringLiteral("设备名"), K::String, 0, 0, true, H::None}};
    QVector<DataSetFieldDef> fields;
    if (byEmployee)
        fields = {F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
                  F{QStringLiteral("EmpName"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
                  F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None}};
    fields << F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, true, H::None}
           << F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None};
    return fields;
}

QVector<DataSetFieldDef> goodsSalesFields() {
    return {
        F{QStringLiteral("storeno"), QStringLiteral("商品编号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("storename"), QStringLiteral("商品名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("price"), QStringLiteral("单价"), K::Currency, 0, NoSum, true, H::None},
        F{QStringLiteral("startTime"), QStringLiteral("首次销售时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("end_time"), QStringLiteral("最后销售时间"), K::DateTime, 0, 0, true, H::None},
        F{QStringLiteral("sum_Count"), QStringLiteral("总数量"), K::Integer, 0, 0, true, H::None},
        F{QStringLiteral("sum_Money"), QStringLiteral("总金额"), K::Currency, 0, 0, true, H::None},
    };
}

QVector<DataSetFieldDef> personalRechargeFields() {
    return {
        F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, true, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("sum_add_money"), QStringLiteral("补贴"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("sum_rate_money"), QStringLiteral("优惠充值"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("sum_charge_money"), QStringLiteral("现金充值"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("sum_bat_money"), QStringLiteral("批量充值"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("Sum_ChuNa_money"), QStringLiteral("出纳机充值"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("sum_money"), QStringLiteral("充值总额"), K::Currency, 0, 0, true, H::None},
        F{QStringLiteral("Totalcount"), QStringLiteral("充值总数"), K::Integer, 0, 0, true, H::None},
    };
}

QVector<DataSetFieldDef> personAccountFields() {
    const auto money = [](const char* name, const char* label) {
        return F{QString::fromLatin1(name), QString::fromUtf8(label), K::Currency, 0, 0, true, H::None};
    };
    return {
        F{QStringLiteral("empno"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
        F{QStringLiteral("EmpName"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
        F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
        F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
        money("last_balance", "支入|上次结算卡余额"),
        money("sum_charge_money", "支入|充值|现金"),
        money("sum_add_money", "支入|充值|补贴"),
        money("sum_bat_money", "支入|充值|批量"),
        money("sum_chuna_money", "支入|充值|出纳机"),
        money("sum_rate_money", "支入|充值|优惠"),
        money("MSumcharge", "支入|充值|小计"),
        money("AddMoney", "支入|合计"),
        money("card_balance", "支出|卡余额"),
        money("sum_Consume_money", "支出|消费|消费额"),
        money("sum_Return_money", "支出|消费|退款"),
        money("Sum_clear_Money", "支出|消费|清零"),
        money("sum_BuDan_money", "支出|消费|补单"),
        money("sum_order_money", "支出|消费|定餐扣款"),
        money("MSumConsume", "支出|消费|小计"),
        money("RedMoney", "支出|合计"),
        money("Balance", "差额"),
    };
}

// A field known only for the handler that shows it.
DataSetFieldDef coded(const QString& name, TextHandler handler) {
    return F{name, QString(), K::Unknown, 0, 0, true, handler};
}

DataSetDef def(const QString& name, const QString& tables, const QString& role,
               const QString& commandText = QString(), const QVector<DataSetFieldDef>& fields = {}) {
    DataSetDef d;
    d.name = name;
    d.tables = tables;
    d.role = role;
    d.commandText = commandText;
    d.fields = fields;
    return d;
}

DataSetDef command(const QString& name, const QString& tables, const QString& role) {
    DataSetDef d = def(name, tables, role);
    d.kind = DataSetDef::Command;
    return d;
}

DataSetDef rechargeSum(const QString& name, const QString& role,
                       const QVector<DataSetFieldDef>& fields = {}) {
    DataSetDef d =
        def(name, QStringLiteral("MChargeRecords, MealRecords, MCardCost"), role, QString(), fields);
    d.calculatedFields << QStringLiteral("sum_sum_cash");
    return d;
}

// The daily recharge summary: per day, one record for the period (`oneRecord`,
// whose deposit and cashier columns are named as card costs), or per operator.
QVector<DataSetFieldDef> dailyChargeSumFields(bool oneRecord, bool perOperator) {
    const auto money = [](const char* name, const char* label) {
        return F{QString::fromLatin1(name), QString::fromUtf8(label), K::Currency, 0, 0, true, H::None};
    };
    QVector<DataSetFieldDef> fields;
    if (perOperator)
        fields << F{QStringLiteral("opcard_id"), QStringLiteral("操作员"), K::String, 50, 0, true, H::None};
    if (!oneRecord)
        fields << F{QStringLiteral("op_ymd"), QStringLiteral("日期"), K::DateTime, 0, NoSum, true, H::None};
    fields << money("sum_add_money", "补贴") << money("sum_rate_money", "优惠充值")
           << money("sum_charge_money", "现金收入|现金充值") << money("sum_bat_money", "现金收入|批量充值")
           << money("Sum_ChuNa_money", oneRecord ? "现金收入|出纳充值" : "现金收入|出纳机充值")
           << money("sum_cost_money", oneRecord ? "现金收入|卡成本收入" : "现金收入|押金收入")
           << money("sum_manager_money", "现金收入|管理费") << money("sum_return_money", "现金支出|退款")
           << money("sum_cost_money_red", oneRecord ? "现金支出|卡成本支出" : "现金支出|押金支出")
           << money("sum_sum_cash", "实收现金");
    return fields;
}

QVector<DataSetDef> buildRegistry() {
    const QString chargeSums = QStringLiteral("daily and per-person recharge totals");
    const QString writing = QStringLiteral("record writing for the terminal data path");
    const QString scratch = QStringLiteral("shared scratch and look-up query");
    return {
        def(QStringLiteral("dsMealRec"), QStringLiteral("MealRecords"), QStringLiteral("consumption records"),
            QString(), mealRecordFields()),
        def(QStringLiteral("dsRefund"), QStringLiteral("MealRecords"), QStringLiteral("refund records"),
            QString(), refundFields()),
        def(QStringLiteral("dsCharge"), QStringLiteral("MChargeRecords"),
            QStringLiteral("recharge and allowance records"), QString(), chargeFields()),
        rechargeSum(QStringLiteral("dsChargeSum"), chargeSums, dailyChargeSumFields(false, false)),
        rechargeSum(QStringLiteral("dschargesum2"), chargeSums, dailyChargeSumFields(true, false)),
        rechargeSum(QStringLiteral("dschargeSum3"), chargeSums, dailyChargeSumFields(false, true)),
        rechargeSum(QStringLiteral("dsChargeSum1"), chargeSums),
        rechargeSum(QStringLiteral("dsChargeSum1_Bak"), chargeSums),
        def(QStringLiteral("dsMChargeSum"), QStringLiteral("MChargeRecords"), chargeSums, QString(),
            personalRechargeFields()),
        def(QStringLiteral("dsEmpDinlev"), QStringLiteral("MealRecords, Dinlev, hum_employee"),
            QStringLiteral("meal-period sums per employee"), QString(), mealLevelFields(false, true)),
        def(QStringLiteral("dsDepartDinLev"), QStringLiteral("MealRecords, Dinlev"),
            QStringLiteral("meal-period sums per department"), QString(), mealLevelFields(false, false)),
        def(QStringLiteral("dsClockDinlev"), QStringLiteral("MealRecords, Dinlev, clocks"),
            QStringLiteral("meal-period sums per terminal"), QString(), mealLevelFields(true, false)),
        def(QStringLiteral("dsADODetail"), QStringLiteral("storedetail, MealRecords, store"),
            QStringLiteral("goods sales"), QString(), goodsSalesFields()),
        def(QStringLiteral("dsPersonAccount"), QStringLiteral("hum_employee, cardinfo, record tables"),
            QStringLiteral("person account summary"), QString(), personAccountFields()),
        def(QStringLiteral("dsMealMonth"), QStringLiteral("mealmonth"), QStringLiteral("month balance rows")),
        def(QStringLiteral("dsCardCost"), QStringLiteral("mcardcost, hum_employee"),
            QStringLiteral("card deposit and fee records"), QString(), cardCostFields()),
        def(QStringLiteral("dsReturnCard"), QStringLiteral("returncard"), QStringLiteral("returned cards"),
            QStringLiteral(
                "select card_id,emp_id,empname,deptno,deptname,return_date,op_user from returncard"),
            {F{QStringLiteral("card_id"), QStringLiteral("卡号"), K::Integer, 0, NoSum, true, H::None},
             F{QStringLiteral("emp_id"), QStringLiteral("工号"), K::String, 12, 0, true, H::None},
             F{QStringLiteral("empname"), QStringLiteral("姓名"), K::String, 0, 0, true, H::None},
             F{QStringLiteral("deptno"), QStringLiteral("部门编号"), K::String, 30, 0, true, H::None},
             F{QStringLiteral("deptname"), QStringLiteral("部门名称"), K::String, 0, 0, true, H::None},
             F{QStringLiteral("return_date"), QStringLiteral("退卡时间"), K::DateTime, 0, 0, true, H::None},
             F{QStringLiteral("op_user"), QStringLiteral("操作员"), K::String, 0, 0, true, H::None}}),
        def(QStringLiteral("dsAllowance"), QStringLiteral("mallowance"),
            QStringLiteral("registered allowances"), QString(), allowanceFields()),
        def(QStringLiteral("dsExceptRec"), QStringLiteral("MealRecords, storedetail, store"),
            QStringLiteral("exception records"), QString(), exceptionFields()),
        def(QStringLiteral("dsIssueCardRecord"), QStringLiteral("mchargerecords, cardinfo, mcardcost"),
            QStringLiteral("issued cards"), QString(), issueCardFields()),
        def(QStringLiteral("dsLossCardMealRecord"), QStringLiteral("mealrecords, mchangecard"),
            QStringLiteral("consumptions on lost cards"), QString(), lossCardMealFields()),
        def(QStringLiteral("dsAllRec"), QStringLiteral("record tables"), QStringLiteral("all records"),
            QString(), allRecordFields()),
        def(QStringLiteral("dsChargeBak"), QStringLiteral("MChargeRecords_FullBak"),
            QStringLiteral("recharge backups"), QString(), chargeFields()),
        def(QStringLiteral("dsMealREcBac"), QStringLiteral("mealrecords backups"),
            QStringLiteral("consumption backups")),
        def(QStringLiteral("dsOrderrecords"), QStringLiteral("Orderrecords"),
            QStringLiteral("meal-order records"), QString(),
            {coded(QStringLiteral("ordertype"), H::MealOrderType)}),
        def(QStringLiteral("dsordernotmeal"), QStringLiteral("OrderMeal"),
            QStringLiteral("meal-order records")),
        def(QStringLiteral("dsOrderDetail"), QStringLiteral("OrderMeal"),
            QStringLiteral("meal-order records")),
        def(QStringLiteral("dsordertimesec"), QStringLiteral("OrdertimeSec"),
            QStringLiteral("meal-order times")),
        def(QStringLiteral("dsMealTime"), QStringLiteral("DinLev"),
            QStringLiteral("meal levels and their lookup"), MealDataModule::mealTimeStatement()),
        def(QStringLiteral("dsdinlev"), QStringLiteral("DinLev"), QStringLiteral("meal levels"),
            QStringLiteral("select * from dinlev ")),
        def(QStringLiteral("dsDinRoom"), QStringLiteral("DinRoom"), QStringLiteral("dining rooms"),
            QStringLiteral("select * from  DinRoom"),
            {F{QStringLiteral("DinRoom_id"), QStringLiteral("编号"), K::Integer, 0, NoSum, true, H::None},
             F{QStringLiteral("DinRoom_name"), QStringLiteral("餐厅名称"), K::String, 0, 0, true, H::None}}),
        def(QStringLiteral("dsEmp"), QStringLiteral("Employee"), QStringLiteral("employees")),
        def(QStringLiteral("dsBalance"), QStringLiteral("hum_employee, hum_employee_lz, cardinfo"),
            QStringLiteral("card balances"), QString(), balanceFields()),
        def(QStringLiteral("dsEmpAccount"), QStringLiteral("MEmpAccound"),
            QStringLiteral("employee accounts")),
        def(QStringLiteral("dsUSBBlackWhite"), QStringLiteral("Employee, Departs"),
            QStringLiteral("black and white lists")),
        def(QStringLiteral("dsSQL"), QStringLiteral("MUserSQL"), QStringLiteral("user-stored queries"),
            QStringLiteral("select * from MUserSQL")),
        command(QStringLiteral("QryRealSave"), QStringLiteral("MealRecords"), writing),
        command(QStringLiteral("InsertMeal"), QStringLiteral("MealRecords"), writing),
        command(QStringLiteral("InsertMeal692"), QStringLiteral("MealRecords"), writing),
        command(QStringLiteral("InsertSMeal"), QStringLiteral("SMealRecords"), writing),
        command(QStringLiteral("InsertSMeal692"), QStringLiteral("SMealRecords"), writing),
        command(QStringLiteral("QryReal690"), QStringLiteral("MealRecords"), writing),
        command(QStringLiteral("QryReal692"), QStringLiteral("MealRecords"), writing),
        command(QStringLiteral("dsupdateemp"), QStringLiteral("Employee"), writing),
        def(QStringLiteral("qryTmp"), QString(), scratch),
        def(QStringLiteral("qryTemp"), QString(), scratch),
        def(QStringLiteral("dsTemp"), QString(), scratch),
        def(QStringLiteral("dsTmp"), QString(), scratch),
        def(QStringLiteral("qrySQL"), QString(), scratch),
        def(QStringLiteral("dslocatedept"), QString(), scratch),
        def(QStringLiteral("dsemployee"), QString(), scratch),
        def(QStringLiteral("dsChargeCard"), QString(), scratch),
        command(QStringLiteral("cdsIscontrolCard"), QString(),
                QStringLiteral("schema upgrade statement object")),
    };
}

} // namespace

const DataSetFieldDef* DataSetDef::field(const QString& fieldName) const {
    for (const DataSetFieldDef& f : fields)
        if (f.name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

const QVector<DataSetDef>& MealDataModule::dataSets() {
    static const QVector<DataSetDef> registry = buildRegistry();
    return registry;
}

const DataSetDef* MealDataModule::dataSet(const QString& name) {
    for (const DataSetDef& d : dataSets())
        if (d.name.compare(name, Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

TextHandler MealDataModule::handlerOf(const QString& dataSetName, const QString& fieldName) {
    const DataSetDef* d = dataSet(dataSetName);
    const DataSetFieldDef* f = d ? d->field(fieldName) : nullptr;
    return f ? f->handler : TextHandler::None;
}

QString MealDataModule::mealTimeStatement() {
    return QStringLiteral("select * from DinLev order by DinLev_id");
}

QString MealDataModule::activationStatement() {
    return QStringLiteral("select * from DinLev");
}

void MealDataModule::openMealTime(const Session& session) {
    QSqlQuery query(session.ModuleConnection);
    session.runner().RunQuery(query, mealTimeStatement(), true);
    const QSqlRecord record = query.record();
    const int idColumn = record.indexOf(QStringLiteral("DinLev_ID"));
    const int nameColumn = record.indexOf(QStringLiteral("DinLev_Name"));
    QVector<CodeTables::MealLevel> levels;
    while (query.next())
        levels.push_back({idColumn < 0 ? QVariant() : query.value(idColumn),
                          nameColumn < 0 ? QString() : query.value(nameColumn).toString()});
    setMealLevels(levels);
}

void MealDataModule::closeMealTime() {
    m_mealLevels.clear();
    m_mealTimeOpen = false;
}

void MealDataModule::setMealLevels(const QVector<CodeTables::MealLevel>& levels) {
    m_mealLevels = levels;
    m_mealTimeOpen = true;
}

QString MealDataModule::displayText(TextHandler handler, const QVariant& value) const {
    using namespace CodeTables;
    switch (handler) {
    case TextHandler::None:
        return value.isNull() ? QString() : value.toString();
    case TextHandler::ConsumptionFlag:
        return consumptionFlagText(value);
    case TextHandler::MealLevel:
        return mealLevelText(value, m_mealLevels);
    case TextHandler::RechargeKind:
        return rechargeKindText(value);
    case TextHandler::CardCostKind:
        return cardCostKindText(value);
    case TextHandler::IssueCardMoney:
        return issueCardMoneyText(value);
    case TextHandler::PaySource:
        return paySourceText(value);
    case TextHandler::ExceptionKType:
        return exceptionKTypeText(value);
    case TextHandler::ExceptionCType:
        return exceptionCTypeText(value);
    case TextHandler::ExceptionCtKind:
        return exceptionCtKindText(value.toString());
    case TextHandler::MealOrderType:
        return mealOrderTypeText(value);
    }
    return QString();
}

QString MealDataModule::displayText(const QString& dataSetName, const QString& fieldName,
                                    const QVariant& value) const {
    return displayText(handlerOf(dataSetName, fieldName), value);
}
