#include "BenchSupport.h"

#include "db/DbError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

#include <algorithm>
#include <ctime>
#include <unistd.h>

namespace bench {

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long residentBytes() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * sysconf(_SC_PAGESIZE) : 0;
}

double loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().split(' ').value(0).toDouble();
}

ConnectionSettings settingsFromEnvironment(const QString& database) {
    ConnectionSettings s;
    s.ServerName = qEnvironmentVariable("MEAL_DB_SOCKET");
    s.UserId = qEnvironmentVariable("MEAL_DB_USER", QStringLiteral("meal"));
    s.Password = qEnvironmentVariable("MEAL_DB_PASSWORD", QStringLiteral("meal"));
    s.DatabaseName = database;
    if (s.ServerName.isEmpty())
        throw DbError(QStringLiteral("MEAL_DB_SOCKET is not set: eval \"$(scripts/db env)\" first"));
    return s;
}

namespace {
QStringList clientArguments(const ConnectionSettings& s, const QString& sql, const QStringList& options) {
    return QStringList{QStringLiteral("-S"),
                       s.ServerName,
                       QStringLiteral("-u"),
                       s.UserId,
                       QStringLiteral("-p") + s.Password,
                       QStringLiteral("-B")}
           << options << QStringLiteral("-e") << sql << s.DatabaseName;
}
} // namespace

double timeClient(const ConnectionSettings& s, const QString& sql, bool quick, qint64* bytes) {
    const QStringList args =
        clientArguments(s, sql, quick ? QStringList{QStringLiteral("--quick")} : QStringList());
    QTemporaryFile output;
    QProcess p;
    if (bytes) {
        if (!output.open())
            throw DbError(QStringLiteral("cannot create a scratch file for the client's output"));
        p.setStandardOutputFile(output.fileName());
    } else {
        p.setStandardOutputFile(QProcess::nullDevice());
    }
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("mariadb"), args);
    p.waitForFinished(-1);
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw DbError(QStringLiteral("mariadb: ") + QString::fromLocal8Bit(p.readAllStandardError()));
    if (bytes)
        *bytes = QFile(output.fileName()).size();
    return seconds;
}

double timeClientFirstRow(const ConnectionSettings& s, const QString& sql) {
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("mariadb"),
            clientArguments(s, sql, {QStringLiteral("--quick"), QStringLiteral("-N")}));
    if (!p.waitForReadyRead(-1))
        throw DbError(QStringLiteral("mariadb: ") + QString::fromLocal8Bit(p.readAllStandardError()));
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    p.kill();
    p.waitForFinished(-1);
    return seconds;
}

Timing timeRuns(int runs, const std::function<void()>& work) {
    std::vector<double> wall, cpu;
    for (int run = 0; run < std::max(1, runs); ++run) {
        QElapsedTimer timer;
        const std::clock_t c0 = std::clock();
        timer.start();
        work();
        wall.push_back(double(timer.nsecsElapsed()) / 1e9);
        cpu.push_back(double(std::clock() - c0) / CLOCKS_PER_SEC);
    }
    return {median(wall), median(cpu)};
}

ClientReference measureClient(const ConnectionSettings& settings, const QString& sql, int runs) {
    ClientReference r;
    timeClient(settings, sql, true, &r.outputBytes); // also warms the server's caches
    std::vector<double> batch, quick, first;
    for (int run = 0; run < std::max(1, runs); ++run) {
        batch.push_back(timeClient(settings, sql, false));
        quick.push_back(timeClient(settings, sql, true));
        first.push_back(timeClientFirstRow(settings, sql));
    }
    r.batch = median(batch);
    r.quick = median(quick);
    r.firstRow = median(first);
    return r;
}

} // namespace bench
