#include "reports/ui/FullBakRecords.h"

#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "reports/FullBakQuery.h"
#include "util/Prompter.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

TfrmFullBakRecords::TfrmFullBakRecords(ModuleContext& context, QWidget* parent)
    : TfrmDptRecordBaseClass(context, QStringLiteral("充值异常记录"), parent) {
    setObjectName(QStringLiteral("frmFullBakRecords"));
    setAttribute(Qt::WA_DeleteOnClose);
    ownDataSet(QStringLiteral("dsChargeBak"));
    sqlTemplate = FullBakQuery::baseStatement();
    readOnlyWindow = true;
    sumFooter = true;
    lbKey->setText(QStringLiteral("工号查询"));
    showDateRange(true);
    showNameSearch(true);
    edtCard_id = addCardSearch();
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    pmTable->addSeparator();
    _actToChargeRecords = pmTable->addAction(QStringLiteral("恢复"));
    _actToChargeRecords->setObjectName(QStringLiteral("_actToChargeRecords"));
    connect(_actToChargeRecords, &QAction::triggered, this, [this] { actToChargeRecordsExecute(); });
}

void TfrmFullBakRecords::BuildWhere(QObject* sender, QString& sql) {
    FullBakFilter f;
    f.department = whereInput(sender);
    f.cardText = edtCard_id->text();
    sql = FullBakQuery::statement(f, context().session);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    printCaption = QStringLiteral("时间: (%1 至 %2)")
                       .arg(dtp_begin->dateTime().toString(format), dtp_end->dateTime().toString(format));
}

void TfrmFullBakRecords::actToChargeRecordsExecute() {
    DataSet* ds = dataSet();
    if (!ds || !ds->isActive() || ds->isEmpty() || ds->recNo() == 0 || isLoading())
        return prompter().information(QStringLiteral("无记录"));
    const Bookmark row = ds->bookmark();
    const int card = ds->fieldByName(QStringLiteral("card_id")).index();
    if (ds->isNullAt(row, card))
        return prompter().information(QStringLiteral("当前记录没有卡号, 不能恢复"));
    FullBakKey key;
    key.empId = ds->valueAt(row, QStringLiteral("emp_id")).toString();
    key.cardId = ds->valueAt(row, card).toLongLong();
    key.chargeMoney =
        Currency::fromUnits(ds->fixedAt(row, ds->fieldByName(QStringLiteral("charge_money")).index()));
    key.cardBalance =
        Currency::fromUnits(ds->fixedAt(row, ds->fieldByName(QStringLiteral("card_balance")).index()));
    key.opDate = ds->valueAt(row, QStringLiteral("op_date")).toDateTime();
    const bool restored = guarded([&] { FullBakQuery::restore(context().session, key); });
    if (!restored)
        return;
    writeLog(QStringLiteral("恢复充值记录。工号=%1。卡号=%2。金额=%3。")
                 .arg(key.empId, QString::number(key.cardId), key.chargeMoney.toString(2)));
    prompter().information(QStringLiteral("恢复成功"));
    guarded([this] { QueryData(nullptr); });
}
