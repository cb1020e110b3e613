#include "db/Session.h"

#include "db/DbError.h"
#include "db/ProgramFolder.h"

#include <QDir>
#include <cmath>

Session::Session() : programFolder(::programFolder()) {
    m_trace.setProgramFolder(programFolder);
}

QString Session::iniPath() const {
    return QDir(programFolder).filePath(QStringLiteral("Daybook.ini"));
}

namespace {
enum class Engine { Unknown, MySQL, SqlServer };
Engine engineOf(const QSqlDatabase& db) {
    const QString driver = db.driverName();
    if (driver == QLatin1String("QMYSQL") || driver == QLatin1String("QMARIADB"))
        return Engine::MySQL;
    if (driver.contains(QLatin1String("ODBC")))
        return Engine::SqlServer;
    return Engine::Unknown;
}
} // namespace

SqlDialect Session::dialect() const {
    switch (engineOf(ModuleConnection)) {
    case Engine::MySQL:
        return SqlDialect(false, true);
    case Engine::SqlServer:
        return SqlDialect(true, false);
    case Engine::Unknown:
        break;
    }
    return SqlDialect(config.IsSQLServer, config.IsMySQL);
}

QString Session::engineMismatch() const {
    const Engine engine = engineOf(ModuleConnection);
    if ((engine == Engine::MySQL && config.IsSQLServer) || (engine == Engine::SqlServer && config.IsMySQL))
        return QStringLiteral("Daybook.ini 的数据库类型 (Datatype=%1) 与当前数据库连接 (%2) 不符")
            .arg(config.Datatype, ModuleConnection.driverName());
    return QString();
}

void Session::readConfiguration() {
    config = readModuleConfig(iniPath(), config);
    m_trace.setProgramFolder(programFolder);
    m_trace.setToFile(config.isWritelog);
    const QString mismatch = engineMismatch();
    if (!mismatch.isEmpty())
        throw DbError(mismatch);
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
