#pragma once
// TfrmClockDinlev ("餐厅餐别统计"): meal-period counts and amounts per
// terminal, chosen in the dining-room/terminal tree or typed as numbers.
#include "reports/stats/ui/MealLevelWindow.h"

class QTreeWidget;
class QTreeWidgetItem;

class TfrmClockDinlev : public MealLevelWindow {
    Q_OBJECT
public:
    explicit TfrmClockDinlev(ModuleContext& context, QWidget* parent = nullptr);
    QTreeWidget* clockTree() const { return tvclock; }

protected:
    MealLevelQuery::DrillKey drillKey() const override;
    QString drillTitle(const MealLevelQuery::DrillKey& key) const override;
    void fillFilter(QObject* sender, MealLevelFilter& filter) const override;

private:
    void tvclockChange(QTreeWidgetItem* node);

    QWidget* TabSheet2 = nullptr;
    QTreeWidget* tvclock = nullptr;
    bool m_treeClicked = false;
    QVector<qint64> m_terminals;
};
