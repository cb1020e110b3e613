#pragma once
// What the recharge, refund, card balance, deposit, issued-card and lost-card
// lists share: a read-only department/date window over one data set of the
// data module, the employee number search, the name search, the tool buttons
// the lists hide, an optional card-number box with its "读卡" button and the
// filter values its query class builds the statement from.
#include "framework/ui/DptRecordBaseClass.h"
#include "reports/RecordReportQuery.h"

class QToolButton;

class RecordReportWindow : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    // The period of the date range (the window's own default: today).
    void setPeriod(const QDateTime& begin, const QDateTime& end);
    QDateTime periodBegin() const;
    QDateTime periodEnd() const;
    // Null for a list without a card search.
    QLineEdit* cardEdit() const { return m_card; }

protected:
    RecordReportWindow(ModuleContext& context, const QString& caption, const QString& objectName,
                       const QString& dataSetName, QWidget* parent);
    // The card-number box ("卡号") and its "读卡" button.
    void addCardSearch();
    // The search boxes, the selected department and the rights, as the query
    // classes take them.
    RecordReportFilter recordFilter(QObject* sender) const;

private:
    QLineEdit* m_card = nullptr;
    QToolButton* m_readCard = nullptr;
};
