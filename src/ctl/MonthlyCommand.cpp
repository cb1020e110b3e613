// mealctl monthly: builds a bill with the same workers as the bill window,
// recomputes one card's row, or locks the period up to a bill's end.
#include "ctl/MonthlyCommand.h"

#include "db/DbError.h"
#include "monthly/MonthlyBillBook.h"
#include "monthly/MonthlyBillRun.h"

#include <QElapsedTimer>
#include <QSqlQuery>

namespace {

const char* const kUsage =
    "usage: mealctl monthly create --label L --from \"yyyy-MM-dd HH:mm:ss\" --to \"...\"\n"
    "       mealctl monthly recompute --label L --card N\n"
    "       mealctl monthly lock --label L\n";

QDateTime parseTime(const QString& text) {
    for (const char* format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd"}) {
        const QDateTime dt = QDateTime::fromString(text.trimmed(), QString::fromLatin1(format));
        if (dt.isValid())
            return dt;
    }
    throw DbError(QStringLiteral("日期时间格式不正确: %1").arg(text));
}

// A progress bar on standard error, redrawn when the percentage changes.
void connectProgress(MonthlyBillRun& run, QTextStream& err) {
    auto last = std::make_shared<int>(-1);
    QObject::connect(&run, &MonthlyBillRun::progressChanged, &run, [&err, last](int position, int maximum) {
        if (maximum <= 0)
            return;
        const int percent = int(qint64(position) * 100 / maximum);
        if (percent == *last)
            return;
        *last = percent;
        const int filled = percent * 40 / 100;
        err << "\r[" << QString(filled, QLatin1Char('#')) << QString(40 - filled, QLatin1Char(' ')) << "] "
            << position << "/" << maximum << Qt::flush;
    });
    QObject::connect(&run, &MonthlyBillRun::failureReported, &run, [&err](const QString& text) {
        err << "\n" << text << "\n" << Qt::flush;
    });
}

int create(CtlContext& ctx, const QStringList& args) {
    const QString label = ctlOption(args, QStringLiteral("--label")).trimmed();
    if (label.isEmpty() || label.size() > 10)
        throw DbError(QStringLiteral("账单编号必须是1到10个字符"));
    MonthlyPeriod period{parseTime(ctlOption(args, QStringLiteral("--from"))),
                         parseTime(ctlOption(args, QStringLiteral("--to")))};
    if (period.end < period.start)
        throw DbError(QStringLiteral("开始日期时间不能大于结束日期时间！"));
    MonthlyBillBook book(ctx.session);
    if (book.labelExists(label))
        throw DbError(QStringLiteral("错误提示 :\n\r账单编号重复，请重新生成账单!"));
    book.clearBill(label);
    MonthlyRunConfig config = MonthlyRunConfig::fromSession(ctx.session);
    config.MonthDes = label;
    config.period = period;
    MonthlyBillRun run;
    connectProgress(run, ctx.err);
    QElapsedTimer timer;
    timer.start();
    run.startMaster(config);
    const bool ended = run.waitUntilIdle(24 * 3600 * 1000);
    const double seconds = double(timer.elapsed()) / 1000.0;
    ctx.err << "\n";
    if (!ended || !run.failures().isEmpty()) {
        // A bill with cards missing is no bill: what the run wrote goes again
        // (the label named no bill before, see above). Workers still running
        // commit nothing once they are told to stop.
        run.pool().TerminateAll();
        book.deleteBill(label);
        throw DbError(
            QStringLiteral("账单 %1 没有生成: %2")
                .arg(label, ended ? run.failures().join(QLatin1Char('\n')) : QStringLiteral("计算超时")));
    }
    QSqlQuery q(ctx.session.ModuleConnection);
    ctx.session.runner().RunQuery(q, book.summaryStatement(label), true);
    q.next();
    ctx.out << "bill " << label << ": " << q.value(0).toInt() << " rows, " << q.value(1).toInt()
            << " with a non-zero balance, " << run.failedRows() << " not saved, "
            << QString::number(seconds, 'f', 2) << " s\n";
    return 0;
}

int recompute(CtlContext& ctx, const QStringList& args) {
    const QString label = ctlOption(args, QStringLiteral("--label")).trimmed();
    const qint64 card = SqlDialect::toInteger(ctlOption(args, QStringLiteral("--card")));
    QSqlQuery q(ctx.session.ModuleConnection);
    ctx.session.runner().RunQuery(
        q,
        QStringLiteral("select BillStartDate, BillEndDate, sys_id from MealMonthRec where "
                       "MonthDes = %1 and card_id = %2")
            .arg(ctx.session.dialect().quote(label), QString::number(card)),
        true);
    if (!q.next())
        throw DbError(QStringLiteral("账单 %1 中没有卡号 %2").arg(label, QString::number(card)));
    MonthlyRunConfig config = MonthlyRunConfig::fromSession(ctx.session);
    config.MonthDes = label;
    config.period = {q.value(0).toDateTime(), q.value(1).toDateTime()};
    const QString key = q.value(2).toString();
    MonthlyBillRun run;
    std::optional<TMonthlyRec> result;
    QObject::connect(&run, &MonthlyBillRun::rowComputed, &run, [&](const TMonthlyRec& r) { result = r; });
    connectProgress(run, ctx.err);
    run.startSingle(config, key, qint32(card));
    run.waitUntilIdle(3600 * 1000);
    ctx.err << "\n";
    // The stored row stays as it was unless a new one came.
    if (!result || !run.failures().isEmpty())
        throw DbError(QStringLiteral("卡号 %1 的账单记录没有算出").arg(card) +
                      (run.failures().isEmpty()
                           ? QString()
                           : QStringLiteral(": ") + run.failures().join(QLatin1Char('\n'))));
    MonthlyBillBook(ctx.session).storeRow(*result);
    ctx.out << "card " << card << ": opening " << result->last_balance.toString() << ", closing "
            << result->Now_card_balance.toString() << ", balance " << result->Balance.toString() << "\n";
    return 0;
}

int lock(CtlContext& ctx, const QStringList& args) {
    const QString label = ctlOption(args, QStringLiteral("--label")).trimmed();
    QSqlQuery q(ctx.session.ModuleConnection);
    ctx.session.runner().RunQuery(
        q,
        QStringLiteral("select min(BillStartDate), max(BillEndDate) from MealMonthRec where MonthDes = ") +
            ctx.session.dialect().quote(label),
        true);
    if (!q.next() || q.value(0).isNull())
        throw DbError(QStringLiteral("没有账单 %1").arg(label));
    const MonthlyPeriod period{q.value(0).toDateTime(), q.value(1).toDateTime()};
    MonthlyBillBook book(ctx.session);
    QString error = MonthlyBillBook::lockPeriodError(period.start, period.end, QDateTime::currentDateTime());
    if (error.isEmpty())
        error = book.lockContentError(label, period);
    if (!error.isEmpty())
        throw DbError(error);
    book.writeLock(period.end, QDateTime::currentDateTime());
    ctx.out << "封帐成功!\n\r封帐日期至" << period.end.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
            << "\n";
    return 0;
}

} // namespace

int runMonthlyCommand(CtlContext& ctx, const QStringList& args) {
    const QString verb = args.value(0);
    int status = 2;
    if (verb == QLatin1String("create"))
        status = create(ctx, args);
    else if (verb == QLatin1String("recompute"))
        status = recompute(ctx, args);
    else if (verb == QLatin1String("lock"))
        status = lock(ctx, args);
    else
        ctx.err << kUsage;
    // Workers of a run that timed out end before the program does.
    workers::TMealWorkerThread::WaitForAllWorkers(60000);
    return status;
}
