#pragma once
// What every database benchmark needs: the connection from the environment
// (`eval "$(scripts/db env)"`), the mariadb client timed on the same
// statement as the reference, medians, and wall plus CPU time (on a machine
// shared with compilers the wall time also measures the neighbours).
#include "db/DatabaseConnection.h"

#include <QString>

#include <functional>
#include <vector>

namespace bench {

double median(std::vector<double> values);
long residentBytes();
// The load average over the last minute.
double loadAverage();

// MEAL_DB_SOCKET, MEAL_DB_USER and MEAL_DB_PASSWORD, database `database`.
ConnectionSettings settingsFromEnvironment(const QString& database);

// `mariadb -B [--quick] -e sql database > /dev/null`, in seconds. With
// `bytes` the output goes to a scratch file whose size is returned there.
double timeClient(const ConnectionSettings& settings, const QString& sql, bool quick,
                  qint64* bytes = nullptr);

struct Timing {
    double wall = 0;
    double cpu = 0;
};
// Medians of `runs` runs of `work`.
Timing timeRuns(int runs, const std::function<void()>& work);

// Seconds until `mariadb --quick -B -N` prints its first row (the client is
// then stopped): what the server makes anyone wait, for example its sort.
double timeClientFirstRow(const ConnectionSettings& settings, const QString& sql);

// The client reference of one statement: medians of `runs` runs of plain
// batch mode, of --quick and of the wait for the first row, and the size of
// its output.
struct ClientReference {
    double batch = 0;
    double quick = 0;
    double firstRow = 0;
    qint64 outputBytes = 0;
};
ClientReference measureClient(const ConnectionSettings& settings, const QString& sql, int runs);

} // namespace bench
