// The export action of the record windows.
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/RecordFiles.h"
#include "framework/ui/RecordBaseClass.h"
#include "framework/ui/RecordFileActions.h"
#include "util/Prompter.h"
#include "util/ui/Progress.h"

#include <QFileInfo>

#include <climits>

gridexport::ExportResult RecordFileActions::runExport(QWidget* parent, Prompter& prompter,
                                                      const ExportRun& write) {
    TdlgProgress progress(prompter, parent);
    progress.setMessageText(QStringLiteral("正在导出数据..."));
    progress.setCancelVisible(true);
    progress.setCancelConfirmation(QStringLiteral("确认中断当前操作吗?"));
    // Nothing else may change the grid while its rows are written.
    progress.setWindowModality(Qt::ApplicationModal);
    progress.show();
    const gridexport::ExportResult result = write([&progress](qint64 done, qint64 total) {
        progress.setMaximum(int(qMin<qint64>(total, INT_MAX)));
        progress.setPosition(int(qMin<qint64>(done, INT_MAX)));
        return progress.keepAlive();
    });
    progress.close();
    return result;
}

bool RecordFileActions::askExportFile(bool withDataSetFormats, QString* path, int* filterIndex) {
    Prompter& prompter = m_window.prompter();
    FileDialogRequest request;
    request.title = m_window.windowTitle();
    request.filter = RecordFiles::exportFilter(withDataSetFormats);
    request.defaultExtension = RecordFiles::exportDefaultExtension(withDataSetFormats);
    request.filterIndex = exportFilterIndex;
    const FileDialogResult chosen = prompter.saveFile(request);
    if (!chosen.accepted)
        return false;
    exportFilterIndex = chosen.filterIndex;
    if (QFileInfo::exists(chosen.path) &&
        prompter.question(QStringLiteral("提示"), RecordFiles::overwriteQuestion(chosen.path),
                          PromptButtons::YesNo, PromptAnswer::No, PromptIcon::Warning) != PromptAnswer::Yes)
        return false;
    *path = chosen.path;
    *filterIndex = chosen.filterIndex;
    return true;
}

void RecordFileActions::actDataExportExecute() {
    TfrmRecordBaseClass& w = m_window;
    DataSet* ds = w.dataSet();
    if (!ds || !ds->isActive())
        return;
    Prompter& prompter = w.prompter();
    QString path;
    int filterIndex = 0;
    if (!askExportFile(dataSetFormats, &path, &filterIndex))
        return;
    const RecordFiles::Target target = RecordFiles::targetForFilterIndex(filterIndex, dataSetFormats);
    if (target == RecordFiles::Target::None)
        return;

    DataSetExportSource source(*w.dgTable->model(), &w.dgTable->footer());
    source.setTableName(w.windowTitle());
    source.setSubtitle(w.subtitle());
    source.setSelectedRows(w.dgTable->selectedRows());
    if (const std::optional<ChartSpec> chart = w.exportChart())
        source.setChart(ChartSeriesBuilder::exportChart(*chart, source));
    QString error;
    const gridexport::ExportResult result = runExport(&w, prompter, [&](const gridexport::ExportProgress& p) {
        return RecordFiles::writeExport(target, *ds, source, path, &error, p);
    });
    if (result.cancelled())
        prompter.information(RecordFiles::exportCancelledText());
    else if (!result)
        w.showError(error);
    else
        prompter.information(QStringLiteral("数据导出完成!"));
}
