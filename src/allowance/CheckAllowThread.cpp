#include "allowance/CheckAllowThread.h"

#include "allowance/WorkerClock.h"
#include "db/DatabaseConnection.h"
#include "db/DbError.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

namespace allowance {

using workers::ClockStatusText;

AllowWorkerSetup AllowWorkerSetup::fromSession(const Session& session) {
    AllowWorkerSetup s;
    s.hostConnection = session.ModuleConnection;
    s.trace = session.trace();
    s.dialect = session.dialect();
    s.programFolder = session.programFolder;
    return s;
}

TCheckAllowThread::TCheckAllowThread(quint8 mode, std::shared_ptr<workers::WorkerLink> link,
                                     QString clockList, AllowWorkerSetup setup)
    : TMealWorkerThread(std::move(link)), m_mode(mode), m_clockList(std::move(clockList)),
      m_setup(std::move(setup)), m_link(m_setup.programFolder), m_runner(m_setup.trace) {}

QString TCheckAllowThread::threadTag() const {
    return QString::number(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

void TCheckAllowThread::trace(const QString& text) const {
    // A trace that cannot be written must not keep the worker from finishing.
    try {
        m_setup.trace.write(text);
    } catch (const DbError&) {
    }
}

void TCheckAllowThread::status(int clock_id, const QString& text) {
    status(QString::number(clock_id), text);
}

void TCheckAllowThread::status(const QString& target, const QString& text) {
    PostOpMsg(0, target, text);
}

void TCheckAllowThread::log(const QString& text) {
    PostOpMsg(3, QString(), text);
}

bool TCheckAllowThread::openDatabase() {
    WorkerClock timed(m_setup.timings, &WorkerTimings::databaseNs);
    m_connectionName = QStringLiteral("allowworker-%1").arg(handle()->serial());
    try {
        m_db = openClone(m_setup.hostConnection, m_connectionName);
    } catch (const DbError& e) {
        trace(threadTag() + QStringLiteral("--- ") + e.message());
        m_connectionName.clear();
        return false;
    }
    // Committed reads only, as the terminal work needs no repeatable view.
    QSqlQuery q(m_db);
    q.exec(m_setup.dialect.isSqlServer()
               ? QStringLiteral("SET TRANSACTION ISOLATION LEVEL READ COMMITTED")
               : QStringLiteral("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED"));
    return true;
}

void TCheckAllowThread::closeDatabase() {
    if (m_connectionName.isEmpty())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
}

namespace {
// The clock list as the statement takes it, or empty when an item is no number.
QString checkedClockList(const QString& list) {
    QStringList numbers;
    for (const QString& item : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<qint64> n = SqlDialect::parseInteger(item, 0, std::numeric_limits<int>::max());
        if (!n)
            return QString();
        numbers << QString::number(*n);
    }
    return numbers.join(QLatin1Char(','));
}
} // namespace

void TCheckAllowThread::Execute() {
    trace(threadTag() + QStringLiteral("--- TCheckAllowThread开始执行"));
    const QString failed = ClockStatusText(14);
    if (!openDatabase()) {
        status(m_clockList, failed);
    } else {
        QVector<TClockInfo> clocks;
        const QString list = checkedClockList(m_clockList);
        try {
            if (!list.isEmpty()) {
                WorkerClock timed(m_setup.timings, &WorkerTimings::databaseNs);
                QSqlQuery q(m_db);
                m_runner.RunQuery(q, QStringLiteral("select * from clocks where clock_id in(%1)").arg(list),
                                  true);
                while (q.next())
                    clocks.append(TClockInfo::fromRecord(q.record()));
            }
        } catch (const DbError& e) {
            trace(threadTag() + QStringLiteral("--- ") + e.message());
            clocks.clear();
        }
        if (clocks.isEmpty())
            status(m_clockList, failed);
        for (TClockInfo& clock : clocks) {
            if (Terminated())
                break;
            serveTerminal(clock);
        }
    }
    closeDatabase();
    trace(threadTag() + QStringLiteral("--- TCheckAllowThread执行完成"));
}

void TCheckAllowThread::serveTerminal(TClockInfo& clock) {
    status(clock.clock_id, ClockStatusText(3));
    bool connected = false;
    {
        WorkerClock timed(m_setup.timings, &WorkerTimings::terminalNs);
        connected = m_link.connect(clock);
    }
    if (!connected) {
        status(clock.clock_id, ClockStatusText(13));
        log(QStringLiteral("无法联接\"%1\"号机...").arg(clock.clock_id));
        return;
    }
    // A fault in one terminal's work ends that terminal, never with a
    // success message, and always lets go of the link.
    try {
        if (m_mode == UploadAllowances)
            upload(clock);
        else
            readBack(clock);
    } catch (const std::exception& e) {
        const QString message = QString::fromStdString(e.what());
        trace(threadTag() + QStringLiteral("--- ") + message);
        status(clock.clock_id,
               m_mode == UploadAllowances ? QStringLiteral("上传补贴失败") : ClockStatusText(6));
        log(QStringLiteral("\"%1\"号机: %2").arg(QString::number(clock.clock_id), message));
    }
    WorkerClock timed(m_setup.timings, &WorkerTimings::terminalNs);
    TerminalLink::disconnect(clock);
}

int startTerminalWorkers(quint8 mode, const QVector<TClockInfo>& clocks, workers::TBMDThreadPool& pool,
                         const AllowWorkerSetup& setup) {
    int started = 0;
    QStringList serial;
    const auto launch = [&](const QString& list) {
        auto* worker = new TCheckAllowThread(mode, pool.link(), list, setup);
        pool.Add(worker->handle());
        worker->start();
        ++started;
    };
    for (const TClockInfo& clock : clocks) {
        if (clock.isNetwork())
            launch(QString::number(clock.clock_id));
        else
            serial << QString::number(clock.clock_id);
    }
    if (!serial.isEmpty())
        launch(serial.join(QLatin1Char(',')));
    return started;
}

} // namespace allowance
