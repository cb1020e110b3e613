// posterm-sim: simulates one or many POS terminals speaking the terminal wire
// protocol, on loopback TCP addresses and on pseudo-terminals.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "SimServer.h"
#include "codec/Records.h"
#include "codec/TextCoding.h"

namespace {

const char kUsage[] = "usage: posterm-sim [options]\n"
                      "  --listen ADDR:PORT    a network terminal (repeatable; port 0 takes a free port)\n"
                      "  --serial ID[,ID...]   serial terminals sharing one pseudo-terminal (repeatable)\n"
                      "  --control ADDR:PORT   control requests (swipe, faults, dump, status)\n"
                      "  --state FILE          keep the tables in FILE across restarts\n"
                      "  --passwd N            terminal password (default 0)\n"
                      "  --fw TEXT             firmware version (default \"Ver 2.0\")\n"
                      "  --sn TEXT             serial number\n"
                      "  --today YYYYMMDD      the terminals' date (default: the system date)\n"
                      "  --idle-timeout MS     close idle kept-alive connections (default 30000)\n"
                      "  --request-timeout MS  close a connection whose request is not complete this\n"
                      "                        long after its first byte (default 30000)\n"
                      "--passwd, --fw and --sn apply to the terminals named after them; terminals\n"
                      "named before the first one take its value. Prints one line per terminal\n"
                      "(\"listen ADDR:PORT\", \"serial IDS PATH\"), \"control ADDR:PORT\", then \"ready\".\n";

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) {
    g_stop = 1;
}

struct Setting {
    std::size_t position;
    std::string value;
};

// The value in force at `position`: the last one given before it, else the first one given.
std::string settingAt(const std::vector<Setting>& settings, std::size_t position,
                      const std::string& fallback) {
    std::string value = settings.empty() ? fallback : settings.front().value;
    for (const Setting& s : settings) {
        if (s.position < position)
            value = s.value;
    }
    return value;
}

struct TerminalFlag {
    std::size_t position;
    bool serial;
    std::string endpoint;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<TerminalFlag> terminals;
    std::vector<Setting> passwds, firmwares, serials;
    std::string stateFile, control;
    int today = 0;
    int idleTimeout = 30000;
    int requestTimeout = 30000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "posterm-sim: %s needs a value\n%s", arg.c_str(), kUsage);
            return 2;
        }
        const std::string value = argv[++i];
        const std::size_t position = std::size_t(i);
        std::uint64_t number = 0;
        if (arg == "--listen") {
            terminals.push_back({position, false, value});
        } else if (arg == "--serial") {
            terminals.push_back({position, true, value});
        } else if (arg == "--control") {
            control = value;
        } else if (arg == "--state") {
            stateFile = value;
        } else if (arg == "--passwd") {
            passwds.push_back({position, value});
        } else if (arg == "--fw") {
            firmwares.push_back({position, value});
        } else if (arg == "--sn") {
            serials.push_back({position, value});
        } else if (arg == "--today" && value.size() == 8 && posterm::parseUnsigned(value, number) &&
                   posterm::isValidDate(int(number))) {
            today = int(number);
        } else if (arg == "--idle-timeout" && posterm::parseUnsigned(value, number) && number <= 3600000) {
            idleTimeout = int(number);
        } else if (arg == "--request-timeout" && posterm::parseUnsigned(value, number) && number >= 1 &&
                   number <= 3600000) {
            requestTimeout = int(number);
        } else {
            std::fprintf(stderr, "posterm-sim: bad option %s %s\n%s", arg.c_str(), value.c_str(), kUsage);
            return 2;
        }
    }
    if (terminals.empty()) {
        std::fprintf(stderr, "posterm-sim: no terminal given\n%s", kUsage);
        return 2;
    }

    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    posterm::SimServer server(stateFile, today, idleTimeout, requestTimeout);
    std::string error;
    std::set<std::string> keys;
    std::set<int> serialIds;
    int networkCount = 0;
    for (const TerminalFlag& flag : terminals) {
        const auto configFor = [&](std::string key, int deviceId, std::string defaultSerial) {
            posterm::TerminalConfig config;
            config.key = std::move(key);
            config.deviceId = deviceId;
            config.passwd = settingAt(passwds, flag.position, "0");
            config.fwVersion = settingAt(firmwares, flag.position, "Ver 2.0");
            config.serial = settingAt(serials, flag.position, defaultSerial);
            return config;
        };
        if (!flag.serial) {
            ++networkCount;
            // Terminals keep their tables under the address as written, so a
            // restart with the same arguments finds them again.
            std::string key = flag.endpoint;
            for (int n = 2; keys.count(key); ++n)
                key = flag.endpoint + "#" + std::to_string(n);
            keys.insert(key);
            if (!server.addNetworkTerminal(
                    flag.endpoint, configFor(key, networkCount, "SIMNET" + std::to_string(networkCount)),
                    error)) {
                std::fprintf(stderr, "posterm-sim: %s\n", error.c_str());
                return 1;
            }
            continue;
        }
        std::vector<posterm::TerminalConfig> configs;
        for (const std::string_view idText : posterm::split(flag.endpoint, ',')) {
            std::uint64_t id = 0;
            if (!posterm::parseUnsigned(posterm::trim(idText), id) || id > 255 ||
                !serialIds.insert(int(id)).second) {
                std::fprintf(stderr, "posterm-sim: bad or repeated serial id in %s\n", flag.endpoint.c_str());
                return 2;
            }
            configs.push_back(configFor("rs" + std::to_string(id), int(id), "SIMRS" + std::to_string(id)));
        }
        if (!server.addSerialLine(configs, error)) {
            std::fprintf(stderr, "posterm-sim: %s\n", error.c_str());
            return 1;
        }
    }
    if (!control.empty() && !server.addControl(control, error)) {
        std::fprintf(stderr, "posterm-sim: %s\n", error.c_str());
        return 1;
    }
    if (!server.loadState(error)) {
        std::fprintf(stderr, "posterm-sim: %s\n", error.c_str());
        return 1;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    return server.run(g_stop);
}
