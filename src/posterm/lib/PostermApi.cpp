// The exported calls: a table of handles under one lock; every call looks its
// session up, works on it outside the table lock, and never lets an exception out.
#include "posterm.h"

#include <map>
#include <memory>
#include <mutex>

#include "Session.h"
#include "codec/AnswerRules.h"

namespace {

struct HandleTable {
    std::mutex mutex;
    std::map<std::uint32_t, std::shared_ptr<posterm::Session>> sessions;
    std::uint32_t next = 1;
};

HandleTable& handles() {
    static HandleTable* table = new HandleTable(); // outlives callers at exit
    return *table;
}

std::shared_ptr<posterm::Session> find(std::uint32_t handle) {
    HandleTable& table = handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    const auto it = table.sessions.find(handle);
    return it == table.sessions.end() ? nullptr : it->second;
}

template <typename F> int32_t guarded(std::uint32_t handle, F work) {
    try {
        const std::shared_ptr<posterm::Session> session = find(handle);
        if (!session)
            return posterm::kNoConnection;
        return work(*session);
    } catch (...) {
        return posterm::kOtherStatus;
    }
}

} // namespace

extern "C" {

uint32_t Connect(const char* params) {
    try {
        posterm::ConnectParams parsed;
        if (!params || !posterm::parseConnectParams(params, parsed))
            return 0;
        std::unique_ptr<posterm::Session> session = posterm::Session::connect(parsed);
        if (!session)
            return 0;
        HandleTable& table = handles();
        std::lock_guard<std::mutex> lock(table.mutex);
        // 0 means "not connected" and all ones "invalid" to callers; skip both
        // and any handle still in use after the counter wraps.
        while (table.next == 0 || table.next == 0xFFFFFFFFu || table.sessions.count(table.next))
            ++table.next;
        const std::uint32_t handle = table.next++;
        table.sessions.emplace(handle, std::move(session));
        return handle;
    } catch (...) {
        return 0;
    }
}

int32_t Disconnect(uint32_t handle) {
    try {
        std::shared_ptr<posterm::Session> session;
        {
            HandleTable& table = handles();
            std::lock_guard<std::mutex> lock(table.mutex);
            const auto it = table.sessions.find(handle);
            if (it == table.sessions.end())
                return posterm::kNoConnection;
            session = std::move(it->second);
            table.sessions.erase(it);
        }
        // The connection or port closes here, or when a call still running
        // on another thread lets go of the session.
        return posterm::kOk;
    } catch (...) {
        return posterm::kOtherStatus;
    }
}

int32_t InfoQuery(uint32_t handle, char* buffer, int32_t size, const char* items) {
    return guarded(handle, [&](posterm::Session& s) { return s.info(buffer, size, items); });
}

int32_t DataCount(uint32_t handle, const char* table, const char* filter, const char*) {
    return guarded(handle, [&](posterm::Session& s) { return s.count(table, filter); });
}

int32_t DataAppend(uint32_t handle, const char* table, const char* data, const char*) {
    return guarded(handle, [&](posterm::Session& s) { return s.append(table, data); });
}

int32_t DataQuery(uint32_t handle, char* buffer, int32_t size, const char* table, const char* fields,
                  const char* filter, const char* options) {
    return guarded(
        handle, [&](posterm::Session& s) { return s.query(buffer, size, table, fields, filter, options); });
}

} // extern "C"
