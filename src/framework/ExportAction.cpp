// The export action of the record windows.
#include "dataset/grid/DBGrid.h"
#include "dataset/grid/DataSetExportSource.h"
#include "framework/RecordBaseClass.h"
#include "framework/RecordFileActions.h"
#include "framework/RecordFiles.h"
#include "util/Prompter.h"

#include <QFileInfo>

void RecordFileActions::actDataExportExecute() {
    TfrmRecordBaseClass& w = m_window;
    DataSet* ds = w.dataSet();
    if (!ds || !ds->isActive())
        return;
    Prompter& prompter = w.prompter();
    FileDialogRequest request;
    request.title = w.windowTitle();
    request.filter = RecordFiles::exportFilter(dataSetFormats);
    request.defaultExtension = RecordFiles::exportDefaultExtension(dataSetFormats);
    request.filterIndex = exportFilterIndex;
    const FileDialogResult chosen = prompter.saveFile(request);
    if (!chosen.accepted)
        return;
    exportFilterIndex = chosen.filterIndex;
    if (QFileInfo::exists(chosen.path) &&
        prompter.question(QStringLiteral("提示"), RecordFiles::overwriteQuestion(chosen.path),
                          PromptButtons::YesNo, PromptAnswer::No, PromptIcon::Warning) != PromptAnswer::Yes)
        return;
    const RecordFiles::Target target = RecordFiles::targetForFilterIndex(chosen.filterIndex, dataSetFormats);
    if (target == RecordFiles::Target::None)
        return;

    DataSetExportSource source(*w.dgTable->model(), &w.dgTable->footer());
    source.setTableName(w.windowTitle());
    source.setSelectedRows(w.dgTable->selectedRows());
    QString error;
    if (!RecordFiles::writeExport(target, *ds, source, chosen.path, &error)) {
        w.showError(error);
        return;
    }
    prompter.information(QStringLiteral("数据导出完成!"));
}
