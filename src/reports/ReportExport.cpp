#include "reports/ReportExport.h"

#include "dataset/DataSet.h"
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/GridFooter.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "db/Session.h"
#include "framework/DataSetBinding.h"
#include "reports/SumFooter.h"

#include <QFileInfo>

namespace ReportExport {

namespace {

void writeFile(DataSet& rows, const ReportStatement& statement, Format format, const QString& path) {
    DataSetTableModel model;
    model.setDataSet(&rows);
    GridFooter footer;
    if (statement.footer)
        statement.footer(model, footer);
    else
        buildSumFooter(model, footer);
    DataSetExportSource source(model, &footer);
    source.setTableName(statement.dataSetName);
    QString error;
    if (!RecordFiles::writeExport(format, rows, source, path, &error))
        throw DbError(error);
}

} // namespace

bool formatFromName(const QString& name, Format* format) {
    static const QHash<QString, Format> names = {
        {QStringLiteral("txt"), Format::Text},  {QStringLiteral("xls"), Format::Xls},
        {QStringLiteral("rtf"), Format::Rtf},   {QStringLiteral("csv"), Format::Csv},
        {QStringLiteral("html"), Format::Html}, {QStringLiteral("htm"), Format::Html},
        {QStringLiteral("adtg"), Format::Adtg}, {QStringLiteral("xml"), Format::Xml},
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
          Format format, const QString& path, const std::function<void(quint32)>& progress) {
    DataSet rows;
    rows.setObjectName(statement.dataSetName);
    int written = 0;
    const auto writeRows = [&](DataSet& ds) {
        if (statement.prepareFields)
            statement.prepareFields(ds);
        else
            applyDataSetDefinition(ds, module, statement.dataSetName);
        writeFile(ds, statement, format, path);
        written = ds.recordCount();
    };
    if (statement.produce) {
        statement.produce(session, rows, writeRows);
        return written;
    }
    DataSet::OpenOptions options;
    options.trace = &session.trace();
    if (progress)
        options.progress = [&progress](std::uint32_t n) {
            progress(n);
            return true;
        };
    rows.open(session.ModuleConnection, statement.sql, statement.params, options);
    writeRows(rows);
    return written;
}

} // namespace ReportExport
