#include "reports/ui/CardBalance.h"

#include "framework/ModuleContext.h"
#include "reports/CardBalanceQuery.h"

#include <QComboBox>

TfrmCardBalance::TfrmCardBalance(ModuleContext& context, QWidget* parent)
    : RecordReportWindow(context, QStringLiteral("卡余额表"), QStringLiteral("frmCardBalance"),
                         QStringLiteral("dsBalance"), parent) {
    sqlTemplate = CardBalanceQuery::baseStatement(false);
    employeeColumn = QStringLiteral("empno");
    columnPrefix = QStringLiteral("E.");
    keyField = QStringLiteral("empno");
    showDateRange(false);
    cbType = new QComboBox(plKey);
    cbType->setObjectName(QStringLiteral("cbType"));
    cbType->addItems(CardBalanceQuery::recordTypeItems());
    addSearchControl(QStringLiteral("档案类型"), cbType);
    addCardSearch();
    connect(cbType, &QComboBox::currentIndexChanged, this, [this] {
        if (isActivated())
            actDataRefreshExecute(cbType);
    });
}

void TfrmCardBalance::BuildWhere(QObject* sender, QString& sql) {
    CardBalanceFilter f;
    f.records = recordFilter(sender);
    f.departed = cbType->currentIndex() == 1;
    sql = CardBalanceQuery::statement(f, context().session);
    printCaption = QStringLiteral("档案类型: %1").arg(cbType->currentText());
}
