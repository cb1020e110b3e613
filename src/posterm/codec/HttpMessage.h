#pragma once
// HTTP/1.1 messages as terminals and the library exchange them: building
// requests and answers, and incremental parsers that tell "need more bytes"
// from "complete" and "malformed" so a reader knows when to stop.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace posterm {

struct HttpHeader {
    std::string name;
    std::string value;
};

struct HttpRequest {
    std::string method;
    std::string target; // path and query as sent
    std::string path;   // target before '?'
    std::string query;  // target after '?', still encoded
    std::string version;
    std::vector<HttpHeader> headers;
    std::string body;
    bool keepAlive = true;
    const std::string* header(std::string_view name) const;
};

struct HttpAnswer {
    int status = 0;
    std::string reason;
    std::vector<HttpHeader> headers;
    std::string body;
    bool keepAlive = true;
    const std::string* header(std::string_view name) const;
};

enum class ParseStatus {
    NeedMore,  // the message is not complete yet
    Complete,  // `consumed` bytes form the message
    Malformed, // not a message this side accepts
    TooLarge,  // header section or body over the limit
};

// Largest header section either side accepts.
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

// `eof`: the peer closed; an answer without length then ends there.
ParseStatus parseHttpAnswer(std::string_view data, bool eof, std::size_t maxBody, HttpAnswer& out,
                            std::size_t& consumed);
// Requests carry their body with Content-Length (or none). On TooLarge because of
// the body, `consumed` is the header length and `bodyLength` the declared size.
ParseStatus parseHttpRequest(std::string_view data, std::size_t maxBody, HttpRequest& out,
                             std::size_t& consumed, std::size_t& bodyLength);

std::string buildHttpRequest(std::string_view method, std::string_view target, std::string_view host,
                             std::string_view authorization, std::string_view body);
std::string buildHttpAnswer(int status, std::string_view body, bool keepAlive);
const char* reasonPhrase(int status);

} // namespace posterm
