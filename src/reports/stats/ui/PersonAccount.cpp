#include "reports/stats/ui/PersonAccount.h"

#include "framework/ModuleContext.h"
#include "reports/stats/PersonAccountQuery.h"
#include "reports/ui/AllDetailRecords.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

TfrmPersonAccount::TfrmPersonAccount(ModuleContext& context, QWidget* parent)
    : TfrmDptRecordBaseClass(context, QStringLiteral("个人汇总资料"), parent) {
    setObjectName(QStringLiteral("frmPersonAccount"));
    setAttribute(Qt::WA_DeleteOnClose);
    ownDataSet(QStringLiteral("dsPersonAccount"));
    readOnlyWindow = true;
    lbKey->setText(QStringLiteral("工号查询"));
    cbtype = addSearchCombo(QStringLiteral("档案类型"), QStringLiteral("cbtype"),
                            {QStringLiteral("在职"), QStringLiteral("离职")});
    cbtype->setCurrentIndex(0);
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    pmTable->addSeparator();
    N1 = pmTable->addAction(QStringLiteral("显示明细记录"));
    N1->setObjectName(QStringLiteral("N1"));
    connect(N1, &QAction::triggered, this, [this] { N1Click(); });
}

void TfrmPersonAccount::BuildWhere(QObject* sender, QString& sql) {
    const DptWhereInput in = whereInput(sender);
    PersonAccountFilter f;
    f.departed = cbtype->currentIndex() == 1;
    // A typed employee number is looked for in every department.
    f.empNo = in.keyText;
    if (f.empNo.isEmpty() && in.departmentSelected)
        f.departmentNo = in.departmentNo;
    f.departmentRights = in.departmentRights;
    f.userDepartments = in.userDepartments;
    sql = PersonAccountQuery::statement(f, context().session);
}

void TfrmPersonAccount::columnsKnown(QObject* /*sender*/) {
    PersonAccountQuery::showFeatureColumns(*dataSet(), context().session.config.ModuleOptions);
}

void TfrmPersonAccount::N1Click() {
    if (!dataSet() || dataSet()->isEmpty() || isLoading())
        return;
    guarded([this] {
        const QString emp = dataSet()->fieldByName(QStringLiteral("empno")).asString();
        TFrmAllDetailRecords::open(context())->showStatement(
            PersonAccountQuery::detailStatement(emp, context().session));
    });
}
