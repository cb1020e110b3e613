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

// "txt", "xls", "rtf", "csv", "html", "adtg" or "xml" (any case); false otherwise.
bool formatFromName(const QString& name, Format* format);
// The format a file name's extension asks for; false when it names none.
bool formatForPath(const QString& path, Format* format);

// Writes the rows to `path` (replaced; no partial file on failure) and
// returns the number of rows written. `progress` is called while rows are
// read. Throws DbError with the engine's or the writer's message.
int write(const Session& session, const MealDataModule& module, const ReportStatement& statement,
          Format format, const QString& path, const std::function<void(quint32 rowsSoFar)>& progress = {});

} // namespace ReportExport
