#pragma once
// The allowance pickers of the download window: TfrmEmpAllow ("员工补贴记录
//选择") offers registered allowances not yet sent, TFrmEmpAllowAgain ("补贴
// 重发人员选择") those already sent, entered within a period, to send again.
// Candidates come by department or by employee number or name; OK answers
// only with a chosen list that is not empty.
#include "allowance/AllowanceRecords.h"

#include <QDialog>
#include <QHash>

class ModuleContext;
class PickLists;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

class TfrmEmpAllow : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEmpAllow(ModuleContext& context, QWidget* parent = nullptr);

    // The chosen allowances, in the chosen list's order.
    QVector<PickedAllowance> chosen() const;

    // A department node (null: the root), and Enter in the search boxes.
    void searchDepartment();
    void searchEmployee(AllowancePickerFilter::By by, const QString& text);
    // "选中全部未领人员".
    void chooseUntaken();
    void accept() override;

    PickLists* lists() const { return m_lists; }

protected:
    TfrmEmpAllow(ModuleContext& context, bool downed, const QString& caption, QWidget* parent);
    // The filter of every candidate query (the sent pickers add the period).
    virtual AllowancePickerFilter baseFilter() const;
    void showCandidates(const QString& sql);

    ModuleContext& m_context;
    QTabWidget* m_pages = nullptr;
    QPushButton* m_untaken = nullptr;

private:
    bool m_downed;
    QTreeWidget* tvDepart = nullptr;
    QLineEdit* edtEmpNo = nullptr;
    QLineEdit* edtEmpName = nullptr;
    PickLists* m_lists = nullptr;
    QHash<qint64, PickedAllowance> m_rows; // every row listed, by id
};

class TFrmEmpAllowAgain : public TfrmEmpAllow {
    Q_OBJECT
public:
    explicit TFrmEmpAllowAgain(ModuleContext& context, QWidget* parent = nullptr);
    void setPeriod(const QDateTime& from, const QDateTime& to);

protected:
    AllowancePickerFilter baseFilter() const override;

private:
    QDateTimeEdit* m_from = nullptr;
    QDateTimeEdit* m_to = nullptr;
};
