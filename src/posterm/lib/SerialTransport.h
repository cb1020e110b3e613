#pragma once
// Request and answer texts in frames on a serial line (RS485 or RS232).
// Handles naming the same device share one open port; a lock keeps their
// exchanges from interleaving on the line.
#include <memory>
#include <mutex>
#include <string>

#include "Transport.h"

namespace posterm {

struct SerialPort;

class SerialTransport final : public Transport {
public:
    // Empty pointer when the device cannot be opened or the rate is not supported.
    static std::unique_ptr<SerialTransport> open(const std::string& devicePath, int baudRate, int deviceId,
                                                 bool rs485, int timeoutMs, int comNumber);
    ~SerialTransport() override;

    int exchange(const std::string& request, bool repeatable, HttpAnswer& answer) override;
    std::string hostName() const override;

private:
    SerialTransport() = default;
    std::shared_ptr<SerialPort> m_port;
    int m_baudRate = 9600;
    int m_deviceId = 0;
    bool m_rs485 = true;
    int m_timeoutMs = 20000;
    int m_comNumber = 0;
};

} // namespace posterm
