#include "reports/ui/ReportControls.h"

#include "framework/ui/CardReadButton.h"
#include "framework/ui/RecordBaseClass.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace ReportControls {

namespace {
void insertBeforeSearch(TfrmRecordBaseClass& window, const QList<QWidget*>& widgets) {
    auto* layout = static_cast<QHBoxLayout*>(window.plKey->layout());
    int at = layout->indexOf(window.sbAll);
    for (QWidget* w : widgets)
        layout->insertWidget(at++, w);
}
} // namespace

QLineEdit* addCardSearch(TfrmRecordBaseClass& window, QToolButton** readButton) {
    auto* edit = new QLineEdit(window.plKey);
    edit->setObjectName(QStringLiteral("edtCard_id"));
    edit->setMaximumWidth(100);
    QToolButton* button = CardReadButton::create(window.context(), edit, window.plKey); // digits only
    insertBeforeSearch(window, {new QLabel(QStringLiteral("卡号"), window.plKey), edit, button});
    QObject::connect(edit, &QLineEdit::returnPressed, &window, [&window] { window.actEnterExecute(); });
    if (readButton)
        *readButton = button;
    return edit;
}

QComboBox* addCombo(TfrmRecordBaseClass& window, const QString& label, const QString& objectName,
                    const QStringList& items) {
    auto* combo = new QComboBox(window.plKey);
    combo->setObjectName(objectName);
    combo->addItems(items);
    combo->setCurrentIndex(int(items.size()) - 1);
    insertBeforeSearch(window, {new QLabel(label, window.plKey), combo});
    return combo;
}

} // namespace ReportControls
