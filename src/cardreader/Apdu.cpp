#include "cardreader/Apdu.h"

#include "cardreader/Hex.h"
#include "cardreader/cardreader.h"

#include <algorithm>

namespace cardreader {

int sectorOfBlock(int block) {
    return block < 128 ? block / 4 : 32 + (block - 128) / 16;
}

Bytes apduGetUid() {
    return {0xFF, 0xCA, 0x00, 0x00, 0x00};
}

Bytes apduLoadKey(const SectorKey& key, std::uint8_t slot) {
    Bytes apdu(5 + key.size());
    apdu[0] = 0xFF;
    apdu[1] = 0x82;
    apdu[2] = 0x00;
    apdu[3] = slot;
    apdu[4] = static_cast<std::uint8_t>(key.size());
    std::copy(key.begin(), key.end(), apdu.begin() + 5);
    return apdu;
}

Bytes apduAuthenticate(int block, KeyType type, std::uint8_t slot) {
    return {0xFF,
            0x86,
            0x00,
            0x00,
            0x05,
            0x01,
            static_cast<std::uint8_t>((block >> 8) & 0xFF),
            static_cast<std::uint8_t>(block & 0xFF),
            static_cast<std::uint8_t>(type),
            slot};
}

Bytes apduReadBinary(int block, std::uint8_t length) {
    return {0xFF, 0xB0, static_cast<std::uint8_t>((block >> 8) & 0xFF),
            static_cast<std::uint8_t>(block & 0xFF), length};
}

ApduResponse parseResponse(const Bytes& raw) {
    ApduResponse response;
    if (raw.size() < 2)
        return response;
    response.valid = true;
    response.data.assign(raw.begin(), raw.end() - 2);
    response.sw = static_cast<std::uint16_t>(raw[raw.size() - 2] << 8 | raw[raw.size() - 1]);
    return response;
}

int resultForStatus(ApduStep step, std::uint16_t sw) {
    if (sw == SW_OK)
        return CR_OK;
    switch (step) {
    case ApduStep::GetUid:
        // The reader found nothing to ask.
        return sw == SW_FAILED ? CR_ERR_NO_CARD : CR_ERR_COMM;
    case ApduStep::LoadKey:
        return CR_ERR_COMM;
    case ApduStep::Authenticate:
        if (sw == SW_FAILED || sw == SW_SECURITY || sw == SW_AUTH_BLOCKED || sw == SW_KEY_INVALID)
            return CR_ERR_AUTH;
        return sw == SW_NOT_FOUND ? CR_ERR_BLOCK : CR_ERR_COMM;
    case ApduStep::ReadBinary:
        if (sw == SW_NOT_FOUND)
            return CR_ERR_BLOCK;
        if (sw == SW_SECURITY)
            return CR_ERR_AUTH;
        return sw == SW_FAILED || sw == SW_COMMAND_INCOMPATIBLE ? CR_ERR_READ : CR_ERR_COMM;
    }
    return CR_ERR_COMM;
}

namespace {
// Sends one command; CR_OK with the answer's data, or the failure.
int exchange(ApduChannel& channel, ApduStep step, const Bytes& command, Bytes& data) {
    Bytes raw;
    int result = CR_ERR_COMM;
    if (!channel.transmit(command, raw, result))
        return result == CR_OK ? CR_ERR_COMM : result;
    const ApduResponse response = parseResponse(raw);
    if (!response.valid)
        return CR_ERR_COMM;
    const int rc = resultForStatus(step, response.sw);
    if (rc == CR_OK)
        data = response.data;
    return rc;
}
} // namespace

int readUid(ApduChannel& channel, Bytes& uid) {
    Bytes data;
    const int rc = exchange(channel, ApduStep::GetUid, apduGetUid(), data);
    if (rc != CR_OK)
        return rc;
    if (data.size() != 4 && data.size() != 7 && data.size() != 10)
        return CR_ERR_COMM;
    uid = data;
    return CR_OK;
}

int readBlocks(ApduChannel& channel, KeyType type, int firstBlock, int count, const SectorKey& key,
               Bytes& data) {
    const std::uint8_t slot = 0;
    Bytes answer;
    int rc = exchange(channel, ApduStep::LoadKey, apduLoadKey(key, slot), answer);
    if (rc != CR_OK)
        return rc;
    Bytes result;
    int authenticatedSector = -1;
    for (int block = firstBlock; block < firstBlock + count; ++block) {
        const int sector = sectorOfBlock(block);
        if (sector != authenticatedSector) {
            rc = exchange(channel, ApduStep::Authenticate, apduAuthenticate(block, type, slot), answer);
            if (rc != CR_OK)
                return rc;
            authenticatedSector = sector;
        }
        rc = exchange(channel, ApduStep::ReadBinary, apduReadBinary(block, CR_BLOCK_SIZE), answer);
        if (rc != CR_OK)
            return rc;
        if (answer.size() != CR_BLOCK_SIZE)
            return CR_ERR_COMM;
        result.insert(result.end(), answer.begin(), answer.end());
    }
    data = std::move(result);
    return CR_OK;
}

std::vector<std::string> splitReaderList(const char* list, std::size_t length) {
    std::vector<std::string> names;
    if (!list)
        return names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (list[i] != '\0')
            continue;
        if (i == start) // the empty name that ends the list
            break;
        names.emplace_back(list + start, i - start);
        start = i + 1;
    }
    return names;
}

std::string readerSerialText(const Bytes& serialAttribute, const std::string& readerName) {
    Bytes serial = serialAttribute;
    while (!serial.empty() && (serial.back() == 0 || serial.back() == ' '))
        serial.pop_back();
    if (serial.empty())
        return readerName;
    const bool printable =
        std::all_of(serial.begin(), serial.end(), [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; });
    if (printable)
        return std::string(serial.begin(), serial.end());
    std::string text = hexText(serial);
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

} // namespace cardreader
