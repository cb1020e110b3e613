#include "framework/ui/RecordBaseClass.h"

#include "dataset/BaseTableWriter.h"
#include "dataset/DataSetLoader.h"
#include "dataset/grid/ColumnFit.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/OpLog.h"
#include "framework/ContextHelp.h"
#include "framework/DataSetBinding.h"
#include "framework/ModuleContext.h"
#include "framework/RecordWindowRules.h"
#include "framework/SumFooter.h"
#include "framework/ui/CardReadButton.h"
#include "framework/ui/RecordFileActions.h"
#include "framework/ui/RecordPrintActions.h"
#include "util/ModuleFont.h"
#include "util/Prompter.h"
#include "util/ui/Progress.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QSqlQuery>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace RecordWindowRules;

TfrmRecordBaseClass::TfrmRecordBaseClass(ModuleContext& context, const QString& caption, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setWindowTitle(caption);
    resize(800, 448);
    setFont(moduleFont());

    mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    buildActions();
    auto* coolBar = new QWidget(this);
    coolBar->setObjectName(QStringLiteral("CoolBar1"));
    auto* coolLayout = new QHBoxLayout(coolBar);
    coolLayout->setContentsMargins(2, 2, 2, 2);
    buildToolBar();
    coolLayout->addWidget(ToolBar1);
    buildSearchBar();
    coolLayout->addWidget(plKey);
    coolLayout->addStretch(1);
    mainLayout->addWidget(coolBar);

    splitter = new QSplitter(Qt::Horizontal, this);
    plTree = new QWidget(splitter);
    plTree->setObjectName(QStringLiteral("plTree"));
    plTree->setMinimumWidth(1);
    PanelDetail = new QWidget(splitter);
    PanelDetail->setObjectName(QStringLiteral("PanelDetail"));
    auto* detailLayout = new QVBoxLayout(PanelDetail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    // The filter in force, above the grid (hidden without one).
    m_filterLabel = new QLabel(PanelDetail);
    m_filterLabel->setObjectName(QStringLiteral("lbFilter"));
    m_filterLabel->setContentsMargins(4, 2, 4, 2);
    m_filterLabel->setStyleSheet(QStringLiteral("background:#fff7d6"));
    m_filterLabel->setVisible(false);
    detailLayout->addWidget(m_filterLabel);
    dgTable = new DBGrid(PanelDetail);
    dgTable->setObjectName(QStringLiteral("dgTable"));
    dgTable->setFooterColor(QColor(240, 251, 255));
    detailLayout->addWidget(dgTable);
    splitter->addWidget(plTree);
    splitter->addWidget(PanelDetail);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({1, 799});
    mainLayout->addWidget(splitter, 1);
    buildLoadingStrip();
    buildPopupMenu();
    m_printActions = new RecordPrintActions(*this); // print, column chooser, grid layout
    m_fileActions = new RecordFileActions(*this);   // export, import, find
    m_loader = new DataSetLoader(nullptr, this);
    connect(actDataExport, &QAction::triggered, this, [this] { exportRows(); });
    connect(actDataPrint, &QAction::triggered, this, [this] { printRows(); });
    connect(actDataFind, &QAction::triggered, this, [this] { findRows(); });
    connect(actDataImport, &QAction::triggered, m_fileActions, &RecordFileActions::actDataImportExecute);
    connect(actDefCols, &QAction::triggered, m_printActions, &RecordPrintActions::actDefColsExecute);
    connect(actDataFilter, &QAction::triggered, this, [this] { actDataFilterExecute(); });
    connect(mlSelFilter, &QAction::triggered, this, [this] { mlSelFilterClick(); });
    connect(mlExcFilter, &QAction::triggered, this, [this] { mlExcFilterClick(); });
    connect(mlShowAll, &QAction::triggered, this, [this] { mlShowAllClick(); });

    connect(dgTable, &DBGrid::sortRefused, this,
            [this](const QString&) { prompter().error(QStringLiteral("选中列不能排序")); });
    connect(dgTable, &DBGrid::sortFailed, this, [this](const QString& m) { showError(m); });
    connect(dgTable, &DBGrid::editRefused, this, [this](const QString& m) { showError(m); });
    connect(dgTable, &DBGrid::cellDoubleClicked, this, [this](int, int) {
        if (actDataEdit->isEnabled() && isToolButtonVisible(QStringLiteral("tbEdit")))
            actDataEditExecute();
    });

    // The dispatch sets the rights after creation, so the Tag is always 0 here.
    if (m_tag == 0)
        writeLog(enterModuleMessage(caption));
}

TfrmRecordBaseClass::~TfrmRecordBaseClass() = default;

Prompter& TfrmRecordBaseClass::prompter() const {
    return *m_context.prompter;
}

void TfrmRecordBaseClass::buildActions() {
    struct Def {
        QAction** slot;
        const char* name;
        const char* caption;
        const char* hint;
        QStyle::StandardPixmap icon;
    };
    const Def defs[] = {
        {&actDataInsert, "actDataInsert", "增加", "增加记录", QStyle::SP_FileIcon},
        {&actDataEdit, "actDataEdit", "修改", "修改当前记录", QStyle::SP_FileDialogDetailedView},
        {&actDataDelete, "actDataDelete", "删除", "删除当前记录", QStyle::SP_TrashIcon},
        {&actDataCancel, "actDataCancel", "取消", "取消修改记录", QStyle::SP_DialogCancelButton},
        {&actDataPost, "actDataPost", "保存", "保存当前修改", QStyle::SP_DialogSaveButton},
        {&actDataFirst, "actDataFirst", "首项", "转到第一条记录", QStyle::SP_MediaSkipBackward},
        {&actDataLast, "actDataLast", "末项", "转到最后一条记录", QStyle::SP_MediaSkipForward},
        {&actDataFind, "actDataFind", "查找", "查找数据", QStyle::SP_FileDialogContentsView},
        {&actDataPrint, "actDataPrint", "打印", "打印当前数据表", QStyle::SP_DialogApplyButton},
        {&actDataRefresh, "actDataRefresh", "刷新", "刷新数据", QStyle::SP_BrowserReload},
        {&actDataFilter, "actDataFilter", "筛选", "筛选数据", QStyle::SP_FileDialogListView},
        {&actDefCols, "actDefCols", "自定", "自定义显示列", QStyle::SP_FileDialogInfoView},
        {&actDataImport, "actDataImport", "导入", "导入数据", QStyle::SP_ArrowDown},
        {&actDataExport, "actDataExport", "导出", "导出数据", QStyle::SP_ArrowUp},
        {&actFreezeCol, "actFreezeCol", "冻结当前列", "", QStyle::SP_CustomBase},
        {&actHelp, "actHelp", "帮助", "", QStyle::SP_DialogHelpButton},
        {&actEnter, "actEnter", "转到", "", QStyle::SP_CustomBase},
    };
    for (const Def& d : defs) {
        auto* a = new QAction(QString::fromUtf8(d.caption), this);
        a->setObjectName(QString::fromLatin1(d.name));
        a->setToolTip(QString::fromUtf8(d.hint));
        a->setStatusTip(QString::fromUtf8(d.hint));
        if (d.icon != QStyle::SP_CustomBase)
            a->setIcon(style()->standardIcon(d.icon));
        *d.slot = a;
        addAction(a);
    }
    actHelp->setShortcut(Qt::Key_F1);
    actHelp->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    // F1: the help topic listed for the window's caption.
    connect(actHelp, &QAction::triggered, this, [this] { ShowContextHelp(m_context, windowTitle()); });

    connect(actDataInsert, &QAction::triggered, this, [this] { actDataInsertExecute(); });
    connect(actDataEdit, &QAction::triggered, this, [this] { actDataEditExecute(); });
    connect(actDataDelete, &QAction::triggered, this, [this] { actDataDeleteExecute(); });
    connect(actDataCancel, &QAction::triggered, this, [this] { actDataCancelExecute(); });
    connect(actDataPost, &QAction::triggered, this, [this] { actDataPostExecute(); });
    connect(actDataFirst, &QAction::triggered, this, [this] { actDataFirstExecute(); });
    connect(actDataLast, &QAction::triggered, this, [this] { actDataLastExecute(); });
    connect(actDataRefresh, &QAction::triggered, this, [this] { actDataRefreshExecute(actDataRefresh); });
    connect(actFreezeCol, &QAction::triggered, this, [this] { actFreezeColExecute(); });
    connect(actEnter, &QAction::triggered, this, [this] { actEnterExecute(); });
}

QAction* TfrmRecordBaseClass::action(DataAction which) const {
    switch (which) {
    case DataAction::Insert:
        return actDataInsert;
    case DataAction::Edit:
        return actDataEdit;
    case DataAction::Delete:
        return actDataDelete;
    case DataAction::Cancel:
        return actDataCancel;
    case DataAction::Post:
        return actDataPost;
    case DataAction::First:
        return actDataFirst;
    case DataAction::Last:
        return actDataLast;
    case DataAction::Find:
        return actDataFind;
    case DataAction::Print:
        return actDataPrint;
    case DataAction::Refresh:
        return actDataRefresh;
    case DataAction::Filter:
        return actDataFilter;
    case DataAction::DefCols:
        return actDefCols;
    case DataAction::Import:
        return actDataImport;
    case DataAction::Export:
        return actDataExport;
    case DataAction::FreezeCol:
        return actFreezeCol;
    case DataAction::Help:
        return actHelp;
    case DataAction::Enter:
        return actEnter;
    case DataAction::SelFilter:
        return mlSelFilter;
    case DataAction::ExcFilter:
        return mlExcFilter;
    case DataAction::ShowAll:
        return mlShowAll;
    }
    return nullptr;
}

void TfrmRecordBaseClass::buildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(20, 20));
    auto button = [this](const char* name, QAction* action, const QString& caption = QString()) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setMinimumSize(37, 35);
        if (action)
            b->setDefaultAction(action);
        if (!caption.isEmpty())
            b->setText(caption);
        m_buttons.insert(b->objectName(), b);
        m_buttonHolders.insert(b->objectName(), ToolBar1->addWidget(b));
        return b;
    };
    button("tbInsert", actDataInsert);
    button("tbEdit", actDataEdit);
    button("tbDelete", actDataDelete);
    m_buttonHolders.insert(QStringLiteral("ToolButton1"), ToolBar1->addSeparator());
    button("btnAddDes", nullptr, QStringLiteral("扩展"));
    button("btnAddTwo", nullptr, QStringLiteral("扩展2"));
    m_buttonHolders.insert(QStringLiteral("ToolButton2"), ToolBar1->addSeparator());
    button("tbCancel", actDataCancel);
    button("tbPost", actDataPost);
    m_buttonHolders.insert(QStringLiteral("ToolButton3"), ToolBar1->addSeparator());
    button("tbFirst", actDataFirst);
    button("tbLast", actDataLast);
    m_buttonHolders.insert(QStringLiteral("ToolButton4"), ToolBar1->addSeparator());
    button("tbRefresh", actDataRefresh);
    m_buttonHolders.insert(QStringLiteral("ToolButton5"), ToolBar1->addSeparator());
    button("tbPrint", actDataPrint);
    button("tbFind", actDataFind)->setText(QStringLiteral("查询"));
    button("tbFilter", actDataFilter);
    button("tbDefCols", actDefCols)->setText(QStringLiteral("列显"));
    m_buttonHolders.insert(QStringLiteral("ToolButton6"), ToolBar1->addSeparator());
    button("tbDataImport", actDataImport);
    button("tbDataExport", actDataExport);
    m_buttonHolders.insert(QStringLiteral("ToolButton7"), ToolBar1->addSeparator());
    lbRec = new QLabel(ToolBar1);
    lbRec->setObjectName(QStringLiteral("lbRec"));
    lbRec->setMinimumWidth(90);
    ToolBar1->addWidget(lbRec);
    // "查询" keeps the find action's caption on the button only.
    toolButton(QStringLiteral("tbFind"))->setText(QStringLiteral("查询"));
    toolButton(QStringLiteral("tbDefCols"))->setText(QStringLiteral("列显"));

    for (const char* hidden : {"btnAddDes", "btnAddTwo", "ToolButton2", "tbCancel", "tbPost", "tbRefresh"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
}

void TfrmRecordBaseClass::setToolButtonVisible(const QString& name, bool visible) {
    if (QAction* holder = m_buttonHolders.value(name))
        holder->setVisible(visible);
}

bool TfrmRecordBaseClass::isToolButtonVisible(const QString& name) const {
    QAction* holder = m_buttonHolders.value(name);
    return holder && holder->isVisible();
}

void TfrmRecordBaseClass::buildSearchBar() {
    plKey = new QWidget(this);
    plKey->setObjectName(QStringLiteral("plKey"));
    auto* layout = new QHBoxLayout(plKey);
    layout->setContentsMargins(4, 0, 4, 0);
    lbKey = new QLabel(QStringLiteral("关键字查询"), plKey);
    lbKey->setObjectName(QStringLiteral("lbKey"));
    edtKey = new QLineEdit(plKey);
    edtKey->setObjectName(QStringLiteral("edtKey"));
    edtKey->setMaximumWidth(140);
    edtKey->installEventFilter(this);
    sbAll = new QToolButton(plKey);
    sbAll->setObjectName(QStringLiteral("sbAll"));
    sbAll->setText(QStringLiteral("转到"));
    sbAll->setAutoRaise(true);
    connect(sbAll, &QToolButton::clicked, this, [this] { actDataRefreshExecute(sbAll); });
    connect(edtKey, &QLineEdit::returnPressed, this, [this] { actEnterExecute(); });
    layout->addWidget(lbKey);
    layout->addWidget(edtKey);
    layout->addWidget(sbAll);
}

void TfrmRecordBaseClass::buildPopupMenu() {
    pmTable = new QMenu(this);
    pmTable->setObjectName(QStringLiteral("pmTable"));
    QAction* freeze = pmTable->addAction(actFreezeCol->text());
    freeze->setObjectName(QStringLiteral("mlFreezeCol"));
    connect(freeze, &QAction::triggered, actFreezeCol, &QAction::trigger);
    freeze->setVisible(false);
    pmTable->addSeparator()->setVisible(false);
    mlSelFilter = pmTable->addAction(QStringLiteral("按选定内容筛选"));
    mlSelFilter->setObjectName(QStringLiteral("mlSelFilter"));
    mlExcFilter = pmTable->addAction(QStringLiteral("内容排除筛选"));
    mlExcFilter->setObjectName(QStringLiteral("mlExcFilter"));
    mlShowAll = pmTable->addAction(QStringLiteral("取消筛选"));
    mlShowAll->setObjectName(QStringLiteral("mlShowAll"));
    pmTable->addSeparator()->setVisible(false);
    QAction* fill = pmTable->addAction(QStringLiteral("区域填充"));
    fill->setObjectName(QStringLiteral("mlFullChar"));
    fill->setVisible(false);
    dgTable->view()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dgTable->view(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmTable->popup(dgTable->view()->viewport()->mapToGlobal(pos)); });
}

DataSet* TfrmRecordBaseClass::ownDataSet(const QString& componentName) {
    auto* ds = new DataSet(this);
    ds->setObjectName(componentName);
    bindDataSet(ds);
    return ds;
}

void TfrmRecordBaseClass::bindDataSet(DataSet* dataSet) {
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    m_dataSet = dataSet;
    dgTable->setDataSet(dataSet);
    if (!dataSet)
        return;
    hookDataSet();
    connect(dataSet, &DataSet::stateChanged, this, &TfrmRecordBaseClass::applyDataState);
    connect(dataSet, &DataSet::recordChanged, this, &TfrmRecordBaseClass::updateRecordLabel);
    connect(dataSet, &DataSet::viewReset, this, &TfrmRecordBaseClass::updateRecordLabel);
    connect(dataSet, &DataSet::viewReset, this, &TfrmRecordBaseClass::updateFilterStrip);
    connect(dataSet, &DataSet::rowsAppended, this, &TfrmRecordBaseClass::updateRecordLabel);
    connect(dataSet, &DataSet::dataChanged, this, &TfrmRecordBaseClass::updateRecordLabel);
    connect(dataSet, &DataSet::dataChanged, this, &TfrmRecordBaseClass::updateFilterStrip);
    // The fields are there with the first batch: captions and layout while the rest arrives.
    connect(dataSet, &DataSet::loadProgress, this, [this](quint32 rows) {
        m_loadingLabel->setText(QStringLiteral("正在读取数据... %1 条").arg(rows));
        if (!m_columnsKnown && m_dataSet->fieldCount() > 0)
            columnsArrived(m_loadSender);
    });
    // A filter set from the dialogs never survives a new query.
    if (!dataSet->isActive())
        dataSet->setFiltered(false);
}

void TfrmRecordBaseClass::hookDataSet() {
    DataSet* ds = m_dataSet;
    ds->afterInsert = [this](DataSet& d) { DataSetAfterInsert(d); };
    ds->beforePost = [this](DataSet& d) { DataSetBeforePost(d); };
    for (int i = 0; i < ds->fieldCount(); ++i) {
        Field* f = ds->field(i);
        if (f->tag() == 1)
            f->setOnValidate([this](Field& field, const QVariant& value) { CheckFieldUnique(field, value); });
    }
}

QString TfrmRecordBaseClass::registryKey() const {
    return QStringLiteral("\\Software\\Sunharbor Software\\Door\\") +
           (m_dataSet ? m_dataSet->objectName() : QString());
}

void TfrmRecordBaseClass::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    SetGridEditing(readOnlyWindow);
    m_printActions->loadLayout();
    applyDataState();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        if (m_watchedFrame != sub) {
            m_watchedFrame = sub;
            connect(sub, &QMdiSubWindow::windowStateChanged, this,
                    [this](Qt::WindowStates, Qt::WindowStates now) {
                        if (now & Qt::WindowActive)
                            activate();
                    });
        }
        if (sub->isActiveWindow() || (sub->mdiArea() && sub->mdiArea()->activeSubWindow() == sub))
            activate();
    } else if (!m_activated) {
        activate();
    }
}

void TfrmRecordBaseClass::activate() {
    if (!m_activated) {
        m_activated = true;
        if (m_context.session.ModuleConnection.isOpen())
            guarded([this] {
                m_empnoWithLetters = CompanySwitch::employeeNumbersWithLetters(m_context.session);
            });
        if (queryOnFirstActivation)
            guarded([this] { QueryData(nullptr); });
    }
    notifyHost(0);
}

void TfrmRecordBaseClass::notifyHost(int event) {
    if (!m_context.session.HostNotify)
        return;
    std::int32_t out = 0;
    const std::int32_t result = m_context.session.HostNotify(event, this, &out);
    if (result < 0)
        showError(QStringLiteral("主程序通知失败 (%1)").arg(result));
}

bool TfrmRecordBaseClass::hasRight(int bit) const {
    return RecordRights::allowed(m_tag, RecordRights::Bit(bit), m_context.session);
}

void TfrmRecordBaseClass::refuse() {
    prompter().information(QStringLiteral("无权限"));
}

void TfrmRecordBaseClass::showError(const QString& message) {
    if (message.isEmpty())
        return; // an edit aborted after its own message
    prompter().message(QApplication::applicationName(), message, PromptIcon::Error);
    emit errorShown(message);
}

void TfrmRecordBaseClass::writeLog(const QString& message) {
    if (!m_context.session.ModuleConnection.isOpen())
        return;
    guarded([&] { WriteOpLog(m_context.session, message); });
}

// ---- virtual operations -------------------------------------------------

bool TfrmRecordBaseClass::ShowRecordDialog() {
    return false;
}

bool TfrmRecordBaseClass::IsRecordValid() {
    return true;
}

void TfrmRecordBaseClass::CheckFieldUnique(Field& field, const QVariant& value) {
    const QString text = value.toString().trimmed();
    if (text.isEmpty() || baseTable.isEmpty())
        return;
    const QString sql = QStringLiteral(" select %1 from %2 where %1 = %3")
                            .arg(field.fieldName(), baseTable, m_context.session.dialect().quote(text));
    QSqlQuery q(m_context.session.ModuleConnection);
    m_context.session.runner().RunQuery(q, sql, true);
    if (q.next()) {
        prompter().information(QStringLiteral("【%1=%2】的值己经存在!").arg(field.displayLabel(), text));
        throw DbError(QString()); // silently aborts the edit
    }
}

void TfrmRecordBaseClass::DataSetAfterInsert(DataSet& dataSet) {
    for (int i = 0; i < dataSet.fieldCount(); ++i) {
        Field* f = dataSet.field(i);
        if (f->dataType() == FieldType::Boolean && !f->isCalculated())
            f->setValue(false);
    }
}

void TfrmRecordBaseClass::DataSetBeforePost(DataSet& dataSet) {
    QString action;
    if (dataSet.state() == DataSet::State::Insert)
        action = toolButton(QStringLiteral("tbInsert"))->text();
    else if (dataSet.state() == DataSet::State::Edit && dataSet.isModified())
        action = toolButton(QStringLiteral("tbEdit"))->text();
    if (action.isEmpty())
        return;
    m_logText = postLogText(action, windowTitle(), dataSet, keyField, nameField);
    writeLog(m_logText);
}

void TfrmRecordBaseClass::QueryData(QObject* sender) {
    if (!m_dataSet)
        return;
    DataSet& ds = *m_dataSet;
    QString sql;
    if (sender == sbAll && !baseTable.isEmpty()) {
        const Field* key = ds.isActive() ? ds.findField(keyField) : nullptr;
        sql = keySearchStatement(m_context.session.dialect(), baseTable, keyField, key, edtKey->text());
    } else {
        if (ds.commandText().isEmpty())
            ds.setCommandText(baseSql);
        sql = ds.commandText();
    }
    loadRows(sql, {}, sender);
}

// ---- loading the rows -----------------------------------------------------

void TfrmRecordBaseClass::buildLoadingStrip() {
    m_loadingStrip = new QWidget(this);
    m_loadingStrip->setObjectName(QStringLiteral("plLoading"));
    auto* layout = new QHBoxLayout(m_loadingStrip);
    layout->setContentsMargins(4, 2, 4, 2);
    m_loadingLabel = new QLabel(m_loadingStrip);
    m_cancelLoad = new QPushButton(QStringLiteral("取消"), m_loadingStrip);
    m_cancelLoad->setObjectName(QStringLiteral("btnCancelLoad"));
    layout->addWidget(m_loadingLabel);
    layout->addWidget(m_cancelLoad);
    layout->addStretch(1);
    mainLayout->addWidget(m_loadingStrip);
    m_loadingStrip->setVisible(false);
    connect(m_cancelLoad, &QPushButton::clicked, this, [this] { cancelLoad(); });
}

bool TfrmRecordBaseClass::isLoading() const {
    return m_loader && m_loader->isRunning();
}

void TfrmRecordBaseClass::cancelLoad() {
    if (m_loader)
        m_loader->cancel();
}

void TfrmRecordBaseClass::loadStarted(QObject* sender) {
    m_columnsKnown = false;
    m_loadSender = sender;
    m_dataSet->setFiltered(false);
    dgTable->clearSelection();
}

void TfrmRecordBaseClass::loadRows(const QString& sql, const QVariantMap& params, QObject* sender,
                                   AfterLoad then) {
    if (!m_dataSet)
        return;
    DataSet& ds = *m_dataSet;
    // A load still running is superseded: its end is not reported.
    disconnect(m_loader, &DataSetLoader::finished, this, nullptr);
    loadStarted(sender);
    QPointer<QObject> from(sender);
    connect(m_loader, &DataSetLoader::finished, this,
            [this, from, then](bool cancelled, const QString& error) {
                loadEnded(from, cancelled, error, then);
            });
    m_loadingLabel->setText(QStringLiteral("正在读取数据..."));
    m_loadingStrip->setVisible(true);
    m_loader->setTarget(&ds);
    m_loader->start(m_context.session.ModuleConnection, sql, params, &m_context.session.trace());
    applyDataState();
}

void TfrmRecordBaseClass::openRows(const QString& sql, const QVariantMap& params, QObject* sender,
                                   AfterLoad then) {
    if (!m_dataSet)
        return;
    DataSet& ds = *m_dataSet;
    if (isLoading()) {
        disconnect(m_loader, &DataSetLoader::finished, this, nullptr);
        m_loader->cancel();
    }
    loadStarted(sender);
    DataSet::OpenOptions options;
    options.trace = &m_context.session.trace();
    ds.close();
    ds.open(m_context.session.ModuleConnection, sql, params, options); // a database error is raised
    ds.setCommandText(sql);
    loadEnded(sender, false, QString(), then);
}

void TfrmRecordBaseClass::loadEnded(QObject* sender, bool cancelled, const QString& error,
                                    const AfterLoad& then) {
    m_loadingStrip->setVisible(false);
    if (!error.isEmpty()) {
        applyDataState();
        showError(error);
        emit queryFinished();
        return;
    }
    if (!m_columnsKnown && m_dataSet->fieldCount() > 0)
        columnsArrived(sender);
    // The base table and its key come from the statement when not set.
    if (m_dataSet->isActive() && baseTable.isEmpty())
        baseTable = m_dataSet->uniqueTable();
    if (keyField.isEmpty())
        for (int i = 0; i < m_dataSet->fieldCount(); ++i)
            if (m_dataSet->field(i)->isKey()) {
                keyField = m_dataSet->field(i)->fieldName();
                break;
            }
    dgTable->refreshFooter();
    applyDataState();
    if (cancelled)
        lbRec->setText(lbRec->text() + QStringLiteral(" (已取消)"));
    rowsLoaded(sender, cancelled);
    if (!cancelled && then)
        guarded(then);
    emit queryFinished();
}

void TfrmRecordBaseClass::columnsKnown(QObject* /*sender*/) {}

void TfrmRecordBaseClass::rowsLoaded(QObject* /*sender*/, bool /*cancelled*/) {}

void TfrmRecordBaseClass::exportRows() {
    m_fileActions->actDataExportExecute();
}

void TfrmRecordBaseClass::printRows() {
    m_printActions->actDataPrintExecute();
}

void TfrmRecordBaseClass::findRows() {
    m_fileActions->actDataFindExecute();
}

void TfrmRecordBaseClass::columnsArrived(QObject* sender) {
    m_columnsKnown = true;
    if (m_context.MealDM)
        applyDataSetDefinition(*m_dataSet, *m_context.MealDM, m_dataSet->objectName());
    ColumnFit::putFirst(*m_dataSet, firstColumns);
    // Changes go to the base table (the statement's one table unless set).
    if (!baseTable.isEmpty())
        m_dataSet->setUniqueTable(baseTable);
    m_writer = std::make_unique<BaseTableWriter>(m_context.session.ModuleConnection,
                                                 m_context.session.dialect(), &m_context.session.trace());
    m_writer->attach(*m_dataSet, batchUpdates ? BaseTableWriter::Mode::BatchOptimistic
                                              : BaseTableWriter::Mode::Immediate);
    hookDataSet();
    columnsKnown(sender);
    // The operator's stored layout goes over the captions; without one the
    // columns fit their captions and first values.
    if (!m_printActions->loadLayout()) {
        ColumnFit::fitWidths(*m_dataSet);
        dgTable->refreshColumns();
    }
    if (sumFooter)
        SetSumFooter(sender, 1);
}

void TfrmRecordBaseClass::GetFindCondition(QString& extra) {
    extra.clear();
}

bool TfrmRecordBaseClass::DeleteRecord(DataSet* dataSet) {
    if (!dataSet)
        return false;
    if (dataSet->isEmpty())
        return true;
    dataSet->deleteRecord();
    return true;
}

void TfrmRecordBaseClass::EditAndFocus(QWidget* control) {
    if (!m_dataSet || m_dataSet->isEmpty()) {
        prompter().information(QStringLiteral("无记录"));
        return;
    }
    guarded([&] { m_dataSet->edit(); });
    if (control)
        control->setFocus();
}

void TfrmRecordBaseClass::BeforeQuery() {}

void TfrmRecordBaseClass::SetGridEditing(bool editing) {
    if (readOnlyWindow) {
        dgTable->setReadOnly(true);
        return;
    }
    dgTable->setReadOnly(false);
    dgTable->setEditing(editing);
}

void TfrmRecordBaseClass::SetSumFooter(QObject* /*sender*/, int footerRowCount) {
    buildSumFooter(*dgTable->model(), dgTable->footer(), footerRowCount);
    dgTable->setFooterRowCount(footerRowCount);
}

// ---- data state ----------------------------------------------------------

void TfrmRecordBaseClass::applyDataState() {
    const DataSet::State state = m_dataSet ? m_dataSet->state() : DataSet::State::Inactive;
    const bool editing = state == DataSet::State::Edit || state == DataSet::State::Insert;
    for (QAction* a : {actDataInsert, actDataEdit, actDataDelete, actDataFirst, actDataLast, actDataRefresh,
                       actDefCols, actDataImport})
        a->setEnabled(!editing);
    // Rows still arriving: these would see only part of them.
    for (QAction* a :
         {actDataFilter, actDataPrint, actDataFind, actDataExport, mlSelFilter, mlExcFilter, mlShowAll})
        a->setEnabled(!editing && !isLoading());
    actDataCancel->setEnabled(editing);
    actDataPost->setEnabled(editing);
    SetGridEditing(editing);
    updateRecordLabel();
}

void TfrmRecordBaseClass::updateRecordLabel() {
    if (!m_dataSet || m_dataSet->state() == DataSet::State::Edit ||
        m_dataSet->state() == DataSet::State::Insert)
        return;
    lbRec->setText(recordPositionText(m_dataSet->isActive() ? m_dataSet->recNo() : 0,
                                      m_dataSet->isActive() ? m_dataSet->recordCount() : 0));
}

// ---- actions -------------------------------------------------------------

void TfrmRecordBaseClass::actDataInsertExecute() {
    if (!hasRight(RecordRights::Insert))
        return refuse();
    if (!m_dataSet || !m_dataSet->isActive())
        return;
    if (!guarded([this] { m_dataSet->append(); }))
        return;
    if (!ShowRecordDialog() && actDataCancel->isEnabled())
        m_dataSet->cancel();
}

void TfrmRecordBaseClass::actDataEditExecute() {
    if (!hasRight(RecordRights::Edit))
        return refuse();
    if (!m_dataSet || !m_dataSet->isActive() || readOnlyWindow)
        return;
    if (m_dataSet->recordCount() <= 0) {
        prompter().information(QStringLiteral("无记录"));
        return;
    }
    if (!guarded([this] { m_dataSet->edit(); }))
        return;
    if (!ShowRecordDialog() && actDataCancel->isEnabled())
        m_dataSet->cancel();
}

void TfrmRecordBaseClass::actDataDeleteExecute() {
    if (!hasRight(RecordRights::Delete))
        return refuse();
    if (!m_dataSet || !m_dataSet->isActive())
        return;
    DataSet& ds = *m_dataSet;
    if (ds.isEmpty()) {
        prompter().information(QStringLiteral("无记录"));
        return;
    }
    const int before = ds.recordCount();
    const DBGrid::SelectionKind kind = dgTable->selectionKind();
    if (!prompter().confirm(QStringLiteral("确认删除当前记录吗?")))
        return;
    int deleted = 0;
    if (kind == DBGrid::SelectionKind::None || dgTable->selectedBookmarks().size() <= 1) {
        if (kind != DBGrid::SelectionKind::None)
            ds.gotoBookmark(dgTable->selectedBookmarks().front());
        m_logText = postLogText(toolButton(QStringLiteral("tbDelete"))->text(), windowTitle(), ds, keyField,
                                nameField);
        if (guarded([&] { DeleteRecord(&ds); }))
            deleted = 1;
    } else {
        const std::vector<Bookmark> rows = dgTable->selectedBookmarks();
        TdlgProgress progress(prompter(), this);
        progress.setMessageText(QStringLiteral("正在删除记录，请稍后..."));
        progress.setMaximum(int(rows.size()));
        progress.show();
        for (Bookmark b : rows) {
            if (!ds.gotoBookmark(b))
                continue;
            if (!guarded([&] { DeleteRecord(&ds); }))
                break;
            ++deleted;
            progress.stepIt();
        }
        progress.close();
        m_logText = batchDeleteMessage(deleted, windowTitle());
    }
    if (ds.recordCount() != before || deleted > 0) {
        if (deleted > 0)
            writeLog(m_logText);
        dgTable->clearSelection();
        guarded([this] { QueryData(nullptr); });
    }
}

void TfrmRecordBaseClass::actDataCancelExecute() {
    if (m_dataSet)
        m_dataSet->cancel();
}

void TfrmRecordBaseClass::actDataPostExecute() {
    if (m_dataSet)
        guarded([this] { m_dataSet->post(); });
}

void TfrmRecordBaseClass::actDataFirstExecute() {
    if (!m_dataSet || m_dataSet->isEmpty()) {
        prompter().information(QStringLiteral("无记录"));
        return;
    }
    m_dataSet->first();
}

void TfrmRecordBaseClass::actDataLastExecute() {
    if (!m_dataSet || m_dataSet->isEmpty()) {
        prompter().information(QStringLiteral("无记录"));
        return;
    }
    m_dataSet->last();
}

void TfrmRecordBaseClass::actDataRefreshExecute(QObject* sender) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded([&] {
        BeforeQuery();
        QueryData(sender);
    });
    QApplication::restoreOverrideCursor();
}

void TfrmRecordBaseClass::actFreezeColExecute() {
    if (dgTable->frozenColumns() > 0)
        dgTable->setFrozenColumns(0);
    else
        dgTable->setFrozenColumns(dgTable->selectedColumn() + 1);
}

void TfrmRecordBaseClass::actEnterExecute() {
    sbAll->click();
}

bool TfrmRecordBaseClass::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtKey && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (!typed.isEmpty() && typed.at(0).isPrint()) {
            if (!keyAllowed(keyClassForCaption(lbKey->text(), m_empnoWithLetters), typed))
                return true; // the key is discarded
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmRecordBaseClass::closeEvent(QCloseEvent* event) {
    if (m_dataSet &&
        (m_dataSet->state() == DataSet::State::Edit || m_dataSet->state() == DataSet::State::Insert)) {
        const PromptAnswer answer =
            prompter().confirmOrCancel(QStringLiteral("“%1”的数据已被修改, 是否保存?").arg(windowTitle()));
        if (answer == PromptAnswer::Cancel) {
            event->ignore();
            return;
        }
        if (answer == PromptAnswer::Yes) {
            if (!guarded([this] { m_dataSet->post(); })) {
                event->ignore();
                return;
            }
        } else {
            m_dataSet->cancel();
        }
    }
    if (m_closing) {
        event->accept();
        return;
    }
    m_closing = true;
    if (m_dataSet)
        m_dataSet->close();
    notifyHost(1);
    // Leaving is logged for every user, so that each entry has its exit.
    writeLog(leaveModuleMessage(windowTitle()));
    event->accept();
}

void TfrmRecordBaseClass::addSearchControl(const QString& label, QWidget* control) {
    auto* layout = static_cast<QHBoxLayout*>(plKey->layout());
    const int at = layout->indexOf(sbAll);
    layout->insertWidget(at, new QLabel(label, plKey));
    layout->insertWidget(at + 1, control);
}

QLineEdit* TfrmRecordBaseClass::addCardSearch(QToolButton** readButton) {
    auto* edit = new QLineEdit(plKey);
    edit->setObjectName(QStringLiteral("edtCard_id"));
    edit->setMaximumWidth(100);
    QToolButton* button = CardReadButton::create(m_context, edit, plKey); // digits only
    addSearchControl(QStringLiteral("卡号"), edit);
    auto* layout = static_cast<QHBoxLayout*>(plKey->layout());
    layout->insertWidget(layout->indexOf(sbAll), button);
    connect(edit, &QLineEdit::returnPressed, this, [this] { actEnterExecute(); });
    if (readButton)
        *readButton = button;
    return edit;
}

QComboBox* TfrmRecordBaseClass::addSearchCombo(const QString& label, const QString& objectName,
                                               const QStringList& items) {
    auto* combo = new QComboBox(plKey);
    combo->setObjectName(objectName);
    combo->addItems(items);
    combo->setCurrentIndex(int(items.size()) - 1);
    addSearchControl(label, combo);
    return combo;
}
