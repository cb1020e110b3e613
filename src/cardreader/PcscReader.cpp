#include "cardreader/PcscReader.h"

#include "cardreader/Apdu.h"
#include "cardreader/cardreader.h"

#include <dlfcn.h>
#include <reader.h>
#include <winscard.h>

namespace cardreader {

namespace {

// The functions we take from libpcsclite; the types come from its headers.
struct PcscLibrary {
    decltype(&SCardEstablishContext) establishContext = nullptr;
    decltype(&SCardReleaseContext) releaseContext = nullptr;
    decltype(&SCardListReaders) listReaders = nullptr;
    decltype(&SCardConnect) connect = nullptr;
    decltype(&SCardDisconnect) disconnect = nullptr;
    decltype(&SCardTransmit) transmit = nullptr;
    decltype(&SCardGetAttrib) getAttrib = nullptr;

    // The library loaded once per process and kept; null when it is missing.
    static const PcscLibrary* instance() {
        static const PcscLibrary* const library = load();
        return library;
    }

private:
    template <typename F> static bool bind(void* handle, const char* name, F& function) {
        function = reinterpret_cast<F>(dlsym(handle, name));
        return function != nullptr;
    }

    static const PcscLibrary* load() {
        void* handle = dlopen("libpcsclite.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return nullptr;
        static PcscLibrary library;
        const bool complete = bind(handle, "SCardEstablishContext", library.establishContext) &&
                              bind(handle, "SCardReleaseContext", library.releaseContext) &&
                              bind(handle, "SCardListReaders", library.listReaders) &&
                              bind(handle, "SCardConnect", library.connect) &&
                              bind(handle, "SCardDisconnect", library.disconnect) &&
                              bind(handle, "SCardTransmit", library.transmit) &&
                              bind(handle, "SCardGetAttrib", library.getAttrib);
        if (!complete) {
            dlclose(handle);
            return nullptr;
        }
        return &library;
    }
};

int resultForConnect(LONG rc) {
    switch (rc) {
    case SCARD_S_SUCCESS:
        return CR_OK;
    case SCARD_E_NO_SMARTCARD:
    case SCARD_W_REMOVED_CARD:
    case SCARD_W_UNRESPONSIVE_CARD:
    case SCARD_W_UNPOWERED_CARD:
    case SCARD_E_PROTO_MISMATCH:
        return CR_ERR_NO_CARD;
    case SCARD_E_NO_MEMORY:
        return CR_ERR_INTERNAL;
    default:
        return CR_ERR_NO_READER;
    }
}

// A context of the resource manager and the name of the chosen reader.
class ReaderSession {
public:
    ReaderSession(const PcscLibrary& library) : m_lib(library) {}
    ~ReaderSession() {
        if (m_card)
            m_lib.disconnect(m_card, SCARD_LEAVE_CARD);
        if (m_haveContext)
            m_lib.releaseContext(m_context);
    }
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;

    // Finds reader number `reader`.
    int open(int reader) {
        if (m_lib.establishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &m_context) != SCARD_S_SUCCESS)
            return CR_ERR_NO_READER;
        m_haveContext = true;
        DWORD length = 0;
        if (m_lib.listReaders(m_context, nullptr, nullptr, &length) != SCARD_S_SUCCESS || length == 0)
            return CR_ERR_NO_READER;
        std::string list(length, '\0');
        if (m_lib.listReaders(m_context, nullptr, &list[0], &length) != SCARD_S_SUCCESS)
            return CR_ERR_NO_READER;
        const std::vector<std::string> names =
            splitReaderList(list.data(), std::min<std::size_t>(length, list.size()));
        if (reader < 0 || static_cast<std::size_t>(reader) >= names.size())
            return CR_ERR_NO_READER;
        m_name = names[static_cast<std::size_t>(reader)];
        return CR_OK;
    }

    // Connects to the card (or, `direct`, to the reader alone).
    int connect(bool direct) {
        const DWORD share = direct ? SCARD_SHARE_DIRECT : SCARD_SHARE_SHARED;
        const DWORD protocols = direct ? 0 : SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;
        return resultForConnect(
            m_lib.connect(m_context, m_name.c_str(), share, protocols, &m_card, &m_protocol));
    }

    const std::string& name() const { return m_name; }
    SCARDHANDLE card() const { return m_card; }
    DWORD protocol() const { return m_protocol; }
    const PcscLibrary& library() const { return m_lib; }

private:
    const PcscLibrary& m_lib;
    SCARDCONTEXT m_context = 0;
    bool m_haveContext = false;
    std::string m_name;
    SCARDHANDLE m_card = 0;
    DWORD m_protocol = 0;
};

class PcscChannel : public ApduChannel {
public:
    explicit PcscChannel(const ReaderSession& session) : m_session(session) {}

    bool transmit(const Bytes& command, Bytes& response, int& result) override {
        SCARD_IO_REQUEST send;
        send.dwProtocol = m_session.protocol();
        send.cbPciLength = sizeof(SCARD_IO_REQUEST);
        unsigned char buffer[MAX_BUFFER_SIZE];
        DWORD length = sizeof buffer;
        const LONG rc =
            m_session.library().transmit(m_session.card(), &send, command.data(),
                                         static_cast<DWORD>(command.size()), nullptr, buffer, &length);
        if (rc != SCARD_S_SUCCESS) {
            const int mapped = resultForConnect(rc);
            result = mapped == CR_OK || mapped == CR_ERR_NO_READER ? CR_ERR_COMM : mapped;
            return false;
        }
        response.assign(buffer, buffer + std::min<DWORD>(length, sizeof buffer));
        return true;
    }

private:
    const ReaderSession& m_session;
};

} // namespace

int PcscReader::readerSerial(int reader, std::string& serial) {
    const PcscLibrary* library = PcscLibrary::instance();
    if (!library)
        return CR_ERR_NO_READER;
    ReaderSession session(*library);
    const int rc = session.open(reader);
    if (rc != CR_OK)
        return rc;
    Bytes attribute;
    if (session.connect(true) == CR_OK) {
        unsigned char buffer[256];
        DWORD length = sizeof buffer;
        if (library->getAttrib(session.card(), SCARD_ATTR_VENDOR_IFD_SERIAL_NO, buffer, &length) ==
            SCARD_S_SUCCESS)
            attribute.assign(buffer, buffer + std::min<DWORD>(length, sizeof buffer));
    }
    serial = readerSerialText(attribute, session.name());
    return CR_OK;
}

namespace {
// Runs `work` over a channel to the card in `reader` (exclusive connection).
template <typename Work> int withCard(int reader, Work work) {
    const PcscLibrary* library = PcscLibrary::instance();
    if (!library)
        return CR_ERR_NO_READER;
    ReaderSession session(*library);
    int rc = session.open(reader);
    if (rc == CR_OK)
        rc = session.connect(false);
    if (rc != CR_OK)
        return rc;
    PcscChannel channel(session);
    return work(channel);
}
} // namespace

int PcscReader::cardSerial(int reader, Bytes& uid) {
    return withCard(reader, [&](PcscChannel& channel) { return readUid(channel, uid); });
}

int PcscReader::readBlocks(int reader, KeyType type, int firstBlock, int count, const SectorKey& key,
                           Bytes& data) {
    return withCard(reader, [&](PcscChannel& channel) {
        return cardreader::readBlocks(channel, type, firstBlock, count, key, data);
    });
}

} // namespace cardreader
