#include "FrameCodec.h"

namespace posterm {

std::uint16_t crc16CcittFalse(std::string_view data, std::uint16_t crc) {
    for (const char byte : data) {
        crc ^= std::uint16_t(std::uint8_t(byte)) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

std::string encodeFrame(std::uint8_t id, std::string_view payload) {
    std::string frame;
    frame.reserve(payload.size() + kFrameOverhead);
    frame += kStx;
    frame += char(id);
    const std::uint32_t length = std::uint32_t(payload.size());
    frame += char((length >> 24) & 0xFF);
    frame += char((length >> 16) & 0xFF);
    frame += char((length >> 8) & 0xFF);
    frame += char(length & 0xFF);
    frame.append(payload);
    const std::uint16_t crc = crc16CcittFalse(std::string_view(frame).substr(1));
    frame += char(crc >> 8);
    frame += char(crc & 0xFF);
    frame += kEtx;
    return frame;
}

FrameStatus decodeFrame(std::string_view data, std::size_t maxPayload, Frame& out, std::size_t& consumed) {
    consumed = 0;
    if (data.empty())
        return FrameStatus::NeedMore;
    if (data[0] != kStx) {
        const std::size_t next = data.find(kStx);
        consumed = next == std::string_view::npos ? data.size() : next;
        return FrameStatus::Garbage;
    }
    if (data.size() < 6)
        return FrameStatus::NeedMore;
    const std::uint32_t length =
        (std::uint32_t(std::uint8_t(data[2])) << 24) | (std::uint32_t(std::uint8_t(data[3])) << 16) |
        (std::uint32_t(std::uint8_t(data[4])) << 8) | std::uint32_t(std::uint8_t(data[5]));
    if (length > maxPayload) {
        consumed = 1;
        return FrameStatus::Garbage;
    }
    const std::size_t total = std::size_t(length) + kFrameOverhead;
    if (data.size() < total)
        return FrameStatus::NeedMore;
    const std::uint16_t expected = crc16CcittFalse(data.substr(1, 5 + std::size_t(length)));
    const std::uint16_t got =
        std::uint16_t((std::uint16_t(std::uint8_t(data[6 + length])) << 8) | std::uint8_t(data[7 + length]));
    if (got != expected || data[total - 1] != kEtx) {
        consumed = 1;
        return FrameStatus::Garbage;
    }
    out.id = std::uint8_t(data[1]);
    out.payload.assign(data.substr(6, length));
    consumed = total;
    return FrameStatus::Frame;
}

} // namespace posterm
