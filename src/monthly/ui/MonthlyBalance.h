#pragma once
// TFrmMonthlyBalance ("月结账单管理"): the list of monthly bills, a bill's rows
// per card and per department, creating a bill with the bill workers,
// recomputing one card's row, deleting a bill, and closing the books up to a
// bill's end (封帐). The statements and rules are MonthlyBillBook's; the
// computation runs in MonthlyBillRun's workers.
#include "framework/ui/RecordBaseClass.h"
#include "monthly/MonthlyBillBook.h"
#include "monthly/MonthlyBillRun.h"

#include <functional>
#include <optional>

class GridPrinter;
class QCheckBox;
class QDialog;
class QGroupBox;
class QLabel;
class QProgressBar;
class QTabWidget;
class QTimer;

class TFrmMonthlyBalance : public TfrmRecordBaseClass {
    Q_OBJECT
public:
    explicit TFrmMonthlyBalance(ModuleContext& context, QWidget* parent = nullptr);
    ~TFrmMonthlyBalance() override;

    // The bill list and a bill's department summary.
    DataSet* billList() const { return dsMonthRec; }
    DataSet* departmentRows() const { return dsMonthDeptRec; }
    // The controls tests reach.
    QLabel* lockLabel() const { return billcheck; }
    QCheckBox* totalsOnlyBox() const { return cbTotalsOnly; }
    QCheckBox* nonZeroBox() const { return cbNonZero; }
    QTabWidget* billPages() const { return pcBills; }
    QWidget* departmentPage() const { return tsMonthDeptRec; }
    MonthlyBillRun* run() const { return m_run; }

    // The month dialog; tests replace it. Returns false on cancel.
    std::function<bool(QString& label, QDateTime& start, QDateTime& end)> askPeriod;

    void QueryData(QObject* sender) override;
    void createBill();
    void showBill(bool fromList);
    void showDepartments();
    void recomputeRow();
    void deleteBill();
    void lockBill();
    void showDetails();
    // Print: the rows tab as every record window; the department tab on its own grid.
    void printBill();
    // Opens the print dialog (tests replace it).
    std::function<void(QDialog& dialog)> showPrintDialog;
    void timerTick();
    bool isShowBalance() const { return m_showBalance; }
    // The lock date the label shows (as stored).
    std::optional<QDateTime> lockDate() const { return m_lockDate; }

    // Insert creates a bill, delete deletes the current bill.
    void actDataInsertExecute() override;
    void actDataDeleteExecute() override;
    void printRows() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void columnsKnown(QObject* sender) override;

private:
    DBGrid* GMonthRec = nullptr;     // bill list
    DBGrid* GMonthOneRec = nullptr;  // a bill's rows (the base grid)
    DBGrid* GMonthDeptRec = nullptr; // department summary
    QTabWidget* pcBills = nullptr;
    QWidget* tsMonthOneRec = nullptr;
    QWidget* tsMonthDeptRec = nullptr;
    QLineEdit* edtEmpno = nullptr;
    QLineEdit* edtName = nullptr;
    QCheckBox* cbTotalsOnly = nullptr;
    QCheckBox* cbNonZero = nullptr;
    QLabel* billcheck = nullptr;
    QWidget* pnlT = nullptr;
    QLabel* lblBusy = nullptr;
    QProgressBar* progressBar = nullptr;
    QTimer* tmrCheckThreadRun = nullptr;
    QAction* actLockBill = nullptr;
    QAction* actRecompute = nullptr;
    QAction* actManualEdit = nullptr;

    DataSet* dsMonthRec = nullptr;
    DataSet* dsMonthDeptRec = nullptr;

    void openBillList();
    void loadLockLabel();
    void labelRows(DataSet& ds, bool department);
    void onProgress(int position, int maximum, const QString& target);
    void onRowComputed(const TMonthlyRec& rec);
    bool currentBill(QString& label, QDateTime& start, QDateTime& end) const;
    void setBusy(bool busy, const QString& text = QString());

    MonthlyBillBook m_book;
    MonthlyBillRun* m_run = nullptr;
    GridPrinter* m_deptPrinter = nullptr;
    QString m_label;
    QDateTime m_start;
    QDateTime m_end;
    bool m_singleRun = false;
    bool m_showBalance = false;
    std::optional<QDateTime> m_lockDate;
};
