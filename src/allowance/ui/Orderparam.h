#pragma once
// TfrmOrderparam ("定餐参数设置"): the rest days on which no meals are
// ordered, as weekdays and as days of the month, kept in table `company`.
#include <QDialog>
#include <QVector>

class ModuleContext;
class QCheckBox;

class TfrmOrderparam : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOrderparam(ModuleContext& context, QWidget* parent = nullptr);

    // "确定": stores the ticked days and closes; a refused update keeps it open.
    void okClicked();

    // For tests: weekday 1 (Sunday) .. 7, month day 1 .. 31.
    QCheckBox* weekdayBox(int day) const { return m_week.value(day - 1); }
    QCheckBox* monthDayBox(int day) const { return m_month.value(day - 1); }

private:
    ModuleContext& m_context;
    QVector<QCheckBox*> m_week;
    QVector<QCheckBox*> m_month;
};
