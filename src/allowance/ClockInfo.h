#pragma once
// One terminal of table `clocks` with what it takes to reach it, copied by
// value into every worker that talks to it.
#include <QByteArray>
#include <QString>

#include <cstdint>

class QSqlRecord;

namespace allowance {

struct TClockInfo {
    std::uint32_t handle = 0; // 0: not connected
    int clock_id = 0;
    int comport = 0;
    int BaudRate = 0;
    int clock_type = 0;
    int TCPIP_type = 0; // 0 network, 1 RS485, anything else RS232
    QString TCPIP_Address;
    int TCPIP_Port = 0; // kept for display; the link always uses port 80
    int commkey = 0;
    quint8 pending = 0; // the download window's "has open tasks" flag
    QString clock_sn;
    QString clock_name;

    bool isNetwork() const { return TCPIP_type == 0; }
    // Terminals that take allowances have bit 4 in their type.
    bool takesAllowances() const { return (clock_type & 4) != 0; }

    // Fills from a row of "select * from clocks"; nulls read as 0 or empty.
    static TClockInfo fromRecord(const QSqlRecord& record);
};

// The parameter string Connect is given for this terminal:
//   protocol=HTTP,ipaddress=<address>,port=80,name=root,passwd=<commkey>
//   protocol=RS485,port=COM<n>,baudrate=<rate>bps,deviceid=<clock_id>,timeout=20000,passwd=<commkey>
// (RS232 alike).
QByteArray connectParameters(const TClockInfo& clock);

} // namespace allowance
