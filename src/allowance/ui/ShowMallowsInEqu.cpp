#include "allowance/ui/ShowMallowsInEqu.h"

#include "allowance/AllowanceTerminals.h"
#include "allowance/CheckAllowThread.h"
#include "allowance/HeldAllowances.h"
#include "allowance/ui/ClockListView.h"
#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "util/Prompter.h"
#include "util/ui/MsgFrm.h"
#include "workers/WorkerPool.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace allowance;
using namespace workers;

namespace {
QTreeWidget* recordList(QWidget* parent, const char* name, const QStringList& headers) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setAlternatingRowColors(true);
    list->header()->setSectionsClickable(true);
    return list;
}
} // namespace

TFrmShowMallowsInEqu::TFrmShowMallowsInEqu(ModuleContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_pool(std::make_unique<TBMDThreadPool>(this)) {
    setObjectName(QStringLiteral("FrmShowMallowsInEqu"));
    setWindowTitle(QStringLiteral("联机显示设备补贴记录信息"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(820, 550);
    m_pool->setHintSink([this](const QString& text) { ShowToast(m_context.toasts, text, 1); });

    auto* layout = new QHBoxLayout(this);
    m_clocks = new ClockListView(this);
    m_clocks->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* tickAll = new QAction(QStringLiteral("选中所有设备"), m_clocks);
    m_clocks->addAction(tickAll);
    connect(tickAll, &QAction::triggered, this, [this] { m_clocks->tickAll(true); });
    layout->addWidget(m_clocks, 3);

    auto* right = new QVBoxLayout;
    auto* bar = new QHBoxLayout;
    m_type = new QComboBox(this);
    m_type->addItems({QStringLiteral("待补贴"), QStringLiteral("已补贴")});
    m_type->hide(); // reading stays at the waiting allowances
    m_card = new QLineEdit(this);
    m_card->setObjectName(QStringLiteral("edtCardNo"));
    m_read = new QPushButton(QStringLiteral("读取"), this);
    m_close = new QPushButton(QStringLiteral("关闭"), this);
    bar->addWidget(m_type);
    bar->addWidget(new QLabel(QStringLiteral("检索卡号"), this));
    bar->addWidget(m_card, 1);
    bar->addWidget(m_read);
    bar->addWidget(m_close);
    right->addLayout(bar);

    m_waiting = recordList(this, "ListView1",
                           {QStringLiteral("机号"), QStringLiteral("名称"), QStringLiteral("系统编号"),
                            QStringLiteral("卡号"), QStringLiteral("补贴流水号"), QStringLiteral("补贴金额"),
                            QStringLiteral("补贴有效日期"), QStringLiteral("下载日期")});
    m_taken =
        recordList(this, "ListView2",
                   {QStringLiteral("机号"), QStringLiteral("名称"), QStringLiteral("系统编号"),
                    QStringLiteral("卡号"), QStringLiteral("卡流水号"), QStringLiteral("补贴流水号"),
                    QStringLiteral("补贴金额"), QStringLiteral("卡余额"), QStringLiteral("领取补贴时间")});
    m_taken->hide();
    for (QTreeWidget* list : {m_waiting, m_taken}) {
        connect(list->header(), &QHeaderView::sectionClicked, this, &TFrmShowMallowsInEqu::sortByColumn);
        right->addWidget(list, 1);
    }
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("stStatic"));
    m_progress = new QProgressBar(this);
    showProgress();
    right->addWidget(m_status);
    right->addWidget(m_progress);
    layout->addLayout(right, 5);

    connect(m_read, &QPushButton::clicked, this, &TFrmShowMallowsInEqu::readClicked);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("tmrCheckThreadRun"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TFrmShowMallowsInEqu::timerTick);
}

TFrmShowMallowsInEqu::~TFrmShowMallowsInEqu() = default;

QString TFrmShowMallowsInEqu::statusLine() const {
    return m_status->text();
}

bool TFrmShowMallowsInEqu::running() const {
    return m_pool->count() > 0 || m_timer->isActive();
}

QTreeWidget* TFrmShowMallowsInEqu::shownList() const {
    return m_type->currentIndex() == 1 ? m_taken : m_waiting;
}

void TFrmShowMallowsInEqu::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_filled) {
        m_filled = true;
        try {
            m_clocks->setClocks(AllowanceTerminals(m_context.session).load());
        } catch (const DbError& e) {
            try {
                m_context.session.trace().write(QStringLiteral("显示出错!\n\r") + e.message());
            } catch (const DbError&) {
            }
            m_context.prompter->error(e.message());
        }
    }
    m_clocks->clearStatus();
}

void TFrmShowMallowsInEqu::showProgress() {
    m_progress->setRange(0, std::max(m_progressMax, 1));
    m_progress->setValue(std::min(m_progressPos, std::max(m_progressMax, 1)));
}

void TFrmShowMallowsInEqu::readClicked() {
    m_progressMax = 0;
    m_progressPos = 0;
    showProgress();
    if (!m_close->isEnabled() || m_pool->IsBusy(true))
        return;
    if (!m_clocks->anyTicked()) {
        m_status->setText(QStringLiteral("请选择设备"));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    shownList()->clear();
    m_clocks->setEnabled(false);
    m_waiting->setEnabled(false);
    m_taken->setEnabled(false);
    QVector<TClockInfo> clocks;
    for (int i = 0; i < m_clocks->rowCount(); ++i) {
        if (!m_clocks->isTicked(i))
            continue;
        m_clocks->setStatusText(i, ClockStatusText(1));
        clocks.append(m_clocks->clock(i));
    }
    const quint8 mode = m_type->currentIndex() == 1 ? ReadSidyLog : ReadSubsidyLog;
    startTerminalWorkers(mode, clocks, *m_pool, AllowWorkerSetup::fromSession(m_context.session));
    m_clocks->setEnabled(true);
    m_waiting->setEnabled(true);
    m_taken->setEnabled(true);
    QApplication::restoreOverrideCursor();
    m_timer->start();
}

void TFrmShowMallowsInEqu::sortByColumn(int column) {
    QTreeWidget* list = shownList();
    QList<QTreeWidgetItem*> items;
    while (list->topLevelItemCount() > 0)
        items.append(list->takeTopLevelItem(0));
    const bool ascending = m_ascending;
    std::stable_sort(items.begin(), items.end(), [column, ascending](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const int c = a->text(column).compare(b->text(column), Qt::CaseInsensitive);
        return ascending ? c < 0 : c > 0;
    });
    list->addTopLevelItems(items);
    m_ascending = !m_ascending;
}

void TFrmShowMallowsInEqu::timerTick() {
    if (m_pool->IsBusy(false))
        return;
    m_timer->stop();
    ShowToast(m_context.toasts, QStringLiteral("读取补贴信息操作完成!"), 1);
}

bool TFrmShowMallowsInEqu::event(QEvent* e) {
    auto* worker = dynamic_cast<WorkerEvent*>(e);
    if (!worker)
        return QDialog::event(e);
    const bool cancelling = !m_close->isEnabled();
    if (auto* op = dynamic_cast<OpTypeEvent*>(e)) {
        if (op->messageNumber() == WM_CLOCKSTATUS && !cancelling) {
            m_clocks->setStatus(op->msg.target, op->msg.text, false);
        } else if (op->messageNumber() == WM_OPLOG && !cancelling) {
            m_status->setText(op->msg.text);
        } else if (op->messageNumber() == WM_OPPROGRESS) {
            const int n = op->msg.text.toInt();
            if (op->msg.target == QLatin1String(kOpMax))
                m_progressMax += n;
            else
                m_progressPos += n;
            showProgress();
        }
    } else if (auto* page = dynamic_cast<AllowDataEvent*>(e)) {
        const HeldPage held = heldRows(page->msg, m_card->text());
        QTreeWidget* list = page->msg.mode == 1 ? m_taken : m_waiting;
        QList<QTreeWidgetItem*> items;
        for (const QStringList& row : held.rows)
            items.append(new QTreeWidgetItem(row));
        list->addTopLevelItems(items);
        m_progressPos += held.lines;
        showProgress();
    } else if (auto* life = dynamic_cast<WorkerLifeEvent*>(e)) {
        if (life->messageNumber() == WM_THREADDONE)
            m_pool->Remove(life->subject);
    }
    return true;
}

void TFrmShowMallowsInEqu::closeEvent(QCloseEvent* event) {
    m_close->setEnabled(false);
    m_status->setText(QStringLiteral("正在进行\"取消\"操作, 请耐心等待..."));
    m_timer->stop();
    if (m_pool->count() > 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_pool->TerminateAndWait(120000);
        QApplication::restoreOverrideCursor();
    }
    m_waiting->clear();
    m_taken->clear();
    QDialog::closeEvent(event);
}
