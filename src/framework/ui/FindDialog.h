#pragma once
// TdlgFind ("查找"): one field, one operator and one value to search the
// window's data set for. The field list holds the display labels of the
// data set's fields except the ones never searched (photos, flags, remarks,
// ...) and calculated ones, which have no column to search. The dialog is
// kept and re-filled only when it is shown for another data set, so the
// operator's last choice stays.
#include <QDialog>
#include <QPointer>
#include <QStringList>

class DataSet;
class QComboBox;
class QLineEdit;
class QPushButton;

class TdlgFind : public QDialog {
    Q_OBJECT
public:
    explicit TdlgFind(QWidget* parent = nullptr);

    // Fills the field list when `dataSet` is not the one shown last (or its
    // fields changed since).
    void bind(DataSet* dataSet);

    // After OK: the chosen field's name (empty when none), the operator and
    // the trimmed content.
    QString fieldName() const;
    QString fieldLabel() const;
    QString findKind() const;
    QString findContent() const;

    // The controls tests reach.
    QComboBox* fieldList() const { return cbFields; }
    QComboBox* kindList() const { return cbKind; }
    QLineEdit* contentEdit() const { return cbFindContent; }
    QPushButton* findButton() const { return btnFind; }
    QPushButton* cancelButton() const { return btnCancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* cbFields = nullptr;
    QComboBox* cbKind = nullptr;
    QLineEdit* cbFindContent = nullptr;
    QPushButton* btnFind = nullptr;
    QPushButton* btnCancel = nullptr;

    QPointer<DataSet> m_dataSet;
    QStringList m_boundNames; // the fields the list was filled from
};
