// Allowance upload throughput: open tasks for 10 network terminals and for 2
// serial terminals sharing one line, sent by the terminal workers to
// posterm-sim and booked in the database.
//
//   bench_terminals [--network-tasks N] [--serial-tasks N] [--trace 0|1]
//
// Connects through MEAL_DB_SOCKET, MEAL_DB_USER and MEAL_DB_PASSWORD (the
// private server of scripts/db), works in a database "bench_terminals" of its
// own (dropped and created), and binds 127.66.0.1-10 port 80 (needs the right
// to bind port 80). Reports tasks per second and where the workers spent
// their time: in the database (task query, bookings) or on the wire (connect,
// version query, appends).
#include "allowance/CheckAllowThread.h"
#include "db/DatabaseConnection.h"
#include "db/DbError.h"
#include "db/SqlScript.h"
#include "workers/WorkerPool.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

using namespace allowance;
using namespace workers;

namespace {

class Receiver : public QObject {
public:
    Receiver() : pool(this) {}
    TBMDThreadPool pool;
    QEventLoop loop;
    int successes = 0;
    bool event(QEvent* e) override {
        if (auto* op = dynamic_cast<OpTypeEvent*>(e)) {
            if (op->msg.text == QStringLiteral("上传补贴成功"))
                ++successes;
            return true;
        }
        if (auto* life = dynamic_cast<WorkerLifeEvent*>(e)) {
            pool.Remove(life->subject);
            if (pool.count() == 0)
                loop.quit();
            return true;
        }
        return QObject::event(e);
    }
};

void exec(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        throw DbError(sql.left(200));
}

// Open tasks for one terminal, inserted in chunks.
void addTasks(QSqlQuery& q, int clockId, int count, int firstSys) {
    for (int done = 0; done < count;) {
        QStringList rows;
        for (int i = 0; i < 1000 && done < count; ++i, ++done) {
            const int sys = firstSys + done;
            rows << QStringLiteral(
                        "('SN%1', %1, %2, 'E%2', %3, '员工', %2, 7, 12.50, '2099-12-31', 'ADMIN', now())")
                        .arg(clockId)
                        .arg(sys)
                        .arg(50000 + sys);
        }
        exec(q, QStringLiteral(
                    "insert into allowtasklist (clock_sn, clock_id, sys_id, emp_id, card_id, empname, "
                    "aow_id, charge_ver, charge_money, charge_date, op_user, op_date) values ") +
                    rows.join(QLatin1Char(',')));
    }
    exec(q, QStringLiteral("insert into mallowance (id, sys_id, card_id, deposit, charge_ver) select aow_id, "
                           "sys_id, card_id, charge_money, charge_ver from allowtasklist where clock_id = %1")
                .arg(clockId));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    int networkTasks = 10000;
    int serialTasks = 2000;
    bool traceOn = true;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--network-tasks"))
            networkTasks = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--serial-tasks"))
            serialTasks = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--trace"))
            traceOn = args[i + 1] == QLatin1String("1");
    }
    const int networkTerminals = 10;
    const int serialTerminals = 2;

    QTemporaryDir home;
    qputenv("MEAL_HOME", home.path().toLocal8Bit());
    QProcess sim;
    QStringList simArgs{QStringLiteral("--passwd"), QStringLiteral("0"), QStringLiteral("--state"),
                        home.filePath(QStringLiteral("bench.state"))};
    for (int n = 1; n <= networkTerminals; ++n)
        simArgs << QStringLiteral("--listen") << QStringLiteral("127.66.0.%1:80").arg(n);
    simArgs << QStringLiteral("--serial") << QStringLiteral("41,42");
    sim.start(QStringLiteral(POSTERM_SIM_PATH), simArgs);
    QString device;
    QDeadlineTimer ready(10000);
    bool up = false;
    while (!up && !ready.hasExpired() && sim.waitForReadyRead(500)) {
        while (sim.canReadLine()) {
            const QString line = QString::fromUtf8(sim.readLine()).trimmed();
            if (line.startsWith(QLatin1String("serial ")))
                device = line.section(QLatin1Char(' '), 2);
            up = up || line == QLatin1String("ready");
        }
    }
    if (!up) {
        std::fprintf(stderr, "bench_terminals: posterm-sim did not start: %s\n",
                     sim.readAllStandardError().constData());
        return 1;
    }

    ConnectionSettings settings;
    settings.ServerName = qEnvironmentVariable("MEAL_DB_SOCKET");
    settings.UserId = qEnvironmentVariable("MEAL_DB_USER", QStringLiteral("meal"));
    settings.Password = qEnvironmentVariable("MEAL_DB_PASSWORD", QStringLiteral("meal"));
    settings.DatabaseName = QString();
    const QString dbName = QStringLiteral("bench_terminals");
    try {
        {
            QSqlDatabase admin = openDatabase(settings, QStringLiteral("admin"));
            QSqlQuery q(admin);
            exec(q, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(dbName));
            exec(q, QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4").arg(dbName));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        settings.DatabaseName = dbName;
        QSqlDatabase db = openDatabase(settings, QStringLiteral("bench"));
        runSqlScriptFile(db, QStringLiteral(MEAL_SOURCE_DIR "/src/host/schema/mysql.sql"));
        QFile ini(home.filePath(QStringLiteral("Daybook.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[RunTimeConfig]\nisPing=1\n[SerialPorts]\nCOM9=%1\n").arg(device).toUtf8());
        ini.close();

        QSqlQuery q(db);
        QVector<TClockInfo> clocks;
        for (int n = 1; n <= networkTerminals + serialTerminals; ++n) {
            const bool network = n <= networkTerminals;
            const int id = network ? n : 40 + n - networkTerminals;
            exec(q,
                 QStringLiteral("insert into clocks (clock_id, clock_name, Clock_type, comport, BaudRate, "
                                "TCPIP_type, TCPIP_Address, commkey, clock_sn) values (%1, 'T%1', '4', %2, "
                                "115200, %3, '127.66.0.%4', 0, 'SN%1')")
                     .arg(id)
                     .arg(network ? 0 : 9)
                     .arg(network ? 0 : 1)
                     .arg(n));
            const int count = network ? networkTasks / networkTerminals : serialTasks / serialTerminals;
            addTasks(q, id, count, id * 100000);
            TClockInfo c;
            c.clock_id = id;
            c.TCPIP_type = network ? 0 : 1;
            clocks.append(c);
        }

        Receiver receiver;
        WorkerTimings timings;
        AllowWorkerSetup setup;
        setup.hostConnection = db;
        setup.trace = SqlTrace(traceOn, home.path());
        setup.programFolder = home.path();
        setup.timings = &timings;
        QElapsedTimer wall;
        wall.start();
        startTerminalWorkers(UploadAllowances, clocks, receiver.pool, setup);
        receiver.loop.exec();
        const double seconds = wall.nsecsElapsed() / 1e9;
        TMealWorkerThread::WaitForAllWorkers(30000);

        exec(q, QStringLiteral("select count(*) from allowtasklist where iscommit = 1"));
        q.next();
        const int booked = q.value(0).toInt();
        const int total = networkTasks + serialTasks;
        const double dbSec = timings.databaseNs.load() / 1e9;
        const double wireSec = timings.terminalNs.load() / 1e9;
        out << "tasks " << total << " (network " << networkTasks << " on " << networkTerminals
            << " terminals, serial " << serialTasks << " on " << serialTerminals
            << " terminals of one line), booked " << booked << ", terminals done " << receiver.successes
            << "/" << clocks.size() << "\n";
        out << "wall " << QString::number(seconds, 'f', 2) << " s, "
            << QString::number(total / seconds, 'f', 0) << " tasks/s, SQL trace "
            << (traceOn ? "to file" : "off") << "\n";
        out << "worker time (summed over " << (networkTerminals + 1) << " workers): database "
            << QString::number(dbSec, 'f', 2) << " s, wire " << QString::number(wireSec, 'f', 2)
            << " s; database " << QString::number(100.0 * dbSec / (dbSec + wireSec), 'f', 1) << "% / wire "
            << QString::number(100.0 * wireSec / (dbSec + wireSec), 'f', 1) << "%\n";
        out.flush();
        q = QSqlQuery();
        db.close();
    } catch (const DbError& e) {
        std::fprintf(stderr, "bench_terminals: %s\n", e.what());
        sim.terminate();
        sim.waitForFinished(5000);
        return 1;
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
