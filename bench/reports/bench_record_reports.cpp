// The recharge, refund, card balance, deposit, issued-card and lost-card
// windows on a demo database: each opens a month (the balances and the
// lost-card list have no period: all their rows) as the menu opens it, against
// the mariadb client running the window's own statement. Prints, per window,
// the rows, the medians of the runs and their ratio.
//
//   bench_record_reports [--database mealdemo] [--month 2026-11] [--runs 3]
//
// Connects through MEAL_DB_SOCKET, MEAL_DB_USER and MEAL_DB_PASSWORD
// (`eval "$(scripts/db env)"`); run it with QT_QPA_PLATFORM=offscreen.
#include "BenchStatement.h"
#include "WindowBench.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"
#include "reports/RecordReportQuery.h"
#include "reports/ui/RecordReportWindow.h"
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
    parser.process(app);
    const QDate first = bench::monthOf(parser);
    const int runs = bench::runsOf(parser);
    if (!first.isValid()) {
        out << "bench_record_reports: --month is yyyy-MM" << Qt::endl;
        return 2;
    }
    const QDateTime begin(first, QTime(0, 0));
    const QDateTime end(first.addMonths(1).addDays(-1), QTime(23, 59, 59));
    try {
        const ConnectionSettings s = bench::settingsFromEnvironment(parser.value(QStringLiteral("database")));
        bench::WindowBenchContext setup(s, 2 | 4);
        ModuleContext& context = setup.context;

        out << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) << ", load average "
            << bench::loadAverage() << ", " << begin.toString(Qt::ISODate) << " .. "
            << end.toString(Qt::ISODate) << ", " << runs << " runs" << Qt::endl;
        out << "| window | rows | mariadb -B | window open | ratio |" << Qt::endl
            << "| --- | --- | --- | --- | --- |" << Qt::endl;
        for (const char* action :
             {ActionName::FullRecord, ActionName::BackRecords, ActionName::CardBalance, ActionName::CardCost,
              ActionName::IssueCardRecord, ActionName::LossCardMealRecord}) {
            const WindowRow* row = findWindowRow(QLatin1String(action));
            std::unique_ptr<RecordReportWindow> w(
                qobject_cast<RecordReportWindow*>(row->create(context, nullptr)));
            w->setPeriod(begin, end);
            std::vector<double> open, client;
            for (int r = 0; r < runs; ++r) {
                open.push_back(bench::timeLoad(*w, [&] {
                    if (!w->isVisible())
                        w->show(); // the first activation queries
                    else
                        w->action(TfrmRecordBaseClass::DataAction::Refresh)->trigger();
                }));
                bench::BenchStatement st;
                st.sql = w->dataSet()->commandText();
                if (st.sql.contains(QLatin1String("@begindate"), Qt::CaseInsensitive))
                    st.params = RecordReportQuery::periodParameters(begin, end);
                client.push_back(bench::timeClient(s, st.clientText(), false));
            }
            const double o = bench::median(open), c = bench::median(client);
            out << "| " << action << " (" << row->caption << ") | " << w->dataSet()->recordCount() << " | "
                << c << " s | " << o << " s | " << o / c << " |" << Qt::endl;
        }
        return 0;
    } catch (const DbError& e) {
        out << "bench_record_reports: " << e.message() << Qt::endl;
        return 1;
    }
}
