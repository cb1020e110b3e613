#include "framework/RecordFiles.h"

#include "dataset/DataSet.h"
#include "dataset/export/GridExporter.h"
#include "dataset/persist/DataSetFile.h"
#include "db/DbError.h"

namespace RecordFiles {

QString dataSetFilter() {
    return QStringLiteral("Advanced Data Tablegram format|*.ADTG|XML Document|*.xml");
}

QString gridFilter() {
    return QStringLiteral(
        "文本文件格式 (*.txt)|*.txt|Excel 文件格式 (*.xls)|*.xls|RTF 文件格式 (*.RTF)|*.rtf|"
        "CSV(逗号分隔) (*.CSV)|*.csv|Web 网页 (*.html)|*.html|Excel 工作簿 (*.xlsx)|*.xlsx");
}

QString exportFilter(bool dataSetFormats) {
    return dataSetFormats ? dataSetFilter() + QLatin1Char('|') + gridFilter() : gridFilter();
}

QString exportDefaultExtension(bool dataSetFormats) {
    return dataSetFormats ? QStringLiteral("ADTG") : QStringLiteral("txt");
}

Target targetForFilterIndex(int filterIndex, bool dataSetFormats) {
    // Without the two data-set formats the grid formats move up by two.
    switch (dataSetFormats ? filterIndex : filterIndex + 2) {
    case 1:
        return Target::Adtg;
    case 2:
        return Target::Xml;
    case 3:
        return Target::Text;
    case 4:
        return Target::Xls;
    case 5:
        return Target::Rtf;
    case 6:
        return Target::Csv;
    case 7:
        return Target::Html;
    case 8:
        return Target::Xlsx;
    default:
        return Target::None;
    }
}

namespace {

// A data-set file is written in one step: the progress is told its start and end.
gridexport::ExportResult saveDataSet(const DataSet& dataSet, QIODevice& device, DataSetFileFormat format,
                                     QString* error, const gridexport::ExportProgress& progress) {
    using gridexport::ExportResult;
    const qint64 rows = dataSet.isActive() ? dataSet.recordCount() : 0;
    if (progress && !progress(0, rows))
        return ExportResult::Cancelled;
    if (!SaveDataSetToDevice(dataSet, device, format, error))
        return ExportResult::Failed;
    if (progress && rows > 0 && !progress(rows, rows))
        return ExportResult::Cancelled;
    return ExportResult::Written;
}

} // namespace

gridexport::ExportResult writeExport(Target target, const DataSet& dataSet,
                                     const gridexport::ExportSource& source, const QString& path,
                                     QString* error, const gridexport::ExportProgress& progress) {
    using gridexport::ExportFormat;
    using gridexport::ExportResult;
    auto failed = [error](const QString& message) {
        if (error)
            *error = message;
        return ExportResult::Failed;
    };
    ExportFormat format = ExportFormat::Text;
    switch (target) {
    case Target::None:
        return failed(QStringLiteral("未知的导出格式"));
    case Target::Adtg:
    case Target::Xml:
        break;
    case Target::Text:
        format = ExportFormat::Text;
        break;
    case Target::Xls:
        format = ExportFormat::Xls;
        break;
    case Target::Rtf:
        format = ExportFormat::Rtf;
        break;
    case Target::Csv:
        format = ExportFormat::Csv;
        break;
    case Target::Html:
        format = ExportFormat::Html;
        break;
    case Target::Xlsx:
        format = ExportFormat::Xlsx;
        break;
    }
    if (target == Target::Adtg || target == Target::Xml) {
        const DataSetFileFormat fileFormat =
            target == Target::Adtg ? DataSetFileFormat::Adtg : DataSetFileFormat::Xml;
        return gridexport::writeFileAtomically(
            path,
            [&](QIODevice& device) { return saveDataSet(dataSet, device, fileFormat, error, progress); },
            error);
    }
    return gridexport::exportToFile(format, source, path, gridexport::RowScope::SelectionOrAll, progress,
                                    error);
}

QString overwriteQuestion(const QString& path) {
    return QStringLiteral("文件\"%1\"已经存在, 是否覆盖? ").arg(path);
}

QString exportCancelledText() {
    return QStringLiteral("数据导出已取消!");
}

bool sameBaseTable(const QString& fileTable, const QString& windowTable) {
    return !fileTable.trimmed().isEmpty() &&
           fileTable.trimmed().compare(windowTable.trimmed(), Qt::CaseInsensitive) == 0;
}

bool hasIssuedEmployees(const DataSet& file) {
    const Field* issued = file.findField(QStringLiteral("issued"));
    if (!issued || !file.findField(QStringLiteral("emp_id")) || !file.findField(QStringLiteral("card_id")))
        return false;
    for (int pos = 0; pos < file.recordCount(); ++pos) {
        const QVariant v = file.valueAt(file.bookmarkAt(pos), issued->index());
        if (!v.isNull() && v.toBool())
            return true;
    }
    return false;
}

namespace {
// The fields of `target` an imported row fills, paired with the file's fields.
std::vector<std::pair<Field*, int>> copiedFields(const DataSet& file, const DataSet& target) {
    std::vector<std::pair<Field*, int>> pairs;
    for (int i = 0; i < target.fieldCount(); ++i) {
        Field* to = target.field(i);
        const Field* from = file.findField(to->fieldName());
        if (!from || from->isCalculated() || from->isAutoIncrement() || to->isCalculated() ||
            to->isAutoIncrement() || to->readOnly())
            continue;
        pairs.emplace_back(to, from->index());
    }
    return pairs;
}
} // namespace

ImportResult importRows(const DataSet& file, DataSet& target, const ImportCallbacks& callbacks) {
    ImportResult result;
    const auto fields = copiedFields(file, target);
    for (int pos = 0; pos < file.recordCount(); ++pos) {
        const Bookmark row = file.bookmarkAt(pos);
        try {
            target.append();
            for (const auto& [to, from] : fields)
                to->setValue(file.valueAt(row, from));
            target.post();
            ++result.imported;
        } catch (const DbError& e) {
            target.cancel();
            if (!callbacks.continueAfterError || !callbacks.continueAfterError(e.message())) {
                result.stopped = true;
                return result;
            }
        }
        if (callbacks.progress && !callbacks.progress(pos + 1)) {
            result.stopped = pos + 1 < file.recordCount();
            return result;
        }
    }
    return result;
}

QString importLogText(int count, const QString& caption, const QString& fileName) {
    return QStringLiteral("导入 %1 笔【%2】记录,导入文件名: %3")
        .arg(QString::number(count), caption, fileName);
}

QString importDoneText(int count) {
    return QStringLiteral("正常导入\"%1\"条记录. ").arg(count);
}

} // namespace RecordFiles
