// The filter of a record window's loaded rows: the filter dialog, the
// grid's items by the current cell, the strip that tells the filter in force
// and the subtitle that carries it onto paper and into files.
#include "dataset/grid/ui/DBGrid.h"
#include "framework/FilterStatement.h"
#include "framework/ModuleContext.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/FilterDialog.h"
#include "framework/ui/RecordBaseClass.h"
#include "util/Prompter.h"

#include <QLabel>

TdlgFilter* TfrmRecordBaseClass::filterDialog() {
    auto* dialog = qobject_cast<TdlgFilter*>(m_context.filterDialog.data());
    if (!dialog) {
        dialog = new TdlgFilter(prompter(), this);
        m_context.filterDialog = dialog;
    } else if (dialog->parentWidget() != this) {
        // One dialog for the module, centred on the window that calls it
        // (and gone with that window; the next caller makes a new one).
        dialog->setParent(this, dialog->windowFlags());
    }
    return dialog;
}

void TfrmRecordBaseClass::actDataFilterExecute() {
    if (!hasRight(RecordRights::Find))
        return refuse();
    if (!m_dataSet || !m_dataSet->isActive() || isLoading())
        return;
    filterRows();
}

QString TfrmRecordBaseClass::filterRows(const QString& extra, bool advancedQuery) {
    if (!m_dataSet || !m_dataSet->isActive())
        return QString();
    DataSet& ds = *m_dataSet;
    TdlgFilter* dialog = filterDialog();
    dialog->bind(&ds, advancedQuery);
    if (dialog->exec() != QDialog::Accepted) {
        // Closing without OK removes the filter.
        if (extra.isEmpty()) {
            dialog->clearMemo();
            FilterStatement::clear(ds);
        }
        return QString();
    }
    const QString statement = dialog->statement();
    QString reason;
    switch (FilterStatement::apply(ds, statement, extra, &reason)) {
    case FilterStatement::Outcome::Applied:
        return statement + extra;
    case FilterStatement::Outcome::Cleared:
        return QString();
    case FilterStatement::Outcome::MixedAndOr:
        prompter().information(reason);
        return QString();
    case FilterStatement::Outcome::Refused:
        prompter().warning(FilterStatement::refusedText());
        return QString();
    }
    return QString();
}

void TfrmRecordBaseClass::filterByCell(bool exclude) {
    if (!m_dataSet || !m_dataSet->isActive() || m_dataSet->isEmpty() || isLoading())
        return;
    if (!hasRight(RecordRights::Find))
        return refuse();
    const Field* field = dgTable->selectedField();
    if (!field)
        return;
    DataSet& ds = *m_dataSet;
    guarded([&] {
        const QString condition = FilterStatement::cellCondition(ds, *field, ds.bookmark(), exclude);
        QString reason;
        if (FilterStatement::set(ds, FilterStatement::narrowed(ds, condition), &reason) ==
            FilterStatement::Outcome::Refused)
            prompter().warning(FilterStatement::refusedText());
    });
}

void TfrmRecordBaseClass::mlSelFilterClick() {
    filterByCell(false);
}

void TfrmRecordBaseClass::mlExcFilterClick() {
    filterByCell(true);
}

void TfrmRecordBaseClass::mlShowAllClick() {
    if (m_dataSet && m_dataSet->isActive() && !m_dataSet->isEmpty())
        FilterStatement::clear(*m_dataSet);
}

QString TfrmRecordBaseClass::subtitle() const {
    const QString filter = m_dataSet ? FilterStatement::activeFilterText(*m_dataSet) : QString();
    if (filter.isEmpty())
        return printCaption;
    const QString line = QStringLiteral("筛选: %1").arg(filter);
    return printCaption.trimmed().isEmpty() ? line : printCaption + QStringLiteral("  ") + line;
}

void TfrmRecordBaseClass::updateFilterStrip() {
    const QString filter = m_dataSet ? FilterStatement::activeFilterText(*m_dataSet) : QString();
    m_filterLabel->setVisible(!filter.isEmpty());
    if (!filter.isEmpty())
        m_filterLabel->setText(
            QStringLiteral("筛选: %1 (共 %2 条)").arg(filter, QString::number(m_dataSet->recordCount())));
}
