#include "framework/PrintOutput.h"

#include "dataset/export/ExportSource.h"

#include <QDir>
#include <QFileInfo>

namespace PrintOutput {

QHash<QString, QString> substitutions(const QString& company, const QString& title, const QString& caption,
                                      const QString& userName, const QDate& printDate) {
    return {
        {QStringLiteral("%[company]"), company},
        {QStringLiteral("%[title]"), title},
        {QStringLiteral("%[caption]"), caption},
        {QStringLiteral("%[user_name]"), userName},
        {QStringLiteral("%[print_date]"), printDate.toString(QStringLiteral("yyyy-MM-dd"))},
    };
}

QString documentPath(const QString& programFolder, const QString& title, const QString& extension) {
    QString name = title.trimmed();
    // A caption may carry path separators ("收/支"); they must not lead out of Documents.
    for (QChar& c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("未命名");
    return QDir(programFolder).filePath(QStringLiteral("Documents/") + name + extension);
}

gridexport::ExportResult exportGrid(const gridexport::ExportSource& source, gridexport::ExportFormat format,
                                    const QString& path, QString* error,
                                    const gridexport::ExportProgress& progress) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("不能创建目录 %1").arg(folder);
        return gridexport::ExportResult::Failed;
    }
    return gridexport::exportToFile(format, source, path, gridexport::RowScope::AllRows, progress, error);
}

} // namespace PrintOutput
