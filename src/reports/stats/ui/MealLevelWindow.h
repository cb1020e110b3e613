#pragma once
// The meal-period statistics windows' common part: the type list, the date
// range, the period columns titled from the meal-period list (an invalid
// period's columns hidden, Tag 10) and the drill-down into the journal.
#include "framework/ui/DptRecordBaseClass.h"
#include "reports/stats/MealLevelQuery.h"

class QComboBox;

class MealLevelWindow : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    void BuildWhere(QObject* sender, QString& sql) override;
    // The journal for the current row's cell of `fieldName` (the double-click).
    void drillDown(const QString& fieldName);
    bool drillEnabled() const { return m_drill; }
    QComboBox* typeCombo() const { return cbkind; }
    // The filter of the rows shown (the last statement built).
    const MealLevelFilter& filter() const { return m_filter; }

protected:
    MealLevelWindow(ModuleContext& context, const QString& caption, MealLevelGrouping grouping,
                    const QString& dataSetName, QWidget* parent);
    void columnsKnown(QObject* sender) override;
    // The row key of the drill-down and its caption text.
    virtual MealLevelQuery::DrillKey drillKey() const = 0;
    virtual QString drillTitle(const MealLevelQuery::DrillKey& key) const = 0;
    // The grouping's own filter values (the terminal tree).
    virtual void fillFilter(QObject* sender, MealLevelFilter& filter) const;

private:
    MealLevelGrouping m_grouping;
    QComboBox* cbkind = nullptr;
    QVector<MealPeriod> m_periods;
    MealLevelFilter m_filter;
    bool m_drill = false;
};
