// A stand-in for libpcsclite.so.1 with one contactless reader, so the PC/SC
// backend runs end to end without pcscd or hardware. The test puts its folder
// first on LD_LIBRARY_PATH; the card is set through the environment:
//   FAKE_PCSC_SERVICE=down   the resource manager is not running
//   FAKE_PCSC_READERS=0      no reader attached
//   FAKE_PCSC_SERIAL=text    the reader's serial number attribute
//   FAKE_PCSC_UID=hex        the card in the field (unset: none)
//   FAKE_PCSC_KEY=hex        key A of the card (default FFFFFFFFFFFF)
// The card has 64 blocks; block b holds 16 bytes of value b.
#include <reader.h>
#include <winscard.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int g_contexts = 0;
int g_handles = 0;

struct CardState {
    std::vector<unsigned char> loadedKey;
    int authenticatedSector = -1;
};
CardState g_card;

std::vector<unsigned char> fromHex(const char* text) {
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; text && text[i] && text[i + 1]; i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(std::string(text + i, 2), nullptr, 16)));
    return bytes;
}

const char kReaders[] = "Fake Reader 00 00\0";

LONG answer(std::vector<unsigned char> data, unsigned sw, LPBYTE out, LPDWORD outLength) {
    data.push_back(static_cast<unsigned char>(sw >> 8));
    data.push_back(static_cast<unsigned char>(sw & 0xFF));
    if (*outLength < data.size())
        return SCARD_E_INSUFFICIENT_BUFFER;
    std::memcpy(out, data.data(), data.size());
    *outLength = static_cast<DWORD>(data.size());
    return SCARD_S_SUCCESS;
}

} // namespace

extern "C" {

// How many contexts and card handles are open now: the backend must release them all.
int FakePcsc_openHandles() {
    return g_contexts + g_handles;
}

LONG SCardEstablishContext(DWORD, LPCVOID, LPCVOID, LPSCARDCONTEXT context) {
    const char* service = std::getenv("FAKE_PCSC_SERVICE");
    if (service && std::strcmp(service, "down") == 0)
        return SCARD_E_NO_SERVICE;
    *context = 0x1234;
    ++g_contexts;
    return SCARD_S_SUCCESS;
}

LONG SCardReleaseContext(SCARDCONTEXT context) {
    if (context != 0x1234)
        return SCARD_E_INVALID_HANDLE;
    --g_contexts;
    return SCARD_S_SUCCESS;
}

LONG SCardListReaders(SCARDCONTEXT, LPCSTR, LPSTR readers, LPDWORD length) {
    const char* count = std::getenv("FAKE_PCSC_READERS");
    if (count && std::strcmp(count, "0") == 0)
        return SCARD_E_NO_READERS_AVAILABLE;
    if (readers) {
        if (*length < sizeof kReaders)
            return SCARD_E_INSUFFICIENT_BUFFER;
        std::memcpy(readers, kReaders, sizeof kReaders);
    }
    *length = sizeof kReaders;
    return SCARD_S_SUCCESS;
}

LONG SCardConnect(SCARDCONTEXT, LPCSTR reader, DWORD share, DWORD protocols, LPSCARDHANDLE card,
                  LPDWORD active) {
    if (std::strcmp(reader, "Fake Reader 00 00") != 0)
        return SCARD_E_UNKNOWN_READER;
    if (share != SCARD_SHARE_DIRECT) {
        if (!std::getenv("FAKE_PCSC_UID"))
            return SCARD_E_NO_SMARTCARD;
        if (!(protocols & SCARD_PROTOCOL_T1))
            return SCARD_E_PROTO_MISMATCH;
    }
    *card = 0x5678;
    *active = share == SCARD_SHARE_DIRECT ? 0 : SCARD_PROTOCOL_T1;
    g_card = CardState();
    ++g_handles;
    return SCARD_S_SUCCESS;
}

LONG SCardDisconnect(SCARDHANDLE card, DWORD) {
    if (card != 0x5678)
        return SCARD_E_INVALID_HANDLE;
    --g_handles;
    return SCARD_S_SUCCESS;
}

LONG SCardGetAttrib(SCARDHANDLE, DWORD id, LPBYTE attribute, LPDWORD length) {
    const char* serial = std::getenv("FAKE_PCSC_SERIAL");
    if (id != SCARD_ATTR_VENDOR_IFD_SERIAL_NO || !serial)
        return SCARD_E_UNSUPPORTED_FEATURE;
    const DWORD n = static_cast<DWORD>(std::strlen(serial) + 1);
    if (*length < n)
        return SCARD_E_INSUFFICIENT_BUFFER;
    std::memcpy(attribute, serial, n);
    *length = n;
    return SCARD_S_SUCCESS;
}

LONG SCardTransmit(SCARDHANDLE, const SCARD_IO_REQUEST* send, LPCBYTE apdu, DWORD length, SCARD_IO_REQUEST*,
                   LPBYTE out, LPDWORD outLength) {
    if (!send || send->dwProtocol != SCARD_PROTOCOL_T1 || send->cbPciLength != sizeof(SCARD_IO_REQUEST))
        return SCARD_E_INVALID_PARAMETER;
    const std::vector<unsigned char> c(apdu, apdu + length);
    if (c.size() < 5 || c[0] != 0xFF)
        return answer({}, 0x6E00, out, outLength);
    switch (c[1]) {
    case 0xCA:
        return answer(fromHex(std::getenv("FAKE_PCSC_UID")), 0x9000, out, outLength);
    case 0x82:
        if (c.size() != 11 || c[4] != 6)
            return answer({}, 0x6700, out, outLength);
        g_card.loadedKey.assign(c.begin() + 5, c.end());
        return answer({}, 0x9000, out, outLength);
    case 0x86: {
        if (c.size() != 10 || c[5] != 0x01)
            return answer({}, 0x6700, out, outLength);
        const int block = c[7];
        if (block >= 64)
            return answer({}, 0x6A82, out, outLength);
        const char* keyText = std::getenv("FAKE_PCSC_KEY");
        const std::vector<unsigned char> key = fromHex(keyText ? keyText : "FFFFFFFFFFFF");
        if (c[8] != 0x60 || g_card.loadedKey != key)
            return answer({}, 0x6300, out, outLength);
        g_card.authenticatedSector = block / 4;
        return answer({}, 0x9000, out, outLength);
    }
    case 0xB0: {
        const int block = c[3];
        if (block >= 64)
            return answer({}, 0x6A82, out, outLength);
        if (block / 4 != g_card.authenticatedSector)
            return answer({}, 0x6982, out, outLength);
        return answer(std::vector<unsigned char>(c[4], static_cast<unsigned char>(block)), 0x9000, out,
                      outLength);
    }
    default:
        return answer({}, 0x6D00, out, outLength);
    }
}

} // extern "C"
