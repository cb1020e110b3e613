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

void RecordReportWindow::addCardSearch() {
    m_card = TfrmRecordBaseClass::addCardSearch(&m_readCard);
}

RecordReportFilter RecordReportWindow::recordFilter(QObject* sender) const {
    RecordReportFilter f;
    f.department = whereInput(sender);
    if (m_card)
        f.cardText = m_card->text();
    return f;
}
