#include "util/HelpIndex.h"

#include "db/TextCodec.h"
#include "util/Prompter.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

namespace HelpIndex {

bool systemUsesBig5() {
    const QLocale locale = QLocale::system();
    if (locale.language() != QLocale::Chinese)
        return false;
    if (locale.script() == QLocale::TraditionalChineseScript)
        return true;
    if (locale.script() == QLocale::SimplifiedChineseScript)
        return false;
    const QLocale::Territory t = locale.territory();
    return t == QLocale::Taiwan || t == QLocale::HongKong || t == QLocale::Macao;
}

QString folder(bool big5, bool isMySQL) {
    return QStringLiteral("language/%1/%2")
        .arg(isMySQL ? QStringLiteral("mysql") : QStringLiteral("sqlserver"),
             big5 ? QStringLiteral("big5") : QStringLiteral("gb"));
}

QString fileName(bool useHelpFile) {
    return useHelpFile ? QStringLiteral("helplist.txt") : QStringLiteral("WWWlist.txt");
}

QString indexPath(const QString& programFolder, bool big5, bool isMySQL, bool useHelpFile) {
    return QDir(programFolder).filePath(folder(big5, isMySQL) + QLatin1Char('/') + fileName(useHelpFile));
}

std::optional<QString> matchLine(const QString& line, const QString& key) {
    const int first = int(line.indexOf(QLatin1Char('\t')));
    if (first < 0)
        return std::nullopt;
    const int second = int(line.indexOf(QLatin1Char('\t'), first + 1));
    if (second < 0)
        return std::nullopt;
    if (QStringView(line).mid(first + 1, second - first - 1) != key)
        return std::nullopt;
    return line.mid(second + 1);
}

std::optional<QString> lookup(const QString& text, const QString& key) {
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (auto target = matchLine(line.toString(), key))
            return target;
    }
    return std::nullopt;
}

std::optional<QString> lookupFile(const QString& path, const QString& key, bool big5) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    file.close();
    QString text;
    if (big5) {
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes);
        if (utf8.hasError()) {
            QStringDecoder decoder("Big5");
            text = decoder.isValid() ? decoder.decode(bytes) : decodeText(bytes);
        }
    } else {
        text = decodeText(bytes);
    }
    return lookup(text, key);
}

} // namespace HelpIndex

HelpService::HelpService(const QString& programFolder, bool isMySQL, Prompter& prompter)
    : m_programFolder(programFolder), m_isMySQL(isMySQL), m_big5(HelpIndex::systemUsesBig5()),
      m_prompter(prompter), m_open([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

QUrl HelpService::helpTopicUrl(const QString& topic) const {
    const QDir dir(m_programFolder);
    const QString helpFile = dir.filePath(QStringLiteral("help.chm"));
    if (!QFileInfo::exists(helpFile))
        return QUrl();
    QString page = topic;
    page.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (page.startsWith(QLatin1Char('/')))
        page.remove(0, 1);
    const QString fragmentless = page.section(QLatin1Char('#'), 0, 0);
    const QString extracted = dir.filePath(QStringLiteral("help/") + fragmentless);
    if (!fragmentless.isEmpty() && !fragmentless.contains(QLatin1String("..")) &&
        QFileInfo(extracted).isFile()) {
        QUrl url = QUrl::fromLocalFile(extracted);
        if (page.contains(QLatin1Char('#')))
            url.setFragment(page.section(QLatin1Char('#'), 1));
        return url;
    }
    return QUrl::fromLocalFile(helpFile);
}

bool HelpService::ShowHelp(bool UseHelpFile, const QString& Key) {
    const QString path = HelpIndex::indexPath(m_programFolder, m_big5, m_isMySQL, UseHelpFile);
    const std::optional<QString> target = HelpIndex::lookupFile(path, Key, m_big5);
    if (!target || target->trimmed().isEmpty())
        return false;
    if (UseHelpFile) {
        const QUrl url = helpTopicUrl(target->trimmed());
        if (url.isEmpty() || !m_open(url)) {
            m_prompter.information(QStringLiteral("help.chm") + QStringLiteral("帮助文件不存在!"));
            return false;
        }
        return true;
    }
    return m_open(QUrl::fromUserInput(target->trimmed(), m_programFolder));
}
