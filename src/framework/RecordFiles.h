#pragma once
// What the export and import actions of the record windows decide without a
// widget: the file filters, which format a chosen filter stands for, writing
// the file, and copying the rows of an imported file into the window's data
// set with the checks that come first.
#include "dataset/export/GridExporter.h"

#include <QString>

#include <functional>

class DataSet;

namespace RecordFiles {

// "Advanced Data Tablegram format|*.ADTG|XML Document|*.xml": the save
// formats of a data set, and the only ones an import reads.
QString dataSetFilter();
// The six grid formats: text, XLS, RTF, CSV, HTML, XLSX.
QString gridFilter();
// The export dialog's filter: the data-set formats first when offered.
QString exportFilter(bool dataSetFormats);
QString exportDefaultExtension(bool dataSetFormats);

enum class Target { None, Adtg, Xml, Text, Xls, Rtf, Csv, Html, Xlsx };
// The format of a 1-based filter index of exportFilter(); None for an index
// outside the list.
Target targetForFilterIndex(int filterIndex, bool dataSetFormats);

// Writes `dataSet` (ADTG, XML) or the grid `source` (the other formats: the
// visible columns in grid order, the selected rows when there is a selection,
// else all) to `path`. An existing file is replaced only once the new one is
// complete: a failed or cancelled export leaves it untouched and no partial
// file behind. Failed with the reason in `error`; Cancelled when `progress`
// returned false (the data-set formats report only their start and end).
gridexport::ExportResult writeExport(Target target, const DataSet& dataSet,
                                     const gridexport::ExportSource& source, const QString& path,
                                     QString* error, const gridexport::ExportProgress& progress = {});

QString overwriteQuestion(const QString& path);
// "数据导出已取消!": what the windows say when the operator cancelled.
QString exportCancelledText();

// The file's rows come from the window's base table (compared without case;
// an unknown table on either side never matches).
bool sameBaseTable(const QString& fileTable, const QString& windowTable);
// Personnel rows (emp_id and card_id fields) of which at least one has a card
// issued already.
bool hasIssuedEmployees(const DataSet& file);

struct ImportCallbacks {
    // Called after each row with the number of rows handled; false stops.
    std::function<bool(int handled)> progress;
    // A row could not be appended: true goes on with the next row.
    std::function<bool(const QString& error)> continueAfterError;
};
struct ImportResult {
    int imported = 0;     // rows posted
    bool stopped = false; // the operator stopped before the end
};
// Appends each row of `file`, in file order, to `target` and posts it,
// copying every field by name except auto-increment, calculated and
// read-only ones. A failing row is cancelled before the question.
ImportResult importRows(const DataSet& file, DataSet& target, const ImportCallbacks& callbacks);

// "导入 N 笔【caption】记录,导入文件名: path"
QString importLogText(int count, const QString& caption, const QString& fileName);
// "正常导入"N"条记录. "
QString importDoneText(int count);

} // namespace RecordFiles
