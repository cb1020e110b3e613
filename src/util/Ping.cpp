#include "util/Ping.h"

#include <QAtomicInteger>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QtEndian>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kHeader = 8; // type, code, checksum, identifier, sequence
constexpr unsigned char kEchoReply = 0;
constexpr unsigned char kEchoRequest = 8;
constexpr unsigned char kFill = 0xAA;

QAtomicInteger<quint16> g_sequence(0);

class Socket {
public:
    Socket() {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (m_fd < 0) {
            m_fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
            m_raw = m_fd >= 0;
        }
    }
    ~Socket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }
    bool raw() const { return m_raw; }

private:
    int m_fd = -1;
    bool m_raw = false;
};

// Strips the IP header a raw socket delivers; nullptr when malformed.
const unsigned char* icmpPart(const unsigned char* packet, int length, bool raw, int* icmpLength) {
    if (!raw) {
        *icmpLength = length;
        return packet;
    }
    if (length < 20)
        return nullptr;
    const int ihl = (packet[0] & 0x0F) * 4;
    if (ihl < 20 || ihl > length)
        return nullptr;
    *icmpLength = length - ihl;
    return packet + ihl;
}
} // namespace

bool parseDottedIPv4(const QString& address, quint32* networkOrder) {
    const QByteArray text = address.trimmed().toLatin1();
    if (text.isEmpty() || address.trimmed().size() != text.size())
        return false;
    in_addr addr{};
    // inet_pton accepts exactly four decimal parts of 0..255.
    if (::inet_pton(AF_INET, text.constData(), &addr) != 1)
        return false;
    *networkOrder = addr.s_addr;
    return true;
}

quint16 icmpChecksum(const unsigned char* data, int length) {
    quint32 sum = 0;
    for (int i = 0; i + 1 < length; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (length % 2)
        sum += quint32(data[length - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

bool Ping(const QString& address, const PingOptions& options) {
    quint32 target = 0;
    if (!parseDottedIPv4(address, &target))
        return false;
    Socket sock;
    if (sock.fd() < 0) {
        // Said once: every later ping fails for the same reason.
        static QAtomicInt told(0);
        if (told.testAndSetRelaxed(0, 1))
            qWarning("Ping: no ICMP socket (datagram ICMP not permitted by net.ipv4.ping_group_range "
                     "and no raw socket without CAP_NET_RAW): %s",
                     strerror(errno));
        return false;
    }
    const int ttl = options.ttl;
    ::setsockopt(sock.fd(), IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);

    const quint16 identifier = quint16(::getpid() & 0xFFFF);
    const quint16 sequence = quint16(g_sequence.fetchAndAddRelaxed(1) + 1);
    const int dataSize = qMax(0, options.dataSize);
    QByteArray packet(kHeader + dataSize, char(kFill));
    auto* p = reinterpret_cast<unsigned char*>(packet.data());
    p[0] = kEchoRequest;
    p[1] = 0;
    qToBigEndian<quint16>(0, p + 2);
    qToBigEndian<quint16>(identifier, p + 4);
    qToBigEndian<quint16>(sequence, p + 6);
    qToBigEndian<quint16>(icmpChecksum(p, int(packet.size())), p + 2);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = target;
    if (::sendto(sock.fd(), packet.constData(), size_t(packet.size()), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to) != packet.size())
        return false;

    QDeadlineTimer deadline(qMax(0, options.timeoutMs));
    QByteArray buffer(kHeader + dataSize + 128, Qt::Uninitialized);
    for (;;) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return false;
        pollfd pfd{sock.fd(), POLLIN, 0};
        const int ready = ::poll(&pfd, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = ::recvfrom(sock.fd(), buffer.data(), size_t(buffer.size()), 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        if (from.sin_addr.s_addr != target)
            continue;
        int icmpLength = 0;
        const unsigned char* icmp = icmpPart(reinterpret_cast<const unsigned char*>(buffer.constData()),
                                             int(got), sock.raw(), &icmpLength);
        if (!icmp || icmpLength < kHeader || icmp[0] != kEchoReply)
            continue;
        // The datagram socket's identifier is set by the system; its replies
        // reach only this socket. A raw socket sees every reply.
        if (sock.raw() && qFromBigEndian<quint16>(icmp + 4) != identifier)
            continue;
        if (qFromBigEndian<quint16>(icmp + 6) != sequence)
            continue;
        return icmpLength > kHeader || dataSize == 0;
    }
}
