#include "StateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "codec/TextCoding.h"

namespace posterm {

namespace {

bool toInt64(std::string_view text, std::int64_t& out) {
    return parseSigned(text, out);
}

bool toInt(std::string_view text, int& out) {
    std::int64_t v = 0;
    if (!parseSigned(text, v) || v < 0 || v > 99999999)
        return false;
    out = int(v);
    return true;
}

} // namespace

std::string formatTerminalState(const std::string& key, const StoreState& state) {
    std::string out = "[terminal " + key + "]\n";
    out += "next\t" + std::to_string(state.nextWaitingRecNo) + "\t" + std::to_string(state.nextTakenRecNo) +
           "\n";
    out +=
        "last\t" + std::to_string(state.lastSidyLogId) + "\t" + std::to_string(state.lastSubSidyLogId) + "\n";
    for (const WaitingRecord& r : state.waiting) {
        out += "W\t" + std::to_string(r.sysId) + "\t" + r.cardNo + "\t" + std::to_string(r.batch) + "\t" +
               std::to_string(r.money) + "\t" + std::to_string(r.allowDate) + "\t" +
               std::to_string(r.downDate) + "\t" + std::to_string(r.recNo) + "\n";
    }
    for (const TakenRecord& r : state.taken) {
        out += "T\t" + std::to_string(r.sysId) + "\t" + r.cardNo + "\t" + std::to_string(r.cardSequ) + "\t" +
               std::to_string(r.batch) + "\t" + r.takeTime + "\t" + std::to_string(r.money) + "\t" +
               std::to_string(r.balance) + "\t" + std::to_string(r.deviceId) + "\t" +
               std::to_string(r.allowDate) + "\t" + std::to_string(r.downDate) + "\t" +
               std::to_string(r.recNo) + "\n";
    }
    return out;
}

bool parseStateText(std::string_view text, std::map<std::string, StoreState>& out, std::string& error) {
    out.clear();
    StoreState* current = nullptr;
    int lineNo = 0;
    for (const std::string_view line : splitLines(text)) {
        ++lineNo;
        const auto bad = [&](const char* what) {
            error = "line " + std::to_string(lineNo) + ": " + what;
            return false;
        };
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[') {
            if (line.size() < 12 || line.substr(0, 10) != "[terminal " || line.back() != ']')
                return bad("bad section");
            current = &out[std::string(line.substr(10, line.size() - 11))];
            continue;
        }
        if (!current)
            return bad("data before any terminal");
        const std::vector<std::string_view> f = split(line, '\t');
        if (f[0] == "next" && f.size() == 3) {
            if (!toInt64(f[1], current->nextWaitingRecNo) || !toInt64(f[2], current->nextTakenRecNo))
                return bad("bad numbers");
        } else if (f[0] == "last" && f.size() == 3) {
            if (!toInt64(f[1], current->lastSidyLogId) || !toInt64(f[2], current->lastSubSidyLogId))
                return bad("bad numbers");
        } else if (f[0] == "W" && f.size() == 8) {
            WaitingRecord r;
            r.cardNo = std::string(f[2]);
            if (!toInt64(f[1], r.sysId) || !toInt64(f[3], r.batch) || !toInt64(f[4], r.money) ||
                !toInt(f[5], r.allowDate) || !toInt(f[6], r.downDate) || !toInt64(f[7], r.recNo))
                return bad("bad waiting record");
            current->waiting.push_back(std::move(r));
        } else if (f[0] == "T" && f.size() == 12) {
            TakenRecord r;
            r.cardNo = std::string(f[2]);
            r.takeTime = std::string(f[5]);
            if (!toInt64(f[1], r.sysId) || !toInt64(f[3], r.cardSequ) || !toInt64(f[4], r.batch) ||
                !toInt64(f[6], r.money) || !toInt64(f[7], r.balance) || !toInt(f[8], r.deviceId) ||
                !toInt(f[9], r.allowDate) || !toInt(f[10], r.downDate) || !toInt64(f[11], r.recNo))
                return bad("bad taken record");
            current->taken.push_back(std::move(r));
        } else {
            return bad("unknown line");
        }
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::string& content) {
    // A fresh name beside the file, created exclusively: a fixed name could be
    // a planted link (written through) or a second simulator's file.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const auto fail = [&] {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    };
    if (::fchmod(fd, 0644) != 0)
        return fail();
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail();
        written += std::size_t(n);
    }
    if (::fsync(fd) != 0)
        return fail();
    if (::close(fd) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool readWholeFile(const std::string& path, std::string& content) {
    content.clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        content.append(chunk, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

} // namespace posterm
