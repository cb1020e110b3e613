#include "dailystats/ui/DinRoomSum.h"

#include "dataset/grid/ColumnFit.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/MealDataModule.h"
#include "framework/DataSetBinding.h"
#include "framework/ModuleContext.h"

#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QVBoxLayout>

TfrmDinRoomSum::TfrmDinRoomSum(ModuleContext& context, QWidget* parent)
    : TfrmRecordBaseClass(context, QStringLiteral("餐厅统计表"), parent) {
    setObjectName(QStringLiteral("frmDinRoomSum"));
    readOnlyWindow = true;
    m_rooms = new DataSet(this);
    m_rooms->setObjectName(QStringLiteral("dsDinRoom"));
    auto* layout = new QVBoxLayout(plTree);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("餐厅资料"), plTree));
    dgDinRoom = new DBGrid(plTree);
    dgDinRoom->setObjectName(QStringLiteral("dgDinRoom"));
    dgDinRoom->setReadOnly(true);
    layout->addWidget(dgDinRoom, 1);
    splitter->setSizes({250, 550});
    for (const char* hidden :
         {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport", "tbFind", "tbFilter"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    lbKey->setVisible(false);
    edtKey->setVisible(false);
}

void TfrmDinRoomSum::QueryData(QObject* /*sender*/) {
    const Session& s = context().session;
    const DataSetDef* def = MealDataModule::dataSet(m_rooms->objectName());
    DataSet::OpenOptions options;
    options.trace = &s.trace();
    m_rooms->open(s.ModuleConnection, def->commandText, {}, options);
    if (context().MealDM)
        applyDataSetDefinition(*m_rooms, *context().MealDM, m_rooms->objectName());
    ColumnFit::fitWidths(*m_rooms);
    dgDinRoom->setDataSet(m_rooms);
    dgDinRoom->refreshColumns();
}
