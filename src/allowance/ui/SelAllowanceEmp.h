#pragma once
// TFrmSelAllowanceEmp ("员工选择"): issues one allowance per chosen card
// holder. Candidates come by department and card type, the search boxes add
// people straight to the chosen list; "增加" runs the issue one person at a
// time (in short slices between which the window repaints and "停止" is
// heard), taking each person off the chosen list as it is registered.
#include "allowance/AllowanceIssue.h"

#include <QDialog>

#include <memory>

class ModuleContext;
class PickLists;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;
class QTreeWidget;

class TFrmSelAllowanceEmp : public QDialog {
    Q_OBJECT
public:
    explicit TFrmSelAllowanceEmp(ModuleContext& context, QWidget* parent = nullptr);
    ~TFrmSelAllowanceEmp() override;

    // "增加" / "停止".
    void addClicked();
    bool running() const { return m_run != nullptr; }
    // "选择所有人员".
    void chooseEveryone();
    // Enter in "工号：" or "姓名：".
    void searchEmployee(IssueCandidateFilter::By by, const QString& text);

    // For tests.
    PickLists* lists() const { return m_lists; }
    QLineEdit* amountEdit() const { return m_amount; }
    QDateEdit* dateEdit() const { return m_date; }
    QPushButton* addButton() const { return m_add; }
    QLabel* counter() const { return m_counter; }
    int issuedCount() const { return m_issued; }

protected:
    void reject() override;

private:
    void loadCandidates();
    void runSlice();
    void stopRun();

    ModuleContext& m_context;
    QTreeWidget* tvDepart = nullptr;
    QComboBox* cbCardType = nullptr;
    QLineEdit* edtEmpNo = nullptr;
    QLineEdit* edtEmpName = nullptr;
    PickLists* m_lists = nullptr;
    QLineEdit* m_amount = nullptr;
    QDateEdit* m_date = nullptr;
    QTimeEdit* m_time = nullptr;
    QPlainTextEdit* m_note = nullptr;
    QLabel* m_counter = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_all = nullptr;
    std::unique_ptr<AllowanceIssueRun> m_run;
    int m_issued = 0;
};
