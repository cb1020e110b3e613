#include "allowance/TerminalLink.h"

#include "db/IniFile.h"
#include "db/SqlDialect.h"
#include "posterm/posterm.h"
#include "util/Ping.h"

#include <QDir>

#include <vector>

namespace allowance {

QString infoAnswerText(const QByteArray& answer, bool allRest) {
    const QString text = QString::fromUtf8(answer);
    const int firstEnd = text.indexOf(QLatin1Char('\n'));
    if (firstEnd < 0)
        return QString();
    QString rest = text.mid(firstEnd + 1);
    if (!allRest) {
        const int nextEnd = rest.indexOf(QLatin1Char('\n'));
        if (nextEnd >= 0)
            rest.truncate(nextEnd);
    }
    while (rest.endsWith(QLatin1Char('\n')) || rest.endsWith(QLatin1Char('\r')))
        rest.chop(1);
    return rest;
}

QString infoValue(const QString& lines, const QString& name) {
    const QStringList list = lines.split(QLatin1Char('\n'));
    for (QString line : list) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

std::optional<QueryAnswer> parseQueryAnswer(const QByteArray& answer) {
    if (answer.isEmpty())
        return std::nullopt;
    const QString text = QString::fromUtf8(answer);
    int lineEnd = text.indexOf(QLatin1Char('\n'));
    QString first = text.left(lineEnd < 0 ? text.size() : lineEnd);
    if (first.endsWith(QLatin1Char('\r')))
        first.chop(1);
    QueryAnswer result;
    int dropLines = 1;
    const int eq = first.lastIndexOf(QLatin1Char('='));
    if (eq >= 0) {
        // A count that is no number is a malformed answer, not an empty one.
        const std::optional<qint64> count =
            SqlDialect::parseInteger(first.mid(eq + 1), 0, std::numeric_limits<int>::max());
        if (!count)
            return std::nullopt;
        result.count = int(*count);
        dropLines = 2;
    }
    if (result.count < 0)
        return std::nullopt;
    int pos = 0;
    for (int i = 0; i < dropLines && pos >= 0; ++i) {
        lineEnd = text.indexOf(QLatin1Char('\n'), pos);
        pos = lineEnd < 0 ? -1 : lineEnd + 1;
    }
    if (pos > 0)
        result.records = text.mid(pos);
    return result;
}

QString recordField(const QString& records, int field) {
    QString line = records.section(QLatin1Char('\n'), 0, 0);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    const QStringList fields = line.split(QLatin1Char('\t'));
    return field >= 1 && field <= fields.size() ? fields.at(field - 1) : QString();
}

bool TerminalLink::pingWanted() const {
    const IniFile ini(QDir(m_programFolder).filePath(QStringLiteral("Daybook.ini")));
    return ini.readString(QStringLiteral("RunTimeConfig"), QStringLiteral("isPing")).trimmed() !=
           QLatin1String("1");
}

bool TerminalLink::connect(TClockInfo& clock) const {
    if (clock.isNetwork()) {
        if (pingWanted() && !Ping(clock.TCPIP_Address))
            return false;
    } else if (clock.handle != 0 && clock.handle != 0xFFFFFFFFu) {
        disconnect(clock);
    }
    const std::uint32_t handle = Connect(connectParameters(clock).constData());
    if (handle == 0)
        return false;
    clock.handle = handle;
    return true;
}

void TerminalLink::disconnect(TClockInfo& clock) {
    if (clock.handle == 0)
        return;
    Disconnect(clock.handle);
    clock.handle = 0;
}

std::optional<QString> TerminalLink::infoQuery(const TClockInfo& clock, const QString& items, bool allRest) {
    std::vector<char> buffer(kInfoBufferSize, '\0');
    const int result = InfoQuery(clock.handle, buffer.data(), kInfoBufferSize, items.toUtf8().constData());
    if (result < 0)
        return std::nullopt;
    return infoAnswerText(QByteArray(buffer.data(), int(qstrnlen(buffer.data(), buffer.size()))), allRest);
}

std::optional<int> TerminalLink::dataCount(const TClockInfo& clock, const QString& table,
                                           const QString& filter) {
    const int result = DataCount(clock.handle, table.toUtf8().constData(), filter.toUtf8().constData(), "");
    if (result < 0)
        return std::nullopt;
    return result;
}

bool TerminalLink::dataAppend(const TClockInfo& clock, const QString& table, const QString& data) {
    return DataAppend(clock.handle, table.toUtf8().constData(), data.toUtf8().constData(), "") >= 0;
}

std::optional<QueryAnswer> TerminalLink::dataQuery(const TClockInfo& clock, const QString& table,
                                                   const QString& filter, const QString& options) {
    std::vector<char> buffer(kQueryBufferSize, '\0');
    const int result = DataQuery(clock.handle, buffer.data(), kQueryBufferSize, table.toUtf8().constData(),
                                 "*", filter.toUtf8().constData(), options.toUtf8().constData());
    if (result < 0)
        return std::nullopt;
    return parseQueryAnswer(QByteArray(buffer.data(), int(qstrnlen(buffer.data(), buffer.size()))));
}

} // namespace allowance
