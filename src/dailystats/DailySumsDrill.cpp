#include "dailystats/DailySumsDrill.h"

#include "dailystats/ChargeSumQuery.h"

namespace DailySumsDrill {

namespace {

DrillTarget start(const DrillCell& cell, JournalPage page) {
    DrillTarget t;
    t.page = page;
    const DayRange days = cell.day.isValid() ? DayRange{cell.day, cell.day} : cell.window;
    t.conditions.begin = QDateTime(days.begin, QTime(0, 0));
    t.conditions.end = QDateTime(days.end, QTime(23, 59, 59));
    t.conditions.departmentRights = cell.departmentRights;
    t.conditions.userDepartments = cell.userDepartments;
    const QString format = QStringLiteral("yyyy-MM-dd");
    t.title = cell.columnTitle + QStringLiteral("日期：") +
              (cell.day.isValid()
                   ? cell.day.toString(format)
                   : QStringLiteral("%1至%2").arg(days.begin.toString(format), days.end.toString(format)));
    if (cell.perOperator) {
        t.title += QStringLiteral("操作员：") + cell.operatorText;
        if (cell.operatorText == ChargeSumQuery::machineOperator())
            t.conditions.operatorBlank = true;
        else
            t.conditions.operatorId = cell.operatorText;
    }
    return t;
}

} // namespace

std::optional<DrillTarget> chargeSum(const DrillCell& cell) {
    const QString f = cell.field.toUpper();
    using Direction = JournalConditions::CostDirection;
    struct Rule {
        const char* field;
        JournalPage page;
        QVector<int> kinds;
        Direction cost;
    };
    static const Rule rules[] = {
        {"SUM_ADD_MONEY", JournalPage::Recharge, {33, 1, 3, 104}, Direction::Any},
        {"SUM_RATE_MONEY", JournalPage::Recharge, {31}, Direction::Any},
        {"SUM_CHARGE_MONEY", JournalPage::Recharge, {0}, Direction::Any},
        {"SUM_BAT_MONEY", JournalPage::Recharge, {2}, Direction::Any},
        {"SUM_CHUNA_MONEY", JournalPage::Recharge, {30}, Direction::Any},
        {"SUM_COST_MONEY", JournalPage::CardCost, {1}, Direction::Income},
        {"SUM_MANAGER_MONEY", JournalPage::CardCost, {2}, Direction::Any},
        {"SUM_COST_MONEY_RED", JournalPage::CardCost, {1}, Direction::Payout},
        {"SUM_RETURN_MONEY", JournalPage::Refund, {}, Direction::Any},
    };
    for (const Rule& r : rules)
        if (f == QLatin1String(r.field)) {
            DrillTarget t = start(cell, r.page);
            t.conditions.kinds = r.kinds;
            t.conditions.cost = r.cost;
            return t;
        }
    // Any other column (the cash received among them): every page, the
    // allowance and discount recharges left out.
    DrillTarget t = start(cell, JournalPage::Combined);
    t.conditions.kinds = {33, 1, 3, 104, 31};
    t.conditions.kindsExcluded = true;
    return t;
}

std::optional<DrillTarget> mealSumDay(const DrillCell& cell, const MealSumDayFilter& filter,
                                      const QVector<MealPeriodColumn>& periods) {
    DrillTarget t = start(cell, JournalPage::Consumption);
    // The cell counts the records of its own meal period (the totals: of
    // every valid one), so the journal lists exactly those.
    const MealPeriodColumn* chosen = nullptr;
    for (const MealPeriodColumn& p : periods)
        if (cell.field.compare(p.countField, Qt::CaseInsensitive) == 0 ||
            cell.field.compare(p.moneyField, Qt::CaseInsensitive) == 0)
            chosen = &p;
    if (chosen) {
        if (!chosen->valid)
            return std::nullopt;
        t.conditions.mealPeriods = {chosen->period};
    } else {
        for (const MealPeriodColumn& p : periods)
            if (p.valid)
                t.conditions.mealPeriods << p.period;
        if (t.conditions.mealPeriods.isEmpty())
            return std::nullopt;
    }
    t.conditions.flags = MealSumDayQuery::kindFlags(filter.kind, &t.conditions.flagsExcluded);
    const QString room = filter.dinRoom.trimmed();
    if (!room.isEmpty() && room != QLatin1String("0"))
        t.conditions.dinRoom = room;
    return t;
}

std::optional<DrillTarget> mealSumDaySec(const DrillCell& cell) {
    const QString f = cell.field.toUpper();
    struct Rule {
        const char* part;
        JournalPage page;
        QVector<int> kinds;
    };
    static const Rule rules[] = {
        {"COST", JournalPage::CardCost, {1}},
        {"MANAGER", JournalPage::CardCost, {2}},
        {"CHARGE", JournalPage::Recharge, {0, 2}},
        {"CHUNA", JournalPage::Recharge, {30, 31}},
        {"ALLOW", JournalPage::Recharge, {33, 1, 3, 104}},
        {"MEAL", JournalPage::Consumption, {}},
        {"RETURN", JournalPage::Refund, {}},
    };
    for (const Rule& r : rules)
        if (f.contains(QLatin1String(r.part))) {
            DrillTarget t = start(cell, r.page);
            t.conditions.kinds = r.kinds;
            if (r.page == JournalPage::Consumption) {
                t.conditions.flags = {102};
                t.conditions.flagsExcluded = true;
            }
            return t;
        }
    return std::nullopt;
}

} // namespace DailySumsDrill
