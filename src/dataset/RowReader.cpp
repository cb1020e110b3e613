#include "dataset/RowReader.h"

#include "db/NamedParameters.h"
#include "db/SqlTrace.h"

#include <QElapsedTimer>

namespace {
std::int64_t nowMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}
} // namespace

BatchPolicy::BatchPolicy() : m_last(nowMs()) {}

bool BatchPolicy::due(std::uint32_t rowsInBatch) {
    if (rowsInBatch >= m_target)
        return true;
    return (rowsInBatch & 127) == 0 && rowsInBatch > 0 && nowMs() - m_last >= 200;
}

void BatchPolicy::delivered() {
    m_target = std::min<std::uint32_t>(m_target * 2, 32768);
    m_last = nowMs();
}

bool readStatement(const QSqlDatabase& db, const QString& sql, const QVariantMap& params, RowSink& sink,
                   const SqlTrace* trace, bool forceQtDriver, const std::atomic<bool>* cancel) {
    const bool mysql = db.driverName() == QLatin1String("QMYSQL");
    const ParsedStatement statement =
        ParsedStatement::parse(sql, mysql || !db.driverName().contains(QLatin1String("ODBC")));
    if (trace)
        trace->write(sql);
    if (mysql && !forceQtDriver)
        return readMariaDb(db, statement.inlined(params, SqlDialect(false, true)), sink, cancel);
    return readQtQuery(db, statement.positional(), statement.orderedValues(params), sink, cancel);
}
