// One month's bill of the demo database against the floor the database
// allows: a single set-based statement that computes the same category sums
// per card. Reads the connection from Daybook.ini (MEAL_HOME, e.g.
// .run/demo-home after scripts/demo).
//
//   bench_monthly [--from "yyyy-MM-dd HH:mm:ss" --to "..."] [--threads N] [--group N] [--runs N]
//
// The default month is the last whole month before the newest transaction.
// Each run computes a bill under a scratch label and deletes it afterwards.
#include "db/DatabaseConnection.h"
#include "db/IniFile.h"
#include "db/Session.h"
#include "monthly/MonthlyBillBook.h"
#include "monthly/MonthlyBillRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

QString option(const QStringList& args, const QString& name, const QString& def = QString()) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : def;
}

double setBasedSeconds(const Session& s, const MonthlyPeriod& p, int* cards) {
    const QString sql =
        QStringLiteral(
            "select card_id, "
            "sum(case when cType = 'CH' and kind = 0 then card_consume else 0 end), "
            "sum(case when cType = 'CH' and kind in (1, 3, 33, 104) then card_consume else 0 end), "
            "sum(case when cType = 'CH' and kind = 2 then card_consume else 0 end), "
            "sum(case when cType = 'CH' and kind = 30 then card_consume else 0 end), "
            "sum(case when cType = 'CH' and kind not in (0, 1, 2, 3, 30, 33, 104) then card_consume else 0 "
            "end), "
            "sum(case when cType <> 'CH' and kind in (0, 1, 2, 3, 5, 6, 9, 90, 103) then card_consume else 0 "
            "end), "
            "sum(case when cType <> 'CH' and kind = 14 then card_consume else 0 end), "
            "sum(case when cType <> 'CH' and kind = 105 then card_consume else 0 end), "
            "sum(case when cType <> 'CH' and kind not in (0, 1, 2, 3, 5, 6, 9, 14, 90, 103, 105) then "
            "card_consume "
            "else 0 end) from vIsCheckCardRecord where op_date between '%1' and '%2' group by card_id")
            .arg(MonthlyStatements::dateText(p.start), MonthlyStatements::dateText(p.end));
    QElapsedTimer t;
    t.start();
    QSqlQuery q(s.ModuleConnection);
    q.setForwardOnly(true);
    if (!q.exec(sql))
        qFatal("set-based statement failed: %s", qPrintable(q.lastError().text()));
    int n = 0;
    while (q.next()) {
        for (int i = 0; i < 10; ++i)
            q.value(i);
        ++n;
    }
    *cards = n;
    return double(t.nsecsElapsed()) / 1e9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    Session session;
    session.readConfiguration();
    const IniFile ini(session.iniPath());
    session.ModuleConnection = openDatabase(ConnectionSettings::fromIni(ini), QStringLiteral("bench"));

    MonthlyPeriod period;
    if (args.contains(QStringLiteral("--from"))) {
        period.start = QDateTime::fromString(option(args, "--from"), "yyyy-MM-dd HH:mm:ss");
        period.end = QDateTime::fromString(option(args, "--to"), "yyyy-MM-dd HH:mm:ss");
    } else {
        QSqlQuery q(session.ModuleConnection);
        q.exec(QStringLiteral("select max(sign_time) from MealRecords"));
        q.next();
        const QDate newest = q.value(0).toDateTime().date();
        const QDate first = QDate(newest.year(), newest.month(), 1).addMonths(-1);
        period.start = QDateTime(first, QTime(0, 0));
        period.end = QDateTime(first.addMonths(1).addDays(-1), QTime(23, 59, 59));
    }
    MonthlyRunConfig config = MonthlyRunConfig::fromSession(session);
    config.threadCount = option(args, "--threads", QString::number(config.threadCount)).toInt();
    config.groupSize = option(args, "--group", QString::number(config.groupSize)).toInt();
    config.period = period;
    const int runs = option(args, "--runs", "3").toInt();

    out << "month " << MonthlyStatements::dateText(period.start) << " .. "
        << MonthlyStatements::dateText(period.end) << ", " << config.threadCount << " workers, groups of "
        << config.groupSize << "\n";
    std::vector<double> floorTimes;
    std::vector<double> billTimes;
    int activeCards = 0;
    int rows = 0;
    int unbalanced = 0;
    for (int r = 0; r < runs; ++r) {
        floorTimes.push_back(setBasedSeconds(session, period, &activeCards));
        config.MonthDes = QStringLiteral("bench%1").arg(r);
        const MonthlyBillBook book(session);
        book.deleteBill(config.MonthDes);
        MonthlyBillRun run;
        QElapsedTimer t;
        t.start();
        run.startMaster(config);
        run.waitUntilIdle(3600 * 1000);
        billTimes.push_back(double(t.nsecsElapsed()) / 1e9);
        QSqlQuery q(session.ModuleConnection);
        q.exec(book.summaryStatement(config.MonthDes));
        q.next();
        rows = q.value(0).toInt();
        unbalanced = q.value(1).toInt();
        out << "run " << r + 1 << ": set-based " << QString::number(floorTimes.back(), 'f', 2) << " s, bill "
            << QString::number(billTimes.back(), 'f', 2) << " s, " << rows << " rows, " << unbalanced
            << " not balanced, " << run.failedRows() << " not saved\n";
        q.finish();
        book.deleteBill(config.MonthDes);
        out.flush();
    }
    const double floor = median(floorTimes);
    const double bill = median(billTimes);
    out << "median: set-based " << QString::number(floor, 'f', 2) << " s (" << activeCards << " cards), bill "
        << QString::number(bill, 'f', 2) << " s, " << QString::number(rows / bill, 'f', 0)
        << " cards/s, ratio " << QString::number(bill / floor, 'f', 2) << "\n";
    workers::TMealWorkerThread::WaitForAllWorkers(60000);
    return 0;
}
