// The statistics windows on a demo database: each opens a month as the menu
// opens it, against the mariadb client running the window's own statement;
// for the meal-period sums and the person account also the client running
// the plainer statement the window's replaces (the same rows).
//
//   bench_statistics [--database mealdemo] [--month 2026-11] [--runs 3] [--skip-plain] [--only ActEmpDinLev]
//
// Connects through MEAL_DB_SOCKET, MEAL_DB_USER and MEAL_DB_PASSWORD
// (`eval "$(scripts/db env)"`); run it with QT_QPA_PLATFORM=offscreen.
#include "WindowBench.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"
#include "framework/ui/DptRecordBaseClass.h"
#include "reports/stats/MealLevelQuery.h"
#include "reports/stats/PersonAccountQuery.h"
#include "shell/ActionNames.h"
#include "shell/WindowTable.h"
#include "util/ScriptedPrompter.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

namespace {

QTextStream out(stdout);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    bench::addWindowBenchOptions(parser, true);
    parser.addOption(
        {QStringLiteral("only"), QStringLiteral("one window's action name"), QStringLiteral("action")});
    parser.addOption(
        {QStringLiteral("skip-plain"),
         QStringLiteral("leave out the plainer statements (the correlated person account runs for "
                        "minutes on a large site)")});
    parser.process(app);
    const QDate first = bench::monthOf(parser);
    const int runs = bench::runsOf(parser);
    if (!first.isValid()) {
        out << "bench_statistics: --month is yyyy-MM" << Qt::endl;
        return 2;
    }
    const QDateTime begin(first, QTime(0, 0));
    const QDateTime end(first.addMonths(1).addDays(-1), QTime(23, 59, 59));
    try {
        const ConnectionSettings s = bench::settingsFromEnvironment(parser.value(QStringLiteral("database")));
        bench::WindowBenchContext setup(s, 2 | 4 | 8);
        ModuleContext& context = setup.context;

        // The plainer statements, as the windows would build them for ADMIN.
        const auto perRecord = [&](MealLevelGrouping grouping) {
            MealLevelFilter f;
            f.grouping = grouping;
            f.begin = begin.date();
            f.end = end.date();
            return MealLevelQuery::recordStatement(f, context.session);
        };
        QHash<QString, QString> plain = {
            {QLatin1String(ActionName::EmpDinLev), perRecord(MealLevelGrouping::Employee)},
            {QLatin1String(ActionName::DepartDinLev), perRecord(MealLevelGrouping::Department)},
            {QLatin1String(ActionName::ClockDinlev), perRecord(MealLevelGrouping::Terminal)},
            {QLatin1String(ActionName::PersonAccount),
             PersonAccountQuery::correlatedStatement(PersonAccountFilter(), context.session)}};
        if (parser.isSet(QStringLiteral("skip-plain")))
            plain.clear();

        out << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) << ", load average "
            << bench::loadAverage() << ", " << begin.toString(Qt::ISODate) << " .. "
            << end.toString(Qt::ISODate) << ", " << runs << " runs" << Qt::endl;
        out << "| window | rows | mariadb -B | window open | ratio | plainer statement (client) |" << Qt::endl
            << "| --- | --- | --- | --- | --- | --- |" << Qt::endl;
        for (const char* action :
             {ActionName::EmpDinLev, ActionName::DepartDinLev, ActionName::ClockDinlev, ActionName::HSRecords,
              ActionName::EmpChargeSum, ActionName::PersonAccount}) {
            if (parser.isSet(QStringLiteral("only")) &&
                parser.value(QStringLiteral("only")) != QLatin1String(action))
                continue;
            const WindowRow* row = findWindowRow(QLatin1String(action));
            std::unique_ptr<TfrmDptRecordBaseClass> w(
                qobject_cast<TfrmDptRecordBaseClass*>(row->create(context, nullptr)));
            w->setAttribute(Qt::WA_DeleteOnClose, false);
            w->setPeriod(begin, end);
            std::vector<double> open, client, reference;
            for (int r = 0; r < runs; ++r) {
                open.push_back(bench::timeLoad(*w, [&] {
                    if (!w->isVisible())
                        w->show(); // the first activation queries
                    else
                        w->action(TfrmRecordBaseClass::DataAction::Refresh)->trigger();
                }));
                client.push_back(bench::timeClient(s, w->dataSet()->commandText(), false));
                if (plain.contains(QLatin1String(action)))
                    reference.push_back(bench::timeClient(s, plain.value(QLatin1String(action)), false));
            }
            const double o = bench::median(open), c = bench::median(client);
            out << "| " << action << " (" << row->caption << ") | " << w->dataSet()->recordCount() << " | "
                << c << " s | " << o << " s | " << o / c << " | "
                << (reference.empty() ? QStringLiteral("-")
                                      : QStringLiteral("%1 s").arg(bench::median(reference)))
                << " |" << Qt::endl;
        }
        return 0;
    } catch (const DbError& e) {
        out << "bench_statistics: " << e.message() << Qt::endl;
        return 1;
    }
}
