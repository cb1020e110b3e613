#pragma once
// Context help: a window's caption is looked up in a plain text index kept
// per database engine and character set below the program folder
// ("language/mysql/gb/helplist.txt", ...), and the target found is opened:
// a topic of the help file, or a web address. Each index line holds three
// tab-separated fields: one that is ignored, the caption, the target.
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class Prompter;

namespace HelpIndex {
// True on a traditional-Chinese system (the Big5 index folders are used then).
bool systemUsesBig5();
// "language/mysql/big5", "language/sqlserver/gb", ...
QString folder(bool big5, bool isMySQL);
// "helplist.txt" for help topics, "WWWlist.txt" for web addresses.
QString fileName(bool useHelpFile);
QString indexPath(const QString& programFolder, bool big5, bool isMySQL, bool useHelpFile);

// The target of one line when its caption field equals key exactly.
std::optional<QString> matchLine(const QString& line, const QString& key);
// The target of the first matching line of the text.
std::optional<QString> lookup(const QString& text, const QString& key);
// Reads the index file (UTF-8, else Big5 or GBK after the folder) and looks
// the key up; nothing when the file does not exist.
std::optional<QString> lookupFile(const QString& path, const QString& key, bool big5);
} // namespace HelpIndex

class HelpService {
public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    // The opener defaults to the desktop's (QDesktopServices::openUrl).
    HelpService(const QString& programFolder, bool isMySQL, Prompter& prompter);

    void setBig5(bool big5) { m_big5 = big5; }
    void setUrlOpener(UrlOpener opener) { m_open = std::move(opener); }

    // Looks the key up and opens what it names. A missing index or key does
    // nothing; a help topic that cannot be opened shows
    // "help.chm帮助文件不存在!". Returns true when something was opened.
    bool ShowHelp(bool UseHelpFile, const QString& Key);

    // Where a topic of the help file is opened: the extracted page below the
    // "help" folder when it is there, else the help file itself; empty when
    // there is no help file.
    QUrl helpTopicUrl(const QString& topic) const;

private:
    QString m_programFolder;
    bool m_isMySQL;
    bool m_big5;
    Prompter& m_prompter;
    UrlOpener m_open;
};
