#include "reports/ui/MealRecords.h"

#include "dataset/DataSetLoader.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/CompanyParameters.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"
#include "framework/ui/CardReadButton.h"
#include "reports/MealRecordsQuery.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int RoomRole = Qt::UserRole + 2; // dining-room id of a room node
const QColor kInfoBk(255, 255, 225);       // the tool-tip background of the odd records
} // namespace

TfrmMealRecords::TfrmMealRecords(ModuleContext& context, QWidget* parent)
    : TfrmDptRecordBaseClass(context, QStringLiteral("消费明细"), parent) {
    setObjectName(QStringLiteral("frmMealRecords"));
    ownDataSet(QStringLiteral("dsMealRec"));
    sqlTemplate = MealRecordsQuery::baseStatement();
    readOnlyWindow = true;
    lbKey->setText(QStringLiteral("工号查询"));
    showDateRange(true);
    showNameSearch(true);
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbFind", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    buildControls();
    guarded([this] { buildClockTree(); });

    m_loader = new DataSetLoader(dataSet(), this);
    m_detailLoader = new DataSetLoader(nullptr, this);
    connect(dataSet(), &DataSet::recordChanged, this, &TfrmMealRecords::ComDataDataChange);
    // The data-state rules enable the actions on every state change; while
    // rows are still arriving, export, print and filter would see only part.
    connect(dataSet(), &DataSet::stateChanged, this, [this] {
        if (isLoading())
            for (QAction* a : {actDataExport, actDataPrint, actDataFilter})
                a->setEnabled(false);
    });
    connect(dataSet(), &DataSet::viewReset, this, &TfrmMealRecords::ComDataDataChange);
    connect(dataSet(), &DataSet::loadProgress, this, [this](quint32 rows) {
        lbLoading->setText(QStringLiteral("正在读取数据... %1 条").arg(rows));
        if (!m_fieldsBound && dataSet()->fieldCount() > 0) {
            m_fieldsBound = true; // labels and code texts while the rest arrives
            dataSetOpened();
        }
    });
    // The export action of the record windows writes the main grid; this
    // window exports key-value, goods and timed records with their lines.
    if (QObject* files = findChild<QObject*>(QStringLiteral("RecordFileActions"), Qt::FindDirectChildrenOnly))
        disconnect(actDataExport, &QAction::triggered, files, nullptr);
    connect(actDataExport, &QAction::triggered, this, [this] { actDataExportExecute(); });
}

TfrmMealRecords::~TfrmMealRecords() = default;

void TfrmMealRecords::buildControls() {
    auto* keyLayout = static_cast<QHBoxLayout*>(plKey->layout());
    int at = keyLayout->indexOf(sbAll);
    cbkind = new QComboBox(plKey);
    cbkind->setObjectName(QStringLiteral("cbkind"));
    cbkind->addItems(MealRecordsQuery::kindItems(context().session.ModuleOptions()));
    cbkind->setCurrentIndex(cbkind->count() - 1);
    edtCard_id = new QLineEdit(plKey);
    edtCard_id->setObjectName(QStringLiteral("edtCard_id"));
    edtCard_id->setMaximumWidth(100);
    btnReadCard = CardReadButton::create(context(), edtCard_id, plKey); // digits only; "读卡" fills it
    keyLayout->insertWidget(at++, new QLabel(QStringLiteral("消费类型"), plKey));
    keyLayout->insertWidget(at++, cbkind);
    keyLayout->insertWidget(at++, new QLabel(QStringLiteral("卡号"), plKey));
    keyLayout->insertWidget(at++, edtCard_id);
    keyLayout->insertWidget(at++, btnReadCard);
    connect(edtCard_id, &QLineEdit::returnPressed, this, [this] { actEnterExecute(); });
    connect(cbkind, &QComboBox::currentIndexChanged, this, [this] { cbkindChange(); });

    TabSheet2 = new QWidget(PgControl);
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    tvclock = new QTreeWidget(TabSheet2);
    tvclock->setObjectName(QStringLiteral("tvclock"));
    tvclock->setHeaderHidden(true);
    auto* clockLayout = new QVBoxLayout(TabSheet2);
    clockLayout->setContentsMargins(0, 0, 0, 0);
    clockLayout->addWidget(tvclock);
    {
        const QSignalBlocker block(PgControl); // adding the page is no refresh
        PgControl->addTab(TabSheet2, QStringLiteral("餐厅结构"));
    }
    connect(tvclock, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (node)
            TvClockChange(node);
    });

    // The detail panel under the main grid.
    auto* detailLayout = static_cast<QVBoxLayout*>(PanelDetail->layout());
    detailLayout->removeWidget(dgTable);
    SplitDetail = new QSplitter(Qt::Vertical, PanelDetail);
    SplitDetail->setObjectName(QStringLiteral("SplitDetail"));
    SplitDetail->addWidget(dgTable);
    PDetail = new QWidget(SplitDetail);
    PDetail->setObjectName(QStringLiteral("PDetail"));
    auto* pLayout = new QVBoxLayout(PDetail);
    pLayout->setContentsMargins(0, 0, 0, 0);
    dgDetail = new DBGrid(PDetail);
    dgDetail->setObjectName(QStringLiteral("dgDetail"));
    dgDetail->setReadOnly(true);
    dgDetail->setAlternateRowColors(kInfoBk, Qt::white);
    pLayout->addWidget(dgDetail);
    SplitDetail->addWidget(PDetail);
    SplitDetail->setStretchFactor(0, 3);
    SplitDetail->setStretchFactor(1, 1);
    detailLayout->addWidget(SplitDetail);
    PDetail->setVisible(false);

    OtherTable = new DBGrid(this);
    OtherTable->setObjectName(QStringLiteral("OtherTable"));
    OtherTable->setReadOnly(true);
    OtherTable->setAlternateRowColors(kInfoBk, Qt::white);
    OtherTable->setVisible(false);

    const auto makeSet = [this](const char* name) {
        auto* ds = new DataSet(this);
        ds->setObjectName(QString::fromLatin1(name));
        return ds;
    };
    qryKey = makeSet("qryKey");
    qryStore = makeSet("qryStore");
    qryTm = makeSet("qryTm");
    qryOtKey = makeSet("qryOtKey");
    qryOtStore = makeSet("qryOtStore");
    qryOtTme = makeSet("qryOtTme");
    for (DBGrid* g : {dgDetail, OtherTable})
        connect(g, &DBGrid::sortFailed, this, [this](const QString& m) { showError(m); });

    // The loading indication.
    plLoading = new QWidget(this);
    plLoading->setObjectName(QStringLiteral("plLoading"));
    auto* loadLayout = new QHBoxLayout(plLoading);
    loadLayout->setContentsMargins(4, 2, 4, 2);
    lbLoading = new QLabel(plLoading);
    btnCancelLoad = new QPushButton(QStringLiteral("取消"), plLoading);
    btnCancelLoad->setObjectName(QStringLiteral("btnCancelLoad"));
    loadLayout->addWidget(lbLoading);
    loadLayout->addWidget(btnCancelLoad);
    loadLayout->addStretch(1);
    mainLayout->addWidget(plLoading);
    plLoading->setVisible(false);
    connect(btnCancelLoad, &QPushButton::clicked, this, [this] { m_loader->cancel(); });
}

void TfrmMealRecords::buildClockTree() {
    tvclock->clear();
    auto* root = new QTreeWidgetItem(tvclock, {QStringLiteral("所有餐厅")});
    for (const MealRecordsQuery::ClockTreeRoom& room : MealRecordsQuery::loadClockTree(context().session)) {
        auto* node = new QTreeWidgetItem(root, {room.name});
        node->setData(0, RoomRole, room.roomId);
        for (const QString& caption : room.terminals)
            new QTreeWidgetItem(node, {caption});
    }
    root->setExpanded(true);
}

void TfrmMealRecords::showEvent(QShowEvent* event) {
    if (!m_menuExtended) {
        m_menuExtended = true;
        const QString flags = context().session.OtherMattersFlags;
        if (flags.startsWith(QLatin1Char('1')) && !pmTable->actions().isEmpty()) {
            pmTable->addSeparator();
            ReMatchDinlev = pmTable->addAction(QStringLiteral("重新匹配餐别"));
            ReMatchDinlev->setObjectName(QStringLiteral("ReMatchDinlev"));
            connect(ReMatchDinlev, &QAction::triggered, this, [this] { ReMatchDinlevClick(); });
        }
        if (context().MealDM && context().session.ModuleConnection.isOpen())
            guarded([this] { context().MealDM->openMealTime(context().session); });
    }
    TfrmDptRecordBaseClass::showEvent(event);
}

void TfrmMealRecords::closeEvent(QCloseEvent* event) {
    m_loader->cancel();
    m_detailLoader->cancel();
    TfrmDptRecordBaseClass::closeEvent(event);
    if (event->isAccepted() && context().MealDM)
        context().MealDM->closeMealTime();
}

void TfrmMealRecords::BeforeQuery() {
    // The department condition is left out while the dining-room page is shown.
    departmentFilter = PgControl->currentWidget() != TabSheet2;
}

void TfrmMealRecords::BuildWhere(QObject* sender, QString& sql) {
    MealRecordsFilter f;
    f.department = whereInput(sender);
    const Session& s = context().session;
    f.cardText = edtCard_id->text();
    f.terminalCondition = m_terminalCondition;
    f.userDinRoom = s.UserDinRoom;
    if (!s.UserDinRoom.isEmpty())
        f.restrictToDinRoom = isTrueText(ReadCompanyParameter(s, QStringLiteral("cbClock"), QString()));
    f.kindIndex = cbkind->currentIndex();
    sql = MealRecordsQuery::statement(f, s);
}

bool TfrmMealRecords::isLoading() const {
    return m_loader->isRunning();
}

void TfrmMealRecords::QueryData(QObject* sender) {
    if (!dtp_begin->dateTime().isValid() || !dtp_end->dateTime().isValid())
        throw DbError(QStringLiteral("日期时间无效"));
    QString sql;
    BuildWhere(sender, sql); // a refused card number stops here, the rows stay
    m_fieldsBound = false;
    dataSet()->setFiltered(false);
    lbLoading->setText(QStringLiteral("正在读取数据..."));
    plLoading->setVisible(true);
    QPointer<QObject> from(sender);
    disconnect(m_loader, &DataSetLoader::finished, this, nullptr);
    connect(m_loader, &DataSetLoader::finished, this,
            [this, from](bool cancelled, const QString& error) { loadFinished(cancelled, error, from); });
    m_loader->start(context().session.ModuleConnection, sql, periodParameters(), &context().session.trace());
    for (QAction* a : {actDataExport, actDataPrint, actDataFilter})
        a->setEnabled(false);
    baseSql.clear();
}

void TfrmMealRecords::loadFinished(bool cancelled, const QString& error, QObject* sender) {
    plLoading->setVisible(false);
    applyDataState();
    if (!error.isEmpty()) {
        showError(error);
        emit queryFinished();
        return;
    }
    dataSetOpened();
    SetSumFooter(sender, 1);
    if (m_restorePosition != kNoBookmark) {
        dataSet()->gotoBookmark(m_restorePosition);
        dgTable->setSelectedColumn(m_restoreColumn);
        m_restorePosition = kNoBookmark;
    }
    if (cancelled)
        lbRec->setText(lbRec->text() + QStringLiteral(" (已取消)"));
    guarded([this] { cbkindChange(); });
    emit queryFinished();
}

void TfrmMealRecords::TvClockChange(QTreeWidgetItem* node) {
    edtKey->clear();
    edtname->clear();
    const Session& s = context().session;
    QStringList clocks;
    const bool ok = guarded([&] {
        if (node->parent() && node->parent()->parent()) {
            clocks << QString::number(MealRecordsQuery::terminalOfCaption(node->text(0)));
            return;
        }
        QString sql;
        if (!node->parent()) {
            const bool cbClock = !s.UserDinRoom.isEmpty() &&
                                 isTrueText(ReadCompanyParameter(s, QStringLiteral("cbClock"), QString()));
            sql = MealRecordsQuery::allTerminalsStatement(s.dialect(), s.UserDinRoom, cbClock);
        } else {
            sql = MealRecordsQuery::roomTerminalsStatement(s.dialect(), node->data(0, RoomRole).toString());
        }
        QSqlQuery q(s.ModuleConnection);
        s.runner().RunQuery(q, sql, true);
        while (q.next())
            clocks << q.value(0).toString();
    });
    if (!ok)
        return;
    m_terminalCondition = MealRecordsQuery::terminalCondition(clocks);
    guarded([this] { QueryData(tvclock); });
    m_terminalCondition.clear(); // a later refresh lists every terminal again
}

void TfrmMealRecords::cbkindChange() {
    m_detailShown = false;
    const QString table = MealRecordsQuery::detailTable(cbkind->currentIndex());
    DataSet* bound = nullptr;
    switch (cbkind->currentIndex()) {
    case MealRecordsQuery::KeyValueIndex:
        bound = qryKey;
        break;
    case MealRecordsQuery::GoodsIndex:
        bound = qryStore;
        break;
    case MealRecordsQuery::TimedIndex:
        bound = qryTm;
        break;
    default:
        break;
    }
    m_detailShown = bound != nullptr;
    if (DSDetail != bound) {
        m_detailLoader->cancel();
        DSDetail = bound;
        dgDetail->setDataSet(bound);
    }
    if (m_detailShown) {
        delete m_detailLoader;
        m_detailLoader = new DataSetLoader(bound, this);
        connect(m_detailLoader, &DataSetLoader::finished, this, [this](bool, const QString& error) {
            if (!error.isEmpty())
                return showError(error);
            MealRecordsMerge::applyLabels(*DSDetail);
            dgDetail->refreshColumns();
            ComDataDataChange();
        });
        m_detailLoader->start(
            context().session.ModuleConnection,
            MealRecordsQuery::detailStatement(table, dtp_begin->dateTime(), dtp_end->dateTime()), {},
            &context().session.trace());
    }
    PDetail->setVisible(m_detailShown);
}

void TfrmMealRecords::ComDataDataChange() {
    if (!m_detailShown || !DSDetail || !DSDetail->isActive() || DSDetail->isLoading())
        return;
    DataSet& master = *dataSet();
    qint64 clock = 0;
    qint64 pos = 0;
    if (master.isActive() && !master.isEmpty() && master.recNo() > 0) {
        clock = master.valueAt(master.bookmark(), QStringLiteral("clock_id")).toLongLong();
        pos = master.valueAt(master.bookmark(), QStringLiteral("pos_sequ")).toLongLong();
    }
    guarded([&] {
        DSDetail->setFiltered(false);
        DSDetail->setFilter(MealRecordsQuery::detailFilter(clock, pos));
        DSDetail->setFiltered(true);
    });
    MealRecordsMerge::detailFooter(*dgDetail->model(), dgDetail->footer());
    dgDetail->setFooterRowCount(1);
}
