// Random, truncated, damaged and oversized input for every parser of the
// terminal protocol, built with the address and undefined-behaviour
// sanitizers: nothing may crash, read or write out of bounds, or break the
// parsers' promises. Deterministic seed, bounded iterations.
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codec/AnswerRules.h"
#include "codec/ConnectParams.h"
#include "codec/FrameCodec.h"
#include "codec/HttpMessage.h"
#include "codec/Records.h"
#include "codec/TextCoding.h"
#include "sim/TerminalStore.h"

using namespace posterm;

namespace {

int g_failures = 0;

#define CHECK(condition)                                                                                     \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            if (++g_failures > 20)                                                                           \
                std::exit(1);                                                                                \
        }                                                                                                    \
    } while (0)

std::mt19937 g_random(20260315);

std::size_t below(std::size_t n) {
    return n == 0 ? 0 : std::size_t(g_random() % n);
}

// A copy in a block of exactly its size, so the sanitizer sees any read past it.
struct Exact {
    explicit Exact(const std::string& text)
        : size(text.size()), data(new char[text.size() ? text.size() : 1]) {
        std::memcpy(data.get(), text.data(), text.size());
    }
    std::string_view view() const { return {data.get(), size}; }
    std::size_t size;
    std::unique_ptr<char[]> data;
};

std::string randomBytes(std::size_t maxLength) {
    std::string s(below(maxLength + 1), '\0');
    for (char& c : s)
        c = char(g_random());
    return s;
}

// The pieces of a text split at '|'.
std::vector<std::string> pieces(const std::string& text) {
    std::vector<std::string> out(1);
    for (const char c : text) {
        if (c == '|')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// Text built from pieces that matter to the parsers.
std::string randomTokens(const std::vector<std::string>& pieces, std::size_t count) {
    std::string s;
    const std::size_t n = below(count + 1);
    for (std::size_t i = 0; i < n; ++i)
        s += pieces[below(pieces.size())];
    return s;
}

std::string mutate(std::string s) {
    const std::size_t edits = 1 + below(4);
    for (std::size_t e = 0; e < edits; ++e) {
        switch (below(5)) {
        case 0: // flip a byte
            if (!s.empty())
                s[below(s.size())] ^= char(1 << below(8));
            break;
        case 1: // truncate
            s.resize(below(s.size() + 1));
            break;
        case 2: // insert bytes
            s.insert(below(s.size() + 1), randomBytes(8));
            break;
        case 3: // delete a run
            if (!s.empty()) {
                const std::size_t at = below(s.size());
                s.erase(at, below(16));
            }
            break;
        default: // duplicate a run
            if (!s.empty()) {
                const std::size_t at = below(s.size());
                s.insert(at, s.substr(at, below(32)));
            }
            break;
        }
    }
    return s;
}

std::vector<std::string> sampleAnswers() {
    return {
        buildHttpAnswer(200, "records=1\r\nSysID\tRecNo\r\n1\t1\r\n", true),
        buildHttpAnswer(401, "wrong name or password\r\n", false),
        buildHttpAnswer(200, std::string(3000, 'x'), true),
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nOK\r\n\r\n3\r\nA=1\r\n0\r\n\r\n",
        "HTTP/1.0 200 OK\r\n\r\ncount=3\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n",
        "HTTP/1.1 204 No Content\r\n\r\n",
    };
}

void fuzzAnswerParser() {
    const std::vector<std::string> samples = sampleAnswers();
    const std::vector<std::string> tokens = pieces("HTTP/1.1 |200 OK|\r\n|\n|Content-Length: |12|-1|"
                                                   "Transfer-Encoding: chunked|0\r\n|ffffffff\r\n|:| |"
                                                   "Connection: close|x");
    for (int i = 0; i < 30000; ++i) {
        std::string input;
        switch (i % 3) {
        case 0:
            input = mutate(samples[below(samples.size())]);
            break;
        case 1:
            input = randomTokens(tokens, 30);
            break;
        default:
            input = randomBytes(200);
            break;
        }
        const Exact exact(input);
        const std::size_t maxBody = 1 + below(5000);
        for (const bool eof : {false, true}) {
            HttpAnswer answer;
            std::size_t consumed = 0;
            const ParseStatus status = parseHttpAnswer(exact.view(), eof, maxBody, answer, consumed);
            if (status == ParseStatus::Complete) {
                CHECK(consumed <= exact.size);
                CHECK(answer.body.size() <= maxBody);
                CHECK(answer.status >= 100 && answer.status <= 999);
            }
        }
    }
    // Every cut of a good answer waits for more, and is not taken as complete
    // at the end of the connection unless the answer's length is that end.
    for (const std::string& whole : samples) {
        const bool endsWithConnection = whole.compare(0, 8, "HTTP/1.0") == 0;
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            const Exact exact(whole.substr(0, cut));
            HttpAnswer answer;
            std::size_t consumed = 0;
            CHECK(parseHttpAnswer(exact.view(), false, 1 << 20, answer, consumed) == ParseStatus::NeedMore);
            CHECK(parseHttpAnswer(exact.view(), true, 1 << 20, answer, consumed) != ParseStatus::Complete ||
                  endsWithConnection);
        }
    }
}

void fuzzRequestParser() {
    const std::string sample = buildHttpRequest("POST", "/v1/data/append?table=SubsidyLog", "h", "cm9vdDow",
                                                "SysID=1\tCardNo=2\tBatch=3\tMoney=4\r\n");
    for (int i = 0; i < 20000; ++i) {
        const std::string input = i % 2 ? mutate(sample) : randomBytes(300);
        const Exact exact(input);
        HttpRequest request;
        std::size_t consumed = 0;
        std::size_t bodyLength = 0;
        const std::size_t maxBody = below(100);
        const ParseStatus status = parseHttpRequest(exact.view(), maxBody, request, consumed, bodyLength);
        if (status == ParseStatus::Complete) {
            CHECK(consumed <= exact.size);
            CHECK(request.body.size() <= maxBody);
            CHECK(!request.path.empty() && request.path[0] == '/');
        }
        if (status == ParseStatus::TooLarge && bodyLength > 0)
            CHECK(bodyLength > maxBody && consumed <= exact.size);
    }
}

void fuzzFrames() {
    for (int i = 0; i < 3000; ++i) {
        // A stream of good frames, damaged frames, frames over the size limit
        // and noise without STX.
        std::vector<std::string> sent;
        std::string stream;
        const std::size_t parts = 1 + below(8);
        for (std::size_t p = 0; p < parts; ++p) {
            const std::string payload = randomBytes(300);
            std::string frame = encodeFrame(std::uint8_t(g_random()), payload);
            switch (below(6)) {
            case 0: {
                std::string noise = randomBytes(20);
                for (char& c : noise)
                    c = c == kStx ? 'n' : c;
                stream += noise;
                break;
            }
            case 1:
                frame[6 + below(payload.size() + 2)] ^= 0x55; // damaged: payload or CRC
                stream += frame;
                break;
            case 2:
                frame.back() = char(g_random() | 0x80); // no ETX
                stream += frame;
                break;
            case 3:
                stream += encodeFrame(1, payload + std::string(600, 'o'));
                break;
            default:
                sent.push_back(payload);
                stream += frame;
                break;
            }
        }
        std::vector<std::string> found;
        std::string rest = stream;
        while (!rest.empty()) {
            const Exact exact(rest);
            Frame frame;
            std::size_t consumed = 0;
            const FrameStatus status = decodeFrame(exact.view(), 512, frame, consumed);
            if (status == FrameStatus::NeedMore)
                break;
            CHECK(consumed >= 1 && consumed <= rest.size());
            if (status == FrameStatus::Frame) {
                CHECK(consumed == frame.payload.size() + kFrameOverhead);
                found.push_back(frame.payload);
            }
            rest.erase(0, consumed);
        }
        // Good frames are all found, in order; a damaged one never passes.
        std::size_t k = 0;
        for (const std::string& payload : found) {
            while (k < sent.size() && sent[k] != payload)
                ++k;
            CHECK(k < sent.size());
            if (k < sent.size())
                ++k;
        }
        CHECK(found.size() >= sent.size() || !rest.empty());
    }
    for (int i = 0; i < 20000; ++i) {
        const Exact exact(i % 2 ? randomBytes(64) : mutate(encodeFrame(1, randomBytes(40))));
        Frame frame;
        std::size_t consumed = 0;
        const FrameStatus status = decodeFrame(exact.view(), below(100), frame, consumed);
        CHECK(consumed <= exact.size);
        CHECK(status != FrameStatus::Garbage || consumed >= 1);
    }
}

void fuzzTexts() {
    const std::vector<std::string> filterPieces =
        pieces("RecNo|Money|CardNo|>=|<|<>|=| and | |'|12|-|99999999999999999999|AND|x");
    const std::vector<std::string> recordPieces =
        pieces("SysID=|CardNo=|Batch=|Money=|AllowDate=|\t|\r\n|\n|1|20260230|-5|=|x|18446744073709551616");
    const std::vector<std::string> paramPieces =
        pieces("protocol=|HTTP|RS485|RS232|,|port=|COM|3|baudrate=|"
               "9600bps|deviceid=|timeout=|=|ipaddress=|passwd=|99999999999");
    TerminalStore store;
    const SimClock clock{20260315, "20260315120000"};
    for (int i = 0; i < 20000; ++i) {
        std::vector<Condition> conditions;
        std::string error;
        const Exact filter(randomTokens(filterPieces, 12));
        if (parseFilter(filter.view(), conditions, error)) {
            for (const Condition& c : conditions)
                conditionHolds(c, randomTokens({"1", ".", "5", "-", "x"}, 6));
        }
        std::vector<Record> records;
        const Exact body(randomTokens(recordPieces, 20));
        parseRecordLines(body.view(), records, error);

        // The terminal stores a request whole or not at all.
        const std::size_t before = store.state().waiting.size();
        const StoreReply reply = store.append("SubsidyLog", body.view(), clock);
        CHECK(reply.status == 200 || reply.status == 400);
        if (reply.status != 200)
            CHECK(store.state().waiting.size() == before);
        const StoreReply q = store.query("SubsidyLog", "*", filter.view(), i % 2 ? "Maxreturn=3" : "");
        CHECK(q.status == 200 || q.status == 400);
        if (q.status == 200) {
            CHECK(recordsFromAnswer(q.body) >= 0);
            CHECK(recordsFromAnswer(q.body) <= int(store.state().waiting.size()));
        }

        ConnectParams params;
        const Exact paramText(randomTokens(paramPieces, 16));
        if (parseConnectParams(paramText.view(), params)) {
            CHECK(params.timeoutMs > 0);
            CHECK(params.protocol != Protocol::Http || !params.address.empty());
        }
        std::string decoded;
        const Exact escaped(randomTokens({"%", "4", "1", "g", "+", "&", "="}, 10));
        percentDecode(escaped.view(), decoded);
        std::vector<NameValue> pairs;
        parseQuery(escaped.view(), pairs);
        const Exact b64(randomTokens({"Y", "Q", "=", "/", "+", "*"}, 12));
        base64Decode(b64.view(), decoded);
        const Exact ini(randomTokens({"[", "]", "SerialPorts", "COM3", "=", "\r\n", " ", ";"}, 16));
        serialDevicePath(3, ini.view());
        const Exact answer(
            randomTokens({"records=", "count=", "appended=", "1", "\r\n", "\t", "OK", "x"}, 10));
        countFromAnswer(answer.view());
        recordsFromAnswer(answer.view());
        appendedFromAnswer(answer.view());
        isInfoAnswer(answer.view());
    }
}

// Answers copied into buffers of every size around them: the buffer is
// zero-filled, then holds the answer and its zero or stays all zeros.
void fuzzCopyAnswer() {
    for (int i = 0; i < 20000; ++i) {
        const std::string answer = randomBytes(64);
        const int size = int(below(80));
        std::vector<char> memory(std::size_t(size) + 8, '#');
        const bool null = size == 0 && i % 2;
        const int result = copyAnswer(null ? nullptr : memory.data(), size, answer);
        for (std::size_t k = std::size_t(size); k < memory.size(); ++k)
            CHECK(memory[k] == '#');
        if (null) {
            CHECK(result == kMalformed);
        } else if (answer.find('\0') != std::string::npos) {
            CHECK(result == kMalformed);
            for (int k = 0; k < size; ++k)
                CHECK(memory[std::size_t(k)] == 0);
        } else if (size > int(answer.size())) {
            CHECK(result == kOk && std::memcmp(memory.data(), answer.data(), answer.size()) == 0);
            for (int k = int(answer.size()); k < size; ++k)
                CHECK(memory[std::size_t(k)] == 0);
        } else {
            CHECK(result == kBufferTooSmall);
            for (int k = 0; k < size; ++k)
                CHECK(memory[std::size_t(k)] == 0);
        }
    }
    CHECK(copyAnswer(nullptr, 10, "a") == kMalformed);
}

} // namespace

int main() {
    fuzzAnswerParser();
    fuzzRequestParser();
    fuzzFrames();
    fuzzTexts();
    fuzzCopyAnswer();
    if (g_failures) {
        std::fprintf(stderr, "%d checks failed\n", g_failures);
        return 1;
    }
    std::puts("posterm fuzz: all checks passed");
    return 0;
}
