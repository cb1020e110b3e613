#include "ctl/TerminalsCommand.h"

#include "allowance/AllowanceTerminals.h"
#include "allowance/CheckAllowThread.h"
#include "db/SqlDialect.h"
#include "workers/WorkerPool.h"

#include <QEventLoop>
#include <QHash>

using namespace allowance;
using namespace workers;

namespace {

// Stands where a window would: receives the workers' events on the main
// thread and prints them. Records go to standard output as TSV (terminal
// number first), status and log lines to standard error.
class ConsoleReceiver : public QObject {
public:
    ConsoleReceiver(QTextStream& out, QTextStream& err) : m_out(out), m_err(err), m_pool(this) {}

    TBMDThreadPool& pool() { return m_pool; }
    // Runs the event loop until every worker has ended.
    void waitIdle() {
        if (m_pool.count() > 0)
            m_loop.exec();
    }
    const QHash<QString, QString>& lastStatus() const { return m_lastStatus; }

    bool event(QEvent* e) override {
        if (auto* op = dynamic_cast<OpTypeEvent*>(e)) {
            if (op->messageNumber() == WM_CLOCKSTATUS) {
                for (const QString& id : op->msg.target.split(QLatin1Char(',')))
                    m_lastStatus[id] = op->msg.text;
                m_err << "[" << op->msg.target << "] " << op->msg.text << "\n";
            } else if (op->messageNumber() == WM_OPLOG) {
                m_err << op->msg.text << "\n";
            }
            m_err.flush();
            return true;
        }
        if (auto* data = dynamic_cast<AllowDataEvent*>(e)) {
            for (const QString& line : data->msg.records.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
                m_out << data->msg.clock_id << "\t" << line << "\n";
            m_out.flush();
            return true;
        }
        if (auto* life = dynamic_cast<WorkerLifeEvent*>(e)) {
            if (life->messageNumber() == WM_THREADDONE) {
                m_pool.Remove(life->subject);
                if (m_pool.count() == 0)
                    m_loop.quit();
            }
            return true;
        }
        return QObject::event(e);
    }

private:
    QTextStream& m_out;
    QTextStream& m_err;
    TBMDThreadPool m_pool;
    QEventLoop m_loop;
    QHash<QString, QString> m_lastStatus;
};

QString placeOf(const TClockInfo& c) {
    return c.isNetwork() ? c.TCPIP_Address : QStringLiteral("COM%1").arg(c.comport);
}

QString lineOf(const TClockInfo& c) {
    return c.isNetwork()       ? QStringLiteral("TCP/IP")
           : c.TCPIP_type == 1 ? QStringLiteral("RS485")
                               : QStringLiteral("RS232");
}

int listTerminals(CtlContext& ctx) {
    ctx.out << "clock_id\tclock_name\tplace\tline\tclock_sn\topen_tasks\n";
    for (const PendingTerminal& p : AllowanceTerminals(ctx.session).loadWithPending())
        ctx.out << p.clock.clock_id << "\t" << p.clock.clock_name << "\t" << placeOf(p.clock) << "\t"
                << lineOf(p.clock) << "\t" << p.clock.clock_sn << "\t" << p.openTasks << "\n";
    return 0;
}

int usage(CtlContext& ctx, const QString& why) {
    ctx.err << "mealctl terminals: " << why
            << "\nusage: mealctl terminals [read --mode 1|2 | upload] [--clock N]\n";
    return 2;
}

} // namespace

int runTerminalsCommand(CtlContext& ctx, const QStringList& argsIn) {
    QStringList args = argsIn;
    if (args.isEmpty())
        return listTerminals(ctx);
    const QString action = args.takeFirst();
    if (action != QLatin1String("read") && action != QLatin1String("upload"))
        return usage(ctx, QStringLiteral("unknown action ") + action);
    int mode = action == QLatin1String("upload") ? UploadAllowances : -1;
    int onlyClock = -1;
    while (!args.isEmpty()) {
        const QString opt = args.takeFirst();
        if (args.isEmpty())
            return usage(ctx, opt + QStringLiteral(" needs a value"));
        const QString text = args.takeFirst();
        if (opt == QLatin1String("--mode") && action == QLatin1String("read")) {
            const std::optional<qint64> value = SqlDialect::parseInteger(text, 1, 2);
            if (!value)
                return usage(ctx, QStringLiteral("--mode takes 1 (SidyLog) or 2 (SubsidyLog)"));
            mode = int(*value);
        } else if (opt == QLatin1String("--clock")) {
            // A terminal number is positive: a negative one would mean "every terminal".
            const std::optional<qint64> value =
                SqlDialect::parseInteger(text, 1, std::numeric_limits<int>::max());
            if (!value)
                return usage(ctx, QStringLiteral("--clock takes a terminal number (1 or more), not ") + text);
            onlyClock = int(*value);
        } else {
            return usage(ctx, QStringLiteral("unknown option ") + opt);
        }
    }
    if (mode < 0)
        return usage(ctx, QStringLiteral("read needs --mode 1 (SidyLog) or --mode 2 (SubsidyLog)"));

    QVector<TClockInfo> clocks;
    for (const TClockInfo& c : AllowanceTerminals(ctx.session).load())
        if (onlyClock < 0 || c.clock_id == onlyClock)
            clocks.append(c);
    if (clocks.isEmpty()) {
        ctx.err << "mealctl terminals: no allowance terminal"
                << (onlyClock < 0 ? QString() : QStringLiteral(" numbered %1").arg(onlyClock)) << "\n";
        return 1;
    }
    ConsoleReceiver receiver(ctx.out, ctx.err);
    startTerminalWorkers(quint8(mode), clocks, receiver.pool(), AllowWorkerSetup::fromSession(ctx.session));
    receiver.waitIdle();
    TMealWorkerThread::WaitForAllWorkers(30000);

    const QString done = mode == UploadAllowances ? QStringLiteral("上传补贴成功") : ClockStatusText(7);
    int failed = 0;
    for (const TClockInfo& c : clocks)
        if (receiver.lastStatus().value(QString::number(c.clock_id)) != done)
            ++failed;
    return failed == 0 ? 0 : 1;
}
