#pragma once
// TfrmDefColumn ("自定义显示列"): the column chooser of a record window. Two
// lists, the columns not chosen and the columns chosen, moves between them,
// and "保存" which shows and hides the data set's fields and stores the
// layout under the window's layout key. One instance at a time; it frees
// itself when closed.
#include "framework/ColumnChoice.h"

#include <QDialog>
#include <QPointer>

class DataSet;
class QListWidget;
class QPushButton;
class QToolButton;

class TfrmDefColumn : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDefColumn(QWidget* parent = nullptr);
    ~TfrmDefColumn() override;

    // Points the chooser at the data set and the key its layout is kept under.
    void setDataSet(DataSet* dataSet, const QString& layoutKey);
    const ColumnChoice& choice() const { return m_choice; }

    void ListColsDblClick();
    void SelColsDblClick();
    void btnSelectAllClick();
    void btnUnSelectAllClick();
    void btnApplyClick();

    void done(int result) override;

    // The controls tests reach.
    QListWidget* availableList() const { return ListCols; }
    QListWidget* chosenList() const { return SelCols; }
    QToolButton* selectButton() const { return btnSelect; }
    QToolButton* unselectButton() const { return btnUnSelect; }
    QPushButton* applyButton() const { return btnApply; }
    QPushButton* resetButton() const { return btnReset; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QListWidget* ListCols = nullptr; // "未选择列"
    QListWidget* SelCols = nullptr;  // "已经选择列"
    QToolButton* btnSelectAll = nullptr;
    QToolButton* btnSelect = nullptr;
    QToolButton* btnUnSelect = nullptr;
    QToolButton* btnUnSelectAll = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnReset = nullptr;

    void refillLists();

    ColumnChoice m_choice;
    QPointer<DataSet> m_dataSet;
    QString m_key;
};
