#pragma once
// Stored date-times (wall-clock milliseconds since 1970-01-01) split into
// calendar parts and joined back with range checks, for the file formats that
// keep dates as year/month/day/hour/minute/second records.
#include <cstdint>

namespace persist {

struct DateTimeParts {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

DateTimeParts splitDateTime(std::int64_t msecs);
// False when a part is out of its range (month 1-12, day of the month,
// hour 0-23, minute and second 0-59, milliseconds 0-999).
bool joinDateTime(const DateTimeParts& parts, std::int64_t& msecs);

} // namespace persist
