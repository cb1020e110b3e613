#include "HttpMessage.h"

#include "TextCoding.h"

namespace posterm {

namespace {

const std::string* findHeader(const std::vector<HttpHeader>& headers, std::string_view name) {
    for (const HttpHeader& h : headers) {
        if (equalsNoCase(h.name, name))
            return &h.value;
    }
    return nullptr;
}

bool hasToken(std::string_view value, std::string_view token) {
    for (const std::string_view part : split(value, ',')) {
        if (equalsNoCase(trim(part), token))
            return true;
    }
    return false;
}

// Reads the start line and headers. Returns NeedMore, Malformed, TooLarge or
// Complete with `end` just past the blank line.
ParseStatus readHead(std::string_view data, std::string& startLine, std::vector<HttpHeader>& headers,
                     std::size_t& end) {
    headers.clear();
    std::size_t pos = 0;
    bool first = true;
    while (true) {
        const std::size_t nl = data.find('\n', pos);
        if (nl == std::string_view::npos)
            return data.size() > kMaxHeaderBytes ? ParseStatus::TooLarge : ParseStatus::NeedMore;
        if (nl + 1 > kMaxHeaderBytes)
            return ParseStatus::TooLarge;
        std::string_view line = data.substr(pos, nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = nl + 1;
        if (first) {
            if (line.empty())
                return ParseStatus::Malformed;
            startLine.assign(line);
            first = false;
            continue;
        }
        if (line.empty()) {
            end = pos;
            return ParseStatus::Complete;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return ParseStatus::Malformed;
        const std::string_view name = line.substr(0, colon);
        if (name.find_first_of(" \t\r") != std::string_view::npos)
            return ParseStatus::Malformed;
        headers.push_back({std::string(name), std::string(trim(line.substr(colon + 1)))});
    }
}

// Content-Length when present: -1 absent, -2 malformed or contradicting.
long long contentLength(const std::vector<HttpHeader>& headers) {
    long long result = -1;
    for (const HttpHeader& h : headers) {
        if (!equalsNoCase(h.name, "Content-Length"))
            continue;
        std::uint64_t n = 0;
        if (!parseUnsigned(h.value, n) || n > (1ULL << 40))
            return -2;
        if (result >= 0 && result != (long long)n)
            return -2;
        result = (long long)n;
    }
    return result;
}

ParseStatus readChunked(std::string_view data, std::size_t start, std::size_t maxBody, std::string& body,
                        std::size_t& consumed) {
    body.clear();
    std::size_t pos = start;
    while (true) {
        const std::size_t nl = data.find('\n', pos);
        if (nl == std::string_view::npos)
            return data.size() - pos > 1024 ? ParseStatus::Malformed : ParseStatus::NeedMore;
        std::string_view line = data.substr(pos, nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = trim(line.substr(0, line.find(';')));
        if (line.empty() || line.size() > 15)
            return ParseStatus::Malformed;
        std::size_t size = 0;
        for (const char c : line) {
            int v = -1;
            if (c >= '0' && c <= '9')
                v = c - '0';
            else if (c >= 'a' && c <= 'f')
                v = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                v = c - 'A' + 10;
            if (v < 0)
                return ParseStatus::Malformed;
            size = size * 16 + std::size_t(v);
        }
        pos = nl + 1;
        if (size == 0) {
            // Trailers until a blank line.
            while (true) {
                const std::size_t tnl = data.find('\n', pos);
                if (tnl == std::string_view::npos)
                    return ParseStatus::NeedMore;
                std::string_view trailer = data.substr(pos, tnl - pos);
                pos = tnl + 1;
                if (trailer.empty() || trailer == "\r") {
                    consumed = pos;
                    return ParseStatus::Complete;
                }
            }
        }
        if (size > maxBody || body.size() + size > maxBody)
            return ParseStatus::TooLarge;
        if (data.size() - pos < size + 1)
            return ParseStatus::NeedMore;
        body.append(data.substr(pos, size));
        pos += size;
        if (data[pos] == '\r') {
            if (data.size() - pos < 2)
                return ParseStatus::NeedMore;
            ++pos;
        }
        if (data[pos] != '\n')
            return ParseStatus::Malformed;
        ++pos;
    }
}

bool connectionKeepAlive(std::string_view version, const std::vector<HttpHeader>& headers) {
    const std::string* connection = findHeader(headers, "Connection");
    if (version == "HTTP/1.0")
        return connection && hasToken(*connection, "keep-alive");
    return !(connection && hasToken(*connection, "close"));
}

} // namespace

const std::string* HttpRequest::header(std::string_view name) const {
    return findHeader(headers, name);
}
const std::string* HttpAnswer::header(std::string_view name) const {
    return findHeader(headers, name);
}

ParseStatus parseHttpAnswer(std::string_view data, bool eof, std::size_t maxBody, HttpAnswer& out,
                            std::size_t& consumed) {
    consumed = 0;
    std::string statusLine;
    std::size_t headEnd = 0;
    const ParseStatus head = readHead(data, statusLine, out.headers, headEnd);
    if (head == ParseStatus::NeedMore && eof)
        return ParseStatus::Malformed;
    if (head != ParseStatus::Complete)
        return head;

    // "HTTP/1.x SSS reason"
    if (statusLine.size() < 12 || statusLine.compare(0, 7, "HTTP/1.") != 0 ||
        (statusLine[7] != '0' && statusLine[7] != '1') || statusLine[8] != ' ')
        return ParseStatus::Malformed;
    for (int i = 9; i < 12; ++i) {
        if (statusLine[i] < '0' || statusLine[i] > '9')
            return ParseStatus::Malformed;
    }
    if (statusLine.size() > 12 && statusLine[12] != ' ')
        return ParseStatus::Malformed;
    out.status = (statusLine[9] - '0') * 100 + (statusLine[10] - '0') * 10 + (statusLine[11] - '0');
    if (out.status < 100)
        return ParseStatus::Malformed;
    out.reason = statusLine.size() > 13 ? statusLine.substr(13) : std::string();
    out.keepAlive = connectionKeepAlive(std::string_view(statusLine).substr(0, 8), out.headers);
    out.body.clear();

    if (out.status < 200 || out.status == 204 || out.status == 304) {
        consumed = headEnd;
        return ParseStatus::Complete;
    }
    const std::string* encoding = out.header("Transfer-Encoding");
    if (encoding && !equalsNoCase(trim(*encoding), "identity")) {
        if (!equalsNoCase(trim(*encoding), "chunked"))
            return ParseStatus::Malformed;
        const ParseStatus chunked = readChunked(data, headEnd, maxBody, out.body, consumed);
        if (chunked == ParseStatus::NeedMore && eof)
            return ParseStatus::Malformed;
        return chunked;
    }
    const long long length = contentLength(out.headers);
    if (length == -2)
        return ParseStatus::Malformed;
    if (length >= 0) {
        if ((unsigned long long)length > maxBody)
            return ParseStatus::TooLarge;
        if (data.size() - headEnd < std::size_t(length))
            return eof ? ParseStatus::Malformed : ParseStatus::NeedMore;
        out.body.assign(data.substr(headEnd, std::size_t(length)));
        consumed = headEnd + std::size_t(length);
        return ParseStatus::Complete;
    }
    // No length: the body runs to the end of the connection.
    if (data.size() - headEnd > maxBody)
        return ParseStatus::TooLarge;
    if (!eof)
        return ParseStatus::NeedMore;
    out.body.assign(data.substr(headEnd));
    out.keepAlive = false;
    consumed = data.size();
    return ParseStatus::Complete;
}

ParseStatus parseHttpRequest(std::string_view data, std::size_t maxBody, HttpRequest& out,
                             std::size_t& consumed, std::size_t& bodyLength) {
    consumed = 0;
    bodyLength = 0;
    std::string requestLine;
    std::size_t headEnd = 0;
    const ParseStatus head = readHead(data, requestLine, out.headers, headEnd);
    if (head != ParseStatus::Complete)
        return head;
    const std::vector<std::string_view> parts = split(requestLine, ' ');
    if (parts.size() != 3 || parts[0].empty() || parts[1].empty() || parts[1][0] != '/' ||
        (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0"))
        return ParseStatus::Malformed;
    out.method.assign(parts[0]);
    out.target.assign(parts[1]);
    out.version.assign(parts[2]);
    const std::size_t q = out.target.find('?');
    out.path = out.target.substr(0, q);
    out.query = q == std::string::npos ? std::string() : out.target.substr(q + 1);
    out.keepAlive = connectionKeepAlive(out.version, out.headers);
    if (out.header("Transfer-Encoding"))
        return ParseStatus::Malformed;
    const long long length = contentLength(out.headers);
    if (length == -2)
        return ParseStatus::Malformed;
    const std::size_t size = length < 0 ? 0 : std::size_t(length);
    if (size > maxBody) {
        consumed = headEnd;
        bodyLength = size;
        return ParseStatus::TooLarge;
    }
    if (data.size() - headEnd < size)
        return ParseStatus::NeedMore;
    out.body.assign(data.substr(headEnd, size));
    bodyLength = size;
    consumed = headEnd + size;
    return ParseStatus::Complete;
}

std::string buildHttpRequest(std::string_view method, std::string_view target, std::string_view host,
                             std::string_view authorization, std::string_view body) {
    std::string out;
    out.reserve(256 + body.size());
    out.append(method).append(" ").append(target).append(" HTTP/1.1\r\n");
    out.append("Host: ").append(host).append("\r\n");
    out.append("Authorization: Basic ").append(authorization).append("\r\n");
    out.append("Connection: keep-alive\r\n");
    if (method != "GET" || !body.empty()) {
        out.append("Content-Type: text/plain; charset=utf-8\r\n");
        out.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n");
    }
    out.append("\r\n");
    out.append(body);
    return out;
}

const char* reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 413:
        return "Payload Too Large";
    case 500:
        return "Internal Server Error";
    default:
        return "Unknown";
    }
}

std::string buildHttpAnswer(int status, std::string_view body, bool keepAlive) {
    std::string out;
    out.reserve(160 + body.size());
    out.append("HTTP/1.1 ").append(std::to_string(status)).append(" ").append(reasonPhrase(status));
    out.append("\r\nContent-Type: text/plain; charset=utf-8\r\n");
    if (status == 401)
        out.append("WWW-Authenticate: Basic realm=\"terminal\"\r\n");
    out.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n");
    out.append(keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n");
    out.append("\r\n");
    out.append(body);
    return out;
}

} // namespace posterm
