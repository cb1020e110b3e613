#include "reports/RecordReports.h"

#include "allowance/AllowanceRecords.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"
#include "reports/CardBalanceQuery.h"
#include "reports/CardCostQuery.h"
#include "reports/ChargeRecQuery.h"
#include "reports/IssueCardRecordQuery.h"
#include "reports/LossCardMealRecordQuery.h"
#include "reports/RefundQuery.h"
#include "reports/ReportParts.h"

using namespace ReportParts;

namespace {

RecordReportFilter recordFilter(const ReportArguments& args, const Session& session) {
    RecordReportFilter f;
    f.department = args.departmentInput(session);
    f.cardText = cardText(args);
    return f;
}

} // namespace

int chargeKindIndex(const QString& text, int moduleOptions) {
    const QString t = text.trimmed();
    const QVector<ChargeKindItem> items = ChargeRecQuery::kindItems(moduleOptions);
    const std::optional<qint64> index = SqlDialect::parseInteger(t, 0, items.size() - 1);
    if (index)
        return int(*index);
    QStringList texts;
    for (int i = 0; i < items.size(); ++i) {
        if (items[i].text == t)
            return i;
        texts << items[i].text;
    }
    throw DbError(QStringLiteral("--kind: 充值类型无效: %1 (0-%2 或 %3)")
                      .arg(t, QString::number(items.size() - 1), texts.join(QLatin1Char('/'))));
}

ReportDefinition chargeRecordsReport() {
    return definition(
        "ActFullRecord", "充值明细: the recharges of a period",
        momentOptions() << option(
                               "kind", "N",
                               "type list position or text: 现金, 批量, 出纳机 and 优惠 (cashier items on), "
                               "补贴机 (allowances on), 手工补贴, 全部 (default)")
                        << deptOption() << cardOption(),
        [](const ReportArguments& args, const Session& session) {
            const ReportArguments::Period p = args.period();
            ChargeRecFilter f;
            f.records = recordFilter(args, session);
            const QVector<ChargeKindItem> items = ChargeRecQuery::kindItems(session.ModuleOptions());
            f.kind =
                args.has(QStringLiteral("kind"))
                    ? items[chargeKindIndex(args.text(QStringLiteral("kind")), session.ModuleOptions())].kind
                    : ChargeKind::All;
            return rows(QStringLiteral("dsCharge"), ChargeRecQuery::statement(f, session),
                        RecordReportQuery::periodParameters(p.begin, p.end));
        });
}

ReportDefinition refundReport() {
    return definition("ActBackRecords", "退款明细表: the refunds of a period",
                      momentOptions() << deptOption() << cardOption(),
                      [](const ReportArguments& args, const Session& session) {
                          const ReportArguments::Period p = args.period();
                          return rows(QStringLiteral("dsRefund"),
                                      RefundQuery::statement(recordFilter(args, session), session),
                                      RecordReportQuery::periodParameters(p.begin, p.end));
                      });
}

ReportDefinition allowanceRecordsReport() {
    return definition(
        "ActAllowance", "补贴登记: the registered allowances of a period",
        momentOptions() << option("by", "entry|taken|valid",
                                  "the date the period applies to: 录入时间 (default), 补贴时间 or 有效日期")
                        << deptOption(),
        [](const ReportArguments& args, const Session& session) {
            const ReportArguments::Period p = args.period();
            AllowanceListFilter f;
            const QString by = args.text(QStringLiteral("by")).trimmed();
            const QStringList names = {QStringLiteral("entry"), QStringLiteral("taken"),
                                       QStringLiteral("valid")};
            const int kind = by.isEmpty() ? 0 : int(names.indexOf(by));
            if (kind < 0)
                throw DbError(QStringLiteral("--by: 日期类型无效: %1 (entry/taken/valid)").arg(by));
            f.by = AllowanceDateKind(kind);
            f.where = args.departmentInput(session);
            return rows(QStringLiteral("dsAllowance"), AllowanceRecords::listStatement(f, session),
                        RecordReportQuery::periodParameters(p.begin, p.end));
        });
}

ReportDefinition cardBalanceReport() {
    return definition(
        "ActCardBalance", "卡余额表: the balances of the issued employees' cards",
        {option("type", "T", "档案类型: 在职 or 0 (current employees, default), 离职 or 1 (departed)"),
         deptOption(), cardOption()},
        [](const ReportArguments& args, const Session& session) {
            CardBalanceFilter f;
            f.records = recordFilter(args, session);
            if (args.has(QStringLiteral("type"))) {
                const QString t = args.text(QStringLiteral("type")).trimmed();
                const QStringList items = CardBalanceQuery::recordTypeItems();
                const int index =
                    t == QLatin1String("0") || t == QLatin1String("1") ? t.toInt() : int(items.indexOf(t));
                if (index < 0)
                    throw DbError(QStringLiteral("--type: 档案类型无效: %1 (在职/离职 或 0/1)").arg(t));
                f.departed = index == 1;
            }
            return rows(QStringLiteral("dsBalance"), CardBalanceQuery::statement(f, session));
        });
}

ReportDefinition cardCostReport() {
    return definition("ActCardCost", "押金明细表: the card deposits and fees of a period",
                      momentOptions() << deptOption() << cardOption(),
                      [](const ReportArguments& args, const Session& session) {
                          const ReportArguments::Period p = args.period();
                          return rows(QStringLiteral("dsCardCost"),
                                      CardCostQuery::statement(recordFilter(args, session), session),
                                      RecordReportQuery::periodParameters(p.begin, p.end));
                      });
}

ReportDefinition issueCardRecordReport() {
    return definition(
        "ActIssueCardRecord", "发卡明细: the cards issued in a period with their first recharge",
        momentOptions() << deptOption() << cardOption(),
        [](const ReportArguments& args, const Session& session) {
            const ReportArguments::Period p = args.period();
            IssueCardRecordFilter f;
            f.records = recordFilter(args, session);
            f.begin = p.begin;
            f.end = p.end;
            return rows(QStringLiteral("dsIssueCardRecord"), IssueCardRecordQuery::statement(f, session));
        });
}

ReportDefinition lossCardMealRecordReport() {
    return definition(
        "ActLossCardMealRecord", "挂失卡消费明细: consumptions on replaced cards after their replacement",
        {deptOption()}, [](const ReportArguments& args, const Session& session) {
            return rows(QStringLiteral("dsLossCardMealRecord"),
                        LossCardMealRecordQuery::statement(args.departmentInput(session), session));
        });
}
