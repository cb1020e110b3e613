#include "reports/stats/ui/EmpDinlev.h"

#include <QLabel>

TfrmEmpDinlev::TfrmEmpDinlev(ModuleContext& context, QWidget* parent)
    : MealLevelWindow(context, QStringLiteral("个人餐别统计"), MealLevelGrouping::Employee,
                      QStringLiteral("dsEmpDinlev"), parent) {
    setObjectName(QStringLiteral("frmEmpDinlev"));
    lbKey->setText(QStringLiteral("工号查询"));
}

MealLevelQuery::DrillKey TfrmEmpDinlev::drillKey() const {
    const DataSet& ds = *dataSet();
    MealLevelQuery::DrillKey key;
    key.empId = ds.fieldByName(QStringLiteral("emp_id")).asString();
    key.cardId = ds.fieldByName(QStringLiteral("card_id")).asString();
    key.hasDept = true;
    const Field& dept = ds.fieldByName(QStringLiteral("deptno"));
    key.deptNo = dept.isNull() ? QString() : dept.asString();
    return key;
}

QString TfrmEmpDinlev::drillTitle(const MealLevelQuery::DrillKey& key) const {
    return QStringLiteral("卡号：") + key.cardId;
}
