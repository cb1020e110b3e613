#include "ConnectParams.h"

#include "TextCoding.h"

namespace posterm {

namespace {

bool toInt(std::string_view text, int low, int high, int& out) {
    std::uint64_t value = 0;
    if (!parseUnsigned(trim(text), value) || value < std::uint64_t(low) || value > std::uint64_t(high))
        return false;
    out = int(value);
    return true;
}

} // namespace

bool parseConnectParams(std::string_view text, ConnectParams& out) {
    out = ConnectParams();
    std::vector<NameValue> pairs;
    for (const std::string_view part : split(text, ',')) {
        if (trim(part).empty())
            continue;
        const std::size_t eq = part.find('=');
        if (eq == std::string_view::npos)
            return false;
        pairs.push_back({toLower(trim(part.substr(0, eq))), std::string(trim(part.substr(eq + 1)))});
    }
    const std::string* protocol = findValue(pairs, "protocol");
    if (!protocol)
        return false;
    if (equalsNoCase(*protocol, "HTTP"))
        out.protocol = Protocol::Http;
    else if (equalsNoCase(*protocol, "RS485"))
        out.protocol = Protocol::Rs485;
    else if (equalsNoCase(*protocol, "RS232"))
        out.protocol = Protocol::Rs232;
    else
        return false;

    if (const std::string* passwd = findValue(pairs, "passwd"))
        out.passwd = *passwd;
    if (const std::string* name = findValue(pairs, "name"); name && !name->empty())
        out.name = *name;
    if (const std::string* timeout = findValue(pairs, "timeout")) {
        if (!toInt(*timeout, 1, 3600000, out.timeoutMs))
            return false;
    }

    if (out.protocol == Protocol::Http) {
        const std::string* address = findValue(pairs, "ipaddress");
        if (!address || address->empty())
            return false;
        out.address = *address;
        if (const std::string* port = findValue(pairs, "port")) {
            if (!toInt(*port, 1, 65535, out.port))
                return false;
        }
        return true;
    }

    const std::string* port = findValue(pairs, "port");
    if (!port || port->size() < 4 || !equalsNoCase(std::string_view(*port).substr(0, 3), "COM") ||
        !toInt(std::string_view(*port).substr(3), 1, 255, out.comNumber))
        return false;
    if (const std::string* baud = findValue(pairs, "baudrate")) {
        std::string_view digits = *baud;
        if (digits.size() > 3 && equalsNoCase(digits.substr(digits.size() - 3), "bps"))
            digits.remove_suffix(3);
        if (!toInt(digits, 50, 4000000, out.baudRate))
            return false;
    }
    if (const std::string* id = findValue(pairs, "deviceid")) {
        if (!toInt(*id, 0, 255, out.deviceId))
            return false;
    } else if (out.protocol == Protocol::Rs485) {
        return false;
    }
    return true;
}

std::optional<std::string> iniValue(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    for (std::string_view line : splitLines(text)) {
        if (line.size() >= 3 && std::uint8_t(line[0]) == 0xEF && std::uint8_t(line[1]) == 0xBB &&
            std::uint8_t(line[2]) == 0xBF)
            line.remove_prefix(3);
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inSection =
                close != std::string_view::npos && equalsNoCase(trim(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && equalsNoCase(trim(line.substr(0, eq)), key))
            return std::string(trim(line.substr(eq + 1)));
    }
    return std::nullopt;
}

std::string serialDevicePath(int comNumber, std::string_view daybookIniText) {
    const std::optional<std::string> configured =
        iniValue(daybookIniText, "SerialPorts", "COM" + std::to_string(comNumber));
    if (configured && !configured->empty())
        return *configured;
    return "/dev/ttyS" + std::to_string(comNumber - 1);
}

} // namespace posterm
