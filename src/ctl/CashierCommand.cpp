// mealctl cashier / settle: the bill book and the settlement vouchers with the
// rules and refusals of their windows; a refusal exits with status 1.
#include "ctl/CashierCommand.h"

#include "cashier/CashierDocuments.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "db/UserAccounts.h"
#include "reports/ReportExport.h"

#include <QDir>

namespace {

const char* const kCashierUsage =
    "usage: mealctl cashier bill --number N --from \"yyyy-MM-dd HH:mm:ss\" --to \"...\"\n"
    "       mealctl cashier post --number N\n"
    "       mealctl cashier delete --number N\n"
    "       mealctl cashier show --number N [--operator NAME] [--per-operator] --format "
    "pdf|csv|txt|xls|rtf|html "
    "--out FILE\n";
const char* const kSettleUsage =
    "usage: mealctl settle create --number N --from yyyy-MM-dd --to yyyy-MM-dd\n"
    "       mealctl settle regenerate --number N\n"
    "       mealctl settle delete --number N\n"
    "       mealctl settle show --number N --format pdf|csv|txt|xls|rtf|html --out FILE\n";

QString number(const QStringList& args) {
    const QString n = ctlOption(args, QStringLiteral("--number")).trimmed();
    if (n.isEmpty())
        throw DbError(QStringLiteral("缺少 --number"));
    return n;
}

QDateTime parseTime(const QString& text) {
    for (const char* format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd"}) {
        const QDateTime dt = QDateTime::fromString(text.trimmed(), QString::fromLatin1(format));
        if (dt.isValid())
            return dt;
    }
    throw DbError(QStringLiteral("日期时间格式不正确: %1").arg(text));
}

// The rows of a statement in a grid format, titled by `labels`.
void writeRows(CtlContext& ctx, const QString& sql, const QVariantMap& params,
               const QHash<QString, QString>& labels, const QString& format, const QString& path) {
    ReportExport::Format target;
    if (!ReportExport::formatFromName(format, &target))
        throw DbError(QStringLiteral("不支持的格式: %1").arg(format));
    ReportStatement statement;
    statement.sql = sql;
    statement.params = params;
    statement.prepareFields = [&labels](DataSet& ds) {
        for (int i = 0; i < ds.fieldCount(); ++i) {
            Field* f = ds.field(i);
            const QString label = labels.value(f->fieldName().toLower());
            f->setVisible(!label.isEmpty());
            f->setDisplayLabel(label);
        }
    };
    MealDataModule module;
    const int rows = ReportExport::write(ctx.session, module, statement, target, path);
    ctx.out << rows << " rows written to " << path << "\n";
}

void writePdf(CtlContext& ctx, PrintedDocument document, const QString& title, const QString& path) {
    QString error;
    if (!document.writePdf(path, title, &error))
        throw DbError(QStringLiteral("PDF 没有生成: %1").arg(error));
    ctx.out << document.pageCount() << " pages written to " << path << "\n";
}

QString outPath(const QStringList& args) {
    const QString path = ctlOption(args, QStringLiteral("--out"));
    if (path.isEmpty())
        throw DbError(QStringLiteral("缺少 --out"));
    return QDir::current().absoluteFilePath(path);
}

int cashierShow(CtlContext& ctx, const QStringList& args) {
    CashierBillBook book(ctx.session);
    const QString n = number(args);
    const std::optional<CashierBillHead> head = book.head(n);
    if (!head)
        throw DbError(QStringLiteral("没有账单 %1").arg(n));
    const QString opuser = ctlOption(args, QStringLiteral("--operator"));
    const QString format = ctlOption(args, QStringLiteral("--format")).toLower();
    const QString path = outPath(args);
    if (format == QLatin1String("pdf")) {
        const bool perOperator = !opuser.isEmpty() || args.contains(QStringLiteral("--per-operator"));
        writePdf(ctx,
                 CashierDocuments::bill(CashierDocuments::siteOf(ctx.session), *head,
                                        book.rows(n, opuser, perOperator), perOperator, QDate::currentDate()),
                 QStringLiteral("出纳统计表 ") + n, path);
        return 0;
    }
    QVariantMap params;
    const QString sql = CashierBillBook::rowsStatement(n, opuser, &params);
    writeRows(ctx, sql, params, CashierBillBook::fieldLabels(), format, path);
    return 0;
}

int settleShow(CtlContext& ctx, const QStringList& args) {
    SettleVoucher voucher(ctx.session);
    const QString n = number(args);
    const std::optional<SettleHead> head = voucher.head(n);
    if (!head)
        throw DbError(QStringLiteral("没有结算凭证 %1").arg(n));
    const QString format = ctlOption(args, QStringLiteral("--format")).toLower();
    const QString path = outPath(args);
    if (format == QLatin1String("pdf")) {
        writePdf(ctx,
                 CashierDocuments::voucher(CashierDocuments::siteOf(ctx.session), *head, voucher.lines(n),
                                           QDate::currentDate()),
                 QStringLiteral("结算凭证 ") + n, path);
        return 0;
    }
    QVariantMap params;
    const QString sql = SettleVoucher::showStatement(n, &params);
    writeRows(ctx, sql, params, SettleVoucher::fieldLabels(), format, path);
    return 0;
}

} // namespace

int runCashierCommand(CtlContext& ctx, const QStringList& args) {
    const QString verb = args.value(0);
    CashierBillBook book(ctx.session);
    if (verb == QLatin1String("bill")) {
        const QString n = number(args);
        const int stamped = book.create(n, {parseTime(ctlOption(args, QStringLiteral("--from"))),
                                            parseTime(ctlOption(args, QStringLiteral("--to")))});
        ctx.out << "bill " << n << ": " << stamped << " records, " << book.operators(n).size()
                << " operators\n";
        return 0;
    }
    if (verb == QLatin1String("post")) {
        const QString n = number(args);
        ctx.out << "bill " << n << ": " << book.post(n) << " records posted\n";
        return 0;
    }
    if (verb == QLatin1String("delete")) {
        const QString n = number(args);
        book.remove(n);
        ctx.out << "bill " << n << " deleted\n";
        return 0;
    }
    if (verb == QLatin1String("show"))
        return cashierShow(ctx, args);
    ctx.err << kCashierUsage;
    return 2;
}

int runSettleCommand(CtlContext& ctx, const QStringList& args) {
    const QString verb = args.value(0);
    SettleVoucher voucher(ctx.session);
    if (verb == QLatin1String("create")) {
        const QString n = number(args);
        QDateTime from = parseTime(ctlOption(args, QStringLiteral("--from")));
        // As in the window: after the first voucher the start is fixed.
        if (const auto start = voucher.nextStart())
            from = *start;
        voucher.create(n, from, parseTime(ctlOption(args, QStringLiteral("--to"))),
                       userRightBits(ctx.session, QStringLiteral("ActSettleAccounts")));
        ctx.out << "voucher " << n << ": " << voucher.lines(n).size() << " lines\n";
        return 0;
    }
    if (verb == QLatin1String("regenerate")) {
        const QString n = number(args);
        voucher.regenerate(n);
        ctx.out << "voucher " << n << " regenerated\n";
        return 0;
    }
    if (verb == QLatin1String("delete")) {
        const QString n = number(args);
        voucher.remove(n);
        ctx.out << "voucher " << n << " deleted\n";
        return 0;
    }
    if (verb == QLatin1String("show"))
        return settleShow(ctx, args);
    ctx.err << kSettleUsage;
    return 2;
}
