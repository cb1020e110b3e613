#include "dataset/persist/CellParts.h"

#include "dataset/CellCodec.h"

namespace persist {

DateTimeParts splitDateTime(std::int64_t msecs) {
    std::int64_t days = msecs / kMsecsPerDay;
    std::int64_t rest = msecs % kMsecsPerDay;
    if (rest < 0) {
        rest += kMsecsPerDay;
        --days;
    }
    DateTimeParts p;
    cellcodec::civilFromDays(days, p.year, p.month, p.day);
    p.msec = int(rest % 1000);
    rest /= 1000;
    p.second = int(rest % 60);
    p.minute = int(rest / 60 % 60);
    p.hour = int(rest / 3600);
    return p;
}

bool joinDateTime(const DateTimeParts& p, std::int64_t& msecs) {
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > kDays[p.month - 1] || p.hour < 0 || p.hour > 23 ||
        p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59 || p.msec < 0 || p.msec > 999)
        return false;
    const bool leap = (p.year % 4 == 0 && p.year % 100 != 0) || p.year % 400 == 0;
    if (p.month == 2 && p.day == 29 && !leap)
        return false;
    msecs = cellcodec::daysFromCivil(p.year, p.month, p.day) * kMsecsPerDay +
            ((p.hour * 60 + p.minute) * 60 + p.second) * std::int64_t(1000) + p.msec;
    return true;
}

} // namespace persist
