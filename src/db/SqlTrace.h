#pragma once
// The SQL trace: one line per statement, from the interface thread and from
// workers alike. With the daily file on, lines go to <program>/log/yyyyMMddlog.txt
// as "yyyy-MM-dd HH:mm:ss:zzz" + three blanks + text; otherwise to standard
// error as "《MEALPOS》" + tab + text. One process-wide lock keeps lines whole.
// Control characters in the text (CR, LF, tab, other C0 controls, DEL, and
// the Unicode line breaks) are written as escapes ("\n", "\x1b", "\u2028"),
// so one statement is one line. A trace file that cannot be written is told
// once on standard error (again only after a write succeeded in between);
// the statement goes on.
#include <QString>

class SqlTrace {
public:
    SqlTrace() = default;
    SqlTrace(bool toFile, const QString& programFolder) : m_toFile(toFile), m_folder(programFolder) {}

    void setToFile(bool toFile) { m_toFile = toFile; }
    bool toFile() const { return m_toFile; }
    void setProgramFolder(const QString& folder) { m_folder = folder; }
    const QString& programFolder() const { return m_folder; }

    void write(const QString& text) const;

    static QString linePrefix(); // the current time as written in the file
    QString currentFilePath() const;

private:
    bool m_toFile = false;
    QString m_folder;
};
