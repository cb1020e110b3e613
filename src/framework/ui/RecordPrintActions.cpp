#include "framework/ui/RecordPrintActions.h"

#include "dataset/grid/ui/DBGrid.h"
#include "framework/GridLayout.h"
#include "framework/ModuleContext.h"
#include "framework/PrintOutput.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/DefColumnDialog.h"
#include "framework/ui/GridPrinter.h"
#include "framework/ui/PrintDialog.h"
#include "framework/ui/RecordBaseClass.h"
#include "util/Prompter.h"

#include <QAction>
#include <QDate>

RecordPrintActions::RecordPrintActions(TfrmRecordBaseClass& window)
    : QObject(&window), m_window(window), m_printer(new GridPrinter(*window.dgTable, this)) {
    setObjectName(QStringLiteral("RecordPrintActions"));
}

TdlgPrint* RecordPrintActions::printDialog() const {
    return m_printDialog;
}

TfrmDefColumn* RecordPrintActions::columnDialog() const {
    return m_columnDialog;
}

void RecordPrintActions::actDataPrintExecute() {
    ModuleContext& context = m_window.context();
    if (!RecordRights::allowed(m_window.Tag(), RecordRights::Print, context.session)) {
        m_window.prompter().information(QStringLiteral("无权限"));
        return;
    }
    DataSet* dataSet = m_window.dataSet();
    if (!dataSet || !dataSet->isActive())
        return;
    if (m_window.printTitle.isEmpty())
        m_window.printTitle = m_window.windowTitle();
    m_printer->options().substitutions =
        PrintOutput::substitutions(context.session.CompanyName, m_window.printTitle, m_window.subtitle(),
                                   context.session.CurrentUserName, QDate::currentDate());
    m_printer->setChart(m_window.exportChart());
    if (!m_printDialog)
        m_printDialog = new TdlgPrint(context, &m_window);
    m_printDialog->setup(m_printer, dataSet, m_window.printTitle, m_window.windowTitle());
    m_printDialog->exec();
}

void RecordPrintActions::actDefColsExecute() {
    DataSet* dataSet = m_window.dataSet();
    if (!dataSet)
        return;
    if (!m_columnDialog)
        m_columnDialog = new TfrmDefColumn(&m_window);
    m_columnDialog->setDataSet(dataSet, m_window.registryKey());
    if (m_columnDialog->exec() == QDialog::Accepted)
        m_window.dgTable->refreshColumns();
}

bool RecordPrintActions::loadLayout() {
    DataSet* dataSet = m_window.dataSet();
    if (!dataSet || dataSet->fieldCount() == 0)
        return false;
    if (!GridLayoutStore().load(*dataSet, m_window.registryKey()))
        return false;
    m_window.dgTable->refreshColumns();
    return true;
}
