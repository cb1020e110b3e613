#include "reports/ui/AllDetailRecords.h"

#include "dataset/DataSet.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/DbError.h"
#include "framework/DataSetBinding.h"
#include "framework/ModuleContext.h"
#include "util/Prompter.h"

#include <QMdiArea>
#include <QMdiSubWindow>
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
