#include "reports/stats/ui/ClockDinlev.h"

#include "framework/ModuleContext.h"
#include "reports/ui/ClockTree.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>

TfrmClockDinlev::TfrmClockDinlev(ModuleContext& context, QWidget* parent)
    : MealLevelWindow(context, QStringLiteral("餐厅餐别统计"), MealLevelGrouping::Terminal,
                      QStringLiteral("dsClockDinlev"), parent) {
    setObjectName(QStringLiteral("frmClockDinlev"));
    lbKey->setText(QStringLiteral("机号查询"));
    lblname->setText(QStringLiteral("名称查询"));
    departmentFilter = false;
    // The terminals take the place of the departments.
    const QSignalBlocker quiet(PgControl);
    tvclock = ClockTree::addPage(PgControl, &TabSheet2);
    PgControl->removeTab(PgControl->indexOf(TabSheet1));
    connect(tvclock, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (node)
            tvclockChange(node);
    });
    guarded([this] { ClockTree::build(this->context(), tvclock); });
}

void TfrmClockDinlev::tvclockChange(QTreeWidgetItem* node) {
    edtKey->clear();
    edtname->clear();
    QVector<qint64> clocks;
    if (!guarded([&] { clocks = ClockTree::terminalsOf(context(), node); }))
        return;
    m_treeClicked = true;
    m_terminals = clocks;
    guarded([this] { QueryData(tvclock); });
}

void TfrmClockDinlev::fillFilter(QObject* /*sender*/, MealLevelFilter& f) const {
    f.departmentSelected = false;
    f.terminalsSelected = m_treeClicked;
    f.terminals = m_terminals;
}

MealLevelQuery::DrillKey TfrmClockDinlev::drillKey() const {
    MealLevelQuery::DrillKey key;
    key.clockId = dataSet()->fieldByName(QStringLiteral("Clock_id")).value().toLongLong();
    return key;
}

QString TfrmClockDinlev::drillTitle(const MealLevelQuery::DrillKey& key) const {
    return QStringLiteral("机号：") + QString::number(key.clockId);
}
