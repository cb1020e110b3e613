// The import action of the record windows: rows of a data-set file written
// from the same base table are appended to the window's data set.
#include "dataset/BaseTableWriter.h"
#include "dataset/grid/ui/DBGrid.h"
#include "dataset/persist/DataSetFile.h"
#include "framework/RecordFiles.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/FileRecordsDialog.h"
#include "framework/ui/RecordBaseClass.h"
#include "framework/ui/RecordFileActions.h"
#include "util/Prompter.h"
#include "util/ui/Progress.h"

#include <QApplication>

void RecordFileActions::actDataImportExecute() {
    TfrmRecordBaseClass& w = m_window;
    // Importing inserts records: it takes the insert right.
    if (!w.hasRight(RecordRights::Insert))
        return w.refuse();
    DataSet* target = w.dataSet();
    if (!target || !target->isActive())
        return;
    Prompter& prompter = w.prompter();
    FileDialogRequest request;
    request.title = w.windowTitle();
    request.filter = RecordFiles::dataSetFilter();
    request.defaultExtension = QStringLiteral("ADTG");
    const FileDialogResult chosen = prompter.openFile(request);
    if (!chosen.accepted)
        return;

    DataSet file;
    QString error;
    bool loaded;
    {
        WaitMessage wait(prompter, QStringLiteral("正在导入文件..."), &w);
        loaded = LoadDataSetFromFile(file, chosen.path, &error);
    }
    if (!loaded) {
        w.showError(error);
        return;
    }
    {
        TdlgFileRecords dialog(file, target, &w);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    if (!RecordFiles::sameBaseTable(file.uniqueTable(), w.baseTable)) {
        prompter.information(QStringLiteral("你选择的数据和当前数据表不对应, 导入失败!"));
        return;
    }
    if (RecordFiles::hasIssuedEmployees(file) &&
        !prompter.confirm(QStringLiteral("导入的人事资料已发过卡，重新导入有可能引起数据混乱，是否继续?")))
        return;

    TdlgProgress progress(prompter, &w);
    progress.setMessageText(QStringLiteral("正在导入文件..."));
    progress.setMaximum(file.recordCount());
    progress.setCancelVisible(true);
    progress.show();
    w.dgTable->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RecordFiles::ImportCallbacks callbacks;
    callbacks.progress = [&](int) { return progress.stepIt(); };
    callbacks.continueAfterError = [&](const QString&) {
        QApplication::restoreOverrideCursor();
        const bool goOn = prompter.confirm(QStringLiteral("数据错误或者不能导入重复记录, 是否继续?"));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return goOn;
    };
    const RecordFiles::ImportResult result = RecordFiles::importRows(file, *target, callbacks);
    QApplication::restoreOverrideCursor();
    w.dgTable->setEnabled(true);
    progress.close();

    // A batch-optimistic data set sends all the rows in one transaction; when
    // that fails nothing was imported.
    BaseTableWriter* writer = w.m_writer.get();
    if (writer && writer->mode() == BaseTableWriter::Mode::BatchOptimistic && writer->pendingCount() > 0) {
        const bool sent = w.guarded([&] { writer->updateBatch(*target); });
        if (!sent)
            writer->cancelBatch();
        // The rows show their server-made keys (or are gone after a failure).
        w.guarded([&] { w.QueryData(nullptr); });
        if (!sent)
            return;
    }
    w.writeLog(RecordFiles::importLogText(result.imported, w.windowTitle(), chosen.path));
    prompter.information(RecordFiles::importDoneText(result.imported));
}
