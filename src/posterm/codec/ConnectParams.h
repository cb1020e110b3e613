#pragma once
// The parameter string of Connect and the look-up of serial device paths.
//   protocol=HTTP,ipaddress=10.0.0.5,port=80,name=root,passwd=0
//   protocol=RS485,port=COM3,baudrate=9600bps,deviceid=4,timeout=20000,passwd=0
#include <optional>
#include <string>
#include <string_view>

namespace posterm {

enum class Protocol { Http, Rs485, Rs232 };

struct ConnectParams {
    Protocol protocol = Protocol::Http;
    std::string address;   // network
    int port = 80;         // network
    int comNumber = 0;     // serial: n of COMn
    int baudRate = 9600;   // serial
    int deviceId = 0;      // serial
    int timeoutMs = 20000; // answer time-out (serial; also honoured on the network)
    std::string name = "root";
    std::string passwd;
};

// Keys in any letter case, blanks around keys and values ignored, unknown keys
// ignored. False when a required key is missing or a number is malformed.
bool parseConnectParams(std::string_view text, ConnectParams& out);

// Value of `key` in `section` of an INI text (names in any letter case).
std::optional<std::string> iniValue(std::string_view text, std::string_view section, std::string_view key);

// Device path of COMn: the SerialPorts section of Daybook.ini when it names
// one, else /dev/ttyS(n-1).
std::string serialDevicePath(int comNumber, std::string_view daybookIniText);

} // namespace posterm
