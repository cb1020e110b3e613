#include "db/SqlTrace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <cstdio>

namespace {
QMutex& traceLock() {
    static QMutex lock;
    return lock;
}

// Whether the last write to a trace file failed (the failure was told);
// guarded by traceLock().
bool g_fileFailed = false;

bool needsEscape(char16_t u) {
    return u < 0x20 || u == 0x7F || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// The text with its control characters (and the Unicode line breaks) as
// escapes, so that a statement is one line whatever its values hold: a
// value with a line break cannot start a line that looks like a statement.
QString oneLine(const QString& text) {
    if (std::none_of(text.begin(), text.end(), [](QChar ch) { return needsEscape(ch.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\r')
            out += QLatin1String("\\r");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\t')
            out += QLatin1String("\\t");
        else if (needsEscape(u))
            out += (u < 0x100 ? QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'))
                              : QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0')));
        else
            out += ch;
    }
    return out;
}

void writeStandardError(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
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
        const QString line = QStringLiteral("《MEALPOS》\t") + oneLine(text) + QLatin1Char('\n');
        QMutexLocker locker(&traceLock());
        writeStandardError(line);
        return;
    }
    QMutexLocker locker(&traceLock());
    // Stamped under the lock, so the file's times never run backwards.
    const QByteArray line =
        (linePrefix() + QStringLiteral("   ") + oneLine(text) + QStringLiteral("\r\n")).toUtf8();
    // A missing log folder is created rather than failing every traced statement.
    QDir(m_folder).mkpath(QStringLiteral("log"));
    QFile file(currentFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size() ||
        !file.flush()) {
        // The trace serves the operators; it must not fail the statement.
        // Told once, until a write succeeds again.
        if (!g_fileFailed)
            writeStandardError(
                oneLine(QStringLiteral("无法写入日志文件 %1: %2").arg(file.fileName(), file.errorString())) +
                QLatin1Char('\n'));
        g_fileFailed = true;
        return;
    }
    g_fileFailed = false;
}
