#include "monthly/ui/ConsumeAllRec.h"

#include "dataset/DataSet.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "monthly/MonthlyBillBook.h"
#include "util/Prompter.h"

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
