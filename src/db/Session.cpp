#include "db/Session.h"

#include "db/ProgramFolder.h"

#include <QDir>
#include <cmath>

Session::Session() : programFolder(::programFolder()) {
    m_trace.setProgramFolder(programFolder);
}

QString Session::iniPath() const {
    return QDir(programFolder).filePath(QStringLiteral("Daybook.ini"));
}

void Session::readConfiguration() {
    config = readModuleConfig(iniPath(), config);
    m_trace.setProgramFolder(programFolder);
    m_trace.setToFile(config.isWritelog);
}

static const QDateTime& dayZero() {
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    return zero;
}

QDateTime dateTimeFromDayNumber(double days) {
    const double whole = std::floor(days);
    const qint64 ms = qint64(std::llround((days - whole) * 86400000.0));
    return dayZero().addDays(qint64(whole)).addMSecs(ms);
}

double dayNumberFromDateTime(const QDateTime& dt) {
    const qint64 days = dayZero().date().daysTo(dt.date());
    return double(days) + double(dt.time().msecsSinceStartOfDay()) / 86400000.0;
}

void Session::readTraceSetting() {
    m_trace.setProgramFolder(programFolder);
    m_trace.setToFile(readModuleConfig(iniPath(), config).isWritelog);
}
