#pragma once
// The names the host passes to ShowDllForm and the object names of the main
// form's actions, written once: menus, the window table and the host's own
// menu name them through these constants, so a misspelt name does not build.
namespace ActionName {
inline constexpr char FullRecord[] = "ActFullRecord";
inline constexpr char MealRecord[] = "ActMealRecord";
inline constexpr char BackRecords[] = "ActBackRecords";
inline constexpr char CardBalance[] = "ActCardBalance";
inline constexpr char ChargeRecords[] = "ActChargeRecords";
inline constexpr char ChargeSumDay[] = "ActChargeSumDay";
inline constexpr char MealSumDay[] = "ActMealSumDay";
inline constexpr char DinRoomSum[] = "ActDinRoomSum";
inline constexpr char Allowance[] = "ActAllowance";
inline constexpr char AddAllowdown[] = "ActAddAllowdown";
inline constexpr char OnlineAllow[] = "ActOnlineAllow";
inline constexpr char EmpDinLev[] = "ActEmpDinLev";
inline constexpr char DepartDinLev[] = "ActDepartDinLev";
inline constexpr char ClockDinlev[] = "ActClockDinlev";
inline constexpr char CardCost[] = "ActCardCost";
inline constexpr char CheckData[] = "ActCheckData";
inline constexpr char ReturnCard[] = "ActReturnCard";
inline constexpr char EmpChargeSum[] = "ActEmpChargeSum";
inline constexpr char MonthCal[] = "actMonthCal";
inline constexpr char MealMonth[] = "actMealMonth";
inline constexpr char PersonAccount[] = "ActPersonAccount";
inline constexpr char Orderrecord[] = "ActOrderrecord";
inline constexpr char OrderNotMeal[] = "ActOrderNotMeal";
inline constexpr char Orderparam[] = "Actorderparam";
inline constexpr char OrderDetail[] = "ActorderDetail";
inline constexpr char Ordertimesec[] = "ActOrdertimesec";
inline constexpr char HSRecords[] = "ActHSRecords";
// Reached only from the host's own menu.
inline constexpr char MonthlyBalance[] = "ActMonthlyBalance";
inline constexpr char CardCenterSta[] = "ActCardCenterSta";
inline constexpr char ExceptRecord[] = "ActExceptRecord";
inline constexpr char SettleAccounts[] = "ActSettleAccounts";
inline constexpr char MealSumDaySec[] = "ActMealSumDaySec";
inline constexpr char EmpAllRecords[] = "ActEmpAllRecords";
inline constexpr char FullBak[] = "ActFullBak";
inline constexpr char IssueCardRecord[] = "ActIssueCardRecord";
inline constexpr char LossCardMealRecord[] = "ActLossCardMealRecord";
// Opened from the allowance list only.
inline constexpr char ShowMallowsInEqu[] = "ActShowMallowsInEqu";
} // namespace ActionName
