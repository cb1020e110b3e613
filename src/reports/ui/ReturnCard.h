#pragma once
// TfrmReturnCard ("退卡明细表"): the returned cards of a period, with its own
// date pickers, name and card-number search.
#include "framework/ui/RecordBaseClass.h"

class QDateTime;
class QDateTimeEdit;

class TfrmReturnCard : public TfrmRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmReturnCard(ModuleContext& context, QWidget* parent = nullptr);

    // The period searched (the two date pickers).
    void setPeriod(const QDateTime& begin, const QDateTime& end);
    QLineEdit* nameEdit() const { return edtname; }
    QLineEdit* cardEdit() const { return edtCard_id; }

    void QueryData(QObject* sender) override;

private:
    QDateTimeEdit* dtp_begin = nullptr;
    QDateTimeEdit* dtp_end = nullptr;
    QLineEdit* edtname = nullptr;
    QLineEdit* edtCard_id = nullptr;
    QToolButton* btnReadCard = nullptr;
};
