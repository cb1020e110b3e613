#include "reports/ui/RecordReportWindow.h"

#include "framework/ModuleContext.h"
#include "framework/ui/CardReadButton.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

RecordReportWindow::RecordReportWindow(ModuleContext& context, const QString& caption,
                                       const QString& objectName, const QString& dataSetName, QWidget* parent)
    : TfrmDptRecordBaseClass(context, caption, parent) {
    setObjectName(objectName);
    ownDataSet(dataSetName);
    readOnlyWindow = true;
    lbKey->setText(QStringLiteral("工号查询"));
    showDateRange(true);
    showNameSearch(true);
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
}

void RecordReportWindow::setPeriod(const QDateTime& begin, const QDateTime& end) {
    dtp_begin->setDateTime(begin);
    dtp_end->setDateTime(end);
}

QDateTime RecordReportWindow::periodBegin() const {
    return dtp_begin->dateTime();
}

QDateTime RecordReportWindow::periodEnd() const {
    return dtp_end->dateTime();
}

void RecordReportWindow::addSearchControl(const QString& label, QWidget* control) {
    auto* layout = static_cast<QHBoxLayout*>(plKey->layout());
    const int at = layout->indexOf(sbAll);
    layout->insertWidget(at, new QLabel(label, plKey));
    layout->insertWidget(at + 1, control);
}

void RecordReportWindow::addCardSearch() {
    m_card = new QLineEdit(plKey);
    m_card->setObjectName(QStringLiteral("edtCard_id"));
    m_card->setMaximumWidth(100);
    m_readCard = CardReadButton::create(context(), m_card, plKey); // digits only; "读卡" fills it
    auto* layout = static_cast<QHBoxLayout*>(plKey->layout());
    const int at = layout->indexOf(sbAll);
    layout->insertWidget(at, new QLabel(QStringLiteral("卡号"), plKey));
    layout->insertWidget(at + 1, m_card);
    layout->insertWidget(at + 2, m_readCard);
    connect(m_card, &QLineEdit::returnPressed, this, [this] { actEnterExecute(); });
}

RecordReportFilter RecordReportWindow::recordFilter(QObject* sender) const {
    RecordReportFilter f;
    f.department = whereInput(sender);
    if (m_card)
        f.cardText = m_card->text();
    return f;
}
