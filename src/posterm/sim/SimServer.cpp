#include "SimServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "StateFile.h"
#include "codec/FrameCodec.h"
#include "codec/TextCoding.h"

namespace posterm {

namespace {

constexpr std::size_t kMaxBody = 4u * 1024 * 1024;
constexpr std::size_t kMaxFramePayload = 16u * 1024 * 1024;
// Bytes of one frame follow each other closely even at 1200 bps.
constexpr long long kFrameGapMs = 500;
// A refused body up to this size is read away so the client sees the answer
// and keeps its connection; a larger one gets the answer and the connection closes.
constexpr std::size_t kMaxDiscard = 16u * 1024 * 1024;
constexpr long long kFirstAcceptPauseMs = 50;
constexpr long long kLongestAcceptPauseMs = 1000;

long long nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

bool splitAddress(const std::string& endpoint, sockaddr_in& addr) {
    const std::size_t colon = endpoint.rfind(':');
    if (colon == std::string::npos)
        return false;
    std::uint64_t port = 0;
    if (!parseUnsigned(std::string_view(endpoint).substr(colon + 1), port) || port > 65535)
        return false;
    addr = sockaddr_in{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(std::uint16_t(port));
    return inet_pton(AF_INET, endpoint.substr(0, colon).c_str(), &addr.sin_addr) == 1;
}

int listenOn(const std::string& endpoint, std::string& bound, std::string& error) {
    sockaddr_in addr{};
    if (!splitAddress(endpoint, addr)) {
        error = "not an IPv4 ADDR:PORT: " + endpoint;
        return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
        error = "cannot listen on " + endpoint + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    bound = std::string(text) + ":" + std::to_string(ntohs(addr.sin_port));
    return fd;
}

void printLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

SimServer::SimServer(std::string stateFile, int fixedToday, int idleTimeoutMs, int requestTimeoutMs)
    : m_stateFile(std::move(stateFile)), m_fixedToday(fixedToday), m_idleTimeoutMs(idleTimeoutMs),
      m_requestTimeoutMs(requestTimeoutMs) {}

SimServer::~SimServer() {
    for (const Listener& l : m_listeners)
        ::close(l.fd);
    for (const Connection& c : m_connections)
        ::close(c.fd);
    for (const SerialLine& line : m_lines) {
        ::close(line.master);
        ::close(line.slave);
    }
}

SimClock SimServer::clock() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    SimClock c;
    c.now = text;
    c.today = (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
    if (m_fixedToday > 0) {
        c.today = m_fixedToday;
        c.now = std::to_string(m_fixedToday) + c.now.substr(8);
    }
    return c;
}

bool SimServer::addNetworkTerminal(const std::string& endpoint, TerminalConfig config, std::string& error) {
    std::string bound;
    const int fd = listenOn(endpoint, bound, error);
    if (fd < 0)
        return false;
    Terminal t{std::make_unique<TerminalService>(std::move(config)), bound};
    m_listeners.push_back({fd, t.service.get()});
    m_terminals.push_back(std::move(t));
    printLine("listen " + bound);
    return true;
}

bool SimServer::addSerialLine(const std::vector<TerminalConfig>& configs, std::string& error) {
    SerialLine line;
    line.master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line.master < 0 || grantpt(line.master) != 0 || unlockpt(line.master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[128] = {};
    if (ptsname_r(line.master, name, sizeof name) != 0) {
        error = "cannot name the pseudo-terminal";
        return false;
    }
    line.path = name;
    line.slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (line.slave < 0 || tcgetattr(line.slave, &tio) != 0) {
        error = "cannot open " + line.path;
        return false;
    }
    cfmakeraw(&tio);
    tcsetattr(line.slave, TCSANOW, &tio);
    std::string ids;
    for (const TerminalConfig& config : configs) {
        Terminal t{std::make_unique<TerminalService>(config), line.path};
        line.terminals.push_back(t.service.get());
        m_terminals.push_back(std::move(t));
        ids += (ids.empty() ? "" : ",") + std::to_string(config.deviceId);
    }
    m_lines.push_back(std::move(line));
    printLine("serial " + ids + " " + m_lines.back().path);
    return true;
}

bool SimServer::addControl(const std::string& endpoint, std::string& error) {
    std::string bound;
    const int fd = listenOn(endpoint, bound, error);
    if (fd < 0)
        return false;
    m_listeners.push_back({fd, nullptr});
    printLine("control " + bound);
    return true;
}

bool SimServer::loadState(std::string& error) {
    if (m_stateFile.empty())
        return true;
    std::string text;
    if (!readWholeFile(m_stateFile, text))
        return true; // a new state file
    std::map<std::string, StoreState> states;
    if (!parseStateText(text, states, error)) {
        error = m_stateFile + ": " + error;
        return false;
    }
    for (Terminal& t : m_terminals) {
        auto it = states.find(t.service->config().key);
        if (it != states.end())
            t.service->store().restore(std::move(it->second));
    }
    return true;
}

void SimServer::saveState() {
    if (m_stateFile.empty())
        return;
    std::string text = "# posterm-sim state\n";
    for (const Terminal& t : m_terminals)
        text += formatTerminalState(t.service->config().key, t.service->store().state());
    if (!writeFileAtomically(m_stateFile, text))
        std::fprintf(stderr, "posterm-sim: cannot write %s: %s\n", m_stateFile.c_str(), std::strerror(errno));
}

TerminalService* SimServer::findTerminal(const std::string& name) {
    if (name.empty() && m_terminals.size() == 1)
        return m_terminals.front().service.get();
    for (const Terminal& t : m_terminals) {
        if (t.service->config().key == name ||
            (!t.address.empty() && t.address == name && t.address.compare(0, 5, "/dev/") != 0))
            return t.service.get();
    }
    return nullptr;
}

void SimServer::acceptOn(const Listener& listener) {
    while (true) {
        const int fd = ::accept4(listener.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors or memory: the connection waits in the backlog
            // and poll would report it again at once; rest the listeners.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                m_acceptPauseMs = m_acceptPauseMs == 0 ? kFirstAcceptPauseMs
                                                       : std::min(m_acceptPauseMs * 2, kLongestAcceptPauseMs);
                m_acceptPausedUntil = nowMs() + m_acceptPauseMs;
            }
            return;
        }
        m_acceptPauseMs = 0;
        Connection c;
        c.fd = fd;
        c.terminal = listener.terminal;
        c.lastActivity = nowMs();
        if (c.terminal)
            c.terminal->countConnection();
        m_connections.push_back(std::move(c));
    }
}

void SimServer::queueReply(Connection& c, const ServiceReply& reply) {
    c.out = reply.bytes;
    c.sent = 0;
    c.sendAt = nowMs() + reply.delayMs;
    c.limit = reply.dropAfter;
    c.closeAfter = reply.close || reply.dropAfter >= 0;
    c.busy = true;
    if (reply.changed)
        saveState();
}

ServiceReply SimServer::controlRequest(const HttpRequest& request) {
    std::vector<NameValue> params;
    ServiceReply reply;
    if (!parseQuery(request.query, params)) {
        reply.bytes = buildHttpAnswer(400, "malformed query\r\n", true);
        return reply;
    }
    const std::string* name = findValue(params, "terminal");
    if (request.path == "/v1/sim/status" && !name) {
        std::string body;
        for (const Terminal& t : m_terminals) {
            const StoreState& s = t.service->store().state();
            body += t.service->config().key + "\t" + t.address + "\t" +
                    std::to_string(t.service->config().deviceId) +
                    "\twaiting=" + std::to_string(s.waiting.size()) +
                    "\ttaken=" + std::to_string(s.taken.size()) + "\r\n";
        }
        reply.bytes = buildHttpAnswer(200, body, true);
        return reply;
    }
    TerminalService* terminal = findTerminal(name ? *name : std::string());
    if (!terminal) {
        reply.bytes = buildHttpAnswer(404, "unknown terminal\r\n", true);
        return reply;
    }
    return terminal->control(request.path, params, clock());
}

void SimServer::processConnection(Connection& c) {
    if (c.discard > 0) {
        const std::size_t n = std::min(c.discard, c.in.size());
        c.in.erase(0, n);
        c.discard -= n;
        if (c.discard == 0) {
            c.out = std::move(c.afterDiscard);
            c.busy = true;
        }
        return;
    }
    if (c.busy || c.in.empty())
        return;
    HttpRequest request;
    std::size_t consumed = 0;
    std::size_t bodyLength = 0;
    const ParseStatus status = parseHttpRequest(c.in, kMaxBody, request, consumed, bodyLength);
    if (status == ParseStatus::NeedMore)
        return;
    if (status == ParseStatus::Malformed || (status == ParseStatus::TooLarge && bodyLength == 0)) {
        ServiceReply reply =
            c.terminal ? c.terminal->reject(400, "malformed request", false) : ServiceReply{};
        if (!c.terminal)
            reply.bytes = buildHttpAnswer(400, "malformed request\r\n", false);
        reply.close = true;
        c.in.clear();
        queueReply(c, reply);
        return;
    }
    c.in.erase(0, consumed);
    const bool unauthenticated =
        c.terminal && request.path.compare(0, 8, "/v1/sim/") != 0 && !c.terminal->passwordAccepted(request);
    if (status == ParseStatus::TooLarge && (bodyLength > kMaxDiscard || unauthenticated)) {
        // Nobody waits for a body this large, nor for one from a client that
        // has not authenticated: answer and close.
        ServiceReply reply;
        if (unauthenticated)
            reply = c.terminal->reject(401, "wrong name or password", false);
        else if (c.terminal)
            reply = c.terminal->reject(413, "body larger than 4 MiB", false);
        else
            reply.bytes = buildHttpAnswer(413, "body larger than 4 MiB\r\n", false);
        reply.close = true;
        c.in.clear();
        queueReply(c, reply);
        return;
    }
    if (status == ParseStatus::TooLarge) {
        // Read the body away before answering so the client, still sending,
        // is not cut off; the connection then stays usable.
        ServiceReply reply = c.terminal ? c.terminal->reject(413, "body larger than 4 MiB", request.keepAlive)
                                        : ServiceReply{};
        if (!c.terminal)
            reply.bytes = buildHttpAnswer(413, "body larger than 4 MiB\r\n", true);
        reply.close = !request.keepAlive;
        queueReply(c, reply);
        c.afterDiscard = std::move(c.out);
        c.out.clear();
        c.busy = false;
        c.discard = bodyLength;
        processConnection(c);
        return;
    }
    if (c.terminal) {
        queueReply(c, c.terminal->handle(request, clock()));
    } else {
        ServiceReply reply = controlRequest(request);
        reply.close = reply.close || !request.keepAlive;
        queueReply(c, reply);
    }
}

void SimServer::readConnection(Connection& c) {
    char chunk[65536];
    while (true) {
        const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            c.in.append(chunk, std::size_t(n));
            c.lastActivity = nowMs();
            processConnection(c);
            if (c.in.size() > kMaxBody + kMaxHeaderBytes * 2 && c.discard == 0)
                return; // hold further bytes until the answer is out
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // End of file or an error: an answer still pending is tried, then the
        // connection goes.
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            c.closeAfter = true;
        return;
    }
}

bool SimServer::writeConnection(Connection& c) {
    while (c.sent < c.out.size()) {
        std::size_t want = c.out.size() - c.sent;
        if (c.limit >= 0)
            want =
                std::min<std::size_t>(want, std::size_t(std::max<long long>(0, c.limit - (long long)c.sent)));
        if (want == 0)
            return false;
        const ssize_t n = ::send(c.fd, c.out.data() + c.sent, want, MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return true;
        if (n <= 0)
            return false;
        c.sent += std::size_t(n);
        c.lastActivity = nowMs();
    }
    c.out.clear();
    c.sent = 0;
    c.busy = false;
    if (c.closeAfter)
        return false;
    processConnection(c);
    return true;
}

void SimServer::readLine(SerialLine& line) {
    char chunk[65536];
    while (true) {
        const ssize_t n = ::read(line.master, chunk, sizeof chunk);
        if (n <= 0)
            break;
        line.in.append(chunk, std::size_t(n));
        line.lastInput = nowMs();
    }
    decodeLine(line);
}

void SimServer::decodeLine(SerialLine& line) {
    while (!line.in.empty()) {
        Frame frame;
        std::size_t consumed = 0;
        const FrameStatus status = decodeFrame(line.in, kMaxFramePayload, frame, consumed);
        if (status == FrameStatus::NeedMore)
            break;
        line.in.erase(0, consumed);
        if (status != FrameStatus::Frame)
            continue;
        TerminalService* terminal = nullptr;
        for (TerminalService* t : line.terminals) {
            if (t->config().deviceId == frame.id)
                terminal = t;
        }
        if (!terminal)
            continue; // another device's frame: stay silent
        HttpRequest request;
        std::size_t used = 0;
        std::size_t bodyLength = 0;
        const ParseStatus parsed = parseHttpRequest(frame.payload, kMaxBody, request, used, bodyLength);
        ServiceReply reply;
        if (parsed == ParseStatus::Complete && used == frame.payload.size())
            reply = terminal->handle(request, clock());
        else if (parsed == ParseStatus::TooLarge && bodyLength > 0)
            reply = terminal->reject(413, "body larger than 4 MiB", true);
        else
            reply = terminal->reject(400, "malformed request", true);
        if (reply.changed)
            saveState();
        std::string bytes = encodeFrame(frame.id, reply.bytes);
        if (reply.noise)
            bytes.insert(0, std::string("\x02\x00\x00\x10\x00\x00", 6)); // claims 1 MiB, sends nothing
        if (reply.dropAfter >= 0 && std::size_t(reply.dropAfter) < bytes.size())
            bytes.resize(std::size_t(reply.dropAfter));
        line.out.push_back({nowMs() + reply.delayMs, std::move(bytes)});
    }
}

void SimServer::writeLine(SerialLine& line) {
    while (!line.out.empty() && line.out.front().sendAt <= nowMs()) {
        PendingFrame& frame = line.out.front();
        while (line.sent < frame.bytes.size()) {
            const ssize_t n =
                ::write(line.master, frame.bytes.data() + line.sent, frame.bytes.size() - line.sent);
            if (n <= 0)
                return;
            line.sent += std::size_t(n);
        }
        line.out.pop_front();
        line.sent = 0;
    }
}

bool SimServer::readingRequest(const Connection& c) {
    return c.discard > 0 || (!c.busy && !c.in.empty());
}

int SimServer::run(const volatile std::sig_atomic_t& stop) {
    std::vector<pollfd> fds;
    while (!stop) {
        fds.clear();
        const long long now = nowMs();
        long long wakeAt = now + 1000;
        const bool acceptPaused = m_acceptPausedUntil > now;
        if (acceptPaused)
            wakeAt = std::min(wakeAt, m_acceptPausedUntil);
        for (const Listener& l : m_listeners)
            fds.push_back({l.fd, short(acceptPaused ? 0 : POLLIN), 0});
        for (Connection& c : m_connections) {
            short events = 0;
            if (c.in.size() <= kMaxBody + kMaxHeaderBytes * 2 || c.discard > 0)
                events |= POLLIN;
            if (c.busy && !c.out.empty()) {
                if (c.sendAt <= now)
                    events |= POLLOUT;
                else
                    wakeAt = std::min(wakeAt, c.sendAt);
            }
            if (!c.busy && c.discard == 0)
                wakeAt = std::min(wakeAt, c.lastActivity + m_idleTimeoutMs + 1);
            if (c.requestStarted > 0)
                wakeAt = std::min(wakeAt, c.requestStarted + m_requestTimeoutMs + 1);
            fds.push_back({c.fd, events, 0});
        }
        for (const SerialLine& line : m_lines) {
            short events = POLLIN;
            if (!line.in.empty())
                wakeAt = std::min(wakeAt, line.lastInput + kFrameGapMs + 1);
            if (!line.out.empty()) {
                if (line.out.front().sendAt <= now)
                    events |= POLLOUT;
                else
                    wakeAt = std::min(wakeAt, line.out.front().sendAt);
            }
            fds.push_back({line.master, events, 0});
        }
        const int ready = ::poll(fds.data(), fds.size(), int(std::max<long long>(0, wakeAt - now)));
        if (ready < 0 && errno != EINTR)
            return 1;

        std::size_t i = 0;
        for (const Listener& l : m_listeners) {
            if (fds[i++].revents & POLLIN)
                acceptOn(l);
        }
        const long long after = nowMs();
        for (auto it = m_connections.begin(); it != m_connections.end(); ++i) {
            Connection& c = *it;
            bool keep = true;
            const short revents = i < fds.size() && fds[i].fd == c.fd ? fds[i].revents : 0;
            if (revents & (POLLIN | POLLHUP | POLLERR))
                readConnection(c);
            if (c.closeAfter && !c.busy)
                keep = false;
            if (keep && c.busy && !c.out.empty() && c.sendAt <= after)
                keep = writeConnection(c);
            if (keep && !c.busy && c.discard == 0 && after - c.lastActivity > m_idleTimeoutMs)
                keep = false;
            // A request trickling in (or a body being read away) keeps the
            // connection active but must still end in time.
            if (!readingRequest(c))
                c.requestStarted = 0;
            else if (c.requestStarted == 0)
                c.requestStarted = after;
            else if (keep && after - c.requestStarted > m_requestTimeoutMs)
                keep = false;
            if (keep) {
                ++it;
            } else {
                ::close(c.fd);
                it = m_connections.erase(it);
            }
        }
        for (SerialLine& line : m_lines) {
            if (fds[fds.size() - m_lines.size() + std::size_t(&line - m_lines.data())].revents & POLLIN)
                readLine(line);
            // A frame left unfinished (a sender cut off mid-frame, or a stray
            // STX read as the start of one) must not swallow the requests
            // behind it: after a quiet spell, look for the next STX.
            if (!line.in.empty() && after - line.lastInput > kFrameGapMs) {
                const std::size_t next = line.in.find(kStx, 1);
                line.in.erase(0, next == std::string::npos ? line.in.size() : next);
                line.lastInput = after;
                decodeLine(line);
            }
            writeLine(line);
        }
    }
    return 0;
}

} // namespace posterm
