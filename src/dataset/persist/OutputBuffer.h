#pragma once
// Bytes gathered in memory and handed to a device in large pieces, so a
// writer can append a few bytes at a time without a device call for each.
#include "dataset/persist/RecordSetImage.h"

#include <QIODevice>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace persist {

class OutputBuffer {
public:
    explicit OutputBuffer(QIODevice& device) : m_device(device) { m_buf.reserve(kFlushAt + 65536); }

    std::string& raw() { return m_buf; }
    void append(std::string_view s) {
        m_buf.append(s);
        flushIfFull();
    }
    void put(char c) { m_buf.push_back(c); }
    void u8(std::uint8_t v) { m_buf.push_back(char(v)); }
    void u16(std::uint16_t v) { le(v, 2); }
    void u32(std::uint32_t v) { le(v, 4); }
    void u64(std::uint64_t v) { le(v, 8); }
    void f64(double d) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        u64(bits);
    }
    void flushIfFull() {
        if (m_buf.size() >= kFlushAt)
            flush();
    }
    void flush() {
        if (!m_buf.empty() && m_device.write(m_buf.data(), qint64(m_buf.size())) != qint64(m_buf.size()))
            throw PersistError{QStringLiteral("写入文件失败: ") + m_device.errorString()};
        m_buf.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    void le(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i, v >>= 8)
            m_buf.push_back(char(v & 0xFF));
    }
    QIODevice& m_device;
    std::string m_buf;
};

} // namespace persist
