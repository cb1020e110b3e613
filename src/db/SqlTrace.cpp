#include "db/SqlTrace.h"

#include "db/DbError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

namespace {
QMutex& traceLock() {
    static QMutex lock;
    return lock;
}
} // namespace

QString SqlTrace::linePrefix() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss:zzz"));
}

QString SqlTrace::currentFilePath() const {
    return QDir(m_folder).filePath(QStringLiteral("log/") +
                                   QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                                   QStringLiteral("log.txt"));
}

void SqlTrace::write(const QString& text) const {
    if (!m_toFile) {
        const QByteArray line = (QStringLiteral("《MEALPOS》\t") + text + QLatin1Char('\n')).toUtf8();
        QMutexLocker locker(&traceLock());
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
        return;
    }
    QMutexLocker locker(&traceLock());
    // Stamped under the lock, so the file's times never run backwards.
    const QByteArray line = (linePrefix() + QStringLiteral("   ") + text + QStringLiteral("\r\n")).toUtf8();
    // A missing log folder is created rather than failing every traced statement.
    QDir(m_folder).mkpath(QStringLiteral("log"));
    QFile file(currentFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size() ||
        !file.flush())
        throw DbError(QStringLiteral("无法写入日志文件 %1: %2").arg(file.fileName(), file.errorString()));
}
