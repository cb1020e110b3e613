#include "reports/MealRecordsReport.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"
#include "reports/MealRecordsMerge.h"
#include "reports/MealRecordsQuery.h"
#include "reports/ReportParts.h"

#include <QSqlQuery>

int mealRecordsKindIndex(const QString& text, int moduleOptions) {
    const QString t = text.trimmed();
    const QStringList items = MealRecordsQuery::kindItems(moduleOptions);
    bool ok = false;
    const int index = t.toInt(&ok);
    if (ok && index >= 0 && index < items.size())
        return index;
    const int byText = int(items.indexOf(t));
    if (byText >= 0)
        return byText;
    throw DbError(QStringLiteral("--kind: 消费类型无效: %1 (0-%2 或 %3)")
                      .arg(t, QString::number(items.size() - 1), items.join(QLatin1Char('/'))));
}

namespace {

QVector<qint64> terminalList(const ReportArguments& args, const Session& session) {
    QVector<qint64> ids = ReportParts::numbers(args, QStringLiteral("terminal"));
    if (args.has(QStringLiteral("dinroom")))
        ids << MealRecordsQuery::readTerminals(
            session, MealRecordsQuery::roomTerminalsStatement(
                         session.dialect(), SqlDialect::toIntegerText(args.text(QStringLiteral("dinroom")))));
    return ids;
}

ReportStatement statement(const ReportArguments& args, const Session& session) {
    const ReportArguments::Period period = args.period();
    const QDateTime begin = period.begin;
    const QDateTime end = period.end;
    MealRecordsFilter f;
    f.department = args.departmentInput(session);
    f.cardText = ReportParts::cardText(args);
    if (args.has(QStringLiteral("terminal")) || args.has(QStringLiteral("dinroom"))) {
        f.byTerminals = true;
        f.terminals = terminalList(args, session);
    }
    f.userDinRoom = session.UserDinRoom;
    f.restrictToDinRoom = CompanySwitch::diningRoomRights(session);
    f.kindIndex = args.has(QStringLiteral("kind"))
                      ? mealRecordsKindIndex(args.text(QStringLiteral("kind")), session.ModuleOptions())
                      : MealRecordsQuery::AllIndex;

    ReportStatement s;
    s.dataSetName = QStringLiteral("dsMealRec");
    s.sql = MealRecordsQuery::statement(f, session);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    s.params = {{QStringLiteral("@begindate"), begin.toString(format)},
                {QStringLiteral("@enddate"), end.toString(format)}};
    MergedKind merged;
    if (args.has(QStringLiteral("details"))) {
        if (!MealRecordsMerge::kindOfIndex(f.kindIndex, &merged))
            throw DbError(QStringLiteral("--details: 只有键值、商品和计时消费有明细"));
        s.produce = [merged, f, begin, end](const Session& runOn, DataSet& target,
                                            const ReportStatement::Writer& write) {
            MealRecordsMerge::run(runOn, merged, f, begin, end, target, write);
        };
        s.prepareFields = &MealRecordsMerge::applyLabels;
        s.footer = &MealRecordsMerge::mergedFooter;
    }
    return s;
}

} // namespace

ReportDefinition mealRecordsReport() {
    using namespace ReportParts;
    return definition(
        "ActMealRecord", "消费明细: the consumption records of a period",
        momentOptions()
            << option("kind", "N",
                      "type list position: 0 定值 1 金额 2 键值 3 计次 4 商品 5 计时 6 记帐 7 纠错/补单 8 "
                      "全部 (default)")
            << deptOption() << option("terminal", "N[,N...]", "terminal numbers")
            << option("dinroom", "ID", "the terminals of a dining room") << cardOption()
            << option(
                   "details", "",
                   "key-value, goods or timed records with their detail lines, as the window exports them"),
        &statement);
}
