#pragma once
// TFrmSelectMonth ("选择月结账单月份"): asks for a bill label and a period, the
// start time fixed at 00:00:00 and the end time at 23:59:59 unless the caller
// enables them. TFrmSelectTimeZ ("选择结算统计时段") is the same dialog under
// another caption. Each keeps one instance, created on first use and reused.
#include <QDateTime>
#include <QDialog>
#include <QPointer>

class Prompter;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;

class TFrmSelectMonth : public QDialog {
    Q_OBJECT
public:
    explicit TFrmSelectMonth(Prompter& prompter, QWidget* parent = nullptr);

    // The one instance (created on first use, cleared when it is destroyed).
    static TFrmSelectMonth* instance(Prompter& prompter, QWidget* parent = nullptr);

    // The label and the four pickers of the period.
    QLineEdit* labelEdit() const { return Edit1; }
    QDateEdit* startDateEdit() const { return DTStartDate; }
    QTimeEdit* startTimeEdit() const { return DTStartTime; }
    QDateEdit* endDateEdit() const { return DTEndDate; }
    QTimeEdit* endTimeEdit() const { return DTEndTime; }

    // The period after OK: each date combined with its time.
    QDateTime startDateTime() const { return m_start; }
    QDateTime endDateTime() const { return m_end; }
    QString label() const;

    // The OK button: closes with Accepted when start <= end, else says why and stays.
    void okClicked();

protected:
    TFrmSelectMonth(Prompter& prompter, const QString& caption, QWidget* parent);

private:
    void build(const QString& caption);

    QLineEdit* Edit1 = nullptr;
    QDateEdit* DTStartDate = nullptr;
    QTimeEdit* DTStartTime = nullptr;
    QDateEdit* DTEndDate = nullptr;
    QTimeEdit* DTEndTime = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    Prompter& m_prompter;
    QDateTime m_start;
    QDateTime m_end;
};

class TFrmSelectTimeZ : public TFrmSelectMonth {
    Q_OBJECT
public:
    explicit TFrmSelectTimeZ(Prompter& prompter, QWidget* parent = nullptr);
    static TFrmSelectTimeZ* instance(Prompter& prompter, QWidget* parent = nullptr);
};
