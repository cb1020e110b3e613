#include "reports/ui/AllRecordsUnt.h"

#include "dataset/grid/ui/DBGrid.h"
#include "db/MealDataModule.h"
#include "framework/DataSetBinding.h"
#include "framework/ModuleContext.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {
const QColor kInfoBk(255, 255, 225); // the tool-tip background of alternate records
const QString kCaption = QStringLiteral("流水明细记录");
} // namespace

TFrmAllRecordsUnt::TFrmAllRecordsUnt(ModuleContext& context, QWidget* parent)
    : TfrmRecordBaseClass(context, kCaption, parent) {
    setObjectName(QStringLiteral("FrmAllRecordsUnt"));
    setAttribute(Qt::WA_DeleteOnClose);
    readOnlyWindow = true;
    sumFooter = true;
    queryOnFirstActivation = false; // it shows what it is handed
    // The three queries share the data module's journal columns (dsAllRec).
    const char* names[3] = {"qryMealRecords", "qryChargeRecords", "qryCostRecords"};
    for (int i = 0; i < 3; ++i) {
        m_queries[i] = new DataSet(this);
        m_queries[i]->setObjectName(QString::fromLatin1(names[i]));
    }
    bindDataSet(m_queries[m_choice]);
    dgTable->setAlternateRowColors(kInfoBk, Qt::white);
    plKey->setVisible(false);
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
}

TFrmAllRecordsUnt* TFrmAllRecordsUnt::open(ModuleContext& context) {
    if (context.screen)
        for (QMdiSubWindow* sub : context.screen->subWindowList())
            if (auto* w = qobject_cast<TFrmAllRecordsUnt*>(sub->widget())) {
                context.screen->setActiveSubWindow(sub);
                return w;
            }
    auto* w = new TFrmAllRecordsUnt(context);
    if (context.screen) {
        QMdiSubWindow* sub = context.screen->addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->showMaximized();
    } else {
        w->show();
    }
    return w;
}

void TFrmAllRecordsUnt::showStatement(const QString& sql, int queryChoice) {
    m_choice = qBound(0, queryChoice, 2);
    m_sql = sql;
    if (dataSet() != m_queries[m_choice]) {
        cancelLoad();
        bindDataSet(m_queries[m_choice]);
    }
    guarded([this] { QueryData(nullptr); });
}

void TFrmAllRecordsUnt::showPage(JournalPage page, const JournalConditions& conditions,
                                 const QString& title) {
    setWindowTitle(title.isEmpty() ? kCaption : kCaption + QStringLiteral("---(") + title + QLatin1Char(')'));
    const QString format = QStringLiteral("yyyy-MM-dd");
    if (conditions.begin.isValid() && conditions.end.isValid())
        printCaption = QStringLiteral("日期: (%1 至 %2)")
                           .arg(conditions.begin.toString(format), conditions.end.toString(format));
    showStatement(JournalQuery::statement(page, conditions, context().session),
                  JournalQuery::queryChoice(page));
}

void TFrmAllRecordsUnt::QueryData(QObject* sender) {
    if (m_sql.isEmpty() || !dataSet())
        return;
    loadRows(m_sql, {}, sender);
}

void TFrmAllRecordsUnt::columnsKnown(QObject* /*sender*/) {
    // The three queries share the journal's column definitions.
    DataSet& ds = *dataSet();
    if (context().MealDM)
        applyDataSetDefinition(ds, *context().MealDM, QStringLiteral("dsAllRec"));
    // The row number leads, and is never summed.
    if (!ds.findField(QStringLiteral("RecNo"))) {
        Field& number = ds.addCalculatedField(QStringLiteral("RecNo"), FieldType::Integer,
                                              [](const DataSet& d, Bookmark row) -> QVariant {
                                                  return QVariant(qint64(d.positionOf(row) + 1));
                                              });
        number.setDisplayLabel(QStringLiteral("序号"));
        number.setTag(MealDataModule::NoSumTag);
        ds.moveField(&number, 0);
    }
}

void TFrmAllRecordsUnt::rowsLoaded(QObject* /*sender*/, bool /*cancelled*/) {
    dataSet()->last();
}
