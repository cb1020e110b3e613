#include "ctl/demo/DemoTime.h"

namespace DemoTime {

namespace {
void appendTwo(std::string& out, int value) {
    out += char('0' + value / 10);
    out += char('0' + value % 10);
}
} // namespace

void appendDate(std::string& out, int64_t time) {
    const QDate d = dateOf(time);
    const int y = d.year();
    out += char('0' + y / 1000);
    out += char('0' + y / 100 % 10);
    out += char('0' + y / 10 % 10);
    out += char('0' + y % 10);
    out += '-';
    appendTwo(out, d.month());
    out += '-';
    appendTwo(out, d.day());
}

void appendDateTime(std::string& out, int64_t time) {
    appendDate(out, time);
    const int s = secondOfDay(time);
    out += ' ';
    appendTwo(out, s / 3600);
    out += ':';
    appendTwo(out, s / 60 % 60);
    out += ':';
    appendTwo(out, s % 60);
}

std::string dateTimeText(int64_t time) {
    std::string s;
    appendDateTime(s, time);
    return s;
}

} // namespace DemoTime
