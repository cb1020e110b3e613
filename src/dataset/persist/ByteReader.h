#pragma once
// Little-endian reading of a byte range with bounds checks: reading past the
// end raises "文件格式不正确" with the offset where the file ends.
#include "dataset/persist/RecordSetImage.h"

#include <QString>

#include <cstdint>
#include <cstring>

namespace persist {

class ByteReader {
public:
    ByteReader(const char* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t pos() const { return m_pos; }
    std::size_t remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }

    const char* take(std::size_t n) {
        if (n > m_size - m_pos)
            truncated();
        const char* p = m_data + m_pos;
        m_pos += n;
        return p;
    }
    void skip(std::size_t n) { take(n); }
    std::uint8_t u8() { return std::uint8_t(*take(1)); }
    std::uint8_t peek() const {
        if (m_pos >= m_size)
            truncated();
        return std::uint8_t(m_data[m_pos]);
    }
    std::uint16_t u16() { return std::uint16_t(le(take(2), 2)); }
    std::uint32_t u32() { return std::uint32_t(le(take(4), 4)); }
    std::uint64_t u64() { return le(take(8), 8); }
    double f64() {
        const std::uint64_t bits = u64();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    float f32() {
        const std::uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // A count of UTF-16 code units (USHORT), then the units.
    QString lengthPrefixedString() {
        const std::uint16_t n = u16();
        const char* p = take(std::size_t(n) * 2);
        QString s(qsizetype(n), Qt::Uninitialized);
        for (std::uint16_t i = 0; i < n; ++i)
            s[i] = QChar(char16_t(std::uint8_t(p[2 * i]) | (std::uint8_t(p[2 * i + 1]) << 8)));
        return s;
    }

    [[noreturn]] void truncated() const {
        badFormat(QStringLiteral("文件在第 %1 字节处意外结束").arg(m_size));
    }

private:
    static std::uint64_t le(const char* p, int n) {
        std::uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | std::uint8_t(p[i]);
        return v;
    }
    const char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace persist
