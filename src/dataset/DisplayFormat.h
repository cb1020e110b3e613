#pragma once
// Display formats of numeric and date-time fields, written as the forms of
// the module write them: number masks such as "￥0.00", "0", "#,###.00",
// "#,##0.00;(#,##0.00)" and date-time masks such as "yyyy-mm-dd hh:nn:ss".
#include <QString>

#include <cstdint>

namespace displayformat {

// A fixed-point value (value * 10^4) through a number mask; exact, rounded
// half away from zero.
QString formatFixed(const QString& mask, std::int64_t value);
QString formatDouble(const QString& mask, double value);
QString formatInteger(const QString& mask, std::int64_t value);
// Milliseconds as stored for date-time fields (see FieldTypes.h).
QString formatDateTime(const QString& mask, std::int64_t msecs);

} // namespace displayformat
