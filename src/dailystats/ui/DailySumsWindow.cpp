#include "dailystats/ui/DailySumsWindow.h"

#include "charts/ui/ChartPainter.h"
#include "charts/ui/StatsChartView.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/CompanyParameters.h"
#include "framework/DepartmentFilter.h"
#include "framework/ModuleContext.h"
#include "framework/ui/GridPrinter.h"
#include "framework/ui/RecordPrintActions.h"
#include "reports/stats/ui/CellDrillDown.h"
#include "reports/ui/AllRecordsUnt.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTableView>

DailySumsWindow::DailySumsWindow(ModuleContext& context, const QString& caption, const QDate& defaultBegin,
                                 QWidget* parent)
    : TfrmRecordBaseClass(context, caption, parent) {
    readOnlyWindow = true;
    sumFooter = true;
    lbKey->setVisible(false);
    edtKey->setVisible(false);
    dtp_begin = new QDateEdit(defaultBegin, plKey);
    dtp_begin->setObjectName(QStringLiteral("dtp_begin"));
    dtp_end = new QDateEdit(QDate::currentDate(), plKey);
    dtp_end->setObjectName(QStringLiteral("dtp_end"));
    for (QDateEdit* e : {dtp_begin, dtp_end}) {
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        e->setCalendarPopup(true);
    }
    addSearchControl(QStringLiteral("日期从"), dtp_begin);
    addSearchControl(QStringLiteral("到"), dtp_end);
    for (const char* hidden :
         {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport", "tbFind", "tbFilter"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    // The drill-down switch also makes the grid select cells instead of rows.
    enableCellDrillDown(dgTable, this->context().session,
                        [this](int row, int column) { drillDown(row, column); });
}

void DailySumsWindow::setRange(const QDate& begin, const QDate& end) {
    dtp_begin->setDate(begin);
    dtp_end->setDate(end);
}

DayRange DailySumsWindow::range() const {
    return {dtp_begin->date(), dtp_end->date()};
}

void DailySumsWindow::addChart(const ChartSpec& description) {
    m_chart = new StatsChartView(splitter);
    m_chart->setPrompter(context().prompter);
    m_chart->setDescription(description);
    splitter->addWidget(m_chart);
    splitter->setStretchFactor(1, 3);
    splitter->setStretchFactor(2, 2);
    splitter->setSizes({1, 600, 400});
    if (dataSet())
        m_chart->attach(dataSet());
    // The print and its preview end with the chart of the rows, as the window shows it.
    printActions().gridPrinter().options().lastPage = [this](QPainter& painter, const QRectF& area) {
        ChartPainter::paint(m_chart->data(), painter, area);
    };
}

std::optional<ChartSpec> DailySumsWindow::exportChart() const {
    if (!m_chart)
        return std::nullopt;
    return m_chart->description();
}

void DailySumsWindow::rowsLoaded(QObject* sender, bool cancelled) {
    TfrmRecordBaseClass::rowsLoaded(sender, cancelled);
    // Captions and hidden columns are set by now: the chart takes them over.
    if (m_chart && !cancelled)
        m_chart->rebuild();
}

void DailySumsWindow::notePeriod() {
    const QString day = QStringLiteral("yyyy-MM-dd");
    printCaption = QStringLiteral("日期: (%1 至 %2)")
                       .arg(dtp_begin->date().toString(day), dtp_end->date().toString(day));
}

TFrmAllRecordsUnt* DailySumsWindow::drillDown(int row, int column) {
    DataSet* rows = dataSet();
    if (!DailySums::drillDownEnabled(context().session) || !rows || rows->isEmpty() || row < 0 ||
        row >= rows->recordCount())
        return nullptr;
    const Field* field = dgTable->model()->fieldAt(column);
    if (!field)
        return nullptr;
    DrillCell cell;
    cell.field = field->fieldName();
    cell.columnTitle = field->displayLabel();
    cell.window = range();
    const Bookmark at = rows->bookmarkAt(row);
    if (const Field* day = rows->findField(QStringLiteral("op_ymd")))
        cell.day = rows->valueAt(at, day->index()).toDate();
    if (const Field* op = rows->findField(QStringLiteral("opcard_id"))) {
        cell.perOperator = true;
        cell.operatorText = rows->textAt(at, op->index());
    }
    const Session& s = context().session;
    cell.departmentRights = DepartmentFilter::rightsApply(s);
    if (cell.departmentRights)
        cell.userDepartments = UserDepartments(s);
    const std::optional<DrillTarget> target = drillTarget(cell);
    if (!target)
        return nullptr;
    TFrmAllRecordsUnt* journal = TFrmAllRecordsUnt::open(context());
    journal->showPage(target->page, target->conditions, target->title);
    return journal;
}
