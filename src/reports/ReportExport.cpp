#include "reports/ReportExport.h"

#include "dataset/DataSet.h"
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/GridFooter.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "db/Session.h"
#include "framework/DataSetBinding.h"
#include "framework/SumFooter.h"

#include <QFileInfo>

namespace ReportExport {

namespace {

// False when the progress cancelled.
bool writeFile(DataSet& rows, const ReportStatement& statement, Format format, const QString& path,
               const Progress& progress) {
    DataSetTableModel model;
    model.setDataSet(&rows);
    GridFooter footer;
    if (statement.footer)
        statement.footer(model, footer);
    else
        buildSumFooter(model, footer);
    DataSetExportSource source(model, &footer);
    source.setTableName(statement.dataSetName);
    if (statement.chart)
        source.setChart(ChartSeriesBuilder::exportChart(*statement.chart, source));
    gridexport::ExportProgress written;
    if (progress)
        written = [&progress](qint64 done, qint64 total) { return progress(Stage::Writing, done, total); };
    QString error;
    const gridexport::ExportResult result =
        RecordFiles::writeExport(format, rows, source, path, &error, written);
    if (result.status == gridexport::ExportResult::Failed)
        throw DbError(error);
    return bool(result);
}

} // namespace

bool formatFromName(const QString& name, Format* format) {
    static const QHash<QString, Format> names = {
        {QStringLiteral("txt"), Format::Text},  {QStringLiteral("xls"), Format::Xls},
        {QStringLiteral("xlsx"), Format::Xlsx}, {QStringLiteral("rtf"), Format::Rtf},
        {QStringLiteral("csv"), Format::Csv},   {QStringLiteral("html"), Format::Html},
        {QStringLiteral("htm"), Format::Html},  {QStringLiteral("adtg"), Format::Adtg},
        {QStringLiteral("xml"), Format::Xml},
    };
    const auto it = names.constFind(name.trimmed().toLower());
    if (it == names.constEnd())
        return false;
    *format = it.value();
    return true;
}

bool formatForPath(const QString& path, Format* format) {
    return formatFromName(QFileInfo(path).suffix(), format);
}

int write(const Session& session, const MealDataModule& module, const ReportStatement& statement,
          Format format, const QString& path, const Progress& progress) {
    DataSet rows;
    rows.setObjectName(statement.dataSetName);
    int written = 0;
    bool cancelled = false;
    const auto writeRows = [&](DataSet& ds) {
        if (statement.prepareFields)
            statement.prepareFields(ds);
        else
            applyDataSetDefinition(ds, module, statement.dataSetName);
        if (writeFile(ds, statement, format, path, progress)) {
            written = ds.recordCount();
            if (statement.written)
                statement.written(ds);
        } else
            cancelled = true;
    };
    if (statement.produce) {
        statement.produce(session, rows, writeRows);
        return cancelled ? -1 : written;
    }
    DataSet::OpenOptions options;
    options.trace = &session.trace();
    if (progress)
        options.progress = [&](std::uint32_t n) {
            cancelled = !progress(Stage::Reading, n, 0);
            return !cancelled;
        };
    rows.open(session.ModuleConnection, statement.sql, statement.params, options);
    // A load stopped part-way keeps the rows read so far: they are not written.
    if (cancelled)
        return -1;
    writeRows(rows);
    return cancelled ? -1 : written;
}

} // namespace ReportExport
