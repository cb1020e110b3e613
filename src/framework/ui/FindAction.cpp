// The find action of the record windows: one condition over the window's
// own statement, the found rows shown until the next refresh.
#include "dataset/grid/ui/DBGrid.h"
#include "framework/FindStatement.h"
#include "framework/ModuleContext.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/DptRecordBaseClass.h"
#include "framework/ui/FindDialog.h"
#include "framework/ui/RecordBaseClass.h"
#include "framework/ui/RecordFileActions.h"
#include "util/Prompter.h"

#include <QApplication>
#include <QHash>

void RecordFileActions::actDataFindExecute() {
    TfrmRecordBaseClass& w = m_window;
    if (!w.hasRight(RecordRights::Find))
        return w.refuse();
    DataSet* ds = w.dataSet();
    if (!ds)
        return;
    TdlgFind* dialog = findDialog();
    dialog->bind(ds);
    if (dialog->exec() != QDialog::Accepted || dialog->fieldName().isEmpty())
        return;
    const Field* field = ds->findField(dialog->fieldName());
    if (!field)
        return;
    const QString label = dialog->fieldLabel();
    FindStatement::Request request;
    request.fieldName = field->fieldName();
    request.type = field->dataType();
    request.op = dialog->findKind();
    request.typed = dialog->findContent();
    w.GetFindCondition(request.extra);
    for (int i = 0; i < ds->fieldCount(); ++i)
        if (!ds->field(i)->isCalculated())
            request.resultColumns << ds->field(i)->fieldName();
    request.baseStatement = ds->commandText().isEmpty() ? w.baseSql : ds->commandText();
    if (request.baseStatement.trimmed().isEmpty() && !w.baseTable.isEmpty())
        request.baseStatement = QStringLiteral("SELECT * FROM %1 ").arg(w.baseTable);
    // The statement is built (and the value converted) before anything runs:
    // a value that does not convert leaves the grid as it is.
    const bool found =
        w.guarded([&] { openFound(FindStatement::build(w.context().session.dialect(), request)); });
    if (found && ds->isEmpty())
        w.prompter().message(
            QStringLiteral("提示"),
            QStringLiteral("没有找到符合 %1%2'%3' 的记录").arg(label, request.op, request.typed),
            PromptIcon::Information);
}

void RecordFileActions::openFound(const QString& sql) {
    TfrmRecordBaseClass& w = m_window;
    DataSet& ds = *w.dataSet();
    const QString ownStatement = ds.commandText();
    // A department/date window's statement carries the period parameters.
    QVariantMap params;
    if (auto* dpt = qobject_cast<TfrmDptRecordBaseClass*>(&w))
        if (sql.contains(QLatin1String("@begindate"), Qt::CaseInsensitive))
            params = dpt->periodParameters();
    // Where each column comes from: a derived table hides it.
    QHash<QString, QPair<QString, QString>> origins;
    for (int i = 0; i < ds.fieldCount(); ++i) {
        const Field* f = ds.field(i);
        origins.insert(f->fieldName().toLower(), {f->baseTableName(), f->baseColumnName()});
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        w.openRows(sql, params, nullptr, [&] {
            for (int i = 0; i < ds.fieldCount(); ++i) {
                Field* f = ds.field(i);
                const auto origin = origins.constFind(f->fieldName().toLower());
                if (origin != origins.constEnd()) {
                    f->setBaseTableName(origin->first);
                    f->setBaseColumnName(origin->second);
                }
            }
            // The next refresh runs the window's own statement again; edits
            // of found rows go to the window's base table.
            ds.setCommandText(ownStatement);
            ds.setUniqueTable(w.baseTable);
        });
    } catch (const DbError&) {
        QApplication::restoreOverrideCursor();
        // Put the window's own rows back before the error is shown.
        ds.setCommandText(ownStatement);
        w.guarded([&] { w.QueryData(nullptr); });
        throw;
    }
    QApplication::restoreOverrideCursor();
}
