#include "dailystats/ui/MealSumDay.h"

#include "dailystats/DailyCharts.h"
#include "db/CompanyParameters.h"
#include "db/QueryRunner.h"
#include "framework/DepartmentFilter.h"
#include "framework/ModuleContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSqlQuery>

TfrmMealSumDay::TfrmMealSumDay(ModuleContext& context, QWidget* parent)
    : DailySumsWindow(context, QStringLiteral("每日消费汇总"), QDate::currentDate().addDays(-3), parent) {
    setObjectName(QStringLiteral("frmMealSumDay"));
    ownDataSet(MealSumDayQuery::dataSetName(false));
    cbone = new QCheckBox(QStringLiteral("汇总成一条"), plKey);
    cbone->setObjectName(QStringLiteral("cbone"));
    addSearchControl(QString(), cbone);
    cbkind = addSearchCombo(QStringLiteral("消费类型"), QStringLiteral("cbkind"),
                            MealSumDayQuery::kindItems(context.session.ModuleOptions()));
    dbdinroom = addSearchCombo(QStringLiteral("餐厅"), QStringLiteral("dbdinroom"), {});
    dbdinroom->setMinimumWidth(120);
    addChart(DailyCharts::mealSumDay());
}

void TfrmMealSumDay::showEvent(QShowEvent* event) {
    if (!m_listsFilled) {
        m_listsFilled = true;
        guarded([this] { fillLists(); });
    }
    DailySumsWindow::showEvent(event);
}

void TfrmMealSumDay::fillLists() {
    const Session& s = context().session;
    if (!s.ModuleConnection.isOpen())
        return;
    m_periods = MealSumDayQuery::periodColumns(MealSumDayQuery::readPeriods(s));
    QSqlQuery q(s.ModuleConnection);
    s.runner().RunQuery(q, MealSumDayQuery::dinRoomListStatement(), true);
    dbdinroom->clear();
    while (q.next())
        dbdinroom->addItem(q.value(1).toString(), q.value(0).toString());
    dbdinroom->setCurrentIndex(0);
    // A user kept to a dining room starts on it.
    if (!s.UserDinRoom.isEmpty() && CompanySwitch::diningRoomRights(s))
        setDinRoom(s.UserDinRoom);
}

MealSumDayFilter TfrmMealSumDay::filter() const {
    MealSumDayFilter f;
    f.range = range();
    f.oneRecord = cbone->isChecked();
    f.kind = cbkind->currentIndex();
    // The "全部" entry (or none chosen) means every room.
    if (dbdinroom->currentIndex() >= 0 && !dbdinroom->currentText().contains(QStringLiteral("全部")))
        f.dinRoom = dbdinroom->currentData().toString();
    const Session& s = context().session;
    f.departmentRights = DepartmentFilter::rightsApply(s);
    if (f.departmentRights)
        f.userDepartments = UserDepartments(s);
    return f;
}

void TfrmMealSumDay::setOneRecord(bool one) {
    cbone->setChecked(one);
}

void TfrmMealSumDay::setKind(int kind) {
    cbkind->setCurrentIndex(kind);
}

bool TfrmMealSumDay::setDinRoom(const QString& dinRoomId) {
    if (!m_listsFilled) {
        m_listsFilled = true;
        fillLists();
    }
    const int at = dbdinroom->findData(dinRoomId.trimmed());
    if (at >= 0)
        dbdinroom->setCurrentIndex(at);
    return at >= 0;
}

void TfrmMealSumDay::QueryData(QObject* sender) {
    if (!m_listsFilled) {
        m_listsFilled = true;
        fillLists();
    }
    const MealSumDayFilter f = filter();
    const QString sql = MealSumDayQuery::statement(f, context().session.dialect());
    m_loaded = f;
    dataSet()->setObjectName(MealSumDayQuery::dataSetName(f.oneRecord));
    notePeriod();
    loadRows(sql, DailySums::dayParameters(f.range), sender);
}

void TfrmMealSumDay::columnsKnown(QObject* /*sender*/) {
    MealSumDayQuery::applyCaptions(*dataSet(), m_periods);
}

std::optional<DrillTarget> TfrmMealSumDay::drillTarget(const DrillCell& cell) {
    return DailySumsDrill::mealSumDay(cell, m_loaded, m_periods);
}
