#pragma once
// Writes a report's rows to a file without a window: the statement opened (or
// the rows produced), fields shown as the report's window shows them (labels,
// visibility, code texts, money format), the footer row, and the exporter of
// the chosen format: the grid formats of the record windows (text, XLS, RTF,
// CSV, HTML) or the data-set files (ADTG, XML).
#include "framework/RecordFiles.h"
#include "reports/ReportRegistry.h"

#include <functional>

class MealDataModule;

namespace ReportExport {

using Format = RecordFiles::Target;

// "txt", "xls", "xlsx", "rtf", "csv", "html", "adtg" or "xml" (any case); false otherwise.
bool formatFromName(const QString& name, Format* format);
// The format a file name's extension asks for; false when it names none.
bool formatForPath(const QString& path, Format* format);

enum class Stage { Reading, Writing };
// Told the rows read so far while the statement runs (`total` 0: not known),
// then the rows written of `total` (the exporters' progress). Returning
// false cancels the run.
using Progress = std::function<bool(Stage stage, qint64 done, qint64 total)>;

// Writes the rows to `path` (replaced; no partial file on failure or cancel)
// and returns the number of rows written, or -1 when `progress` cancelled
// (an existing file is left as it was). Throws DbError with the engine's or
// the writer's message.
int write(const Session& session, const MealDataModule& module, const ReportStatement& statement,
          Format format, const QString& path, const Progress& progress = {});

} // namespace ReportExport
