#pragma once
// TfrmRecordInputClass: the base of the record entry dialogs a record window
// opens from ShowRecordDialog. Controls bound to the window's data set (laid
// out by the descendant in pnlControls), and the buttons:
//   "确定(&O)"     posts the record and closes with OK once the post (with the
//                  record window's checks) went through; a refused post keeps
//                  the dialog open;
//   "取消(&C)"     drops the changes and closes;
//   "继续添加(&T)" posts, appends a new record and puts the focus on the
//                  first control;
//   "复制记录(&P)" appends a record holding the copyable fields of the current
//                  one (see RecordCopy.h), with a progress dialog that can be
//                  interrupted;
//   the navigator  posts before it moves and edits the record it moved to.
// Enter moves to the next control, except in a memo. F1 shows the help topic
// of the dialog's caption. Created on demand and freed after use.
#include "framework/ui/DataControls.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

class DataSet;
class ModuleContext;
class Prompter;
class QFormLayout;
class QHBoxLayout;
class QPushButton;
class QToolButton;
class TfrmRecordBaseClass;

class TfrmRecordInputClass : public QDialog {
    Q_OBJECT
public:
    enum class NavigateTo { First, Prior, Next, Last };

    // Edits the data set of `owner` and opens over it.
    TfrmRecordInputClass(TfrmRecordBaseClass& owner, const QString& caption);
    // Edits any data set (a detail, a set the window does not show).
    TfrmRecordInputClass(ModuleContext& context, DataSet* dataSet, const QString& caption,
                         QWidget* parent = nullptr);
    ~TfrmRecordInputClass() override;

    ModuleContext& context() const { return m_context; }
    Prompter& prompter() const;
    DataSet* dataSet() const { return m_controls->dataSet(); }
    DataControls* dataControls() const { return m_controls; }

    // Adds a row "label control" to pnlControls' form and binds the control.
    void addField(const QString& label, QWidget* control, const QString& fieldName);
    void bindField(QWidget* control, const QString& fieldName) { m_controls->bind(control, fieldName); }

    // Fields "复制记录" leaves empty (besides calculated, read-only and
    // auto-increment ones).
    void setNotCopyable(const QStringList& fieldNames) { m_notCopyable = fieldNames; }
    const QStringList& notCopyable() const { return m_notCopyable; }

    // The control "继续添加" and "复制记录" focus: the one set, else the first
    // control of pnlControls in tab order.
    void setFirstControl(QWidget* control) { m_firstControl = control; }
    QWidget* firstControl() const;

    // The button actions (public so that descendants and tests drive them).
    virtual void btnOKClick();
    void btnContinueClick();
    void btnCopyClick();
    void navigate(NavigateTo to);
    // Drops the changes of the record and closes ("取消", Escape, the close button).
    void reject() override;

    // The buttons tests press.
    QPushButton* okButton() const { return btnOK; }
    QPushButton* cancelButton() const { return btnCancel; }
    QPushButton* continueButton() const { return btnContinue; }
    QPushButton* copyButton() const { return btnCopy; }
    QToolButton* navigatorButton(NavigateTo to) const;

signals:
    // A post or a field was refused: the message the operator was shown.
    void errorShown(const QString& message);

protected:
    QWidget* pnlControls = nullptr;
    QFormLayout* formLayout = nullptr;
    QWidget* DBNavigator = nullptr;
    QToolButton* nbFirst = nullptr;
    QToolButton* nbPrior = nullptr;
    QToolButton* nbNext = nullptr;
    QToolButton* nbLast = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnContinue = nullptr;
    QPushButton* btnCopy = nullptr;

    // Writes the controls and posts; true when the data set browses afterwards
    // (or was not editing). A refusal is shown and leaves the record as it was.
    bool postRecord();
    void showError(const QString& message);
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build(const QString& caption);
    void focusFirstControl();

    ModuleContext& m_context;
    DataControls* m_controls = nullptr;
    QStringList m_notCopyable;
    QPointer<QWidget> m_firstControl;
};
