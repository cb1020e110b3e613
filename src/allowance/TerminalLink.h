#pragma once
// The six terminal calls as the workers use them: the link parameters, the
// ping before a network connect, the answer buffers and the rules that turn
// a call's result and answer into success or failure.
#include "allowance/ClockInfo.h"

#include <QString>

#include <optional>

namespace allowance {

// Terminal tables and their "next record to read" option keys.
inline const char* const kSubsidyLog = "SubsidyLog";
inline const char* const kSidyLog = "SidyLog";

// Buffer sizes handed to InfoQuery and DataQuery.
constexpr int kInfoBufferSize = 1048576;
constexpr int kQueryBufferSize = 4194304;

// One DataQuery answer: the record count of its first line and the records
// (one a line, TAB-separated fields) without the count and header lines.
struct QueryAnswer {
    int count = 0;
    QString records;
};

// Pure answer rules, kept apart so they can be checked without a terminal.
// InfoQuery: the first line is dropped; the next line alone, or all the rest.
QString infoAnswerText(const QByteArray& answer, bool allRest);
// The value of `name` among "name=value" lines; empty when absent.
QString infoValue(const QString& lines, const QString& name);
// DataQuery: line 1 ends in "=n" (n not a number counts as 0), line 2 is the
// header; without "=" only line 1 is dropped. Nothing for an empty answer or
// a negative n.
std::optional<QueryAnswer> parseQueryAnswer(const QByteArray& answer);
// The `field`-th (1-based) TAB-separated field of the first record line.
QString recordField(const QString& records, int field);

class TerminalLink {
public:
    // The program folder holds Daybook.ini: its "isPing" key (section
    // "RunTimeConfig") set to "1" skips the ping before a network connect.
    explicit TerminalLink(QString programFolder) : m_programFolder(std::move(programFolder)) {}

    // Sets clock.handle on success. A network terminal that does not answer
    // the ping is not connected at all.
    bool connect(TClockInfo& clock) const;
    static void disconnect(TClockInfo& clock);

    // The answer text after its first line (the next line alone, or all the rest).
    static std::optional<QString> infoQuery(const TClockInfo& clock, const QString& items, bool allRest);
    static std::optional<int> dataCount(const TClockInfo& clock, const QString& table, const QString& filter);
    static bool dataAppend(const TClockInfo& clock, const QString& table, const QString& data);
    static std::optional<QueryAnswer> dataQuery(const TClockInfo& clock, const QString& table,
                                                const QString& filter, const QString& options);

private:
    bool pingWanted() const;
    QString m_programFolder;
};

} // namespace allowance
