#pragma once
// Tablegram bytes built from the published layout, independently of our writer.
#include <QByteArray>
#include <QString>

#include <cstdint>

class AdtgBytes {
public:
    AdtgBytes& u8(std::uint8_t v) {
        m_b.append(char(v));
        return *this;
    }
    AdtgBytes& u16(std::uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    AdtgBytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    AdtgBytes& u64(std::uint64_t v) { return u32(std::uint32_t(v)).u32(std::uint32_t(v >> 32)); }
    AdtgBytes& raw(const QByteArray& b) {
        m_b.append(b);
        return *this;
    }
    // Count of UTF-16 units, then the units.
    AdtgBytes& str(const QString& s) {
        u16(std::uint16_t(s.size()));
        for (QChar c : s)
            u16(c.unicode());
        return *this;
    }
    // A value of a variable-length column: byte count, bytes.
    AdtgBytes& wtext(const QString& s) {
        u32(std::uint32_t(s.size() * 2));
        for (QChar c : s)
            u16(c.unicode());
        return *this;
    }
    // Token, u16 size, body.
    AdtgBytes& element(std::uint8_t token, const AdtgBytes& body) {
        u8(token).u16(std::uint16_t(body.m_b.size()));
        m_b.append(body.m_b);
        return *this;
    }

    // Header, handler options and result descriptor of a one-level record set.
    AdtgBytes& start(std::uint16_t columns, std::uint16_t tables, std::uint32_t rows) {
        u8(0x01).u8(0x07).raw("TG!").u8(1).u8(0).u8(0x00).u8(0x01);
        AdtgBytes handler;
        handler.raw(QByteArray::fromHex("B692F23F04B2CF118D2300AA005FFE58"));
        handler.u8(0x03).u16(0).u16(0).u16(0).u16(1);
        element(0x02, handler);
        AdtgBytes result;
        result.raw(QByteArray(16, '\x11')).u8(0).u8(0x03).u8(0);
        result.u16(columns).u16(columns).u16(0).u16(tables).u16(0).u32(rows);
        return element(0x03, result);
    }

    const QByteArray& bytes() const { return m_b; }

private:
    QByteArray m_b;
};
