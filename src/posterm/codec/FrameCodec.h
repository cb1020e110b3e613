#pragma once
// Frames of the serial line:
//   STX 0x02 | id | length, 4 bytes big-endian | payload | CRC-16/CCITT-FALSE of
//   id+length+payload, 2 bytes big-endian | ETX 0x03
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace posterm {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr std::size_t kFrameOverhead = 1 + 1 + 4 + 2 + 1;

// Polynomial 0x1021, initial value 0xFFFF, no reflection, no final xor.
std::uint16_t crc16CcittFalse(std::string_view data, std::uint16_t crc = 0xFFFF);

std::string encodeFrame(std::uint8_t id, std::string_view payload);

struct Frame {
    std::uint8_t id = 0;
    std::string payload;
};

enum class FrameStatus {
    NeedMore, // the bytes so far may start a frame
    Frame,    // a valid frame of `consumed` bytes
    Garbage,  // drop `consumed` bytes (at least one) and look again
};

// Looks at the start of `data`. A bad CRC, a missing ETX or a declared length
// above `maxPayload` drops the STX alone so the reader resynchronises on the
// next one.
FrameStatus decodeFrame(std::string_view data, std::size_t maxPayload, Frame& out, std::size_t& consumed);

} // namespace posterm
