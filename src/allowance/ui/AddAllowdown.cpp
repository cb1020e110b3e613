#include "allowance/ui/AddAllowdown.h"

#include "allowance/AllowanceTerminals.h"
#include "allowance/CheckAllowThread.h"
#include "allowance/ui/ClockListView.h"
#include "allowance/ui/EmpAllow.h"
#include "db/DbError.h"
#include "framework/ContextHelp.h"
#include "framework/ModuleContext.h"
#include "util/Prompter.h"
#include "util/ui/MsgFrm.h"
#include "workers/WorkerPool.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

using namespace allowance;
using namespace workers;

namespace {
const QString kStamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kAddFirst = QStringLiteral("请先添加要补贴记录!");
const QString kUpload = QStringLiteral("上传补贴");

enum RecipientColumn { RcId, RcEmp, RcName, RcCard, RcMoney, RcBatch, RcSys, RcValid, RcAllowId };

QStringList recipientTexts(const RecipientRow& r) {
    return {QString::number(r.id),
            r.emp_id,
            r.empname,
            r.card_id,
            r.deposit.toString(2),
            r.charge_ver,
            r.sys_id,
            r.allowDate.isValid() ? r.allowDate.toString(kStamp) : QString(),
            QString()};
}

QTreeWidget* recordList(QWidget* parent, const QStringList& headers) {
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setAlternatingRowColors(true);
    return list;
}

// The allowances for the recipient list, from the allowance pickers: those not
// sent yet, or those already sent within a period to send again.
std::optional<QVector<RecipientRow>> pickAllowances(ModuleContext& context, bool sent, QWidget* parent) {
    std::unique_ptr<TfrmEmpAllow> picker(sent ? new TFrmEmpAllowAgain(context, parent)
                                              : new TfrmEmpAllow(context, parent));
    if (picker->exec() != QDialog::Accepted)
        return std::nullopt;
    QVector<RecipientRow> chosen;
    for (const PickedAllowance& p : picker->chosen())
        chosen.append({p.id, p.empId, p.empName, QString::number(p.cardId), p.deposit,
                       QString::number(p.chargeVer), QString::number(p.sysId), p.allowDate});
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}
} // namespace

TfrmAddAllowdown::TfrmAddAllowdown(ModuleContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_pool(std::make_unique<TBMDThreadPool>(this)) {
    setObjectName(QStringLiteral("frmAddAllowdown"));
    setWindowTitle(QStringLiteral("补贴下发"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(800, 550);
    m_pool->setHintSink([this](const QString& text) { ShowToast(m_context.toasts, text, 1); });
    m_picker = [this](bool sent) { return pickAllowances(m_context, sent, this); };

    auto* layout = new QVBoxLayout(this);
    auto* banner =
        new QLabel(QStringLiteral("补贴下发是指把补贴记录下发到补贴设备上，在补贴机刷卡即把补贴金额领取上；\n"
                                  "注：补贴数据下发到补贴机上是不能撤销的。"),
                   this);
    banner->setWordWrap(true);
    layout->addWidget(banner);

    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    m_clocks = new ClockListView(this);
    m_clocks->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* pendingAction = new QAction(QStringLiteral("待上传补贴明细"), m_clocks);
    m_clocks->addAction(pendingAction);
    connect(pendingAction, &QAction::triggered, this, &TfrmAddAllowdown::showPendingList);
    m_tickAll = new QCheckBox(QStringLiteral("选中所有设备"), this);
    m_tickAll->setObjectName(QStringLiteral("cbSelectAll"));
    m_tickAll->setChecked(true);
    connect(m_tickAll, &QCheckBox::clicked, this, [this](bool on) { m_clocks->tickAll(on); });
    connect(m_clocks, &ClockListView::tickChanged, this, [this] {
        bool all = m_clocks->rowCount() > 0;
        for (int i = 0; i < m_clocks->rowCount(); ++i)
            all = all && m_clocks->isTicked(i);
        m_tickAll->setChecked(all);
    });
    left->addWidget(m_clocks, 1);
    left->addWidget(m_tickAll);
    m_hint = new QPlainTextEdit(this);
    m_hint->setObjectName(QStringLiteral("mmoShow"));
    m_hint->setReadOnly(true);
    m_hint->setMaximumHeight(90);
    m_hint->setPlainText(QStringLiteral("左边设备栏框中[状态]栏下存在补贴记录尚未提交完成,\n"
                                        "请点击“上传补贴”按钮来完成,\n\n请尽快提交!"));
    m_hint->hide();
    left->addWidget(m_hint);
    lists->addLayout(left, 2);

    auto* right = new QVBoxLayout;
    m_recipients = recordList(this, {QStringLiteral("id"), QStringLiteral("工号"), QStringLiteral("姓名"),
                                     QStringLiteral("卡号"), QStringLiteral("补贴金额"),
                                     QStringLiteral("补贴流水号"), QStringLiteral("系统号码"),
                                     QStringLiteral("有效日期"), QStringLiteral("Allow_id")});
    m_recipients->setObjectName(QStringLiteral("SelEmp"));
    m_recipients->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int hidden : {RcId, RcSys, RcAllowId})
        m_recipients->setColumnHidden(hidden, true);
    connect(m_recipients, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (gateOpen())
            removeSelectedRecipients();
    });
    m_sum = new QLabel(this);
    m_sum->setObjectName(QStringLiteral("lblSum"));
    auto* recipientButtons = new QHBoxLayout;
    m_addNew = new QPushButton(QStringLiteral("添加未发..."), this);
    m_addSent = new QPushButton(QStringLiteral("添加已发..."), this);
    m_clearList = new QPushButton(QStringLiteral("消除选择列表"), this);
    for (QPushButton* b : {m_addNew, m_addSent, m_clearList})
        recipientButtons->addWidget(b);
    recipientButtons->addWidget(m_sum, 1);
    right->addLayout(recipientButtons);
    right->addWidget(m_recipients, 1);
    lists->addLayout(right, 3);
    layout->addLayout(lists, 3);

    m_log = new QPlainTextEdit(this);
    m_log->setObjectName(QStringLiteral("meShow"));
    m_log->setReadOnly(true);
    layout->addWidget(m_log, 2);

    auto* buttons = new QHBoxLayout;
    m_upload = new QPushButton(kUpload, this);
    m_saveLog = new QPushButton(QStringLiteral("将日志存为文本..."), this);
    m_clearLog = new QPushButton(QStringLiteral("清除日志内容"), this);
    m_close = new QPushButton(QStringLiteral("关闭(&C)"), this);
    buttons->addWidget(m_upload);
    buttons->addStretch(1);
    buttons->addWidget(m_saveLog);
    buttons->addWidget(m_clearLog);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    connect(m_addNew, &QPushButton::clicked, this, [this] { addClicked(false); });
    connect(m_addSent, &QPushButton::clicked, this, [this] { addClicked(true); });
    connect(m_clearList, &QPushButton::clicked, this, [this] {
        if (gateOpen())
            clearRecipients();
    });
    connect(m_upload, &QPushButton::clicked, this, &TfrmAddAllowdown::uploadClicked);
    connect(m_saveLog, &QPushButton::clicked, this, &TfrmAddAllowdown::saveLogClicked);
    connect(m_clearLog, &QPushButton::clicked, m_log, &QPlainTextEdit::clear);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    auto* help = new QAction(this);
    help->setShortcut(Qt::Key_F1);
    help->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(help);
    connect(help, &QAction::triggered, this, [this] { ShowContextHelp(m_context, windowTitle()); });

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("tmrCheckThreadRun"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TfrmAddAllowdown::timerTick);
    updateSum();
}

TfrmAddAllowdown::~TfrmAddAllowdown() = default;

void TfrmAddAllowdown::traceFault(const QString& what, const QString& message) const {
    try {
        m_context.session.trace().write(what + QStringLiteral("\n\r") + message);
    } catch (const DbError&) {
    }
}

void TfrmAddAllowdown::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_filled)
        return;
    m_filled = true;
    try {
        m_clocks->setClocks(AllowanceTerminals(m_context.session).load());
        refreshPending(true);
    } catch (const DbError& e) {
        traceFault(QStringLiteral("显示出错!"), e.message());
        m_context.prompter->error(e.message());
    }
}

bool TfrmAddAllowdown::gateOpen() const {
    return m_close->isEnabled() && !m_pool->IsBusy(true);
}

bool TfrmAddAllowdown::running() const {
    return m_pool->count() > 0 || m_timer->isActive();
}

int TfrmAddAllowdown::recipientCount() const {
    return m_recipients->topLevelItemCount();
}

QString TfrmAddAllowdown::logText() const {
    return m_log->toPlainText();
}

void TfrmAddAllowdown::logLine(const QString& text) {
    m_log->appendPlainText(text);
}

void TfrmAddAllowdown::updateSum() {
    m_sum->setText(QStringLiteral(" (共计：%1 笔) ").arg(recipientCount()));
}

void TfrmAddAllowdown::refreshPending(bool hints) {
    const QHash<QString, int> counts = AllowanceTerminals(m_context.session).openTaskCounts();
    m_pending = !counts.isEmpty();
    if (hints && m_pending)
        m_clocks->headerItem()->setText(3, QStringLiteral("状态(待上传补贴)"));
    for (int i = 0; i < m_clocks->rowCount(); ++i) {
        TClockInfo& clock = m_clocks->clock(i);
        const auto it = counts.constFind(AllowanceTerminals::countKey(clock));
        clock.pending = it != counts.constEnd() ? 1 : 0;
        if (clock.pending)
            m_clocks->setStatusText(i, QStringLiteral("(%1笔)").arg(it.value()));
    }
    if (hints && m_pending)
        m_hint->show();
}

void TfrmAddAllowdown::addClicked(bool sent) {
    if (!gateOpen() || !m_picker)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::optional<QVector<RecipientRow>> picked;
    try {
        picked = m_picker(sent);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    if (picked)
        addRecipients(*picked);
}

void TfrmAddAllowdown::addRecipients(const QVector<RecipientRow>& rows) {
    for (const RecipientRow& r : rows) {
        if (m_rows.contains(r.id))
            continue;
        m_rows.insert(r.id, r);
        auto* item = new QTreeWidgetItem(m_recipients, recipientTexts(r));
        item->setData(RcId, Qt::UserRole, r.id);
    }
    updateSum();
    m_hint->hide();
}

void TfrmAddAllowdown::removeSelectedRecipients() {
    for (QTreeWidgetItem* item : m_recipients->selectedItems()) {
        m_rows.remove(item->data(RcId, Qt::UserRole).toLongLong());
        delete item;
    }
    updateSum();
}

void TfrmAddAllowdown::clearRecipients() {
    m_recipients->clear();
    m_rows.clear();
    updateSum();
}

void TfrmAddAllowdown::setBusy(bool busy) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_clocks, m_recipients, m_tickAll, m_addNew, m_addSent,
                                                      m_clearList, m_upload, m_saveLog, m_clearLog})
        w->setEnabled(!busy);
}

void TfrmAddAllowdown::startWorkers(const QVector<TClockInfo>& clocks) {
    startTerminalWorkers(UploadAllowances, clocks, *m_pool, AllowWorkerSetup::fromSession(m_context.session));
}

void TfrmAddAllowdown::uploadClicked() {
    if (!gateOpen())
        return;
    const bool noRecipients = recipientCount() == 0;
    if (!m_pending && noRecipients) {
        try {
            refreshPending(true);
        } catch (const DbError& e) {
            m_context.prompter->error(e.message());
            return;
        }
        ShowToast(m_context.toasts, kAddFirst, 1);
        return;
    }
    bool pendingTicked = false;
    for (int i = 0; i < m_clocks->rowCount(); ++i)
        pendingTicked = pendingTicked || (m_clocks->isTicked(i) && m_clocks->clock(i).pending);
    if (!m_clocks->anyTicked()) {
        m_context.prompter->message(QStringLiteral("提示"), QStringLiteral("请选择一台或多台机器。 "),
                                    PromptIcon::Information);
        return;
    }
    if (!pendingTicked && noRecipients) {
        ShowToast(m_context.toasts, kAddFirst, 1);
        return;
    }

    QVector<RecipientRow> recipients;
    for (int i = 0; i < recipientCount(); ++i)
        recipients.append(m_rows.value(m_recipients->topLevelItem(i)->data(RcId, Qt::UserRole).toLongLong()));
    setBusy(true);
    m_timer->stop();
    m_log->clear();
    logLine(QStringLiteral("正在提交%1记录,请耐心等待...").arg(kUpload));
    m_clocks->headerItem()->setText(3, QStringLiteral("状态"));

    m_writing = true;
    QVector<TClockInfo> serial;
    const AllowanceDownload download(m_context.session);
    for (int i = 0; i < m_clocks->rowCount() && !m_closeAsked; ++i) {
        const TClockInfo clock = m_clocks->clock(i);
        if (!m_clocks->isTicked(i) || (noRecipients && !clock.pending))
            continue;
        m_clocks->setStatusText(i, ClockStatusText(1));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_close->setEnabled(false);
        bool written = true;
        try {
            download.writeTasks(clock, recipients, m_context.session.CurrentUserId,
                                [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
        } catch (const DbError& e) {
            // Rolled back: nothing of this terminal's list was written.
            written = false;
            m_clocks->setStatusText(i, QStringLiteral("上传补贴失败"));
            logLine(QStringLiteral("\"%1\"号机补贴任务写入失败: %2")
                        .arg(QString::number(clock.clock_id), e.message()));
        }
        m_close->setEnabled(true);
        if (!written && !clock.pending)
            continue;
        if (clock.isNetwork())
            startWorkers({clock});
        else
            serial.append(clock);
    }
    if (!serial.isEmpty() && !m_closeAsked)
        startWorkers(serial);
    m_writing = false;
    setBusy(false);
    m_timer->start();
    if (m_closeAsked)
        close();
}

void TfrmAddAllowdown::timerTick() {
    if (m_pool->IsBusy(false))
        return;
    m_timer->stop();
    QApplication::beep();
    ShowToast(m_context.toasts, QStringLiteral("上传补贴信息操作完成!"), 1);
    if (recipientCount() > 0 && m_context.prompter->confirm(QStringLiteral("是否清理已下发人员的补贴记录?")))
        clearRecipients();
    try {
        refreshPending(false);
    } catch (const DbError& e) {
        logLine(e.message());
    }
}

void TfrmAddAllowdown::saveLogClicked() {
    if (!gateOpen() || m_log->toPlainText().trimmed().isEmpty())
        return;
    FileDialogRequest request;
    request.title = QStringLiteral("将日志存为文本");
    request.filter = QStringLiteral("文本文件|*.txt");
    request.defaultExtension = QStringLiteral("txt");
    request.directory = downloadLogFolder(m_context.session.programFolder);
    request.fileName = windowTitle();
    const FileDialogResult chosen = m_context.prompter->saveFile(request);
    if (!chosen.accepted)
        return;
    if (QFileInfo::exists(chosen.path) &&
        m_context.prompter->question(
            QStringLiteral("提示"), QStringLiteral("文件\"%1\"已经存在, 是否覆盖? ").arg(chosen.path),
            PromptButtons::YesNo, PromptAnswer::No, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    const QString failure = saveLogText(chosen.path, m_log->toPlainText());
    if (!failure.isEmpty())
        m_context.prompter->error(failure);
}

void TfrmAddAllowdown::showPendingList() {
    const int row = m_clocks->currentOrFirst();
    if (row < 0)
        return;
    const TClockInfo clock = m_clocks->clock(row);
    QVector<QStringList> rows;
    try {
        rows = AllowanceDownload(m_context.session).openTasks(clock);
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        return;
    }
    auto* list = new TfrmSelectAllowList(clock.clock_id, rows, this);
    list->setAttribute(Qt::WA_DeleteOnClose);
    list->open();
}

bool TfrmAddAllowdown::event(QEvent* e) {
    auto* worker = dynamic_cast<WorkerEvent*>(e);
    if (!worker)
        return QDialog::event(e);
    const bool cancelling = !m_close->isEnabled() && !m_writing;
    if (auto* op = dynamic_cast<OpTypeEvent*>(e)) {
        if (cancelling)
            return true;
        if (op->messageNumber() == WM_CLOCKSTATUS)
            m_clocks->setStatus(op->msg.target, op->msg.text, true);
        else if (op->messageNumber() == WM_OPLOG)
            logLine(op->msg.text);
    } else if (auto* life = dynamic_cast<WorkerLifeEvent*>(e)) {
        if (life->messageNumber() == WM_THREADDONE)
            m_pool->Remove(life->subject);
    }
    return true;
}

void TfrmAddAllowdown::closeEvent(QCloseEvent* event) {
    if (m_writing) {
        // The task loop finishes the terminal it is on and closes afterwards.
        m_closeAsked = true;
        m_close->setEnabled(false);
        event->ignore();
        return;
    }
    m_close->setEnabled(false);
    logLine(QStringLiteral("正在进行\"取消\"操作, 请耐心等待..."));
    m_timer->stop();
    if (m_pool->count() > 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // A worker finishes the booking of a batch its terminal took; nothing new starts.
        if (!m_pool->TerminateAndWait(120000))
            traceFault(QStringLiteral("关闭出错!"), QStringLiteral("终端线程未能在时限内结束"));
        QApplication::restoreOverrideCursor();
    }
    QDialog::closeEvent(event);
}

TfrmSelectAllowList::TfrmSelectAllowList(int clockId, const QVector<QStringList>& rows, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelectAllowList"));
    setWindowTitle(QStringLiteral("机号\"%1\"尚未%2明细").arg(QString::number(clockId), kUpload));
    resize(640, 420);
    auto* layout = new QVBoxLayout(this);
    m_list = recordList(this, {QStringLiteral("工号"), QStringLiteral("卡号"), QStringLiteral("姓名"),
                               QStringLiteral("补贴金额"), QStringLiteral("补贴流水"),
                               QStringLiteral("补贴有效期")});
    for (const QStringList& r : rows)
        new QTreeWidgetItem(m_list, r);
    layout->addWidget(m_list, 1);
    layout->addWidget(new QLabel(QStringLiteral("总计：%1笔").arg(rows.size()), this));
}

int TfrmSelectAllowList::rowCount() const {
    return m_list->topLevelItemCount();
}
