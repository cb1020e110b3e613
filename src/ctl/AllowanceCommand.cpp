#include "ctl/AllowanceCommand.h"

#include "allowance/AllowanceImport.h"
#include "allowance/AllowanceIssue.h"
#include "ctl/ReportCommand.h"
#include "ctl/TerminalsCommand.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

namespace {
int usage(CtlContext& ctx) {
    ctx.err << "usage: mealctl allowance import FILE\n"
               "       mealctl allowance issue --emp N[,N...] | --dept D | --all --amount X\n"
               "                               --valid yyyy-MM-dd[ HH:mm:ss] [--note T]\n"
               "       mealctl allowance list [--from T1] [--to T2] [--by entry|taken|valid] [--dept D]\n"
               "                              [--format F --out FILE]\n"
               "       mealctl allowance upload [--clock N]\n"
               "       mealctl allowance read [--mode 1|2] [--clock N]\n";
    return 2;
}

int runImport(CtlContext& ctx, const QString& path) {
    AllowanceImportEvents events;
    events.memoLine = [&](const QString& line) {
        ctx.out << line << "\n";
        ctx.out.flush();
    };
    events.message = [&](const QString& text) {
        ctx.err << text.trimmed() << "\n";
        ctx.err.flush();
    };
    QElapsedTimer shown;
    shown.start();
    events.progress = [&](int row, int total) {
        if (shown.elapsed() < 1000 && row != total)
            return;
        shown.restart();
        ctx.err << row << "/" << total << "\n";
        ctx.err.flush();
    };
    const QueryRunner runner = ctx.session.runner();
    AllowanceImport import(ctx.session.ModuleConnection, runner,
                           AllowanceImportSettings::fromSession(ctx.session));
    const AllowanceImportResult r = import.run(path, events);
    if (!r.ran || !r.failure.isEmpty())
        return 1;
    ctx.err << r.imported << " imported, " << r.refused << " refused\n";
    return r.refused > 0 ? 1 : 0;
}

// --name value pairs; false for a stray argument or a missing value.
bool readOptions(const QStringList& args, const QStringList& switches, QHash<QString, QString>& options) {
    for (int i = 1; i < args.size(); ++i) {
        if (!args[i].startsWith(QLatin1String("--")))
            return false;
        const QString name = args[i].mid(2);
        if (switches.contains(name)) {
            options.insert(name, QString());
            continue;
        }
        if (i + 1 >= args.size())
            return false;
        options.insert(name, args[++i]);
    }
    return true;
}

int runIssue(CtlContext& ctx, const QStringList& args) {
    QHash<QString, QString> o;
    if (!readOptions(args, {QStringLiteral("all")}, o))
        return usage(ctx);
    const int targets = int(o.contains(QStringLiteral("emp"))) + int(o.contains(QStringLiteral("dept"))) +
                        int(o.contains(QStringLiteral("all")));
    if (targets != 1 || !o.contains(QStringLiteral("amount")) || !o.contains(QStringLiteral("valid")))
        return usage(ctx);
    const Session& session = ctx.session;
    const std::optional<Currency> amount = AllowanceIssue::parseAmount(o.value(QStringLiteral("amount")));
    if (!amount) {
        ctx.err << AllowanceIssueText::badAmount() << "\n";
        return 1;
    }
    const QString validText = o.value(QStringLiteral("valid")).trimmed();
    QDateTime valid = QDateTime::fromString(validText, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!valid.isValid()) // a date alone: valid to its last second, as the window's time starts
        valid = QDateTime(QDate::fromString(validText, QStringLiteral("yyyy-MM-dd")), QTime(23, 59, 59));
    if (!valid.isValid()) {
        ctx.err << "--valid: 日期无效: " << validText << " (yyyy-MM-dd 或 yyyy-MM-dd HH:mm:ss)\n";
        return 1;
    }

    // The people, as the window would offer them: issued employees with a
    // card in use, within the user's departments.
    IssueCandidateFilter f;
    f.applyRights(session);
    QVector<IssueEmployee> people;
    int refused = 0;
    if (o.contains(QStringLiteral("emp"))) {
        QSet<QString> seen;
        f.by = IssueCandidateFilter::By::EmpNo;
        for (const QString& n : o.value(QStringLiteral("emp")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            f.text = n.trimmed();
            if (seen.contains(f.text))
                continue; // the chosen list holds a person once
            seen.insert(f.text);
            const QVector<IssueEmployee> found = AllowanceIssue::loadCandidates(f, session);
            if (found.isEmpty()) {
                ctx.out << "工号 ：" << f.text << " 查无此人、未发卡或卡不可用，未补贴!\n";
                ++refused;
            }
            people += found;
        }
    } else {
        f.by = o.contains(QStringLiteral("all")) ? IssueCandidateFilter::By::Everyone
                                                 : IssueCandidateFilter::By::Department;
        f.departmentNo = o.value(QStringLiteral("dept")).trimmed();
        people = AllowanceIssue::loadCandidates(f, session);
    }
    const QString refusal = AllowanceIssue::refusal(
        *amount, ReadCompanyMoneyParameter(session, QStringLiteral("edmaxbalance")), int(people.size()));
    if (!refusal.isEmpty()) {
        ctx.err << refusal << "\n";
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    const QueryRunner runner = session.runner();
    AllowanceIssueRun run(session.ModuleConnection, runner, *amount, valid,
                          AllowanceIssue::noteText(o.value(QStringLiteral("note"))), session.CurrentUserName);
    int issued = 0;
    QString failure;
    while (issued < people.size() && failure.isEmpty())
        issued += run.issueSlice(people, issued, 1000, &failure);
    if (!failure.isEmpty()) {
        ctx.err << failure << "\n" << issued << " issued before the failure\n";
        return 1;
    }
    ctx.err << issued << " issued, " << refused << " refused in " << clock.elapsed() << " ms\n";
    return refused > 0 ? 1 : 0;
}

// The registration list through the report of its window; without --out the
// rows go to standard output as text.
int runList(CtlContext& ctx, const QStringList& args) {
    QStringList report = args.mid(1);
    report.prepend(QStringLiteral("ActAllowance"));
    if (report.contains(QLatin1String("--out")))
        return runReportCommand(ctx, report);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("allowance.txt"));
    report << QStringLiteral("--out") << path;
    const int status = runReportCommand(ctx, report);
    QFile file(path);
    if (status == 0 && file.open(QIODevice::ReadOnly)) {
        ctx.out.flush();
        ctx.out << QString::fromUtf8(file.readAll());
    }
    return status;
}
} // namespace

int runAllowanceCommand(CtlContext& ctx, const QStringList& args) {
    const QString verb = args.value(0);
    // Upload and read-back are the terminal commands; reading defaults to the
    // allowances still waiting in the terminals, as the read-back window does.
    if (verb == QLatin1String("upload"))
        return runTerminalsCommand(ctx, args);
    if (verb == QLatin1String("read"))
        return runTerminalsCommand(ctx,
                                   args.contains(QLatin1String("--mode"))
                                       ? args
                                       : args + QStringList{QStringLiteral("--mode"), QStringLiteral("2")});
    try {
        if (verb == QLatin1String("import") && args.size() == 2)
            return runImport(ctx, args[1]);
        if (verb == QLatin1String("issue"))
            return runIssue(ctx, args);
        if (verb == QLatin1String("list"))
            return runList(ctx, args);
    } catch (const DbError& e) {
        ctx.err << e.message() << "\n";
        return 1;
    }
    return usage(ctx);
}
