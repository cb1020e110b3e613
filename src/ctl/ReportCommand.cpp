// mealctl report <ActionName> [options] [--format F] --out FILE: a report
// window's rows written headless, with the window's statement and exporters.
#include "ctl/ReportCommand.h"

#include "charts/ChartSeries.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "reports/ReportExport.h"
#include "reports/ReportRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

// While it lives, Ctrl-C asks the run to stop at its next progress report
// instead of ending the process: no temporary file is left behind.
class InterruptCancels {
public:
    InterruptCancels() {
        interrupted = 0;
        m_previous = std::signal(SIGINT, onInterrupt);
    }
    ~InterruptCancels() {
        if (m_previous != SIG_ERR)
            std::signal(SIGINT, m_previous);
    }
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    void (*m_previous)(int) = SIG_DFL;
};

void printReports(QTextStream& out) {
    out << "usage: mealctl report <ActionName> [options] [--format txt|xls|xlsx|rtf|csv|html|adtg|xml] --out "
           "FILE\n"
           "The format defaults to the extension of FILE.\n\nreports:\n";
    for (const ReportDefinition& r : ReportRegistry::reports()) {
        out << "  " << r.actionName << "  " << r.summary << "\n";
        for (const ReportOption& o : r.options) {
            const QString name = QStringLiteral("--") + o.name +
                                 (o.valueName.isEmpty() ? QString() : QLatin1Char(' ') + o.valueName);
            out << "      " << name.leftJustified(30) << " " << o.help << "\n";
        }
    }
}

const ReportOption* optionOf(const ReportDefinition& r, const QString& name) {
    for (const ReportOption& o : r.options)
        if (o.name == name)
            return &o;
    return nullptr;
}

} // namespace

int runReportCommand(CtlContext& ctx, const QStringList& argList) {
    QStringList args = argList;
    if (args.isEmpty() || args.first().startsWith(QLatin1String("--"))) {
        printReports(args.isEmpty() ? ctx.err : ctx.out);
        return args.isEmpty() ? 2 : 0;
    }
    const ReportDefinition* report = ReportRegistry::find(args.takeFirst());
    if (!report) {
        ctx.err << "mealctl report: no report for that action name\n";
        printReports(ctx.err);
        return 2;
    }
    ReportArguments reportArgs;
    QString out;
    QString formatName;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        const QString name = arg.startsWith(QLatin1String("--")) ? arg.mid(2) : QString();
        const ReportOption* option = optionOf(*report, name);
        const bool takesValue = name == QLatin1String("out") || name == QLatin1String("format") ||
                                (option && !option->valueName.isEmpty());
        if (name.isEmpty() || (!option && !takesValue)) {
            ctx.err << "mealctl report: unknown argument " << arg << "\n";
            return 2;
        }
        if (takesValue && args.isEmpty()) {
            ctx.err << "mealctl report: " << arg << " needs a value\n";
            return 2;
        }
        const QString value = takesValue ? args.takeFirst() : QString();
        if (name == QLatin1String("out"))
            out = value;
        else if (name == QLatin1String("format"))
            formatName = value;
        else
            reportArgs.values.insert(name, value);
    }
    if (out.isEmpty()) {
        ctx.err << "mealctl report: --out FILE is required\n";
        return 2;
    }
    ReportExport::Format format;
    const bool known = formatName.isEmpty() ? ReportExport::formatForPath(out, &format)
                                            : ReportExport::formatFromName(formatName, &format);
    if (!known) {
        ctx.err << "mealctl report: unknown format; use txt, xls, xlsx, rtf, csv, html, adtg or xml\n";
        return 2;
    }

    const QString chartPath = reportArgs.text(QStringLiteral("chart"));
    if (reportArgs.has(QStringLiteral("chart")) && !ChartSeriesBuilder::isChartFile(chartPath)) {
        ctx.err << "mealctl report: --chart needs a .png or .pdf file\n";
        return 2;
    }
    ReportStatement statement = report->statement(reportArgs, ctx.session);
    ChartData chart;
    if (statement.chart && !chartPath.isEmpty())
        statement.written = [&](const DataSet& rows) {
            chart = ChartSeriesBuilder::build(*statement.chart, rows);
        };
    MealDataModule module;
    module.openMealTime(ctx.session);
    QElapsedTimer clock;
    clock.start();
    qint64 lastReport = 0;
    const auto progress = [&](ReportExport::Stage stage, qint64 done, qint64 total) {
        // A line every two seconds on long runs; short runs stay quiet.
        if (clock.elapsed() - lastReport >= 2000) {
            lastReport = clock.elapsed();
            if (stage == ReportExport::Stage::Reading)
                ctx.err << "report: " << done << " rows read\n";
            else
                ctx.err << "report: " << done << " of " << total << " rows written\n";
            ctx.err.flush();
        }
        return interrupted == 0;
    };
    const InterruptCancels interrupts;
    const int rows = ReportExport::write(ctx.session, module, statement, format, out, progress);
    if (rows < 0) {
        ctx.err << "report: cancelled, " << out << " not written\n";
        return 130;
    }
    ctx.err << "report: " << rows << " rows written to " << out << " in "
            << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s\n";
    if (statement.chart && !chartPath.isEmpty()) {
        // Drawn by mealchart (Qt Charts), which lies beside mealctl.
        QProcess draw;
        draw.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        draw.start(QCoreApplication::applicationDirPath() + QStringLiteral("/mealchart"), {chartPath});
        if (draw.waitForStarted()) {
            draw.write(ChartSeriesBuilder::toJson(chart));
            draw.closeWriteChannel();
            draw.waitForFinished(120000);
        }
        if (draw.exitStatus() != QProcess::NormalExit || draw.exitCode() != 0 ||
            draw.error() != QProcess::UnknownError) {
            ctx.err << "report: the chart was not drawn into " << chartPath << "\n";
            return 1;
        }
        ctx.err << "report: chart of " << chart.categories.size() << " rows drawn into " << chartPath << "\n";
    }
    return 0;
}
