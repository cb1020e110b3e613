#pragma once
// TfrmDptRecordBaseClass: a record window with a department tree on the left
// and a date-time range and name search in the search bar. A descendant gives
// its statement template; BuildWhere appends the employee, department and
// rights conditions, QueryData binds the period and opens the data set.
#include "framework/DepartmentFilter.h"
#include "framework/ui/RecordBaseClass.h"

#include <QDateTime>

class QDateTimeEdit;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QSqlDatabase;

class TfrmDptRecordBaseClass : public TfrmRecordBaseClass {
    Q_OBJECT
public:
    TfrmDptRecordBaseClass(ModuleContext& context, const QString& caption, QWidget* parent = nullptr);

    void QueryData(QObject* sender) override;
    // Appends the conditions to the template; descendants call it first and
    // then add their own conditions, each beginning with " And ".
    virtual void BuildWhere(QObject* sender, QString& sql);
    // What BuildWhere appends from: the template, the search boxes, the
    // selected department and the rights.
    DptWhereInput whereInput(QObject* sender) const;

    // Shows the date range and the name search (hidden in the base).
    void showDateRange(bool visible);
    void showNameSearch(bool visible);

    // Fills a tree with the departments the user may see; node data is the
    // department number ("0" for the root).
    static void BuildDepartmentTree(const ModuleContext& context, QTreeWidget* tree);
    QString selectedDepartment() const;
    static constexpr int DeptRole = Qt::UserRole + 1;

    // The parameter values bound for @begindate and @enddate.
    QVariantMap periodParameters() const;
    // Sets the period searched (the two date pickers).
    void setPeriod(const QDateTime& begin, const QDateTime& end);
    // The pages of the left panel (departments first).
    QTabWidget* treePages() const { return PgControl; }
    QLineEdit* nameEdit() const { return edtname; }

protected:
    virtual void tvDepartChange();

    // The statement template, without the conditions of this class.
    QString sqlTemplate;
    QString employeeColumn; // empty: "emp_id"
    QString columnPrefix;   // e.g. "E."
    bool departmentFilter = true;

    QTabWidget* PgControl = nullptr;
    QWidget* TabSheet1 = nullptr;
    QTreeWidget* tvDepart = nullptr;
    QLabel* lbPeriodFrom = nullptr;
    QDateTimeEdit* dtp_begin = nullptr;
    QLabel* lbPeriodTo = nullptr;
    QDateTimeEdit* dtp_end = nullptr;
    QLabel* lblname = nullptr;
    QLineEdit* edtname = nullptr;

private:
    QString m_lastDepartment;
};
