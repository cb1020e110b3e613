#pragma once
// One simulated terminal: answers the protocol's requests (checking the
// password), the simulator's control requests, and applies the fault
// switches a test sets.
#include <cstdint>
#include <string>

#include "TerminalStore.h"
#include "codec/HttpMessage.h"
#include "codec/TextCoding.h"

namespace posterm {

struct TerminalConfig {
    std::string key;    // name in the state file and in control requests
    std::string passwd; // expected password
    std::string fwVersion = "Ver 2.0";
    std::string serial;
    int deviceId = 1;
};

// Switches that make the terminal misbehave, set by control requests.
struct FaultSwitches {
    int refuseAppends = 0;    // the next n appends are answered 500
    long long dropAfter = -1; // the next answer is cut after this many bytes
    int delayMs = 0;          // every answer waits this long
    int garbageAnswers = 0;   // the next n answers are not HTTP
    int closeAnswers = 0;     // the next n answers carry Connection: close
    bool wrongPasswd = false; // every password is refused
    int noisyAnswers = 0;     // serial: the next n answers follow the start of a frame that never ends
    // Append faults: the next appends after `appendsBeforeFault` good ones are
    // refused (refuseAppends) or stored with their answer cut (dropAppendAfter).
    int appendsBeforeFault = 0;
    long long dropAppendAfter = -1;
};

// What goes back on the line for one request.
struct ServiceReply {
    std::string bytes;        // the whole answer
    bool close = false;       // close the connection after it
    long long dropAfter = -1; // send only this many bytes, then close
    int delayMs = 0;
    bool noise = false;
    bool changed = false; // tables changed: save the state
};

class TerminalService {
public:
    explicit TerminalService(TerminalConfig config);

    // A request read whole from a connection or a frame.
    ServiceReply handle(const HttpRequest& request, const SimClock& clock);
    // A request whose body is over the limit (the connection may stay), or
    // one that is no HTTP at all (it may not).
    ServiceReply reject(int status, const std::string& message, bool keepAlive);
    // Control requests (/v1/sim/...): swipe, fault, set, dump, status.
    // `params` are the decoded query parameters.
    ServiceReply control(const std::string& path, const std::vector<NameValue>& params,
                         const SimClock& clock);

    const TerminalConfig& config() const { return m_config; }
    TerminalStore& store() { return m_store; }
    const FaultSwitches& faults() const { return m_faults; }
    void countConnection() { ++m_connections; }

    // The request's Basic credentials name root with the terminal's password.
    bool passwordAccepted(const HttpRequest& request) const;

private:
    ServiceReply finish(int status, const std::string& body, bool keepAlive, bool changed, bool faultsApply);
    StoreReply info(const std::string& items) const;

    TerminalConfig m_config;
    TerminalStore m_store;
    FaultSwitches m_faults;
    std::uint64_t m_requests = 0;
    std::uint64_t m_connections = 0;
};

} // namespace posterm
