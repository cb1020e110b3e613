#include "SerialTransport.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "NetTransport.h"
#include "codec/AnswerRules.h"
#include "codec/FrameCodec.h"

namespace posterm {

struct SerialPort {
    std::mutex mutex; // one exchange at a time on the line
    std::string path;
    int fd = -1;
    int baudRate = 0;
    ~SerialPort() {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

constexpr std::size_t kMaxFramePayload = 64u * 1024 * 1024;
// The bytes of one frame follow each other closely even at 1200 bps.
constexpr long long kFrameGapMs = 1000;

std::mutex g_portsMutex;
std::map<std::string, std::weak_ptr<SerialPort>>& openPorts() {
    static std::map<std::string, std::weak_ptr<SerialPort>> ports;
    return ports;
}

bool speedFor(int baudRate, speed_t& out) {
    static const std::pair<int, speed_t> table[] = {
        {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
        {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
        {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const auto& entry : table) {
        if (entry.first == baudRate) {
            out = entry.second;
            return true;
        }
    }
    return false;
}

// Raw 8N1 at the given rate, no flow control.
bool configureLine(int fd, int baudRate) {
    speed_t speed{};
    if (!speedFor(baudRate, speed))
        return false;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | PARENB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
        return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

std::shared_ptr<SerialPort> acquirePort(const std::string& path, int baudRate) {
    std::lock_guard<std::mutex> lock(g_portsMutex);
    auto& ports = openPorts();
    if (auto it = ports.find(path); it != ports.end()) {
        if (std::shared_ptr<SerialPort> port = it->second.lock())
            return port;
    }
    auto port = std::make_shared<SerialPort>();
    port->path = path;
    port->fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port->fd < 0 || !isatty(port->fd) || !configureLine(port->fd, baudRate))
        return nullptr;
    port->baudRate = baudRate;
    ports[path] = port;
    return port;
}

bool writeAll(int fd, const std::string& data, long long deadline) {
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n > 0) {
            written += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        pollfd p{fd, POLLOUT, 0};
        const long long wait = deadline - monotonicMs();
        if (wait <= 0 || ::poll(&p, 1, int(wait)) <= 0)
            return false;
    }
    return true;
}

} // namespace

std::unique_ptr<SerialTransport> SerialTransport::open(const std::string& devicePath, int baudRate,
                                                       int deviceId, bool rs485, int timeoutMs,
                                                       int comNumber) {
    speed_t speed{};
    if (!speedFor(baudRate, speed))
        return nullptr;
    std::shared_ptr<SerialPort> port = acquirePort(devicePath, baudRate);
    if (!port)
        return nullptr;
    std::unique_ptr<SerialTransport> transport(new SerialTransport());
    transport->m_port = std::move(port);
    transport->m_baudRate = baudRate;
    transport->m_deviceId = deviceId;
    transport->m_rs485 = rs485;
    transport->m_timeoutMs = timeoutMs;
    transport->m_comNumber = comNumber;
    return transport;
}

SerialTransport::~SerialTransport() {
    // The port closes with its last user; drop the registry entry under the lock.
    std::lock_guard<std::mutex> lock(g_portsMutex);
    const std::string path = m_port->path;
    m_port.reset();
    auto& ports = openPorts();
    if (auto it = ports.find(path); it != ports.end() && it->second.expired())
        ports.erase(it);
}

std::string SerialTransport::hostName() const {
    return "COM" + std::to_string(m_comNumber);
}

int SerialTransport::exchange(const std::string& request, bool, HttpAnswer& answer) {
    SerialPort& port = *m_port;
    std::lock_guard<std::mutex> lock(port.mutex);
    if (port.baudRate != m_baudRate) {
        if (!configureLine(port.fd, m_baudRate))
            return kNoConnection;
        port.baudRate = m_baudRate;
    }
    const long long deadline = monotonicMs() + m_timeoutMs;
    // A late answer to an earlier request must not be taken for this one.
    tcflush(port.fd, TCIFLUSH);
    if (!writeAll(port.fd, encodeFrame(std::uint8_t(m_deviceId), request), deadline))
        return kNoConnection;

    std::string data;
    char chunk[65536];
    long long lastByte = monotonicMs();
    while (true) {
        // Take every complete frame already read; frames of other devices
        // and damaged frames are skipped.
        while (!data.empty()) {
            Frame frame;
            std::size_t consumed = 0;
            const FrameStatus status = decodeFrame(data, kMaxFramePayload, frame, consumed);
            if (status == FrameStatus::NeedMore)
                break;
            data.erase(0, consumed);
            if (status != FrameStatus::Frame || (m_rs485 && frame.id != std::uint8_t(m_deviceId)))
                continue;
            std::size_t used = 0;
            const ParseStatus parsed = parseHttpAnswer(frame.payload, true, kMaxFramePayload, answer, used);
            return parsed == ParseStatus::Complete && used == frame.payload.size() ? kOk : kMalformed;
        }
        const long long now = monotonicMs();
        const long long wait = deadline - now;
        if (wait <= 0)
            return kNoConnection;
        // A frame start that is not followed by the rest (line noise, a cut
        // answer) would hold up the answer behind it: after a quiet spell,
        // give it up and look for the next STX.
        if (!data.empty() && now - lastByte >= kFrameGapMs) {
            const std::size_t next = data.find(kStx, 1);
            data.erase(0, next == std::string::npos ? data.size() : next);
            lastByte = now;
            continue;
        }
        pollfd p{port.fd, POLLIN, 0};
        const long long slice = data.empty() ? wait : std::min(wait, lastByte + kFrameGapMs - now);
        const int ready = ::poll(&p, 1, int(std::max<long long>(slice, 1)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            continue;
        if (ready < 0)
            return kNoConnection;
        const ssize_t n = ::read(port.fd, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0) {
            // Hang-up on the line: wait out the time-out without spinning.
            ::poll(nullptr, 0, int(std::min<long long>(wait, 50)));
            continue;
        }
        data.append(chunk, std::size_t(n));
        lastByte = monotonicMs();
    }
}

} // namespace posterm
