// The consumption records window on a demo database: opening a period (the
// rows load on a worker while the window keeps handling events) and exporting
// it as CSV and XLS, against the mariadb client fetching the same statement.
// Prints medians of the runs, the longest pause of the event loop during a
// load, and the rows per second.
//
//   bench_meal_records [--database mealdemo] [--from 2026-11-01] [--to 2026-11-30] [--runs 3]
//
// Connects through MEAL_DB_SOCKET, MEAL_DB_USER and MEAL_DB_PASSWORD
// (`eval "$(scripts/db env)"`); run it with QT_QPA_PLATFORM=offscreen.
#include "dataset/DataSet.h"
#include "db/DatabaseConnection.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"
#include "reports/ui/MealRecords.h"
#include "util/ScriptedPrompter.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

QTextStream out(stdout);

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeClient(const ConnectionSettings& s, const QString& sql) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("mariadb"), {QStringLiteral("-S"), s.ServerName, QStringLiteral("-u"), s.UserId,
                                        QStringLiteral("-p") + s.Password, QStringLiteral("-B"),
                                        QStringLiteral("-e"), sql, s.DatabaseName});
    p.waitForFinished(-1);
    if (p.exitCode() != 0)
        throw DbError(QString::fromLocal8Bit(p.readAllStandardError()));
    return t.nsecsElapsed() / 1e9;
}

// Runs the event loop until the window's load ends; returns the seconds and
// the longest gap between two ticks of a 10 ms timer meanwhile.
std::pair<double, double> waitForLoad(TfrmMealRecords& w, const std::function<void()>& start) {
    QEventLoop loop;
    QObject::connect(&w, &TfrmMealRecords::queryFinished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(10);
    clock.start();
    start();
    if (w.isLoading())
        loop.exec();
    return {clock.nsecsElapsed() / 1e9, longest / 1000.0};
}

double timeExport(TfrmMealRecords& w, ScriptedPrompter& prompter, const QString& path, int filterIndex) {
    QFile::remove(path);
    prompter.clear();
    prompter.answerFile(path, filterIndex);
    QElapsedTimer t;
    t.start();
    w.action(TfrmRecordBaseClass::DataAction::Export)->trigger();
    const double s = t.nsecsElapsed() / 1e9;
    if (!prompter.texts().contains(QStringLiteral("数据导出完成!")))
        throw DbError(QStringLiteral("export failed: ") + prompter.texts().join(QLatin1Char('|')));
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString database = QStringLiteral("mealdemo");
    QDate from(2026, 11, 1);
    QDate to(2026, 11, 30);
    int runs = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--database"))
            database = args[i + 1];
        else if (args[i] == QLatin1String("--from"))
            from = QDate::fromString(args[i + 1], QStringLiteral("yyyy-MM-dd"));
        else if (args[i] == QLatin1String("--to"))
            to = QDate::fromString(args[i + 1], QStringLiteral("yyyy-MM-dd"));
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[i + 1].toInt());
    }
    try {
        ConnectionSettings s;
        s.ServerName = qEnvironmentVariable("MEAL_DB_SOCKET");
        s.UserId = qEnvironmentVariable("MEAL_DB_USER", QStringLiteral("meal"));
        s.Password = qEnvironmentVariable("MEAL_DB_PASSWORD", QStringLiteral("meal"));
        s.DatabaseName = database;
        QTemporaryDir home;
        qputenv("MEAL_SETTINGS_DIR", home.path().toLocal8Bit());
        ModuleContext context;
        context.session.ModuleConnection = openDatabase(s, QStringLiteral("bench"));
        context.session.CurrentUserId = QStringLiteral("ADMIN");
        context.session.programFolder = home.path();
        ScriptedPrompter prompter;
        MealDataModule dm;
        context.MealDM = &dm;
        context.prompter = &prompter;

        TfrmMealRecords w(context);
        w.setPeriod(QDateTime(from, QTime(0, 0)), QDateTime(to, QTime(23, 59, 59)));
        std::vector<double> open, gaps, csv, xls, client;
        int rows = 0;
        QString sql;
        for (int r = 0; r < runs; ++r) {
            const auto [seconds, gap] = waitForLoad(w, [&] {
                if (!w.isVisible())
                    w.show(); // the first activation queries
                else
                    w.action(TfrmRecordBaseClass::DataAction::Refresh)->trigger();
            });
            open.push_back(seconds);
            gaps.push_back(gap);
            rows = w.dataSet()->recordCount();
            sql = w.dataSet()->commandText();
            const QVariantMap period = w.periodParameters();
            sql.replace(QStringLiteral(":@begindate"),
                        QStringLiteral("'%1'").arg(period.value(QStringLiteral("@begindate")).toString()));
            sql.replace(QStringLiteral(":@enddate"),
                        QStringLiteral("'%1'").arg(period.value(QStringLiteral("@enddate")).toString()));
            client.push_back(timeClient(s, sql));
            csv.push_back(timeExport(w, prompter, home.filePath(QStringLiteral("m.csv")), 6));
            xls.push_back(timeExport(w, prompter, home.filePath(QStringLiteral("m.xls")), 4));
        }
        out << "period: " << from.toString(Qt::ISODate) << " .. " << to.toString(Qt::ISODate)
            << ", rows: " << rows << ", runs: " << runs << Qt::endl;
        out << "mariadb -B > /dev/null:        " << median(client) << " s" << Qt::endl;
        out << "window open (all rows loaded): " << median(open) << " s  (ratio "
            << median(open) / median(client) << ", " << qint64(rows / median(open)) << " rows/s)" << Qt::endl;
        out << "longest event-loop pause:      " << median(gaps) << " s" << Qt::endl;
        out << "export CSV:                    " << median(csv) << " s" << Qt::endl;
        out << "export XLS:                    " << median(xls) << " s" << Qt::endl;
        return 0;
    } catch (const DbError& e) {
        out << "bench_meal_records: " << e.message() << Qt::endl;
        return 1;
    }
}
