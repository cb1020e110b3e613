#include "reports/stats/ui/HSRecords.h"

#include "dataset/grid/ui/DBGrid.h"
#include "db/CompanyParameters.h"
#include "framework/ModuleContext.h"
#include "reports/stats/GoodsSalesQuery.h"
#include "reports/ui/ClockTree.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

TfrmHSRecords::TfrmHSRecords(ModuleContext& context, QWidget* parent)
    : TfrmDptRecordBaseClass(context, QStringLiteral("商品销售统计"), parent) {
    setObjectName(QStringLiteral("frmHSRecords"));
    setAttribute(Qt::WA_DeleteOnClose);
    ownDataSet(QStringLiteral("dsADODetail"));
    readOnlyWindow = true;
    departmentFilter = false;
    showDateRange(true);
    showNameSearch(true);
    lbPeriodFrom->setText(QStringLiteral("销售时间从"));
    lblname->setText(QStringLiteral("商品名称"));
    lbKey->setVisible(false);
    edtKey->setVisible(false);
    const QDate today = QDate::currentDate();
    setPeriod(QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)),
              QDateTime(today, QTime(23, 59, 59)));
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    const QSignalBlocker quiet(PgControl);
    tvclock = ClockTree::addPage(PgControl, &TabSheet2);
    PgControl->setTabText(PgControl->indexOf(TabSheet2), QStringLiteral("餐厅结构图"));
    PgControl->removeTab(PgControl->indexOf(TabSheet1));
    connect(tvclock, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (node)
            tvclockChange(node);
    });
    guarded([this] { ClockTree::build(this->context(), tvclock); });
    // After the column chooser the rows follow the price column's visibility
    // (connected after the chooser's own handler, so it runs once it closed).
    connect(actDefCols, &QAction::triggered, this, [this] {
        if (priceShown() != m_byPrice)
            actDataRefreshExecute(actDefCols);
    });
}

bool TfrmHSRecords::priceShown() const {
    const Field* price = dataSet() ? dataSet()->findField(QStringLiteral("Price")) : nullptr;
    return !price || price->visible();
}

void TfrmHSRecords::setPriceShown(bool shown) {
    if (Field* price = dataSet() ? dataSet()->findField(QStringLiteral("Price")) : nullptr) {
        price->setVisible(shown);
        dgTable->refreshColumns();
    }
    if (priceShown() != m_byPrice)
        actDataRefreshExecute(actDefCols);
}

void TfrmHSRecords::columnsKnown(QObject* /*sender*/) {
    // A new statement's price column shows as the rows are grouped.
    if (Field* price = dataSet()->findField(QStringLiteral("Price")))
        price->setVisible(m_byPrice);
}

void TfrmHSRecords::rowsLoaded(QObject* /*sender*/, bool cancelled) {
    // A stored layout that hides the price column groups the rows by article.
    if (!cancelled && priceShown() != m_byPrice)
        QTimer::singleShot(0, this, [this] { actDataRefreshExecute(actDefCols); });
}

void TfrmHSRecords::tvclockChange(QTreeWidgetItem* node) {
    QVector<qint64> clocks;
    if (!guarded([&] { clocks = ClockTree::terminalsOf(context(), node); }))
        return;
    m_treeClicked = true;
    m_terminals = clocks;
    guarded([this] { QueryData(tvclock); });
}

void TfrmHSRecords::BuildWhere(QObject* /*sender*/, QString& sql) {
    const Session& s = context().session;
    GoodsSalesFilter f;
    f.begin = dtp_begin->dateTime();
    f.end = dtp_end->dateTime();
    f.byPrice = priceShown();
    f.terminalsSelected = m_treeClicked;
    f.terminals = m_terminals;
    f.articleName = edtname->text();
    if (CompanySwitch::diningRoomRights(s))
        f.dinRoom = s.UserDinRoom;
    f.departmentRights = DepartmentFilter::rightsApply(s);
    if (f.departmentRights)
        f.userDepartments = UserDepartments(s);
    sql = GoodsSalesQuery::statement(f, s);
    m_byPrice = f.byPrice;
    const QString format = QStringLiteral("yyyy-MM-dd");
    printCaption = QStringLiteral("日期: (%1 至 %2)").arg(f.begin.toString(format), f.end.toString(format));
}
