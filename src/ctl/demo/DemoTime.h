#pragma once
// Local date-times of the demo data as seconds from 2000-01-01 00:00:00, with
// cached texts in the forms the database takes ("yyyy-MM-dd HH:mm:ss").
#include <QDate>

#include <cstdint>
#include <string>

namespace DemoTime {

constexpr int64_t kDay = 86400;

inline int64_t dayNumber(const QDate& date) {
    return date.toJulianDay() - QDate(2000, 1, 1).toJulianDay();
}
inline QDate dateOf(int64_t time) {
    const int64_t day = time >= 0 ? time / kDay : (time - kDay + 1) / kDay;
    return QDate::fromJulianDay(QDate(2000, 1, 1).toJulianDay() + day);
}
inline int64_t at(const QDate& date, int hour, int minute, int second = 0) {
    return dayNumber(date) * kDay + hour * 3600 + minute * 60 + second;
}
inline int secondOfDay(int64_t time) {
    return int(time - (time >= 0 ? time / kDay : (time - kDay + 1) / kDay) * kDay);
}

// "yyyy-MM-dd"
void appendDate(std::string& out, int64_t time);
// "yyyy-MM-dd HH:mm:ss"
void appendDateTime(std::string& out, int64_t time);
std::string dateTimeText(int64_t time);

} // namespace DemoTime
