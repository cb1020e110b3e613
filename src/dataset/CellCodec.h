#pragma once
// Conversions between the server's text form of a cell, the compact stored
// form (see FieldTypes.h) and Qt values. The parsers take a byte range and do
// not allocate; they are on the load path of every cell.
#include "dataset/FieldTypes.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstddef>
#include <cstdint>

namespace cellcodec {

bool parseInt64(const char* s, std::size_t n, std::int64_t& out);
// A decimal number as value * 10^4; further decimals are rounded half away
// from zero. Refuses anything that is not a plain decimal number or overflows.
bool parseFixed4(const char* s, std::size_t n, std::int64_t& out);
bool parseDouble(const char* s, std::size_t n, double& out);
// "yyyy-MM-dd", "yyyy-MM-dd HH:mm:ss[.ffffff]" (also with "T"). A zero date
// ("0000-00-00") is refused: it reads as null.
bool parseDateTime(const char* s, std::size_t n, std::int64_t& msecs);
// "[-]H:mm:ss[.ffffff]" with any number of hours.
bool parseTime(const char* s, std::size_t n, std::int64_t& msecs);

std::int64_t daysFromCivil(int y, int m, int d);
void civilFromDays(std::int64_t days, int& y, int& m, int& d);

std::int64_t toMsecs(const QDateTime& dt);
std::int64_t toMsecs(const QDate& d);
std::int64_t toMsecs(const QTime& t);
QDateTime toDateTime(std::int64_t msecs);
QDate toDate(std::int64_t msecs);
QTime toTime(std::int64_t msecs);

// "yyyy-MM-dd HH:mm:ss" (and ".zzz" when there are milliseconds).
QString dateTimeText(std::int64_t msecs);
QString dateText(std::int64_t msecs);
QString timeText(std::int64_t msecs);

// Fixed-point text with exactly `decimals` places (0..4), rounded half away from zero.
QString fixedText(std::int64_t value, int decimals);
// Shortest exact text of a fixed-point value ("12.5", "-3", "0.0001").
QString fixedTextTrimmed(std::int64_t value);
inline double fixedToDouble(std::int64_t value) {
    return double(value) / double(kFixedScale);
}
// Rounds a double to fixed-point; false when out of range.
bool doubleToFixed(double v, std::int64_t& out);

} // namespace cellcodec
