#include "NetTransport.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "codec/AnswerRules.h"

namespace posterm {

namespace {
// The largest answer the library takes in; buffers callers pass are 4 MiB.
constexpr std::size_t kMaxAnswerBody = 64u * 1024 * 1024;
} // namespace

long long monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

NetTransport::NetTransport(std::string address, int port, int connectTimeoutMs, int requestTimeoutMs)
    : m_address(std::move(address)), m_port(port), m_connectTimeoutMs(connectTimeoutMs),
      m_requestTimeoutMs(requestTimeoutMs) {}

NetTransport::~NetTransport() {
    closeSocket();
}

std::string NetTransport::hostName() const {
    return m_port == 80 ? m_address : m_address + ":" + std::to_string(m_port);
}

void NetTransport::closeSocket() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool NetTransport::openSocket() {
    closeSocket();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(m_port);
    if (getaddrinfo(m_address.c_str(), service.c_str(), &hints, &list) != 0 || !list)
        return false;
    const long long deadline = monotonicMs() + m_connectTimeoutMs;
    for (addrinfo* ai = list; ai && m_fd < 0; ai = ai->ai_next) {
        const int fd =
            ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
        if (fd < 0)
            continue;
        int rc = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
        if (rc < 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            const long long wait = deadline - monotonicMs();
            rc = wait > 0 ? ::poll(&p, 1, int(wait)) : 0;
            int error = 0;
            socklen_t len = sizeof error;
            if (rc == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0)
                rc = 0;
            else
                rc = -1;
        }
        if (rc == 0) {
            const int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            m_fd = fd;
        } else {
            ::close(fd);
        }
    }
    freeaddrinfo(list);
    return m_fd >= 0;
}

// A kept-alive connection the terminal has closed reads as end of file (or
// shows unexpected bytes); either way it cannot carry the next request.
bool NetTransport::peerHasClosed() const {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return false;
    return true;
}

bool NetTransport::sendAll(const std::string& data, long long deadline) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{m_fd, POLLOUT, 0};
            const long long wait = deadline - monotonicMs();
            if (wait <= 0 || ::poll(&p, 1, int(wait)) <= 0)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

int NetTransport::receive(HttpAnswer& answer, long long deadline, bool& receivedAny) {
    std::string data;
    char chunk[65536];
    receivedAny = false;
    while (true) {
        pollfd p{m_fd, POLLIN, 0};
        const long long wait = deadline - monotonicMs();
        if (wait <= 0)
            return kNoConnection;
        const int ready = ::poll(&p, 1, int(wait));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return kNoConnection;
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        std::size_t consumed = 0;
        if (n <= 0) {
            // The terminal closed (or reset) the connection. An answer that
            // was still arriving was cut off; one without a length ends here.
            if (data.empty())
                return kNoConnection;
            const ParseStatus open = parseHttpAnswer(data, false, kMaxAnswerBody, answer, consumed);
            if (open == ParseStatus::Malformed || open == ParseStatus::TooLarge)
                return kMalformed;
            if (open == ParseStatus::Complete) {
                answer.keepAlive = false;
                return kOk;
            }
            const ParseStatus closed = parseHttpAnswer(data, true, kMaxAnswerBody, answer, consumed);
            if (closed == ParseStatus::Complete && !answer.header("Content-Length") &&
                !answer.header("Transfer-Encoding"))
                return kOk;
            return kNoConnection;
        }
        receivedAny = true;
        data.append(chunk, std::size_t(n));
        const ParseStatus status = parseHttpAnswer(data, false, kMaxAnswerBody, answer, consumed);
        if (status == ParseStatus::Complete) {
            // Bytes after the answer mean the two sides disagree on framing.
            if (consumed != data.size())
                answer.keepAlive = false;
            return kOk;
        }
        if (status != ParseStatus::NeedMore)
            return kMalformed;
    }
}

int NetTransport::exchange(const std::string& request, bool repeatable, HttpAnswer& answer) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool reused = m_fd >= 0;
        if (reused && peerHasClosed()) {
            closeSocket();
            reused = false;
        }
        if (m_fd < 0 && !openSocket())
            return kNoConnection;
        const long long deadline = monotonicMs() + m_requestTimeoutMs;
        if (!sendAll(request, deadline)) {
            closeSocket();
            if (reused && repeatable)
                continue;
            return kNoConnection;
        }
        bool receivedAny = false;
        const int result = receive(answer, deadline, receivedAny);
        if (result == kOk) {
            if (!answer.keepAlive)
                closeSocket();
            return kOk;
        }
        closeSocket();
        if (result == kNoConnection && reused && repeatable && !receivedAny && monotonicMs() < deadline)
            continue;
        return result;
    }
    return kNoConnection;
}

} // namespace posterm
