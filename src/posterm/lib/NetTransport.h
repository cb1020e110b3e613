#pragma once
// HTTP/1.1 over TCP with one kept-alive connection per handle.
#include <string>

#include "Transport.h"

namespace posterm {

class NetTransport final : public Transport {
public:
    NetTransport(std::string address, int port, int connectTimeoutMs, int requestTimeoutMs);
    ~NetTransport() override;
    NetTransport(const NetTransport&) = delete;
    NetTransport& operator=(const NetTransport&) = delete;

    int exchange(const std::string& request, bool repeatable, HttpAnswer& answer) override;
    std::string hostName() const override;

private:
    bool openSocket();
    void closeSocket();
    bool peerHasClosed() const;
    bool sendAll(const std::string& data, long long deadline);
    int receive(HttpAnswer& answer, long long deadline, bool& receivedAny);

    std::string m_address;
    int m_port;
    int m_connectTimeoutMs;
    int m_requestTimeoutMs;
    int m_fd = -1;
};

// Monotonic milliseconds.
long long monotonicMs();

} // namespace posterm
