#pragma once
// TdlgFilter ("数据筛选", or "高级查询"): composes a filter of the window's
// loaded rows from simple conditions, one field, one operator and one or two
// values at a time, joined by "and" or "or", in the memo "筛选语句". One
// dialog serves every record window of the module and is re-bound to the
// calling window's data set each time. What it composes and how a statement
// reads is decided by FilterStatement; the dialog maps its controls.
#include <QDialog>
#include <QPointer>

class DataSet;
class Prompter;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class TdlgFilter : public QDialog {
    Q_OBJECT
public:
    TdlgFilter(Prompter& prompter, QWidget* parent = nullptr);

    // Re-binds the dialog: the field list of `dataSet`, and (unless in the
    // advanced-query mode) its filter in force in the memo.
    void bind(DataSet* dataSet, bool advancedQuery);
    bool advancedQuery() const { return m_advanced; }

    // btnADDClick: the chosen condition added to the memo; false when
    // nothing was added (no field, a blank bound, a value that does not
    // convert: the operator was told why).
    bool addCondition();
    // The memo as a statement of field names (the lines joined).
    QString statement() const;
    void clearMemo();

    // Choosing by field name and operator text (what the lists offer).
    bool chooseField(const QString& fieldName);
    bool chooseOperator(const QString& op);

    QComboBox* fieldList() const { return cbFields; }
    QComboBox* operatorList() const { return cbOperator; }
    QLineEdit* valueEdit() const { return edValue; }
    QLineEdit* maxValueEdit() const { return edMaxValue; }
    QRadioButton* orButton() const { return rbOr; }
    QCheckBox* useLabelBox() const { return cbUseLabel; }
    QPlainTextEdit* memo() const { return meFilter; }
    QPushButton* okButton() const { return btnOk; }
    QPushButton* cancelButton() const { return btnCancel; }

private:
    void fieldChanged();
    void operatorChanged();
    void useLabelClicked();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Prompter& m_prompter;
    QPointer<DataSet> m_dataSet;
    bool m_advanced = false;

    QComboBox* cbFields = nullptr;
    QComboBox* cbOperator = nullptr;
    QLineEdit* edValue = nullptr;
    QLineEdit* edMaxValue = nullptr;
    QLabel* lbMaxValue = nullptr;
    QPushButton* btnADD = nullptr;
    QRadioButton* rbAnd = nullptr;
    QRadioButton* rbOr = nullptr;
    QCheckBox* cbUseLabel = nullptr;
    QCheckBox* cbShowFilter = nullptr;
    QPlainTextEdit* meFilter = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
};
