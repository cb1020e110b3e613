#pragma once
// The simulated reader: one reader (number 0) whose card is described by a
// small text file (MEAL_CARDREADER_CARD) or only by its serial
// (MEAL_CARDREADER_UID). The file is read again on every call, so writing or
// removing it lays a card on the reader or takes it away while a program runs.
// Format: README.md in this folder.
#include "cardreader/Backend.h"

#include <map>
#include <optional>
#include <string>

namespace cardreader {

struct SimCard {
    bool connected = true; // "connected = no" unplugs the reader
    std::string readerSerial = "SIMREADER-01";
    Bytes uid; // empty: no card on the reader
    SectorKey keyA{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    std::optional<SectorKey> keyB; // none: key B is refused
    int blockCount = 64;           // 64 (1K card) or 256 (4K card)
    std::map<int, Bytes> blocks;   // blocks not listed read as zero bytes
};

// Parses a card file. On failure returns false and says why, with the line
// number, in `error`; `card` is then unspecified.
bool parseSimCard(const std::string& text, SimCard& card, std::string& error);

class SimReader : public Backend {
public:
    // An empty `cardFile` means no file; an unset `uidText` leaves the card's
    // serial as the file (or nothing) gives it.
    SimReader(std::string cardFile, std::optional<std::string> uidText);

    int readerSerial(int reader, std::string& serial) override;
    int cardSerial(int reader, Bytes& uid) override;
    int readBlocks(int reader, KeyType type, int firstBlock, int count, const SectorKey& key,
                   Bytes& data) override;

private:
    // The reader's state now: CR_OK and `card`, or the failure every call reports.
    int load(int reader, SimCard& card) const;
    // As load, and CR_ERR_NO_CARD when the reader holds no card.
    int loadCard(int reader, SimCard& card) const;

    std::string m_cardFile;
    std::optional<std::string> m_uidText;
};

} // namespace cardreader
