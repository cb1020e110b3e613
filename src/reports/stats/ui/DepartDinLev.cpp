#include "reports/stats/ui/DepartDinLev.h"

#include <QLabel>

TfrmDepartDinLev::TfrmDepartDinLev(ModuleContext& context, QWidget* parent)
    : MealLevelWindow(context, QStringLiteral("部门餐别统计"), MealLevelGrouping::Department,
                      QStringLiteral("dsDepartDinLev"), parent) {
    setObjectName(QStringLiteral("frmDepartDinLev"));
    lbKey->setText(QStringLiteral("部门编号"));
    lblname->setText(QStringLiteral("名称查询"));
}

MealLevelQuery::DrillKey TfrmDepartDinLev::drillKey() const {
    MealLevelQuery::DrillKey key;
    key.hasDept = true;
    const Field& dept = dataSet()->fieldByName(QStringLiteral("deptno"));
    key.deptNo = dept.isNull() ? QString() : dept.asString();
    return key;
}

QString TfrmDepartDinLev::drillTitle(const MealLevelQuery::DrillKey& key) const {
    return QStringLiteral("部门：") + key.deptNo;
}
