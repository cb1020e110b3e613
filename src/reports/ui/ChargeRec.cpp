#include "reports/ui/ChargeRec.h"

#include "framework/ModuleContext.h"

#include <QCloseEvent>
#include <QComboBox>

TfrmChargeRec::TfrmChargeRec(ModuleContext& context, QWidget* parent)
    : RecordReportWindow(context, QStringLiteral("充值明细"), QStringLiteral("frmChargeRec"),
                         QStringLiteral("dsCharge"), parent) {
    sqlTemplate = ChargeRecQuery::baseStatement();
    m_kinds = ChargeRecQuery::kindItems(context.session.ModuleOptions());
    cbkind = new QComboBox(plKey);
    cbkind->setObjectName(QStringLiteral("cbkind"));
    for (const ChargeKindItem& item : m_kinds)
        cbkind->addItem(item.text);
    cbkind->setCurrentIndex(cbkind->count() - 1);
    addSearchControl(QStringLiteral("类型"), cbkind);
    addCardSearch();
    // Picking a type lists it; the type restored on show waits for the first query.
    connect(cbkind, &QComboBox::currentIndexChanged, this, [this] {
        if (isActivated())
            actDataRefreshExecute(cbkind);
    });
}

void TfrmChargeRec::showEvent(QShowEvent* event) {
    if (!m_kindRestored) {
        m_kindRestored = true;
        cbkind->setCurrentIndex(ChargeRecQuery::storedKindIndex(context().session, cbkind->count()));
    }
    RecordReportWindow::showEvent(event);
}

void TfrmChargeRec::closeEvent(QCloseEvent* event) {
    RecordReportWindow::closeEvent(event);
    if (event->isAccepted() && m_kindRestored)
        ChargeRecQuery::storeKindIndex(context().session, cbkind->currentIndex());
}

void TfrmChargeRec::BuildWhere(QObject* sender, QString& sql) {
    ChargeRecFilter f;
    f.records = recordFilter(sender);
    f.kind = m_kinds.value(cbkind->currentIndex(), {QString(), ChargeKind::All}).kind;
    sql = ChargeRecQuery::statement(f, context().session);
    printCaption = RecordReportQuery::periodCaption(QStringLiteral("日期"), periodBegin(), periodEnd());
}
