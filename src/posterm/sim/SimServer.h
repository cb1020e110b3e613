#pragma once
// The simulator's event loop: network terminals on TCP listeners, serial
// terminals behind pseudo-terminals, and the control listener, all served by
// one thread with poll().
#include <csignal>
#include <deque>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "TerminalService.h"

namespace posterm {

class SimServer {
public:
    // A request must be complete (a refused body read away) within
    // `requestTimeoutMs` of its first byte, however slowly it trickles in.
    SimServer(std::string stateFile, int fixedToday, int idleTimeoutMs, int requestTimeoutMs);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // "ADDR:PORT"; port 0 takes a free port. Prints "listen ADDR:PORT".
    bool addNetworkTerminal(const std::string& endpoint, TerminalConfig config, std::string& error);
    // One pseudo-terminal shared by these RS485 ids. Prints "serial IDS PATH".
    bool addSerialLine(const std::vector<TerminalConfig>& configs, std::string& error);
    // Prints "control ADDR:PORT".
    bool addControl(const std::string& endpoint, std::string& error);
    // Loads the state file when it exists; terminals keep their tables by key.
    bool loadState(std::string& error);
    // Serves until `stop` becomes non-zero.
    int run(const volatile std::sig_atomic_t& stop);

private:
    struct Terminal {
        std::unique_ptr<TerminalService> service;
        std::string address; // bound address of a network terminal
    };
    struct Listener {
        int fd = -1;
        TerminalService* terminal = nullptr; // nullptr: the control listener
    };
    struct Connection {
        int fd = -1;
        TerminalService* terminal = nullptr;
        std::string in;
        std::string out; // answer being sent
        std::size_t sent = 0;
        long long sendAt = 0; // answer held back until then
        long long limit = -1; // close after this many bytes of the answer
        bool closeAfter = false;
        bool busy = false;        // an answer is pending; read no further request yet
        std::size_t discard = 0;  // body bytes of a refused request still to skip
        std::string afterDiscard; // answer to send once they are skipped
        long long lastActivity = 0;
        long long requestStarted = 0; // first byte of the request being read; 0: none
    };
    struct PendingFrame {
        long long sendAt = 0;
        std::string bytes;
    };
    struct SerialLine {
        int master = -1;
        int slave = -1; // kept open so the line never hangs up between clients
        std::string path;
        std::vector<TerminalService*> terminals;
        std::string in;
        std::deque<PendingFrame> out;
        std::size_t sent = 0;
        long long lastInput = 0; // when the last byte arrived
    };

    SimClock clock() const;
    void acceptOn(const Listener& listener);
    void readConnection(Connection& c);
    void processConnection(Connection& c);
    void queueReply(Connection& c, const ServiceReply& reply);
    bool writeConnection(Connection& c); // false: close it
    ServiceReply controlRequest(const HttpRequest& request);
    void readLine(SerialLine& line);
    void decodeLine(SerialLine& line);
    void writeLine(SerialLine& line);
    TerminalService* findTerminal(const std::string& name);
    void saveState();
    // True while a request is being read (or a refused body read away).
    static bool readingRequest(const Connection& c);

    std::string m_stateFile;
    int m_fixedToday;
    int m_idleTimeoutMs;
    int m_requestTimeoutMs;
    // After accept fails for want of descriptors or memory the listeners rest
    // until then (doubling pauses), instead of waking poll at once again.
    long long m_acceptPausedUntil = 0;
    long long m_acceptPauseMs = 0;
    std::vector<Terminal> m_terminals;
    std::vector<Listener> m_listeners;
    std::list<Connection> m_connections;
    std::vector<SerialLine> m_lines;
};

} // namespace posterm
