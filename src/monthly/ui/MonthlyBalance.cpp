#include "monthly/ui/MonthlyBalance.h"

#include "dataset/grid/ui/DBGrid.h"
#include "db/IniFile.h"
#include "framework/ModuleContext.h"
#include "framework/PrintOutput.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/GridPrinter.h"
#include "framework/ui/PrintDialog.h"
#include "framework/ui/RecordPrintActions.h"
#include "monthly/ui/ConsumeAllRec.h"
#include "monthly/ui/SelectMonth.h"
#include "util/Prompter.h"
#include "util/ui/MsgFrm.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Captions of the bill row columns, in grid order.
const QVector<QPair<QString, QString>>& rowCaptions() {
    static const QVector<QPair<QString, QString>> captions = {
        {"MonthDes", "月结月份"},
        {"BillStartDate", "月结账单开始日期"},
        {"BillEndDate", "月结账单结束日期"},
        {"Balance", "平衡值"},
        {"empno", "工号"},
        {"card_id", "卡号"},
        {"EmpName", "姓名"},
        {"deptname", "部门名称"},
        {"last_balance", "月结开始金额"},
        {"now_card_balance", "月结结束金额"},
        {"sum_charge_money", "充值现金"},
        {"sum_add_money", "补贴充值"},
        {"sum_bat_money", "批量充值"},
        {"sum_chuna_money", "出纳机充值"},
        {"sum_rate_money", "充值优惠"},
        {"ChangeCardMoney", "补卡转帐金额"},
        {"sum_All_in", "支入合计"},
        {"sum_Consume_money", "消费额"},
        {"sum_Return_money", "退款"},
        {"Sum_clear_Money", "消费清零"},
        {"sum_BuDan_money", "消费补单"},
        {"sum_All_out", "支出合计"},
        {"sys_id", "人员唯一编号"},
    };
    return captions;
}

void openDataSet(DataSet& ds, const Session& session, const QString& sql) {
    DataSet::OpenOptions options;
    options.trace = &session.trace();
    ds.close();
    ds.open(session.ModuleConnection, sql, {}, options);
}

} // namespace

TFrmMonthlyBalance::TFrmMonthlyBalance(ModuleContext& context, QWidget* parent)
    : TfrmRecordBaseClass(context, QStringLiteral("月结账单管理"), parent), m_book(context.session) {
    setObjectName(QStringLiteral("FrmMonthlyBalance"));
    ownDataSet(QStringLiteral("dsMealMonthRec"));
    readOnlyWindow = true;
    sumFooter = true;
    // Who and how much first; the bill's period repeats in every row and comes last.
    for (const auto& c : rowCaptions())
        if (!c.first.startsWith(QLatin1String("Bill")) && c.first != QLatin1String("MonthDes"))
            firstColumns << c.first;
    GMonthOneRec = dgTable;
    GMonthOneRec->setToolTip(QStringLiteral("双击出消费明细"));

    // Left: the bill list.
    auto* treeLayout = new QVBoxLayout(plTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(QStringLiteral("月结账单(双击账单月份显示账单明细)"), plTree);
    auto* boxLayout = new QVBoxLayout(box);
    GMonthRec = new DBGrid(box);
    GMonthRec->setObjectName(QStringLiteral("GMonthRec"));
    GMonthRec->setReadOnly(true);
    boxLayout->addWidget(GMonthRec);
    treeLayout->addWidget(box);
    dsMonthRec = new DataSet(this);
    dsMonthRec->setObjectName(QStringLiteral("dsMonthRec"));
    GMonthRec->setDataSet(dsMonthRec);

    // Right: rows and department summary on two tabs.
    auto* detailLayout = static_cast<QVBoxLayout*>(PanelDetail->layout());
    detailLayout->removeWidget(dgTable);
    pcBills = new QTabWidget(PanelDetail);
    tsMonthOneRec = new QWidget(pcBills);
    auto* oneLayout = new QVBoxLayout(tsMonthOneRec);
    oneLayout->setContentsMargins(0, 0, 0, 0);
    oneLayout->addWidget(dgTable);
    tsMonthDeptRec = new QWidget(pcBills);
    auto* deptLayout = new QVBoxLayout(tsMonthDeptRec);
    deptLayout->setContentsMargins(0, 0, 0, 0);
    GMonthDeptRec = new DBGrid(tsMonthDeptRec);
    GMonthDeptRec->setObjectName(QStringLiteral("GMonthDeptRec"));
    GMonthDeptRec->setReadOnly(true);
    deptLayout->addWidget(GMonthDeptRec);
    dsMonthDeptRec = new DataSet(this);
    dsMonthDeptRec->setObjectName(QStringLiteral("dsMonthDeptRec"));
    GMonthDeptRec->setDataSet(dsMonthDeptRec);
    pcBills->addTab(tsMonthOneRec, QStringLiteral("月结明细表"));
    pcBills->addTab(tsMonthDeptRec, QStringLiteral("月结部门汇总表"));
    detailLayout->addWidget(pcBills);
    splitter->setSizes({320, 680});

    // Key panel: card, employee number and name filters, the two switches, the lock label.
    lbKey->setText(QStringLiteral("卡号查询"));
    auto* keyLayout = static_cast<QHBoxLayout*>(plKey->layout());
    int at = keyLayout->indexOf(sbAll);
    edtEmpno = new QLineEdit(plKey);
    edtEmpno->setObjectName(QStringLiteral("edtEmpno"));
    edtEmpno->setMaximumWidth(100);
    edtName = new QLineEdit(plKey);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setMaximumWidth(100);
    keyLayout->insertWidget(at++, new QLabel(QStringLiteral("工号查询"), plKey));
    keyLayout->insertWidget(at++, edtEmpno);
    keyLayout->insertWidget(at++, new QLabel(QStringLiteral("姓名查询"), plKey));
    keyLayout->insertWidget(at++, edtName);
    cbTotalsOnly = new QCheckBox(QStringLiteral("只显示合计数据"), plKey);
    cbNonZero = new QCheckBox(QStringLiteral("差额不为零"), plKey);
    billcheck = new QLabel(plKey);
    billcheck->setObjectName(QStringLiteral("billcheck"));
    billcheck->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    keyLayout->addWidget(cbTotalsOnly);
    keyLayout->addWidget(cbNonZero);
    keyLayout->addWidget(billcheck);

    // Busy panel and progress bar.
    pnlT = new QWidget(this);
    pnlT->setObjectName(QStringLiteral("pnlT"));
    auto* busyLayout = new QHBoxLayout(pnlT);
    lblBusy = new QLabel(QStringLiteral("正在统计数据，请耐心等待..."), pnlT);
    busyLayout->addWidget(lblBusy, 0, Qt::AlignCenter);
    pnlT->hide();
    mainLayout->insertWidget(1, pnlT);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    mainLayout->addWidget(progressBar);

    // Tool bar: create and lock; the other data buttons do not apply.
    for (const char* hidden :
         {"tbEdit", "tbFirst", "tbLast", "tbFind", "tbFilter", "tbDefCols", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    actDataInsert->setText(QStringLiteral("创建账单"));
    showPrintDialog = [](QDialog& dialog) { dialog.exec(); };
    actLockBill = new QAction(QStringLiteral("封帐"), this);
    actLockBill->setObjectName(QStringLiteral("actLockBill"));
    actLockBill->setIcon(actDataPost->icon());
    connect(actLockBill, &QAction::triggered, this, [this] { lockBill(); });
    toolButton(QStringLiteral("tbPost"))->setDefaultAction(actLockBill);
    setToolButtonVisible(QStringLiteral("tbPost"), true);
    setToolButtonVisible(QStringLiteral("tbRefresh"), true);

    actRecompute = pmTable->addAction(QStringLiteral("重新生成当前员工的对账记录"));
    actRecompute->setObjectName(QStringLiteral("actRecompute"));
    connect(actRecompute, &QAction::triggered, this, [this] { recomputeRow(); });
    actManualEdit = pmTable->addAction(QStringLiteral("手工修改记录"));
    actManualEdit->setVisible(false);
    connect(actManualEdit, &QAction::triggered, this, [this] { guarded([this] { dataSet()->edit(); }); });

    // The double clicks, also as menu items for the keyboard.
    auto* actShowBill = new QAction(QStringLiteral("显示账单明细"), GMonthRec);
    actShowBill->setObjectName(QStringLiteral("actShowBill"));
    GMonthRec->setContextMenuPolicy(Qt::ActionsContextMenu);
    GMonthRec->addAction(actShowBill);
    connect(actShowBill, &QAction::triggered, this, [this] { guarded([this] { showBill(true); }); });
    connect(GMonthRec, &DBGrid::cellDoubleClicked, actShowBill, &QAction::trigger);
    QAction* actCardHistory = pmTable->addAction(QStringLiteral("流水明细记录"));
    actCardHistory->setObjectName(QStringLiteral("actCardHistory"));
    connect(actCardHistory, &QAction::triggered, this, [this] { showDetails(); });
    connect(GMonthOneRec, &DBGrid::cellDoubleClicked, actCardHistory, &QAction::trigger);
    connect(pcBills, &QTabWidget::currentChanged, this, [this](int) {
        if (pcBills->currentWidget() == tsMonthDeptRec)
            guarded([this] { showDepartments(); });
    });
    connect(cbTotalsOnly, &QCheckBox::toggled, this, [this] { guarded([this] { showBill(false); }); });
    connect(cbNonZero, &QCheckBox::toggled, this, [this](bool on) {
        if (dataSet()->isActive())
            guarded([&] {
                dataSet()->setFilter(on ? QStringLiteral(" balance <> 0 ") : QString());
                dataSet()->setFiltered(on);
            });
    });

    m_run = new MonthlyBillRun(this);
    m_run->pool().setHintSink([this](const QString& text) { ShowToast(this->context().toasts, text, 1); });
    connect(m_run, &MonthlyBillRun::progressChanged, this, &TFrmMonthlyBalance::onProgress);
    connect(m_run, &MonthlyBillRun::rowComputed, this, &TFrmMonthlyBalance::onRowComputed);
    tmrCheckThreadRun = new QTimer(this);
    tmrCheckThreadRun->setInterval(1000);
    connect(tmrCheckThreadRun, &QTimer::timeout, this, &TFrmMonthlyBalance::timerTick);

    m_showBalance = IniFile(context.session.iniPath())
                        .readBool(QStringLiteral("SystemConfigure"), QStringLiteral("isShowBalance"), false);
    GMonthOneRec->setCellColorHook([this](int row, const Field&) -> QColor {
        if (!m_showBalance || !dataSet()->isActive())
            return QColor();
        const Field* balance = dataSet()->findField(QStringLiteral("Balance"));
        if (balance && dataSet()->value(row, balance->index()).toDouble() != 0)
            return QColor(0, 255, 255);
        return QColor();
    });

    askPeriod = [this](QString& label, QDateTime& start, QDateTime& end) {
        TFrmSelectMonth* dialog = TFrmSelectMonth::instance(prompter(), this);
        if (dialog->exec() != QDialog::Accepted)
            return false;
        label = dialog->label();
        start = dialog->startDateTime();
        end = dialog->endDateTime();
        return true;
    };
}

TFrmMonthlyBalance::~TFrmMonthlyBalance() = default;

void TFrmMonthlyBalance::labelRows(DataSet& ds, bool department) {
    // The department summary shows its columns in the order of the captions;
    // the bill rows are ordered by the window's first columns.
    int at = 0;
    for (const auto& c : rowCaptions())
        if (Field* f = ds.findField(c.first)) {
            f->setDisplayLabel(c.second);
            if (department)
                ds.moveField(f, at++);
        }
    for (int i = 0; i < ds.fieldCount(); ++i) {
        Field* f = ds.field(i);
        if (f->dataType() == FieldType::Currency || f->dataType() == FieldType::BCD)
            f->setDisplayFormat(QStringLiteral("￥0.00"));
    }
    if (Field* f = ds.findField(QStringLiteral("dec_id")))
        f->setVisible(false);
    if (Field* f = ds.findField(QStringLiteral("Balance"))) {
        f->setVisible(m_showBalance);
        if (department)
            f->setDisplayLabel(QStringLiteral("差额"));
    }
    if (department)
        if (Field* f = ds.findField(QStringLiteral("empno")))
            f->setDisplayLabel(QStringLiteral("部门人数"));
}

void TFrmMonthlyBalance::openBillList() {
    openDataSet(*dsMonthRec, context().session, MonthlyBillBook::listStatement());
    const QVector<QPair<QString, QString>> captions = {{"monthDes", "账单月份标识"},
                                                       {"billstartdate", "结帐开始日期"},
                                                       {"billenddate", "结算结束日期"},
                                                       {"账单数", "账单记录数"}};
    for (const auto& c : captions)
        if (Field* f = dsMonthRec->findField(c.first))
            f->setDisplayLabel(c.second);
    GMonthRec->refreshColumns();
    GridFooter& footer = GMonthRec->footer();
    footer.clear();
    FooterCellSpec count;
    count.kind = FooterCellSpec::Count;
    footer.setCell(QStringLiteral("monthDes"), count);
    FooterCellSpec sum;
    sum.kind = FooterCellSpec::Sum;
    footer.setCell(QStringLiteral("账单数"), sum);
    GMonthRec->setFooterRowCount(1);
}

void TFrmMonthlyBalance::loadLockLabel() {
    m_lockDate.reset();
    if (!m_book.lockDateEnabled()) {
        billcheck->hide();
        return;
    }
    m_lockDate = m_book.storedLockDate();
    billcheck->setText(QStringLiteral("封帐日期：") +
                       (m_lockDate ? m_lockDate->toString(kDateFormat) : QString()));
    billcheck->show();
}

void TFrmMonthlyBalance::QueryData(QObject* sender) {
    if (sender == sbAll || sender == actDataRefresh) {
        showBill(false);
        return;
    }
    openBillList();
    if (!dsMonthRec->isEmpty()) {
        dsMonthRec->first();
        loadRows(m_book.rowsStatement(dsMonthRec->fieldByName(QStringLiteral("monthDes")).asString()), {},
                 sender);
    } else {
        loadRows(MonthlyBillBook::emptyRowsStatement(), {}, sender);
    }
    loadLockLabel();
}

void TFrmMonthlyBalance::columnsKnown(QObject* /*sender*/) {
    labelRows(*dataSet(), false);
}

void TFrmMonthlyBalance::actDataInsertExecute() {
    createBill();
}

void TFrmMonthlyBalance::actDataDeleteExecute() {
    deleteBill();
}

void TFrmMonthlyBalance::printRows() {
    printBill();
}

bool TFrmMonthlyBalance::currentBill(QString& label, QDateTime& start, QDateTime& end) const {
    if (!dsMonthRec->isActive() || dsMonthRec->isEmpty())
        return false;
    label = dsMonthRec->fieldByName(QStringLiteral("monthDes")).asString();
    start = dsMonthRec->fieldByName(QStringLiteral("billstartdate")).asDateTime();
    end = dsMonthRec->fieldByName(QStringLiteral("billenddate")).asDateTime();
    return true;
}

void TFrmMonthlyBalance::setBusy(bool busy, const QString& text) {
    lblBusy->setText(text.isEmpty() ? QStringLiteral("正在统计数据，请耐心等待...") : text);
    pnlT->setVisible(busy);
}

void TFrmMonthlyBalance::createBill() {
    if (m_run->isBusy(true))
        return;
    if (!hasRight(1))
        return refuse();
    QString label;
    QDateTime start;
    QDateTime end;
    if (!askPeriod || !askPeriod(label, start, end))
        return;
    guarded([&] {
        if (m_book.labelExists(label)) {
            ShowToast(context().toasts, QStringLiteral("错误提示 :\n\r账单编号重复，请重新生成账单!"), 0);
            return;
        }
        m_label = label;
        m_start = start;
        m_end = end;
        m_book.clearBill(label);
        openRows(MonthlyBillBook::emptyRowsStatement(), {}, nullptr);
        setBusy(true);
        MonthlyRunConfig config = MonthlyRunConfig::fromSession(context().session);
        config.MonthDes = label;
        config.period = {start, end};
        m_singleRun = false;
        m_run->resetCounters();
        m_run->startMaster(config);
        tmrCheckThreadRun->start();
        progressBar->setRange(0, 0);
        progressBar->setValue(0);
        writeLog(QStringLiteral("%1%2。").arg(toolButton(QStringLiteral("tbInsert"))->text(), windowTitle()));
    });
}

void TFrmMonthlyBalance::onProgress(int position, int maximum, const QString& target) {
    progressBar->setRange(0, qMax(1, maximum));
    progressBar->setValue(qMin(position, qMax(1, maximum)));
    lbRec->setText(QStringLiteral(" %1 / %2 ").arg(QString::number(position), QString::number(maximum)));
    // The first row is in: show the new bill in the list.
    if (!m_singleRun && target == QLatin1String(workers::kOpPosition) && position == 1)
        guarded([this] {
            openBillList();
            dsMonthRec->locate(QStringLiteral("monthDes"), m_label);
        });
}

void TFrmMonthlyBalance::onRowComputed(const TMonthlyRec& rec) {
    guarded([&] {
        m_book.storeRow(rec);
        const QString sysId = rec.sys_id;
        loadRows(m_book.rowsStatement(rec.MonthDes), {}, nullptr,
                 [this, sysId] { dataSet()->locate(QStringLiteral("sys_id"), sysId); });
    });
}

void TFrmMonthlyBalance::timerTick() {
    if (m_run->isBusy(false))
        return;
    tmrCheckThreadRun->stop();
    const bool failed = !m_run->failures().isEmpty();
    guarded([this, failed] {
        if (!m_singleRun && failed) {
            // A bill with cards missing is no bill: what the run wrote goes
            // again and the window shows the bills as they were.
            m_book.deleteBill(m_label);
            QueryData(nullptr);
        } else if (!m_singleRun) {
            openBillList();
            dsMonthRec->locate(QStringLiteral("monthDes"), m_label);
            loadRows(m_book.orderedRowsStatement(m_label), {}, nullptr, [this] { dataSet()->last(); });
        }
    });
    m_singleRun = false;
    setBusy(false);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    // Say why the bill (or the row) was not made.
    if (failed)
        prompter().error(m_run->failures().join(QLatin1Char('\n')));
}

void TFrmMonthlyBalance::showBill(bool fromList) {
    if (m_run->isBusy(false))
        return;
    if (fromList) {
        edtKey->clear();
        edtName->clear();
    }
    QString label;
    QDateTime start;
    QDateTime end;
    if (!currentBill(label, start, end))
        return;
    const MonthlyRowFilter filter{edtEmpno->text(), edtKey->text(), edtName->text()};
    const QString sql = cbTotalsOnly->isChecked() ? m_book.totalsStatement(label, filter)
                                                  : m_book.rowsStatement(label, filter);
    const bool nonZero = cbNonZero->isChecked();
    loadRows(sql, {}, nullptr, [this, nonZero] {
        dataSet()->setFilter(nonZero ? QStringLiteral(" balance <> 0 ") : QString());
        dataSet()->setFiltered(nonZero);
    });
}

void TFrmMonthlyBalance::showDepartments() {
    QString label;
    QDateTime start;
    QDateTime end;
    if (!currentBill(label, start, end))
        return;
    openDataSet(*dsMonthDeptRec, context().session, m_book.departmentStatement(label));
    labelRows(*dsMonthDeptRec, true);
    GMonthDeptRec->refreshColumns();
}

void TFrmMonthlyBalance::recomputeRow() {
    DataSet& rows = *dataSet();
    if (m_run->isBusy(true) || !rows.isActive() || rows.isEmpty())
        return;
    const Field* card = rows.findField(QStringLiteral("card_id"));
    const Field* key = rows.findField(QStringLiteral("sys_id"));
    if (!card || !key || cbTotalsOnly->isChecked())
        return;
    MonthlyRunConfig config;
    if (!guarded([&] { config = MonthlyRunConfig::fromSession(context().session); }))
        return;
    config.MonthDes = rows.fieldByName(QStringLiteral("MonthDes")).asString();
    config.period = {rows.fieldByName(QStringLiteral("BillStartDate")).asDateTime(),
                     rows.fieldByName(QStringLiteral("BillEndDate")).asDateTime()};
    m_singleRun = true;
    m_run->resetCounters();
    m_run->startSingle(config, key->asString(), qint32(card->asInteger()));
    tmrCheckThreadRun->start();
}

void TFrmMonthlyBalance::deleteBill() {
    if (!hasRight(4))
        return refuse();
    QString label;
    QDateTime start;
    QDateTime end;
    if (!currentBill(label, start, end))
        return;
    guarded([&] {
        if (!MonthlyBillBook::deleteAllowed(end, m_book.lockDate())) {
            prompter().information(QStringLiteral("该时段已封帐，不能删除!"));
            return;
        }
        if (prompter().confirm(QStringLiteral("确认删除账单 ") + label + QStringLiteral("吗？"),
                               PromptAnswer::No))
            m_book.deleteBill(label);
        QueryData(nullptr);
    });
}

void TFrmMonthlyBalance::lockBill() {
    QString label;
    QDateTime start;
    QDateTime end;
    if (!currentBill(label, start, end))
        return;
    const QString periodError = MonthlyBillBook::lockPeriodError(start, end, QDateTime::currentDateTime());
    if (!periodError.isEmpty()) {
        prompter().error(periodError);
        return;
    }
    if (!prompter().confirm(MonthlyBillBook::lockQuestion(end), PromptAnswer::No))
        return;
    guarded([&] {
        const QString contentError = m_book.lockContentError(label, {start, end});
        if (!contentError.isEmpty()) {
            prompter().error(contentError);
            return;
        }
        m_book.writeLock(end, QDateTime::currentDateTime());
        prompter().information(QStringLiteral("封帐成功!\n\r封帐日期至") + end.toString(kDateFormat));
        m_lockDate = m_book.storedLockDate();
        billcheck->setText(QStringLiteral("封帐日期至：") +
                           (m_lockDate ? m_lockDate->toString(kDateFormat) : QString()));
        billcheck->show();
    });
}

void TFrmMonthlyBalance::showDetails() {
    DataSet& rows = *dataSet();
    if (!rows.isActive() || rows.isEmpty() || cbTotalsOnly->isChecked())
        return;
    const Field* card = rows.findField(QStringLiteral("card_id"));
    if (!card)
        return;
    TFrmConsumeAllRec::showFor(context(), MonthlyBillBook::historyStatement(qint32(card->asInteger())),
                               rows.fieldByName(QStringLiteral("BillStartDate")).asDateTime(),
                               rows.fieldByName(QStringLiteral("BillEndDate")).asDateTime());
}

void TFrmMonthlyBalance::printBill() {
    if (pcBills->currentWidget() != tsMonthDeptRec) {
        TfrmRecordBaseClass::printRows();
        return;
    }
    if (!hasRight(RecordRights::Print))
        return refuse();
    if (!dsMonthDeptRec->isActive())
        return;
    if (!m_deptPrinter)
        m_deptPrinter = new GridPrinter(*GMonthDeptRec, this);
    const Session& s = context().session;
    if (printTitle.isEmpty())
        printTitle = windowTitle();
    m_deptPrinter->options().substitutions = PrintOutput::substitutions(
        s.CompanyName, printTitle, printCaption, s.CurrentUserName, QDate::currentDate());
    auto* dialog = new TdlgPrint(context(), this);
    dialog->setup(m_deptPrinter, dsMonthDeptRec, printTitle, windowTitle());
    showPrintDialog(*dialog);
}

void TFrmMonthlyBalance::closeEvent(QCloseEvent* event) {
    if (m_run && m_run->isBusy(false)) {
        if (prompter().question(QStringLiteral("提示"), QStringLiteral("正在统计数据, 是否要中断该操作吗？"),
                                PromptButtons::YesNo, PromptAnswer::No,
                                PromptIcon::Question) != PromptAnswer::Yes) {
            event->ignore();
            return;
        }
        setBusy(true, QStringLiteral("正在进行\"取消\"操作, 请耐心等待..."));
        tmrCheckThreadRun->stop();
        // Stops every worker; none writes or posts after this.
        delete m_run;
        m_run = new MonthlyBillRun(this);
    }
    TfrmRecordBaseClass::closeEvent(event);
}
