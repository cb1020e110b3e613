#include "reports/ui/EmpAllRecords.h"

#include "dataset/grid/ui/DBGrid.h"
#include "framework/ModuleContext.h"
#include "reports/EmpAllRecordsQuery.h"
#include "reports/ui/ClockTree.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

const QColor TfrmEmpAllRecords::ConsumptionColor(0xA6, 0xCA, 0xF0);
const QColor TfrmEmpAllRecords::CreditedColor(0xC0, 0xDC, 0xC0);
const QColor TfrmEmpAllRecords::NotCreditedColor(0x00, 0xFF, 0xFF);

TfrmEmpAllRecords::TfrmEmpAllRecords(ModuleContext& context, QWidget* parent)
    : TfrmDptRecordBaseClass(context, QStringLiteral("个人明细查询"), parent) {
    setObjectName(QStringLiteral("frmEmpAllRecords"));
    setAttribute(Qt::WA_DeleteOnClose);
    ownDataSet(QStringLiteral("dsAllRec"));
    readOnlyWindow = true;
    sumFooter = true;
    lbKey->setText(QStringLiteral("工号查询"));
    showDateRange(true);
    showNameSearch(true);
    edtCard_id = addCardSearch();
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);

    // The legend under the grid.
    auto* legend = new QWidget(PanelDetail);
    legend->setObjectName(QStringLiteral("plLegend"));
    auto* legendLayout = new QHBoxLayout(legend);
    legendLayout->setContentsMargins(4, 2, 4, 2);
    const QPair<const char*, QColor> entries[] = {
        {"充值\\已补贴", CreditedColor}, {"未补贴", NotCreditedColor}, {"消费", ConsumptionColor}};
    for (const auto& entry : entries) {
        auto* panel = new QLabel(QString::fromUtf8(entry.first), legend);
        panel->setAutoFillBackground(true);
        QPalette p = panel->palette();
        p.setColor(QPalette::Window, entry.second);
        panel->setPalette(p);
        panel->setMinimumWidth(90);
        panel->setAlignment(Qt::AlignCenter);
        legendLayout->addWidget(panel);
    }
    legendLayout->addStretch(1);
    static_cast<QVBoxLayout*>(PanelDetail->layout())->addWidget(legend);
    dgTable->setCellColorHook([this](int row, const Field&) { return rowColor(row); });

    tvclock = ClockTree::addPage(PgControl, &TabSheet2);
    connect(tvclock, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (node)
            tvclockChange(node);
    });
    guarded([this] { ClockTree::build(this->context(), tvclock); });
}

QColor TfrmEmpAllRecords::rowColor(int position) const {
    const DataSet* ds = dataSet();
    if (!ds || position < 0 || position >= ds->recordCount())
        return QColor();
    const Field* rsField = ds->findField(QStringLiteral("rs"));
    const Field* chargedField = ds->findField(QStringLiteral("charged"));
    if (!rsField || !chargedField)
        return QColor();
    const Bookmark row = ds->bookmarkAt(position);
    const int rs = ds->valueAt(row, rsField->index()).toInt();
    const bool charged = ds->valueAt(row, chargedField->index()).toInt() != 0;
    switch (EmpAllRecordsQuery::rowKind(rs, charged)) {
    case EmpAllRecordsQuery::RowKind::Consumption:
        return ConsumptionColor;
    case EmpAllRecordsQuery::RowKind::NotCredited:
        return NotCreditedColor;
    case EmpAllRecordsQuery::RowKind::Credited:
        break;
    }
    return CreditedColor;
}

void TfrmEmpAllRecords::BeforeQuery() {
    // The department condition is left out while the dining-room page is shown.
    departmentFilter = PgControl->currentWidget() != TabSheet2;
}

void TfrmEmpAllRecords::BuildWhere(QObject* sender, QString& sql) {
    EmpAllRecordsFilter f;
    f.begin = dtp_begin->dateTime();
    f.end = dtp_end->dateTime();
    f.department = whereInput(sender);
    f.cardText = edtCard_id->text();
    f.byTerminals = sender == tvclock;
    f.terminals = m_clickedTerminals;
    sql = EmpAllRecordsQuery::statement(f, context().session);
    const QString format = QStringLiteral("yyyy-MM-dd");
    printCaption = QStringLiteral("日期: (%1 至 %2)").arg(f.begin.toString(format), f.end.toString(format));
}

void TfrmEmpAllRecords::tvclockChange(QTreeWidgetItem* node) {
    edtKey->clear();
    edtname->clear();
    QVector<qint64> clocks;
    if (!guarded([&] { clocks = ClockTree::terminalsOf(context(), node); }))
        return;
    m_clickedTerminals = clocks;
    guarded([this] { QueryData(tvclock); });
}
