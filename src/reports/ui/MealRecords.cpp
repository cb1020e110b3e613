#include "reports/ui/MealRecords.h"

#include "dataset/DataSetLoader.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/CompanyParameters.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"
#include "framework/ui/CardReadButton.h"
#include "reports/MealRecordsQuery.h"
#include "reports/ui/ClockTree.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QColor kInfoBk(255, 255, 225); // the tool-tip background of the odd records
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

    m_detailLoader = new DataSetLoader(nullptr, this);
    connect(dataSet(), &DataSet::recordChanged, this, &TfrmMealRecords::ComDataDataChange);
    connect(dataSet(), &DataSet::viewReset, this, &TfrmMealRecords::ComDataDataChange);
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

    tvclock = ClockTree::addPage(PgControl, &TabSheet2);
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
}

void TfrmMealRecords::buildClockTree() {
    ClockTree::build(context(), tvclock);
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
    cancelLoad();
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
    f.byTerminals = sender == tvclock;
    f.terminals = m_clickedTerminals;
    f.userDinRoom = s.UserDinRoom;
    if (!s.UserDinRoom.isEmpty())
        f.restrictToDinRoom = CompanySwitch::diningRoomRights(s);
    f.kindIndex = cbkind->currentIndex();
    sql = MealRecordsQuery::statement(f, s);
    // The merged export lists the lines of exactly these rows.
    m_queried = {f, dtp_begin->dateTime(), dtp_end->dateTime()};
}

void TfrmMealRecords::rowsLoaded(QObject* /*sender*/, bool /*cancelled*/) {
    if (m_restorePosition != kNoBookmark) {
        dataSet()->gotoBookmark(m_restorePosition);
        dgTable->setSelectedColumn(m_restoreColumn);
        m_restorePosition = kNoBookmark;
    }
    guarded([this] { cbkindChange(); });
}

void TfrmMealRecords::TvClockChange(QTreeWidgetItem* node) {
    edtKey->clear();
    edtname->clear();
    QVector<qint64> clocks;
    if (!guarded([&] { clocks = ClockTree::terminalsOf(context(), node); }))
        return;
    // The terminals apply to this query only: a later refresh lists every terminal again.
    m_clickedTerminals = clocks;
    guarded([this] { QueryData(tvclock); });
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
