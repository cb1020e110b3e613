#include "dataset/CellCodec.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace cellcodec {

namespace {
inline bool digit(char c) {
    return c >= '0' && c <= '9';
}

// Reads exactly `count` digits at s[pos].
inline bool digits(const char* s, std::size_t n, std::size_t pos, int count, int& out) {
    if (pos + std::size_t(count) > n)
        return false;
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const char c = s[pos + std::size_t(i)];
        if (!digit(c))
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

// Fractional seconds ".ffffff" at s[pos] to milliseconds (truncated, as the server shows them).
inline bool fraction(const char* s, std::size_t n, std::size_t pos, int& ms) {
    ms = 0;
    if (pos == n)
        return true;
    if (s[pos] != '.')
        return false;
    int scale = 100;
    for (std::size_t i = pos + 1; i < n; ++i) {
        if (!digit(s[i]))
            return false;
        ms += (s[i] - '0') * scale;
        scale /= 10;
    }
    return true;
}
} // namespace

bool parseInt64(const char* s, std::size_t n, std::int64_t& out) {
    if (n > 0 && s[0] == '+') {
        ++s;
        --n;
    }
    const auto r = std::from_chars(s, s + n, out);
    return r.ec == std::errc() && r.ptr == s + n && n > 0;
}

bool parseFixed4(const char* s, std::size_t n, std::int64_t& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < n && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    constexpr std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max());
    std::uint64_t v = 0;
    bool any = false;
    for (; i < n && digit(s[i]); ++i) {
        v = v * 10 + std::uint64_t(s[i] - '0');
        if (v > limit / kFixedScale)
            return false;
        any = true;
    }
    std::uint64_t frac = 0;
    int places = 0;
    bool roundUp = false;
    if (i < n && s[i] == '.') {
        ++i;
        for (; i < n && digit(s[i]); ++i) {
            any = true;
            if (places < 4) {
                frac = frac * 10 + std::uint64_t(s[i] - '0');
                ++places;
            } else if (places == 4) {
                roundUp = s[i] >= '5';
                ++places;
            }
        }
    }
    if (!any || i != n)
        return false;
    for (int p = std::min(places, 4); p < 4; ++p)
        frac *= 10;
    std::uint64_t total = v * std::uint64_t(kFixedScale) + frac + (roundUp ? 1 : 0);
    if (total > limit)
        return false;
    out = negative ? -std::int64_t(total) : std::int64_t(total);
    return true;
}

bool parseDouble(const char* s, std::size_t n, double& out) {
    if (n > 0 && s[0] == '+') {
        ++s;
        --n;
    }
    const auto r = std::from_chars(s, s + n, out);
    return r.ec == std::errc() && r.ptr == s + n && n > 0;
}

std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = unsigned((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(std::int64_t(yoe) + era * 400 + (m <= 2));
}

bool parseDateTime(const char* s, std::size_t n, std::int64_t& msecs) {
    int y, mo, d;
    if (!digits(s, n, 0, 4, y) || n < 10 || s[4] != '-' || !digits(s, n, 5, 2, mo) || s[7] != '-' ||
        !digits(s, n, 8, 2, d))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31)
        return false; // includes the zero date
    std::int64_t ms = daysFromCivil(y, mo, d) * kMsecsPerDay;
    if (n > 10) {
        int h, mi, sec, frac;
        if ((s[10] != ' ' && s[10] != 'T') || !digits(s, n, 11, 2, h) || n < 19 || s[13] != ':' ||
            !digits(s, n, 14, 2, mi) || s[16] != ':' || !digits(s, n, 17, 2, sec) ||
            !fraction(s, n, 19, frac))
            return false;
        ms += ((std::int64_t(h) * 60 + mi) * 60 + sec) * 1000 + frac;
    }
    msecs = ms;
    return true;
}

bool parseTime(const char* s, std::size_t n, std::int64_t& msecs) {
    std::size_t i = 0;
    const bool negative = n > 0 && s[0] == '-';
    if (negative)
        i = 1;
    std::int64_t h = 0;
    const std::size_t start = i;
    for (; i < n && digit(s[i]); ++i)
        h = h * 10 + (s[i] - '0');
    int mi, sec, frac;
    if (i == start || i + 6 > n || s[i] != ':' || !digits(s, n, i + 1, 2, mi) || s[i + 3] != ':' ||
        !digits(s, n, i + 4, 2, sec) || !fraction(s, n, i + 6, frac))
        return false;
    const std::int64_t v = ((h * 60 + mi) * 60 + sec) * 1000 + frac;
    msecs = negative ? -v : v;
    return true;
}

std::int64_t toMsecs(const QDate& d) {
    return daysFromCivil(d.year(), d.month(), d.day()) * kMsecsPerDay;
}
std::int64_t toMsecs(const QTime& t) {
    return t.msecsSinceStartOfDay();
}
std::int64_t toMsecs(const QDateTime& dt) {
    return toMsecs(dt.date()) + toMsecs(dt.time());
}

namespace {
inline std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
} // namespace

QDate toDate(std::int64_t msecs) {
    int y, m, d;
    civilFromDays(floorDiv(msecs, kMsecsPerDay), y, m, d);
    return QDate(y, m, d);
}
QTime toTime(std::int64_t msecs) {
    const std::int64_t ms = msecs - floorDiv(msecs, kMsecsPerDay) * kMsecsPerDay;
    return QTime::fromMSecsSinceStartOfDay(int(ms));
}
QDateTime toDateTime(std::int64_t msecs) {
    return QDateTime(toDate(msecs), toTime(msecs));
}

QString dateText(std::int64_t msecs) {
    int y, m, d;
    civilFromDays(floorDiv(msecs, kMsecsPerDay), y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return QString::fromLatin1(buf);
}

QString timeText(std::int64_t msecs) {
    const bool negative = msecs < 0;
    std::int64_t v = negative ? -msecs : msecs;
    const int ms = int(v % 1000);
    v /= 1000;
    char buf[40];
    if (ms)
        std::snprintf(buf, sizeof buf, "%s%02lld:%02d:%02d.%03d", negative ? "-" : "", (long long)(v / 3600),
                      int(v / 60 % 60), int(v % 60), ms);
    else
        std::snprintf(buf, sizeof buf, "%s%02lld:%02d:%02d", negative ? "-" : "", (long long)(v / 3600),
                      int(v / 60 % 60), int(v % 60));
    return QString::fromLatin1(buf);
}

QString dateTimeText(std::int64_t msecs) {
    const std::int64_t days = floorDiv(msecs, kMsecsPerDay);
    return dateText(msecs) + QLatin1Char(' ') + timeText(msecs - days * kMsecsPerDay);
}

QString fixedText(std::int64_t value, int decimals) {
    decimals = std::clamp(decimals, 0, 4);
    const bool negative = value < 0;
    std::uint64_t v = negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    std::uint64_t div = 1;
    for (int i = decimals; i < 4; ++i)
        div *= 10;
    v = (v + div / 2) / div; // half away from zero
    std::uint64_t unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    QString text = QString::number(v / unit);
    if (decimals > 0)
        text += QLatin1Char('.') + QString::number(v % unit).rightJustified(decimals, QLatin1Char('0'));
    if (negative && v != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString fixedTextTrimmed(std::int64_t value) {
    QString text = fixedText(value, 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

bool doubleToFixed(double v, std::int64_t& out) {
    const double scaled = std::round(v * double(kFixedScale));
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
        return false;
    out = std::int64_t(scaled);
    return true;
}

} // namespace cellcodec
