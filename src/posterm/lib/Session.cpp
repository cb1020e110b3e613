#include "Session.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "NetTransport.h"
#include "SerialTransport.h"
#include "codec/AnswerRules.h"
#include "codec/TextCoding.h"

namespace posterm {

namespace {

constexpr int kConnectTimeoutMs = 5000;

std::string text(const char* s) {
    return s ? std::string(s) : std::string();
}

std::string readSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string content;
    content.resize(1024 * 1024);
    in.read(content.data(), std::streamsize(content.size()));
    content.resize(std::size_t(in.gcount()));
    return content;
}

} // namespace

std::string programFolder() {
    if (const char* home = std::getenv("MEAL_HOME"); home && *home)
        return home;
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string exe(path, std::size_t(n));
    const std::size_t slash = exe.rfind('/');
    const std::string folder =
        slash == std::string::npos || slash == 0 ? std::string("/") : exe.substr(0, slash);
    // A program installed under /usr keeps its files in the user's configuration folder.
    if (folder.rfind("/usr/", 0) == 0 || folder == "/bin") {
        if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
            return std::string(config) + "/mealpos";
        if (const char* home = std::getenv("HOME"); home && *home)
            return std::string(home) + "/.config/mealpos";
    }
    return folder;
}

Session::Session(std::unique_ptr<Transport> transport, std::string authorization)
    : m_transport(std::move(transport)), m_authorization(std::move(authorization)) {}

std::unique_ptr<Session> Session::connect(const ConnectParams& params) {
    std::unique_ptr<Transport> transport;
    if (params.protocol == Protocol::Http) {
        transport =
            std::make_unique<NetTransport>(params.address, params.port, kConnectTimeoutMs, params.timeoutMs);
    } else {
        const std::string ini = readSmallFile(programFolder() + "/Daybook.ini");
        transport =
            SerialTransport::open(serialDevicePath(params.comNumber, ini), params.baudRate, params.deviceId,
                                  params.protocol == Protocol::Rs485, params.timeoutMs, params.comNumber);
    }
    if (!transport)
        return nullptr;
    std::unique_ptr<Session> session(
        new Session(std::move(transport), base64Encode(params.name + ":" + params.passwd)));
    HttpAnswer answer;
    if (session->call("GET", "/v1/device", {}, answer) != kOk)
        return nullptr;
    return session;
}

int Session::call(const char* method, const std::string& target, std::string_view body, HttpAnswer& answer) {
    const std::string request =
        buildHttpRequest(method, target, m_transport->hostName(), m_authorization, body);
    const bool repeatable = std::string_view(method) == "GET";
    const int sent = m_transport->exchange(request, repeatable, answer);
    if (sent != kOk)
        return sent;
    return resultForStatus(answer.status);
}

int Session::info(char* buffer, int size, const char* items) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const int usable = copyAnswer(buffer, size, {}); usable != kOk)
        return usable;
    HttpAnswer answer;
    const int result = call("GET", "/v1/info?items=" + percentEncode(text(items)), {}, answer);
    if (result != kOk)
        return result;
    if (!isInfoAnswer(answer.body) || answer.body.size() > std::size_t(INT_MAX))
        return kMalformed;
    const int copied = copyAnswer(buffer, size, answer.body);
    return copied == kOk ? int(answer.body.size()) : copied;
}

int Session::count(const char* table, const char* filter) {
    std::lock_guard<std::mutex> lock(m_mutex);
    HttpAnswer answer;
    const int result =
        call("GET",
             "/v1/data/count?table=" + percentEncode(text(table)) + "&filter=" + percentEncode(text(filter)),
             {}, answer);
    if (result != kOk)
        return result;
    return countFromAnswer(answer.body);
}

int Session::append(const char* table, const char* data) {
    std::lock_guard<std::mutex> lock(m_mutex);
    HttpAnswer answer;
    const int result =
        call("POST", "/v1/data/append?table=" + percentEncode(text(table)), text(data), answer);
    if (result != kOk)
        return result;
    return appendedFromAnswer(answer.body);
}

int Session::query(char* buffer, int size, const char* table, const char* fields, const char* filter,
                   const char* options) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const int usable = copyAnswer(buffer, size, {}); usable != kOk)
        return usable;
    HttpAnswer answer;
    const int result =
        call("GET",
             "/v1/data/query?table=" + percentEncode(text(table)) + "&fields=" + percentEncode(text(fields)) +
                 "&filter=" + percentEncode(text(filter)) + "&options=" + percentEncode(text(options)),
             {}, answer);
    if (result != kOk)
        return result;
    const int records = recordsFromAnswer(answer.body);
    if (records < 0)
        return records;
    const int copied = copyAnswer(buffer, size, answer.body);
    return copied == kOk ? records : copied;
}

} // namespace posterm
