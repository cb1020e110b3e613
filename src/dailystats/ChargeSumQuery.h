#pragma once
// The daily recharge summary ("每日充值汇总表"): per day, one record for the
// whole period, or per day and operator; cash received and paid out by kind.
#include "dailystats/DailySumsCommon.h"

#include <QVector>

class Session;

struct ChargeSumFilter {
    enum class Form { PerDay, OneRecord, PerOperator };
    DayRange range;
    Form form = Form::PerDay;
};

namespace ChargeSumQuery {
// The operator shown for rows without one (terminal data).
QString machineOperator();
// The data module's data set of the form: dsChargeSum, dschargesum2, dschargeSum3.
QString dataSetName(ChargeSumFilter::Form form);
// The statement, with the period as :@begin and :@end (dayParameters).
QString statement(const ChargeSumFilter& filter, const SqlDialect& dialect);
// The money columns, in grid order (the cash received last).
const QStringList& moneyFields();
// Hidden without the cashier-terminal and discount items (bit 2 of the module options).
QStringList hiddenFields(int moduleOptions);
} // namespace ChargeSumQuery
