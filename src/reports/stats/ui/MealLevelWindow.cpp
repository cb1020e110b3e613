#include "reports/stats/ui/MealLevelWindow.h"

#include "dataset/Field.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/CompanyParameters.h"
#include "framework/ModuleContext.h"
#include "reports/stats/ui/CellDrillDown.h"
#include "reports/ui/AllRecordsUnt.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>

MealLevelWindow::MealLevelWindow(ModuleContext& context, const QString& caption, MealLevelGrouping grouping,
                                 const QString& dataSetName, QWidget* parent)
    : TfrmDptRecordBaseClass(context, caption, parent), m_grouping(grouping) {
    setAttribute(Qt::WA_DeleteOnClose);
    ownDataSet(dataSetName);
    readOnlyWindow = true;
    showDateRange(true);
    showNameSearch(true);
    for (QDateTimeEdit* e : {dtp_begin, dtp_end})
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    const QDate today = QDate::currentDate();
    setPeriod(QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)),
              QDateTime(today, QTime(23, 59, 59)));
    cbkind = addSearchCombo(QStringLiteral("消费类型"), QStringLiteral("cbkind"),
                            MealLevelQuery::typeItems((context.session.config.ModuleOptions & 4) != 0));
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    // Character 5 of the company's flags: cells are chosen one by one and a
    // double-click opens the records behind one.
    m_drill = enableCellDrillDown(dgTable, context.session, [this](int, int) {
        if (const Field* f = dgTable->selectedField())
            drillDown(f->fieldName());
    });
    guarded([this] { m_periods = MealLevelQuery::readPeriods(this->context().session); });
}

void MealLevelWindow::fillFilter(QObject* /*sender*/, MealLevelFilter& /*filter*/) const {}

void MealLevelWindow::BuildWhere(QObject* sender, QString& sql) {
    const DptWhereInput in = whereInput(sender);
    MealLevelFilter f;
    f.grouping = m_grouping;
    f.begin = dtp_begin->date();
    f.end = dtp_end->date();
    f.typeIndex = cbkind->currentIndex();
    const Session& s = context().session;
    if (CompanySwitch::diningRoomRights(s))
        f.dinRoom = s.UserDinRoom;
    f.fromSearch = in.fromSearchButton;
    f.keyText = in.keyText;
    f.nameText = in.nameText;
    f.departmentSelected = in.departmentSelected;
    f.departmentNo = in.departmentNo;
    f.departmentRights = in.departmentRights;
    f.userDepartments = in.userDepartments;
    fillFilter(sender, f);
    sql = MealLevelQuery::statement(f, s); // a bad terminal list is refused here
    m_filter = f;
    const QString day = QStringLiteral("yyyy-MM-dd");
    printCaption = QStringLiteral("日期: (%1 至 %2)").arg(f.begin.toString(day), f.end.toString(day));
}

void MealLevelWindow::columnsKnown(QObject* /*sender*/) {
    MealLevelQuery::titleColumns(*dataSet(), m_periods);
}

void MealLevelWindow::drillDown(const QString& fieldName) {
    if (!m_drill || !dataSet() || dataSet()->isEmpty() || isLoading())
        return;
    guarded([&] {
        const MealLevelQuery::DrillKey key = drillKey();
        const JournalConditions c = MealLevelQuery::drillConditions(
            m_filter, MealLevelQuery::periodOfField(fieldName), m_periods, key);
        TFrmAllRecordsUnt::open(context())->showPage(JournalPage::Consumption, c, drillTitle(key));
    });
}
