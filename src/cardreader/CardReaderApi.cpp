// The exported calls: argument checks, the backend of the moment, and copies
// into the caller's buffers within the documented sizes.
#include "cardreader/cardreader.h"

#include "cardreader/Backend.h"

#include <algorithm>
#include <cstring>
#include <new>

using namespace cardreader;

namespace {

// No exception crosses the C boundary.
template <typename F> int guarded(F&& call) noexcept {
    try {
        return call();
    } catch (...) {
        return CR_ERR_INTERNAL;
    }
}

bool keyTypeOf(int keyMode, KeyType& type) {
    if (keyMode == 0 || keyMode == CR_KEY_A) {
        type = KeyType::A;
        return true;
    }
    if (keyMode == 1 || keyMode == CR_KEY_B) {
        type = KeyType::B;
        return true;
    }
    return false;
}

} // namespace

extern "C" {

CARDREADER_API int API_GetSerNum(int address, int reader, unsigned char* out64) {
    (void)address;
    if (!out64)
        return CR_ERR_PARAMETER;
    return guarded([&] {
        std::string serial;
        const int rc = backendFromEnvironment()->readerSerial(reader, serial);
        if (rc != CR_OK)
            return rc;
        const std::size_t n = std::min<std::size_t>(serial.size(), CR_SERIAL_BUFFER_SIZE - 1);
        std::memcpy(out64, serial.data(), n);
        out64[n] = 0;
        return CR_OK;
    });
}

CARDREADER_API int GET_SNR(int address, int reader, int mode, int halt, unsigned char* out1,
                           unsigned char* out2) {
    (void)address;
    (void)halt; // both backends leave the card active; a later request finds it again
    if (!out1 || !out2 || (mode != CR_REQUEST_IDLE && mode != CR_REQUEST_ALL))
        return CR_ERR_PARAMETER;
    return guarded([&] {
        Bytes uid;
        const int rc = backendFromEnvironment()->cardSerial(reader, uid);
        if (rc != CR_OK)
            return rc;
        if (uid.empty() || uid.size() >= CR_SNR_BUFFER_SIZE)
            return CR_ERR_COMM;
        out1[0] = static_cast<unsigned char>(uid.size());
        std::memcpy(out2, uid.data(), uid.size());
        return CR_OK;
    });
}

CARDREADER_API int API_PCDRead(int address, int reader, int keyMode, int firstBlock, int blockCount,
                               const unsigned char* key6, unsigned char* out) {
    (void)address;
    KeyType type;
    if (!key6 || !out || !keyTypeOf(keyMode, type) || blockCount < 1 || blockCount > CR_MAX_BLOCKS ||
        firstBlock < 0 || firstBlock > 255)
        return CR_ERR_PARAMETER;
    return guarded([&] {
        SectorKey key;
        std::copy(key6, key6 + key.size(), key.begin());
        Bytes data;
        const int rc = backendFromEnvironment()->readBlocks(reader, type, firstBlock, blockCount, key, data);
        if (rc != CR_OK)
            return rc;
        const std::size_t expected = static_cast<std::size_t>(blockCount) * CR_BLOCK_SIZE;
        if (data.size() != expected)
            return CR_ERR_COMM;
        std::memcpy(out, data.data(), expected);
        return CR_OK;
    });
}

} // extern "C"
