#include "db/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString programFolder() {
    const QString home = qEnvironmentVariable("MEAL_HOME");
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    const QString exeFolder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                           : QFileInfo(QStringLiteral("/proc/self/exe"))
                                                                 .canonicalFilePath()
                                                                 .section(QLatin1Char('/'), 0, -2);
    if (exeFolder.startsWith(QLatin1String("/usr/")) || exeFolder == QLatin1String("/bin"))
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QLatin1String("/mealpos");
    return exeFolder;
}

QString programFile(const QString& relative) {
    return QDir(programFolder()).filePath(relative);
}
