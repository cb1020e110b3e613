#pragma once
// Controls the report windows add to their search bar: the card-number box
// with its "读卡" button, and a labelled combo. Each goes in before the
// search button, in the order added.
#include <QStringList>

class QComboBox;
class QLineEdit;
class QToolButton;
class TfrmRecordBaseClass;

namespace ReportControls {
// "卡号" with a digits-only box and "读卡"; Enter in the box runs the search.
QLineEdit* addCardSearch(TfrmRecordBaseClass& window, QToolButton** readButton = nullptr);
QComboBox* addCombo(TfrmRecordBaseClass& window, const QString& label, const QString& objectName,
                    const QStringList& items);
} // namespace ReportControls
