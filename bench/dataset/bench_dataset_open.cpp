// Opens N rows of a consumption-shaped table into the data set and compares
// with the mariadb client fetching the same statement in batch mode, in the
// same run; then filters and sorts the loaded rows. Prints medians of three
// runs, the time to the first rows, and the data set's memory against the
// size of the client's output.
//
//   bench_dataset_open [--rows N] [--database NAME] [--runs K] [--sql TEXT] [--work-only 1]
//
// Connects through MEAL_DB_SOCKET, MEAL_DB_USER and MEAL_DB_PASSWORD
// (`eval "$(scripts/db env)"`). Without --sql the table bench_consume of
// the scratch database (default "bench_dataset") is generated with N rows
// when it does not hold them yet.
#include "dataset/DataSet.h"
#include "db/DatabaseConnection.h"
#include "db/DbError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

QTextStream out(stdout);

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long residentBytes() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * sysconf(_SC_PAGESIZE) : 0;
}

void exec(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        throw DbError(sql + QStringLiteral(": ") + q.lastError().text());
}

// 14 columns shaped like the consumption list: texts (some Chinese), integers,
// a date-time and two money columns.
void generate(QSqlDatabase& db, int rows) {
    QSqlQuery q(db);
    exec(q, QStringLiteral("drop table if exists bench_consume"));
    exec(
        q,
        QStringLiteral(
            "create table bench_consume (sys_id int auto_increment primary key, emp_id varchar(12), "
            "card_id int, empname varchar(20), deptno varchar(30), deptname varchar(40), sign_time datetime, "
            "card_consume decimal(12,2), card_balance decimal(12,2), Card_Sequ int, clock_id int, "
            "Pos_Sequ int, flag int, kind varchar(50), opcard_id varchar(50))"));
    exec(
        q,
        QStringLiteral(
            "insert into bench_consume (emp_id, card_id, empname, deptno, deptname, sign_time, card_consume, "
            "card_balance, Card_Sequ, clock_id, Pos_Sequ, flag, kind, opcard_id) "
            "select lpad(seq % 20000, 6, '0'), 100000 + seq % 20000, "
            "concat(elt(1 + seq % 7, '张', '李', '王', '赵', '陈', '刘', '欧阳'), "
            "       elt(1 + (seq div 7) % 6, '伟', '芳', '娜', '秀英', '强', '磊')), "
            "concat('0', 1 + seq % 9, lpad(seq % 13, 2, '0')), "
            "elt(1 + seq % 5, '财务部', '生产一车间', '后勤保障部', '研发中心', '销售部'), "
            "timestamp('2024-03-01') + interval (seq * 2.6) second, "
            "(seq % 2500) / 100, (seq * 7 % 100000) / 100, seq div 20000, 1 + seq % 40, seq % 65000, "
            "elt(1 + seq % 4, 1, 2, 3, 5), 1 + seq % 4, if(seq % 10 = 0, 'op01', null) "
            "from seq_1_to_%1")
            .arg(rows));
}

double timeClient(const ConnectionSettings& s, const QString& sql, bool quick, qint64* bytes) {
    QStringList args{
        QStringLiteral("-S"), s.ServerName, QStringLiteral("-u"), s.UserId, QStringLiteral("-p") + s.Password,
        QStringLiteral("-B")};
    if (quick)
        args << QStringLiteral("--quick");
    args << QStringLiteral("-e") << sql << s.DatabaseName;
    QProcess p;
    if (bytes)
        p.setStandardOutputFile(QStringLiteral("/tmp/bench_dataset_client.out"));
    else
        p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("mariadb"), args);
    p.waitForFinished(-1);
    const double seconds = t.nsecsElapsed() / 1e9;
    if (p.exitCode() != 0)
        throw DbError(QString::fromLocal8Bit(p.readAllStandardError()));
    if (bytes) {
        *bytes = QFile(QStringLiteral("/tmp/bench_dataset_client.out")).size();
        QFile::remove(QStringLiteral("/tmp/bench_dataset_client.out"));
    }
    return seconds;
}

} // namespace

namespace {

void compareOpen(const ConnectionSettings& s, QSqlDatabase& db, const QString& sql, int runs) {
    qint64 clientBytes = 0;
    timeClient(s, sql, true, &clientBytes); // warms the server's caches, measures the output
    std::vector<double> client, clientQuick, dataSet, qtPath, firstRows;
    std::size_t memory = 0;
    long rssDelta = 0;
    int loaded = 0;
    for (int run = 0; run < runs; ++run) {
        client.push_back(timeClient(s, sql, false, nullptr));
        clientQuick.push_back(timeClient(s, sql, true, nullptr));
        const long rssBefore = residentBytes();
        DataSet ds;
        QElapsedTimer t;
        double first = -1;
        DataSet::OpenOptions options;
        options.progress = [&](std::uint32_t) {
            if (first < 0)
                first = t.nsecsElapsed() / 1e9;
            return true;
        };
        t.start();
        ds.open(db, sql, {}, options);
        dataSet.push_back(t.nsecsElapsed() / 1e9);
        firstRows.push_back(first);
        memory = ds.memoryBytes();
        rssDelta = residentBytes() - rssBefore;
        loaded = ds.recordCount();
    }
    {
        DataSet ds;
        DataSet::OpenOptions options;
        options.forceQtDriver = true;
        QElapsedTimer t;
        t.start();
        ds.open(db, sql, {}, options);
        qtPath.push_back(t.nsecsElapsed() / 1e9);
    }
    // The first rows of a statement the server need not sort first.
    double firstUnsorted = -1;
    {
        QString unsorted = sql;
        const int order = unsorted.lastIndexOf(QLatin1String("order by"), -1, Qt::CaseInsensitive);
        if (order > 0)
            unsorted.truncate(order);
        DataSet ds;
        QElapsedTimer t;
        DataSet::OpenOptions options;
        options.progress = [&](std::uint32_t) {
            if (firstUnsorted < 0)
                firstUnsorted = t.nsecsElapsed() / 1e9;
            return true;
        };
        t.start();
        ds.open(db, unsorted, {}, options);
    }
    const double c = median(client), cq = median(clientQuick), d = median(dataSet);
    out << "rows loaded:                    " << loaded << Qt::endl;
    out << "mariadb -B > /dev/null:         " << c << " s" << Qt::endl;
    out << "mariadb --quick -B > /dev/null: " << cq << " s" << Qt::endl;
    out << "data set (C API):               " << d << " s  ratio " << d / c << " (to --quick: " << d / cq
        << ")" << Qt::endl;
    out << "first rows after:               " << median(firstRows) << " s" << Qt::endl;
    out << "first rows, without ORDER BY:   " << firstUnsorted << " s" << Qt::endl;
    out << "data set (QSqlQuery path):      " << qtPath.front() << " s  ratio " << qtPath.front() / c
        << Qt::endl;
    out << "client output:                  " << clientBytes / 1e6 << " MB" << Qt::endl;
    out << "data set memory:                " << memory / 1e6 << " MB ("
        << double(memory) / double(clientBytes) << " x output), process RSS grew " << rssDelta / 1e6 << " MB"
        << Qt::endl;
}

void workOnLoadedRows(QSqlDatabase& db, const QString& sql, int runs) {
    // Work on the loaded rows.
    DataSet ds;
    ds.open(db, sql);
    auto timed = [&](const char* what, const std::function<void()>& work) {
        // CPU time as well as wall time: on a busy machine the wall time
        // measures the neighbours.
        std::vector<double> wall, cpu;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            const std::clock_t c0 = std::clock();
            timer.start();
            work();
            wall.push_back(timer.nsecsElapsed() / 1e9);
            cpu.push_back(double(std::clock() - c0) / CLOCKS_PER_SEC);
        }
        out << what << median(wall) << " s (cpu " << median(cpu) << " s), " << ds.recordCount()
            << " rows in view" << Qt::endl;
    };
    timed("filter (card_consume > 20 AND flag = 2):  ", [&] {
        ds.setFiltered(false);
        ds.setFilter(QStringLiteral("card_consume > 20 AND flag = 2"));
        ds.setFiltered(true);
    });
    timed("filter (empname LIKE '欧阳%' OR deptno = '0501'): ",
          [&] { ds.setFilter(QStringLiteral("empname LIKE '欧阳%' OR deptno = '0501'")); });
    ds.setFiltered(false);
    timed("sort (card_balance DESC):                  ",
          [&] { ds.setSort(QStringLiteral("card_balance DESC")); });
    timed("sort (deptname, sign_time DESC):           ",
          [&] { ds.setSort(QStringLiteral("deptname, sign_time DESC")); });
    timed("sort (empname):                            ", [&] { ds.setSort(QStringLiteral("empname")); });
    timed("locate (card_id = last value):             ", [&] {
        ds.locate(QStringLiteral("card_id;clock_id"), QVariantList{119999, 40});
    });
    std::int64_t sum = 0;
    timed("exact sum of card_consume:                 ",
          [&] { sum = ds.sumFixed(ds.fieldByName(QStringLiteral("card_consume")).index()); });
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rows = 1000000;
    int runs = 3;
    QString database = QStringLiteral("bench_dataset");
    QString sql;
    bool workOnly = false;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rows"))
            rows = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--database"))
            database = args[i + 1];
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--sql"))
            sql = args[i + 1];
        else if (args[i] == QLatin1String("--work-only"))
            workOnly = args[i + 1] == QLatin1String("1");
    }
    try {
        ConnectionSettings s;
        s.ServerName = qEnvironmentVariable("MEAL_DB_SOCKET");
        s.UserId = qEnvironmentVariable("MEAL_DB_USER", QStringLiteral("meal"));
        s.Password = qEnvironmentVariable("MEAL_DB_PASSWORD", QStringLiteral("meal"));
        s.DatabaseName = QString();
        {
            QSqlDatabase admin = openDatabase(s, QStringLiteral("admin"));
            QSqlQuery q(admin);
            exec(q, QStringLiteral("create database if not exists `%1` character set utf8mb4").arg(database));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        s.DatabaseName = database;
        QSqlDatabase db = openDatabase(s, QStringLiteral("bench"));
        if (sql.isEmpty()) {
            QSqlQuery q(db);
            const bool have = q.exec(QStringLiteral("select count(*) from bench_consume")) && q.next() &&
                              q.value(0).toInt() == rows;
            q.finish();
            if (!have) {
                out << "generating " << rows << " rows ..." << Qt::endl;
                QElapsedTimer t;
                t.start();
                generate(db, rows);
                out << "generated in " << t.elapsed() / 1000.0 << " s" << Qt::endl;
            }
            sql = QStringLiteral(
                "SELECT emp_id, card_id, empname, deptno, deptname, clock_id, Pos_Sequ, Card_Sequ, "
                "sign_time, flag, card_consume, card_balance, kind, opcard_id FROM bench_consume "
                "order by emp_id, sys_id, card_sequ");
        }
        out << "statement: " << sql << Qt::endl;

        if (!workOnly)
            compareOpen(s, db, sql, runs);
        workOnLoadedRows(db, sql, runs);
    } catch (const DbError& e) {
        out << "error: " << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
