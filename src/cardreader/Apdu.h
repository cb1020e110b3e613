#pragma once
// The PC/SC side of contactless readers, without PC/SC itself: the command
// APDUs of the PC/SC storage-card commands, the reading of their
// answers, and the command sequences for a card serial and for authenticated
// block reads over any channel that carries APDUs. The PC/SC backend gives the
// channel; tests give canned answers.
#include "cardreader/Backend.h"

#include <cstdint>
#include <string>

namespace cardreader {

// Status words the readers answer with.
enum : std::uint16_t {
    SW_OK = 0x9000,
    SW_FAILED = 0x6300, // the operation failed (no card, key refused, ...)
    SW_WRONG_LENGTH = 0x6700,
    SW_COMMAND_INCOMPATIBLE = 0x6981,
    SW_SECURITY = 0x6982, // not authenticated for that block
    SW_AUTH_BLOCKED = 0x6983,
    SW_KEY_INVALID = 0x6984, // no key loaded in that slot
    SW_NOT_SUPPORTED = 0x6A81,
    SW_NOT_FOUND = 0x6A82, // no such block
};

// One reader command APDU each.
Bytes apduGetUid();                                                 // FF CA 00 00 00
Bytes apduLoadKey(const SectorKey& key, std::uint8_t slot);         // FF 82 00 slot 06 key
Bytes apduAuthenticate(int block, KeyType type, std::uint8_t slot); // FF 86 00 00 05 01 00 block type slot
Bytes apduReadBinary(int block, std::uint8_t length);               // FF B0 00 block length

// An answer split into its data and its status word (the last two bytes).
struct ApduResponse {
    bool valid = false; // at least the two status bytes
    Bytes data;
    std::uint16_t sw = 0;
};
ApduResponse parseResponse(const Bytes& raw);

// The library result for a status word at each step of a read.
enum class ApduStep { GetUid, LoadKey, Authenticate, ReadBinary };
int resultForStatus(ApduStep step, std::uint16_t sw);

// Carries one command to the card and its answer back. False when the
// transport itself failed; `result` then holds the library code to report.
class ApduChannel {
public:
    virtual ~ApduChannel() = default;
    virtual bool transmit(const Bytes& command, Bytes& response, int& result) = 0;
};

// The card serial through GET DATA.
int readUid(ApduChannel& channel, Bytes& uid);

// Loads `key` into the reader's volatile key slot 0 once, authenticates every
// sector the range touches and reads `count` blocks of 16 bytes.
int readBlocks(ApduChannel& channel, KeyType type, int firstBlock, int count, const SectorKey& key,
               Bytes& data);

// Reader names in the PC/SC multi-string "name\0name\0\0".
std::vector<std::string> splitReaderList(const char* list, std::size_t length);

// The serial text of a reader: the serial number attribute the reader reports
// (printable text as it is, other bytes in hex), else the reader's name.
std::string readerSerialText(const Bytes& serialAttribute, const std::string& readerName);

} // namespace cardreader
