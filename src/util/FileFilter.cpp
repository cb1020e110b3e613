#include "util/FileFilter.h"

#include <QFileInfo>

QVector<FileFilterEntry> parseFileFilter(const QString& filter) {
    QVector<FileFilterEntry> entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        FileFilterEntry entry;
        entry.description = parts.at(i);
        for (const QString& pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                entry.patterns << trimmed;
        }
        if (entry.patterns.isEmpty())
            entry.patterns << QStringLiteral("*");
        entries << entry;
    }
    return entries;
}

QString qtFilterEntry(const FileFilterEntry& entry) {
    return QStringLiteral("%1 (%2)").arg(entry.description, entry.patterns.join(QLatin1Char(' ')));
}

QStringList qtFileFilters(const QString& filter) {
    QStringList result;
    for (const FileFilterEntry& entry : parseFileFilter(filter))
        result << qtFilterEntry(entry);
    return result;
}

QString extensionForFilter(const QVector<FileFilterEntry>& filters, int filterIndex,
                           const QString& defaultExtension) {
    if (filterIndex >= 1 && filterIndex <= filters.size()) {
        const QString& first = filters.at(filterIndex - 1).patterns.value(0);
        if (first.startsWith(QLatin1String("*."))) {
            const QString ext = first.mid(2);
            if (!ext.isEmpty() && !ext.contains(QLatin1Char('*')) && !ext.contains(QLatin1Char('?')))
                return ext;
        }
    }
    QString ext = defaultExtension;
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    return ext;
}

QString completeFileName(const QString& path, const QString& extension) {
    if (path.isEmpty() || extension.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + extension;
}
