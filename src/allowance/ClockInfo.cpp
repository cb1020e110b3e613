#include "allowance/ClockInfo.h"

#include <QSqlRecord>
#include <QVariant>

namespace allowance {

namespace {
int intField(const QSqlRecord& record, const char* name) {
    const int i = record.indexOf(QLatin1String(name));
    return i < 0 ? 0 : record.value(i).toInt();
}
QString textField(const QSqlRecord& record, const char* name) {
    const int i = record.indexOf(QLatin1String(name));
    return i < 0 ? QString() : record.value(i).toString();
}
} // namespace

TClockInfo TClockInfo::fromRecord(const QSqlRecord& record) {
    TClockInfo c;
    c.clock_id = intField(record, "clock_id");
    c.comport = intField(record, "comport");
    c.BaudRate = intField(record, "BaudRate");
    c.clock_type = textField(record, "clock_type").trimmed().toInt();
    c.TCPIP_type = intField(record, "TCPIP_type");
    c.TCPIP_Address = textField(record, "TCPIP_Address").trimmed();
    c.TCPIP_Port = intField(record, "TCPIP_Port");
    c.commkey = intField(record, "commkey");
    c.clock_sn = textField(record, "clock_sn");
    c.clock_name = textField(record, "clock_name");
    return c;
}

QByteArray connectParameters(const TClockInfo& clock) {
    if (clock.isNetwork())
        return QStringLiteral("protocol=HTTP,ipaddress=%1,port=80,name=root,passwd=%2")
            .arg(clock.TCPIP_Address, QString::number(clock.commkey))
            .toUtf8();
    const QString protocol = clock.TCPIP_type == 1 ? QStringLiteral("RS485") : QStringLiteral("RS232");
    return QStringLiteral("protocol=%1,port=COM%2,baudrate=%3bps,deviceid=%4,timeout=20000,passwd=%5")
        .arg(protocol, QString::number(clock.comport), QString::number(clock.BaudRate),
             QString::number(clock.clock_id), QString::number(clock.commkey))
        .toUtf8();
}

} // namespace allowance
