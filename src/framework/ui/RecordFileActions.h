#pragma once
// The export, import and find actions of a record window. Created with the
// window (as its child), which calls the handlers below from its actions; it
// keeps what they remember between runs: the export filter index and the
// find dialog.
#include "dataset/export/GridExporter.h"

#include <QObject>
#include <QPointer>

#include <functional>

class Prompter;
class TdlgFind;
class TfrmRecordBaseClass;

class RecordFileActions : public QObject {
    Q_OBJECT
public:
    explicit RecordFileActions(TfrmRecordBaseClass& window);

    // Saves the window's data set (ADTG, XML) or its grid (text, XLS, RTF,
    // CSV, HTML) to a file the operator names.
    void actDataExportExecute();
    // Copies the rows of a previously exported ADTG or XML file of the same
    // base table into the window's data set and base table.
    void actDataImportExecute();
    // Narrows the window's rows to those matching one condition.
    void actDataFindExecute();

    // The filter index last chosen in the export dialog (1-based).
    int exportFilterIndex = 1;
    // Whether the data-set formats (ADTG, XML) are offered before the grid
    // formats; a window whose rows cannot be saved as a data set clears it.
    bool dataSetFormats = true;

    TdlgFind* findDialog();

    // Asks for the file of an export: the save dialog (offering the data-set
    // formats when `withDataSetFormats`), remembering the filter chosen, then
    // the overwrite question for an existing file. False when the operator
    // gave up at either.
    bool askExportFile(bool withDataSetFormats, QString* path, int* filterIndex);

    // Runs an export under the progress dialog ("正在导出数据...", modal to the
    // application) whose cancel button asks "确认中断当前操作吗?" first.
    // `write` passes the callback on to the export and returns its result.
    using ExportRun = std::function<gridexport::ExportResult(const gridexport::ExportProgress&)>;
    static gridexport::ExportResult runExport(QWidget* parent, Prompter& prompter, const ExportRun& write);

private:
    // Opens the find statement into the window's data set; on failure the
    // window's own statement runs again and the error is raised.
    void openFound(const QString& sql);

    TfrmRecordBaseClass& m_window;
    QPointer<TdlgFind> m_findDialog;
};
