#include "reports/ui/AllDetailRecords.h"

#include "dataset/DataSet.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/DbError.h"
#include "framework/DataSetBinding.h"
#include "framework/ModuleContext.h"
#include "monthly/CardChain.h"
#include "monthly/RecordRepair.h"
#include "util/Prompter.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
const QColor kInfoBk(255, 255, 225);
}

TFrmAllDetailRecords::TFrmAllDetailRecords(ModuleContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("FrmAllDetailRecords"));
    setWindowTitle(QStringLiteral("所有明细记录"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* tools = new QToolBar(this);
    QAction* analyseAction = tools->addAction(QStringLiteral("分析数据"));
    analyseAction->setObjectName(QStringLiteral("actAnalyse"));
    analyseAction->setToolTip(QStringLiteral("检查每张卡的流水号和余额是否前后相接"));
    connect(analyseAction, &QAction::triggered, this, [this] { analyse(); });
    layout->addWidget(tools);
    m_grid = new DBGrid(this);
    m_grid->setObjectName(QStringLiteral("dgTable"));
    m_grid->setReadOnly(true);
    m_grid->setAlternateRowColors(kInfoBk, Qt::white);
    layout->addWidget(m_grid);
    m_dataSet = new DataSet(this);
    m_dataSet->setObjectName(QStringLiteral("dsAllRec"));
    m_grid->setDataSet(m_dataSet);
}

TFrmAllDetailRecords* TFrmAllDetailRecords::open(ModuleContext& context) {
    if (context.screen)
        for (QMdiSubWindow* sub : context.screen->subWindowList())
            if (auto* w = qobject_cast<TFrmAllDetailRecords*>(sub->widget())) {
                context.screen->setActiveSubWindow(sub);
                return w;
            }
    auto* w = new TFrmAllDetailRecords(context);
    if (context.screen) {
        QMdiSubWindow* sub = context.screen->addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->resize(900, 550);
        sub->show();
    } else {
        w->show();
    }
    return w;
}

bool TFrmAllDetailRecords::showStatement(const QString& sql) {
    try {
        DataSet::OpenOptions options;
        options.trace = &m_context.session.trace();
        m_dataSet->close();
        m_dataSet->open(m_context.session.ModuleConnection, sql, {}, options);
    } catch (const DbError& e) {
        if (m_context.prompter)
            m_context.prompter->error(e.message());
        return false;
    }
    if (m_context.MealDM)
        applyDataSetDefinition(*m_dataSet, *m_context.MealDM, QStringLiteral("dsAllRec"));
    if (Field* action = m_dataSet->findField(QStringLiteral("actiondd")))
        action->setDisplayLabel(QStringLiteral("动作描述"));
    m_grid->refreshColumns();
    return true;
}

QString TFrmAllDetailRecords::analyse() {
    if (!m_dataSet->isActive())
        return QString();
    const Field* card = m_dataSet->findField(QStringLiteral("卡号"));
    const Field* sequence = m_dataSet->findField(QStringLiteral("卡流水号"));
    const Field* change = m_dataSet->findField(QStringLiteral("变动金额"));
    const Field* balance = m_dataSet->findField(QStringLiteral("余额"));
    const Field* action = m_dataSet->findField(QStringLiteral("actiondd"));
    if (!card || !sequence || !change || !balance) {
        const QString text = QStringLiteral("这些记录没有卡号、卡流水号、变动金额和余额，无法分析。");
        if (m_context.prompter)
            m_context.prompter->information(text);
        return text;
    }
    QVector<ChainRow> rows;
    rows.reserve(m_dataSet->recordCount());
    for (int i = 0; i < m_dataSet->recordCount(); ++i) {
        const Bookmark b = m_dataSet->bookmarkAt(i);
        ChainRow row;
        row.card = m_dataSet->valueAt(b, card->index()).toLongLong();
        if (!m_dataSet->isNullAt(b, sequence->index()))
            row.sequence = m_dataSet->valueAt(b, sequence->index()).toLongLong();
        // The list shows recharges as money onto the card and consumptions, clearings,
        // supplements and refunds as the amount taken off it.
        const Currency amount = Currency::fromUnits(m_dataSet->fixedAt(b, change->index()));
        const bool onto =
            action && RecordRepair::modeOfAction(m_dataSet->valueAt(b, action->index()).toString()) ==
                          RecordRepair::Mode::Charge;
        row.change = onto ? amount : Currency() - amount;
        if (!m_dataSet->isNullAt(b, balance->index()))
            row.balance = Currency::fromUnits(m_dataSet->fixedAt(b, balance->index()));
        rows << row;
    }
    const QVector<ChainFinding> findings = checkCardChain(rows);
    if (!findings.isEmpty())
        m_dataSet->setRecNo(findings.first().row + 1);
    const QString text = describeCardChain(int(rows.size()), findings);
    if (m_context.prompter)
        m_context.prompter->information(text);
    return text;
}
