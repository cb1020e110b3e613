// Modes 1 and 2 of the terminal worker: a terminal table read back page by
// page, each page posted to the window as it arrives.
#include "allowance/CheckAllowThread.h"
#include "allowance/WorkerClock.h"
#include "db/SqlDialect.h"

#include <algorithm>

namespace allowance {

using workers::ClockStatusText;

void TCheckAllowThread::readBack(TClockInfo& clock) {
    const bool sidy = m_mode == ReadSidyLog;
    const QString table = QString::fromLatin1(sidy ? kSidyLog : kSubsidyLog);
    const QString optionKey = sidy ? QStringLiteral("LastSidyLogID") : QStringLiteral("LastSubSidyLogID");
    const int id = clock.clock_id;
    const auto terminal = [this](auto call) {
        WorkerClock timed(m_setup.timings, &WorkerTimings::terminalNs);
        return call();
    };

    status(id, ClockStatusText(5));
    const qint64 pageSize = clock.isNetwork() ? 10000 : 1000;
    qint64 start = 0;
    if (sidy) {
        const QString items = QStringLiteral("Options.%1,Options.Read%2MaxID").arg(optionKey, table);
        const std::optional<QString> info =
            terminal([&] { return TerminalLink::infoQuery(clock, items, true); });
        if (!info)
            return;
        const QString startText = infoValue(*info, QStringLiteral("Options.") + optionKey);
        // Empty: the terminal keeps no such option, so the table is read from its start.
        const std::optional<qint64> option =
            startText.trimmed().isEmpty() ? std::optional<qint64>(0) : SqlDialect::parseInteger(startText, 0);
        if (!option) {
            // Not a record number: reading from 0 would fetch the whole table again.
            status(id, ClockStatusText(6));
            log(QStringLiteral("\"%1\"号机的 %2 不是数字: %3")
                    .arg(QString::number(id), optionKey, startText.left(40)));
            return;
        }
        start = *option;
        // The first record held tells whether the option still points into the table.
        const std::optional<QueryAnswer> first = terminal(
            [&] { return TerminalLink::dataQuery(clock, table, QString(), QStringLiteral("Maxreturn=1")); });
        if (first && first->count > 0) {
            bool ok = false;
            const qint64 recNo = recordField(first->records, 21).trimmed().toLongLong(&ok);
            if (ok && (recNo < start || recNo > start + pageSize))
                start = recNo;
        }
    }
    const std::optional<int> held =
        terminal([&] { return TerminalLink::dataCount(clock, table, QString()); });
    if (!held)
        return;
    log(QStringLiteral("\"%1\"号机正在%2 ,请耐心等待...").arg(QString::number(id), QStringLiteral("读取")));

    qint64 total = 0;
    while (!Terminated()) {
        const QString filter = sidy ? QStringLiteral("RecNo>=%1 and RecNo<%2")
                                          .arg(QString::number(start), QString::number(start + pageSize))
                                    : QString();
        const std::optional<QueryAnswer> page =
            terminal([&] { return TerminalLink::dataQuery(clock, table, filter, QString()); });
        if (!page || page->count == 0)
            break;
        start = std::max(start + page->count, start + pageSize);
        total += page->count;
        trace(threadTag() + QStringLiteral("---") + QString::number(id) + QStringLiteral("号机    ---") +
              QString::number(page->count));
        PostOpMsg(4, QString::fromLatin1(workers::kOpMax), QString::number(page->count));
        PostAllowData(workers::TAllowTypeMsg{id, clock.clock_name, m_mode, page->records, page->count});
        trace(QStringLiteral("保存记录表 + ") + page->records);
        if (!sidy)
            break;
    }
    if (Terminated())
        return;
    if (*held > total) {
        status(id, ClockStatusText(6));
        log(QStringLiteral("\"%1\"号机读取补贴失败!").arg(id));
    } else {
        status(id, ClockStatusText(7));
        log(QStringLiteral("\"%1\"号机读取补贴成功!").arg(id));
    }
}

} // namespace allowance
