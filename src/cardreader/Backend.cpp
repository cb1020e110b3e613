#include "cardreader/Backend.h"

#include "cardreader/PcscReader.h"
#include "cardreader/SimReader.h"
#include "cardreader/cardreader.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace cardreader {

namespace {

class AbsentReader : public Backend {
public:
    int readerSerial(int, std::string&) override { return CR_ERR_NO_READER; }
    int cardSerial(int, Bytes&) override { return CR_ERR_NO_READER; }
    int readBlocks(int, KeyType, int, int, const SectorKey&, Bytes&) override { return CR_ERR_NO_READER; }
};

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

} // namespace

std::unique_ptr<Backend> makeAbsentReader() {
    return std::make_unique<AbsentReader>();
}

std::unique_ptr<Backend> backendFromEnvironment() {
    const std::string kind = environment("MEAL_CARDREADER").value_or(std::string());
    const std::string cardFile = environment("MEAL_CARDREADER_CARD").value_or(std::string());
    const std::optional<std::string> uid = environment("MEAL_CARDREADER_UID");
    if (kind == "sim" || (kind.empty() && (!cardFile.empty() || uid)))
        return std::make_unique<SimReader>(cardFile, uid);
    if (kind == "pcsc" || kind.empty())
        return std::make_unique<PcscReader>();
    if (kind != "none")
        std::fprintf(stderr, "cardreader: MEAL_CARDREADER=%s is not sim, pcsc or none; no reader\n",
                     kind.c_str());
    return makeAbsentReader();
}

} // namespace cardreader
