#pragma once
// What the print dialog does that needs no widget: the substitutions the
// grid printer fills into its title lines, where an export from the print
// dialog goes, and writing that export.
#include "dataset/export/GridExporter.h"

#include <QDate>
#include <QHash>
#include <QString>

namespace gridexport {
class ExportSource;
}

namespace PrintOutput {

// "%[company]", "%[title]", "%[caption]", "%[user_name]" and "%[print_date]"
// (the date as yyyy-MM-dd).
QHash<QString, QString> substitutions(const QString& company, const QString& title, const QString& caption,
                                      const QString& userName, const QDate& printDate);

// "Documents/" + title + extension below the program folder. Characters a
// file name cannot hold become "_"; an empty title becomes "未命名".
QString documentPath(const QString& programFolder, const QString& title, const QString& extension);

// Writes the whole grid in the format to `path` (creating its folder). The
// file is replaced only when the export succeeded: Failed with `error` set,
// or Cancelled when `progress` returned false, leave it untouched.
gridexport::ExportResult exportGrid(const gridexport::ExportSource& source, gridexport::ExportFormat format,
                                    const QString& path, QString* error,
                                    const gridexport::ExportProgress& progress = {});

} // namespace PrintOutput
