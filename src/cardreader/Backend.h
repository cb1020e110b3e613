#pragma once
// What a reader can do, independent of how it is reached. The exported calls
// check their arguments, pick a backend from the environment and copy the
// backend's answer into the caller's buffers.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cardreader {

using Bytes = std::vector<std::uint8_t>;
using SectorKey = std::array<std::uint8_t, 6>;

enum class KeyType : std::uint8_t { A = 0x60, B = 0x61 };

class Backend {
public:
    virtual ~Backend() = default;
    // The reader's serial number as text; CR_OK when the reader is present.
    virtual int readerSerial(int reader, std::string& serial) = 0;
    // The serial (UID) of the card in the field.
    virtual int cardSerial(int reader, Bytes& uid) = 0;
    // `count` blocks of 16 bytes from `firstBlock` on, authenticated with `key`.
    virtual int readBlocks(int reader, KeyType type, int firstBlock, int count, const SectorKey& key,
                           Bytes& data) = 0;
};

// The backend the environment asks for (see cardreader.h).
std::unique_ptr<Backend> backendFromEnvironment();

// A backend for which no reader is present.
std::unique_ptr<Backend> makeAbsentReader();

// Mifare Classic sector of a block: 4-block sectors up to block 127, 16-block
// sectors above (4K cards).
int sectorOfBlock(int block);

} // namespace cardreader
