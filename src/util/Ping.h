#pragma once
// ICMP echo test, used before a network terminal is connected: one echo
// request with 1000 data bytes of 0xAA and a time to live of 64 to a dotted
// IPv4 address; true when an echo reply with data comes back within the
// time-out. Anything that is not a dotted IPv4 address ("a.b.c.d") fails
// without sending.
//
// The echo goes through an ICMP datagram socket; where the system does not
// permit those to this user (net.ipv4.ping_group_range) a raw ICMP socket is
// used, which needs root or CAP_NET_RAW. Without either, every ping fails.
#include <QString>

struct PingOptions {
    int timeoutMs = 1000;
    int dataSize = 1000;
    int ttl = 64;
};

// Parses a dotted IPv4 address into network byte order; false for any
// other text.
bool parseDottedIPv4(const QString& address, quint32* networkOrder);

bool Ping(const QString& address, const PingOptions& options = PingOptions());

// The one's-complement checksum of ICMP.
quint16 icmpChecksum(const unsigned char* data, int length);
