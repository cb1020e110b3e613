#include "framework/ui/DptRecordBaseClass.h"

#include "dataset/grid/ui/DBGrid.h"
#include "db/CompanyParameters.h"
#include "framework/DepartmentFilter.h"
#include "framework/ModuleContext.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrmDptRecordBaseClass::TfrmDptRecordBaseClass(ModuleContext& context, const QString& caption,
                                               QWidget* parent)
    : TfrmRecordBaseClass(context, caption, parent) {
    resize(1027, 448);
    sumFooter = true;
    PgControl = new QTabWidget(plTree);
    PgControl->setObjectName(QStringLiteral("PgControl"));
    TabSheet1 = new QWidget(PgControl);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    tvDepart = new QTreeWidget(TabSheet1);
    tvDepart->setObjectName(QStringLiteral("tvDepart"));
    tvDepart->setHeaderHidden(true);
    tvDepart->setMouseTracking(true);
    auto* tabLayout = new QVBoxLayout(TabSheet1);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    tabLayout->addWidget(tvDepart);
    PgControl->addTab(TabSheet1, QStringLiteral("部门结构"));
    auto* treeLayout = new QVBoxLayout(plTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->addWidget(PgControl);
    plTree->setMinimumWidth(160);
    splitter->setSizes({200, 827});

    auto* keyLayout = static_cast<QHBoxLayout*>(plKey->layout());
    lbPeriodFrom = new QLabel(QStringLiteral("时间从"), plKey);
    dtp_begin = new QDateTimeEdit(plKey);
    dtp_begin->setObjectName(QStringLiteral("dtp_begin"));
    lbPeriodTo = new QLabel(QStringLiteral("到"), plKey);
    dtp_end = new QDateTimeEdit(plKey);
    dtp_end->setObjectName(QStringLiteral("dtp_end"));
    for (QDateTimeEdit* e : {dtp_begin, dtp_end}) {
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        e->setCalendarPopup(true);
    }
    lblname = new QLabel(QStringLiteral("姓名查询"), plKey);
    edtname = new QLineEdit(plKey);
    edtname->setObjectName(QStringLiteral("edtname"));
    edtname->setMaximumWidth(100);
    connect(edtname, &QLineEdit::returnPressed, this, [this] { actEnterExecute(); });
    const int at = keyLayout->indexOf(sbAll);
    keyLayout->insertWidget(at, lbPeriodFrom);
    keyLayout->insertWidget(at + 1, dtp_begin);
    keyLayout->insertWidget(at + 2, lbPeriodTo);
    keyLayout->insertWidget(at + 3, dtp_end);
    keyLayout->insertWidget(at + 4, lblname);
    keyLayout->insertWidget(at + 5, edtname);
    showDateRange(false);
    showNameSearch(false);

    const QDate today = QDate::currentDate();
    dtp_begin->setDateTime(QDateTime(today, QTime(0, 0, 0)));
    dtp_end->setDateTime(QDateTime(today, QTime(23, 59, 59)));

    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "tbFind"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    for (QAction* a : {actDataInsert, actDataEdit, actDataDelete, actDataFind})
        a->setVisible(false);

    guarded([this] { BuildDepartmentTree(this->context(), tvDepart); });
    connect(tvDepart, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current)
            tvDepartChange();
    });
    connect(PgControl, &QTabWidget::currentChanged, this, [this] { actDataRefreshExecute(PgControl); });
}

void TfrmDptRecordBaseClass::showDateRange(bool visible) {
    for (QWidget* w : std::initializer_list<QWidget*>{lbPeriodFrom, dtp_begin, lbPeriodTo, dtp_end})
        w->setVisible(visible);
}

void TfrmDptRecordBaseClass::showNameSearch(bool visible) {
    lblname->setVisible(visible);
    edtname->setVisible(visible);
}

void TfrmDptRecordBaseClass::BuildDepartmentTree(const ModuleContext& context, QTreeWidget* tree) {
    tree->setUpdatesEnabled(false);
    tree->clear();
    const QVector<DepartmentFilter::TreeNode> nodes = DepartmentFilter::loadDepartmentTree(context.session);
    QVector<QTreeWidgetItem*> items(nodes.size(), nullptr);
    // Parents always come before their children once they are placed: place
    // top-level nodes first, then keep placing nodes whose parent is placed.
    int placed = 0;
    bool progress = true;
    while (placed < nodes.size() && progress) {
        progress = false;
        for (int i = 0; i < nodes.size(); ++i) {
            if (items[i])
                continue;
            const int parent = nodes[i].parent;
            if (parent >= 0 && !items[parent])
                continue;
            auto* item = parent < 0 ? new QTreeWidgetItem(tree) : new QTreeWidgetItem(items[parent]);
            item->setText(0, nodes[i].text);
            item->setData(0, DeptRole, nodes[i].deptno);
            items[i] = item;
            ++placed;
            progress = true;
        }
    }
    if (tree->topLevelItemCount() == 1)
        tree->topLevelItem(0)->setExpanded(true);
    tree->setUpdatesEnabled(true);
}

QString TfrmDptRecordBaseClass::selectedDepartment() const {
    QTreeWidgetItem* item = tvDepart->currentItem();
    return item ? item->data(0, DeptRole).toString() : QString();
}

void TfrmDptRecordBaseClass::tvDepartChange() {
    edtKey->clear();
    edtname->clear();
    actDataRefreshExecute(tvDepart);
}

void TfrmDptRecordBaseClass::BuildWhere(QObject* sender, QString& sql) {
    sql = DepartmentFilter::buildWhere(whereInput(sender), context().session);
}

DptWhereInput TfrmDptRecordBaseClass::whereInput(QObject* sender) const {
    DptWhereInput in;
    in.sqlTemplate = sqlTemplate;
    in.fromSearchButton = sender == sbAll;
    in.keyText = edtKey->text().trimmed();
    in.nameText = edtname->text().trimmed();
    in.prefix = columnPrefix;
    in.employeeColumn = employeeColumn;
    in.departmentSelected = tvDepart->currentItem() != nullptr;
    in.departmentNo = selectedDepartment();
    in.departmentFilter = departmentFilter;
    in.departmentRights = DepartmentFilter::rightsApply(context().session);
    if (in.departmentRights)
        in.userDepartments = UserDepartments(context().session);
    return in;
}

QVariantMap TfrmDptRecordBaseClass::periodParameters() const {
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return {{QStringLiteral("@begindate"), dtp_begin->dateTime().toString(format)},
            {QStringLiteral("@enddate"), dtp_end->dateTime().toString(format)}};
}

void TfrmDptRecordBaseClass::setPeriod(const QDateTime& begin, const QDateTime& end) {
    dtp_begin->setDateTime(begin);
    dtp_end->setDateTime(end);
}

void TfrmDptRecordBaseClass::QueryData(QObject* sender) {
    if (!dataSet())
        return;
    if (!dtp_begin->dateTime().isValid() || !dtp_end->dateTime().isValid())
        throw DbError(QStringLiteral("日期时间无效"));
    QString sql;
    BuildWhere(sender, sql); // a refused value stops here: the rows shown stay
    QVariantMap params;
    if (sql.contains(QLatin1String("@BEGINDATE"), Qt::CaseInsensitive))
        params = periodParameters();
    loadRows(sql, params, sender);
    baseSql.clear();
}
