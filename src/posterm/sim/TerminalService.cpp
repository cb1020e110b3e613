#include "TerminalService.h"

#include "StateFile.h"
#include "codec/Records.h"
#include "codec/TextCoding.h"

namespace posterm {

namespace {

// Bodies over 4 MiB are refused with 413.
bool numbersEqual(std::string_view a, std::string_view b) {
    std::int64_t x = 0;
    std::int64_t y = 0;
    if (parseSigned(a, x) && parseSigned(b, y))
        return x == y;
    return a == b;
}

bool readCount(const std::vector<NameValue>& params, std::string_view name, long long low, long long& out) {
    const std::string* v = findValue(params, name);
    if (!v)
        return false;
    std::int64_t n = 0;
    if (!parseSigned(*v, n) || n < low || n > 1000000000)
        return false;
    out = n;
    return true;
}

} // namespace

TerminalService::TerminalService(TerminalConfig config) : m_config(std::move(config)) {}

bool TerminalService::passwordAccepted(const HttpRequest& request) const {
    if (m_faults.wrongPasswd)
        return false;
    const std::string* authorization = request.header("Authorization");
    if (!authorization || authorization->size() < 6 || !equalsNoCase(authorization->substr(0, 6), "Basic "))
        return false;
    std::string credentials;
    if (!base64Decode(trim(std::string_view(*authorization).substr(6)), credentials))
        return false;
    const std::size_t colon = credentials.find(':');
    if (colon == std::string::npos)
        return false;
    return equalsNoCase(std::string_view(credentials).substr(0, colon), "root") &&
           numbersEqual(std::string_view(credentials).substr(colon + 1), m_config.passwd);
}

ServiceReply TerminalService::finish(int status, const std::string& body, bool keepAlive, bool changed,
                                     bool faultsApply) {
    ServiceReply reply;
    reply.changed = changed;
    if (faultsApply) {
        reply.delayMs = m_faults.delayMs;
        if (m_faults.closeAnswers > 0) {
            --m_faults.closeAnswers;
            keepAlive = false;
        }
        if (m_faults.garbageAnswers > 0) {
            --m_faults.garbageAnswers;
            reply.bytes = "\x15\x7f garbled line noise, no status line\r\n\r\n";
            reply.close = true;
            return reply;
        }
        if (m_faults.noisyAnswers > 0) {
            --m_faults.noisyAnswers;
            reply.noise = true;
        }
        if (m_faults.dropAfter >= 0) {
            reply.dropAfter = m_faults.dropAfter;
            m_faults.dropAfter = -1;
        }
    }
    reply.bytes = buildHttpAnswer(status, body, keepAlive);
    reply.close = !keepAlive;
    return reply;
}

ServiceReply TerminalService::reject(int status, const std::string& message, bool keepAlive) {
    ++m_requests;
    return finish(status, message + "\r\n", keepAlive, false, true);
}

ServiceReply TerminalService::handle(const HttpRequest& request, const SimClock& clock) {
    ++m_requests;
    std::vector<NameValue> params;
    if (!parseQuery(request.query, params))
        return finish(400, "malformed query\r\n", request.keepAlive, false, true);
    if (request.path.compare(0, 8, "/v1/sim/") == 0) {
        ServiceReply reply = control(request.path, params, clock);
        reply.close = reply.close || !request.keepAlive;
        return reply;
    }
    if (!passwordAccepted(request))
        return finish(401, "wrong name or password\r\n", request.keepAlive, false, true);

    const auto param = [&](const char* name) {
        const std::string* v = findValue(params, name);
        return v ? *v : std::string();
    };
    StoreReply result{404, "unknown path " + request.path + "\r\n", false};
    const bool get = request.method == "GET";
    if (request.path == "/v1/device" && get) {
        result = {200, "SN=" + m_config.serial + "\r\nFwVersion=" + m_config.fwVersion + "\r\n", false};
    } else if (request.path == "/v1/info" && get) {
        result = info(param("items"));
    } else if (request.path == "/v1/data/count" && get) {
        result = m_store.count(param("table"), param("filter"));
    } else if (request.path == "/v1/data/query" && get) {
        result = m_store.query(param("table"), param("fields"), param("filter"), param("options"));
    } else if (request.path == "/v1/data/append" && request.method == "POST") {
        if (m_faults.appendsBeforeFault > 0) {
            --m_faults.appendsBeforeFault;
            result = m_store.append(param("table"), request.body, clock);
        } else if (m_faults.refuseAppends > 0) {
            --m_faults.refuseAppends;
            result = {500, "append refused\r\n", false};
        } else {
            result = m_store.append(param("table"), request.body, clock);
            // Stored, but the terminal goes away while answering.
            if (m_faults.dropAppendAfter >= 0) {
                m_faults.dropAfter = m_faults.dropAppendAfter;
                m_faults.dropAppendAfter = -1;
            }
        }
    } else if (request.path == "/v1/device" || request.path == "/v1/info" ||
               request.path.compare(0, 9, "/v1/data/") == 0) {
        result = {400, "method " + request.method + " not allowed here\r\n", false};
    }
    return finish(result.status, result.body, request.keepAlive, result.changed, true);
}

StoreReply TerminalService::info(const std::string& items) const {
    std::string body = "OK\r\n";
    if (trim(items).empty())
        return {200, body, false};
    for (const std::string_view raw : split(items, ',')) {
        const std::string_view item = trim(raw);
        if (item.empty())
            continue;
        std::string value;
        if (equalsNoCase(item, "System.FwVersion"))
            value = m_config.fwVersion;
        else if (equalsNoCase(item, "System.SN"))
            value = m_config.serial;
        else
            m_store.optionValue(item, value);
        body.append(item).append("=").append(value).append("\r\n");
    }
    return {200, body, false};
}

ServiceReply TerminalService::control(const std::string& path, const std::vector<NameValue>& params,
                                      const SimClock& clock) {
    const auto answer = [](int status, const std::string& body, bool changed) {
        ServiceReply reply;
        reply.bytes = buildHttpAnswer(status, body, true);
        reply.changed = changed;
        return reply;
    };
    if (path == "/v1/sim/swipe") {
        const std::string* card = findValue(params, "card");
        std::uint64_t cardNumber = 0;
        if (!card || !parseUnsigned(*card, cardNumber))
            return answer(400, "card missing or not a number\r\n", false);
        std::int64_t balance = 0;
        std::int64_t sequ = 0;
        if (const std::string* b = findValue(params, "balance"); b && !parseYuan(*b, balance))
            return answer(400, "balance is not an amount\r\n", false);
        if (const std::string* s = findValue(params, "sequ"); s && !parseSigned(*s, sequ))
            return answer(400, "sequ is not a number\r\n", false);
        const StoreReply r = m_store.swipe(*card, balance, sequ, m_config.deviceId, clock);
        return answer(r.status, r.body, r.changed);
    }
    if (path == "/v1/sim/fault") {
        long long n = 0;
        if (const std::string* clear = findValue(params, "clear"); clear && *clear == "1")
            m_faults = FaultSwitches();
        if (readCount(params, "refuse_append", 0, n))
            m_faults.refuseAppends = int(n);
        if (readCount(params, "drop_after", -1, n))
            m_faults.dropAfter = n;
        if (readCount(params, "drop_append", -1, n))
            m_faults.dropAppendAfter = n;
        if (readCount(params, "skip_appends", 0, n))
            m_faults.appendsBeforeFault = int(n);
        if (readCount(params, "delay", 0, n))
            m_faults.delayMs = int(n);
        if (readCount(params, "garbage", 0, n))
            m_faults.garbageAnswers = int(n);
        if (readCount(params, "close", 0, n))
            m_faults.closeAnswers = int(n);
        if (readCount(params, "noise", 0, n))
            m_faults.noisyAnswers = int(n);
        if (readCount(params, "wrong_passwd", 0, n))
            m_faults.wrongPasswd = n != 0;
        return answer(200, "OK\r\n", false);
    }
    if (path == "/v1/sim/set") {
        std::int64_t sidy = m_store.state().lastSidyLogId;
        std::int64_t subsidy = m_store.state().lastSubSidyLogId;
        if (const std::string* v = findValue(params, "LastSidyLogID"); v && !parseSigned(*v, sidy))
            return answer(400, "LastSidyLogID is not a number\r\n", false);
        if (const std::string* v = findValue(params, "LastSubSidyLogID"); v && !parseSigned(*v, subsidy))
            return answer(400, "LastSubSidyLogID is not a number\r\n", false);
        m_store.setLastIds(sidy, subsidy);
        if (const std::string* v = findValue(params, "fw"))
            m_config.fwVersion = *v;
        if (const std::string* v = findValue(params, "passwd"))
            m_config.passwd = *v;
        return answer(200, "OK\r\n", true);
    }
    if (path == "/v1/sim/dump")
        return answer(200, formatTerminalState(m_config.key, m_store.state()), false);
    if (path == "/v1/sim/status") {
        const StoreState& s = m_store.state();
        return answer(200,
                      "terminal=" + m_config.key + "\r\nrequests=" + std::to_string(m_requests) +
                          "\r\nconnections=" + std::to_string(m_connections) +
                          "\r\nwaiting=" + std::to_string(s.waiting.size()) +
                          "\r\ntaken=" + std::to_string(s.taken.size()) + "\r\n",
                      false);
    }
    return answer(404, "unknown control " + path + "\r\n", false);
}

} // namespace posterm
