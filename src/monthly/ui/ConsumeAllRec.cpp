#include "monthly/ui/ConsumeAllRec.h"

#include "dataset/DataSet.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/DbError.h"
#include "db/MaintenanceKey.h"
#include "framework/ModuleContext.h"
#include "monthly/CardChain.h"
#include "monthly/MonthlyBillBook.h"
#include "monthly/RecordRepair.h"
#include "monthly/ui/EditMealRecord.h"
#include "monthly/ui/EditRecordsbak.h"
#include "util/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kSequence = QStringLiteral("卡流水号");
const QString kTime = QStringLiteral("操作时间");
} // namespace

TFrmConsumeAllRec::TFrmConsumeAllRec(ModuleContext& context, const QString& sql, const QDateTime& billStart,
                                     const QDateTime& billEnd, QWidget* parent)
    : QWidget(parent), m_context(context), m_sql(sql), m_start(billStart), m_end(billEnd) {
    setObjectName(QStringLiteral("FrmConsumeAllRec"));
    setWindowTitle(QStringLiteral("流水明细记录"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(800, 550);
    auto* layout = new QHBoxLayout(this);
    dgTable = new DBGrid(this);
    dgTable->setObjectName(QStringLiteral("dgTable"));
    dgTable->setReadOnly(true);
    layout->addWidget(dgTable, 1);
    auto* side = new QVBoxLayout;
    btnFindError = new QPushButton(QStringLiteral("查找错误"), this);
    btnFindError->setObjectName(QStringLiteral("btnFindError"));
    lbErrors = new QListWidget(this);
    lbErrors->setObjectName(QStringLiteral("lbErrors"));
    lbErrors->setMaximumWidth(120);
    side->addWidget(btnFindError);
    side->addWidget(lbErrors, 1);
    layout->addLayout(side);
    m_dataSet = new DataSet(this);
    m_dataSet->setObjectName(QStringLiteral("dsAllRec"));
    dgTable->setDataSet(m_dataSet);
    dgTable->setCellColorHook([this](int row, const Field&) { return rowColor(row); });
    connect(btnFindError, &QPushButton::clicked, this, &TFrmConsumeAllRec::findErrors);
    dgTable->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_edit = new QAction(QStringLiteral("修改当前记录"), this);
    m_edit->setObjectName(QStringLiteral("N1"));
    dgTable->addAction(m_edit);
    connect(m_edit, &QAction::triggered, this, [this] { editCurrentRecord(); });
    if (m_context.session.OtherMattersFlags.mid(5, 1) == QLatin1String("1")) {
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        dgTable->addAction(separator);
        m_move = new QAction(QStringLiteral("移除当前记录"), this);
        m_move->setObjectName(QStringLiteral("N3"));
        dgTable->addAction(m_move);
        connect(m_move, &QAction::triggered, this, [this] { moveCurrentRecord(); });
    }
    connect(lbErrors, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { gotoSequence(item->text().toInt()); });
    reopen();
}

TFrmConsumeAllRec* TFrmConsumeAllRec::showFor(ModuleContext& context, const QString& sql,
                                              const QDateTime& billStart, const QDateTime& billEnd) {
    auto* w = new TFrmConsumeAllRec(context, sql, billStart, billEnd);
    if (context.screen) {
        QMdiSubWindow* sub = context.screen->addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->resize(800, 550);
        sub->show();
    } else {
        w->show();
    }
    return w;
}

void TFrmConsumeAllRec::reopen() {
    try {
        DataSet::OpenOptions options;
        options.trace = &m_context.session.trace();
        m_dataSet->close();
        m_dataSet->open(m_context.session.ModuleConnection, m_sql, {}, options);
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        return;
    }
    if (Field* kind = m_dataSet->findField(QStringLiteral("Kind"))) {
        kind->setDisplayLabel(QStringLiteral("记录类型编码"));
        kind->setVisible(false);
    }
    for (const QString& money : {QStringLiteral("变动金额"), QStringLiteral("余额")})
        if (Field* f = m_dataSet->findField(money))
            f->setDisplayFormat(QStringLiteral("￥0.00"));
    if (Field* f = m_dataSet->findField(QStringLiteral("actiondd")))
        f->setDisplayLabel(QStringLiteral("动作描述"));
    dgTable->refreshColumns();
    GridFooter& footer = dgTable->footer();
    footer.clear();
    FooterCellSpec count;
    count.kind = FooterCellSpec::Count;
    footer.setCell(QStringLiteral("工号"), count);
    dgTable->setFooterRowCount(1);
    m_dataSet->last();
}

QColor TFrmConsumeAllRec::rowColor(int position) const {
    const Field* time = m_dataSet->findField(kTime);
    if (time) {
        const QDateTime when = m_dataSet->value(position, time->index()).toDateTime();
        if (when.isValid() && when >= m_start && when <= m_end)
            return QColor(0, 255, 255);
    }
    // Record numbers are 1-based: odd rows white, even rows the info colour.
    return (position + 1) % 2 == 1 ? QColor(Qt::white) : QApplication::palette().color(QPalette::ToolTipBase);
}

void TFrmConsumeAllRec::findErrors() {
    lbErrors->clear();
    const Field* seq = m_dataSet->findField(kSequence);
    if (!seq)
        return;
    QVector<int> sequences;
    for (int i = 0; i < m_dataSet->recordCount(); ++i)
        sequences << m_dataSet->value(i, seq->index()).toInt();
    const QVector<int> breaks = sequenceBreaks(sequences);
    for (int s : breaks)
        lbErrors->addItem(QString::number(s));
    if (!breaks.isEmpty())
        gotoSequence(breaks.first());
}

bool TFrmConsumeAllRec::gotoSequence(int sequence) {
    return m_dataSet->locate(kSequence, sequence);
}

namespace {
// The record of the current history row; false without one.
bool currentHistoryRow(const DataSet& ds, RepairRow* row, QString* action) {
    if (!ds.isActive() || ds.isEmpty() || ds.recNo() == 0)
        return false;
    const Bookmark b = ds.bookmark();
    const auto field = [&ds](const QString& name) { return ds.fieldByName(name).index(); };
    *action = ds.valueAt(b, field(QStringLiteral("actiondd"))).toString();
    row->empId = ds.valueAt(b, field(QStringLiteral("工号"))).toString();
    row->cardId = ds.valueAt(b, field(QStringLiteral("卡号"))).toLongLong();
    row->cardSequ = ds.valueAt(b, field(kSequence)).toLongLong();
    row->time = ds.valueAt(b, field(kTime)).toDateTime();
    row->balance = Currency::fromUnits(ds.fixedAt(b, field(QStringLiteral("余额"))));
    // The history shows a consumption as money off the card; its table stores it positive.
    const Currency change = Currency::fromUnits(ds.fixedAt(b, field(QStringLiteral("变动金额"))));
    row->amount =
        RecordRepair::modeOfAction(*action) == RecordRepair::Mode::Charge ? change : Currency() - change;
    return true;
}
} // namespace

bool TFrmConsumeAllRec::editCurrentRecord() {
    RepairRow row;
    QString action;
    try {
        if (!currentHistoryRow(*m_dataSet, &row, &action)) {
            m_context.prompter->information(QStringLiteral("无记录"));
            return false;
        }
        if (!m_context.maintenanceKeyAccepted) {
            // An unattended run (a demo, a scripted repair) may hand the day's key in advance.
            const QString given = qEnvironmentVariable("MEAL_MAINTENANCE_KEY");
            const std::optional<QString> typed =
                !given.isEmpty()
                    ? std::optional<QString>(given)
                    : m_context.prompter->inputText(QStringLiteral("提示"),
                                                    QStringLiteral("输入消费专属密钥或考勤机密钥"), QString(),
                                                    true);
            if (!typed)
                return false;
            if (!MaintenanceKey::accepts(MaintenanceKey::siteSecret(m_context.session), QDate::currentDate(),
                                         *typed)) {
                m_context.prompter->error(QStringLiteral("密钥不正确"));
                return false;
            }
            m_context.maintenanceKeyAccepted = true;
        }
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        return false;
    }
    TFrmEditMealRecord editor(m_context, row, this);
    editor.exec();
    reopen();
    return true;
}

bool TFrmConsumeAllRec::moveCurrentRecord() {
    RepairRow row;
    QString action;
    try {
        if (!currentHistoryRow(*m_dataSet, &row, &action)) {
            m_context.prompter->information(QStringLiteral("无记录"));
            return false;
        }
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        return false;
    }
    const std::optional<QString> typed =
        m_context.prompter->password(QStringLiteral("请输入密码"), QStringLiteral("请输入管理员密码:"));
    if (!typed)
        return false;
    if (!RecordRepair::administratorConfirmed(m_context.session, *typed)) {
        m_context.prompter->error(QStringLiteral("操作用户不是管理员或者是密码不正确"));
        return false;
    }
    TFrmEditRecordsbak mover(m_context, RecordRepair::modeOfAction(action), row, this);
    mover.exec();
    reopen();
    return true;
}
