#pragma once
// Real contactless readers through PC/SC. libpcsclite.so.1 is opened at run
// time, so the library loads and answers CR_ERR_NO_READER on machines without
// it (or without a running pcscd).
#include "cardreader/Backend.h"

namespace cardreader {

class PcscReader : public Backend {
public:
    int readerSerial(int reader, std::string& serial) override;
    int cardSerial(int reader, Bytes& uid) override;
    int readBlocks(int reader, KeyType type, int firstBlock, int count, const SectorKey& key,
                   Bytes& data) override;
};

} // namespace cardreader
