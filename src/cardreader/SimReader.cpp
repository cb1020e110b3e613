#include "cardreader/SimReader.h"

#include "cardreader/Hex.h"
#include "cardreader/cardreader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace cardreader {

namespace {

constexpr std::size_t kMaxFileSize = 1024 * 1024;

std::string trimmed(const std::string& text) {
    const auto notBlank = [](unsigned char c) { return !std::isspace(c); };
    const auto begin = std::find_if(text.begin(), text.end(), notBlank);
    const auto end = std::find_if(text.rbegin(), text.rend(), notBlank).base();
    return begin < end ? std::string(begin, end) : std::string();
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool validUidLength(std::size_t n) {
    return n == 4 || n == 7 || n == 10;
}

bool parseKey(const std::string& value, SectorKey& key) {
    Bytes bytes;
    if (!parseHexBytes(value, bytes) || bytes.size() != key.size())
        return false;
    std::copy(bytes.begin(), bytes.end(), key.begin());
    return true;
}

bool parseNumber(const std::string& text, int& value) {
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    value = std::stoi(text);
    return true;
}

// The whole file; nullopt with `missing` set when it does not exist, or with
// `error` saying why it could not be read.
std::optional<std::string> readFile(const std::string& path, bool& missing, std::string& error) {
    missing = false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        missing = errno == ENOENT;
        error = std::strerror(errno);
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() <= kMaxFileSize)
        text.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        error = "cannot be read";
    else if (text.size() > kMaxFileSize)
        error = "is larger than any card file";
    else
        return text;
    return std::nullopt;
}

void complain(const std::string& text) {
    std::fprintf(stderr, "cardreader: %s\n", text.c_str());
}

} // namespace

bool parseSimCard(const std::string& text, SimCard& card, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int lineNo = 0;
    const auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++lineNo;
        line = trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected \"name = value\"");
        const std::string name = lowered(trimmed(line.substr(0, eq)));
        const std::string value = trimmed(line.substr(eq + 1));
        if (name == "reader") {
            card.readerSerial = value;
        } else if (name == "connected") {
            const std::string v = lowered(value);
            if (v != "yes" && v != "no")
                return fail("connected is yes or no");
            card.connected = v == "yes";
        } else if (name == "uid") {
            Bytes uid;
            if (!parseHexBytes(value, uid) || !(uid.empty() || validUidLength(uid.size())))
                return fail("uid is 4, 7 or 10 hexadecimal bytes");
            card.uid = uid;
        } else if (name == "key") {
            if (!parseKey(value, card.keyA))
                return fail("key is 6 hexadecimal bytes");
        } else if (name == "keyb") {
            SectorKey key{};
            if (!parseKey(value, key))
                return fail("keyb is 6 hexadecimal bytes");
            card.keyB = key;
        } else if (name == "blocks") {
            int count = 0;
            if (!parseNumber(value, count) || (count != 64 && count != 256))
                return fail("blocks is 64 or 256");
            card.blockCount = count;
        } else if (name.compare(0, 6, "block ") == 0) {
            int block = 0;
            if (!parseNumber(trimmed(name.substr(6)), block) || block > 255)
                return fail("a block number is 0 to 255");
            Bytes bytes;
            if (!parseHexBytes(value, bytes) || bytes.size() != CR_BLOCK_SIZE)
                return fail("a block holds 16 hexadecimal bytes");
            if (card.blocks.count(block))
                return fail("block " + std::to_string(block) + " is given twice");
            card.blocks[block] = bytes;
        } else {
            return fail("unknown name \"" + name + "\"");
        }
    }
    for (const auto& entry : card.blocks) {
        if (entry.first >= card.blockCount) {
            lineNo = 0;
            error = "block " + std::to_string(entry.first) + " is beyond the card's " +
                    std::to_string(card.blockCount) + " blocks";
            return false;
        }
    }
    return true;
}

SimReader::SimReader(std::string cardFile, std::optional<std::string> uidText)
    : m_cardFile(std::move(cardFile)), m_uidText(std::move(uidText)) {}

int SimReader::load(int reader, SimCard& card) const {
    if (reader != 0)
        return CR_ERR_NO_READER;
    card = SimCard();
    if (!m_cardFile.empty()) {
        bool missing = false;
        std::string error;
        const std::optional<std::string> text = readFile(m_cardFile, missing, error);
        if (text) {
            if (!parseSimCard(*text, card, error)) {
                complain(m_cardFile + ": " + error);
                return CR_ERR_CONFIG;
            }
        } else if (!missing) {
            complain(m_cardFile + ": " + error);
            return CR_ERR_CONFIG;
        }
        // A missing file is a reader with no card on it.
    }
    if (m_uidText) {
        Bytes uid;
        if (!parseHexBytes(*m_uidText, uid) || !(uid.empty() || validUidLength(uid.size()))) {
            complain("MEAL_CARDREADER_UID is not 4, 7 or 10 hexadecimal bytes");
            return CR_ERR_CONFIG;
        }
        card.uid = uid;
    }
    return card.connected ? CR_OK : CR_ERR_NO_READER;
}

int SimReader::loadCard(int reader, SimCard& card) const {
    const int rc = load(reader, card);
    if (rc == CR_OK && card.uid.empty())
        return CR_ERR_NO_CARD;
    return rc;
}

int SimReader::readerSerial(int reader, std::string& serial) {
    SimCard card;
    const int rc = load(reader, card);
    if (rc == CR_OK)
        serial = card.readerSerial;
    return rc;
}

int SimReader::cardSerial(int reader, Bytes& uid) {
    SimCard card;
    const int rc = loadCard(reader, card);
    if (rc != CR_OK)
        return rc;
    uid = card.uid;
    return CR_OK;
}

int SimReader::readBlocks(int reader, KeyType type, int firstBlock, int count, const SectorKey& key,
                          Bytes& data) {
    SimCard card;
    const int rc = loadCard(reader, card);
    if (rc != CR_OK)
        return rc;
    Bytes result;
    int authenticatedSector = -1;
    for (int block = firstBlock; block < firstBlock + count; ++block) {
        if (block >= card.blockCount)
            return CR_ERR_BLOCK;
        const int sector = sectorOfBlock(block);
        if (sector != authenticatedSector) {
            const bool accepted = type == KeyType::A ? key == card.keyA : (card.keyB && key == *card.keyB);
            if (!accepted)
                return CR_ERR_AUTH;
            authenticatedSector = sector;
        }
        const auto stored = card.blocks.find(block);
        if (stored != card.blocks.end())
            result.insert(result.end(), stored->second.begin(), stored->second.end());
        else
            result.insert(result.end(), CR_BLOCK_SIZE, 0);
    }
    data = std::move(result);
    return CR_OK;
}

} // namespace cardreader
