#pragma once
// The file filters of the open and save dialogs are written the Windows way,
// "description|*.ext|description|*.ext"; Qt's dialogs take
// "description (*.ext)" entries. These functions convert between the two and
// decide the extension a typed file name receives.
#include <QString>
#include <QStringList>
#include <QVector>

struct FileFilterEntry {
    QString description;
    QStringList patterns; // "*.txt", "*.*", ...
};

// Parses the "description|pattern|..." text; a trailing description without
// a pattern is dropped. Several patterns of one entry are separated by ";".
QVector<FileFilterEntry> parseFileFilter(const QString& filter);

// Qt's form of one entry: the description as it stands followed by the
// patterns in parentheses, so that a dialog hiding the filter details shows
// exactly the description.
QString qtFilterEntry(const FileFilterEntry& entry);
QStringList qtFileFilters(const QString& filter);

// The extension (without dot) a name typed under the chosen filter receives:
// the filter's own extension when its first pattern names one ("*.xml"), else
// the default extension. Empty when there is none.
QString extensionForFilter(const QVector<FileFilterEntry>& filters, int filterIndex,
                           const QString& defaultExtension);

// Appends "." + extension to a path whose file name has no extension.
// A name ending with a dot, or an empty extension, is left as it is.
QString completeFileName(const QString& path, const QString& extension);
