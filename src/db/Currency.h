#pragma once
// Fixed-point money: a 64-bit count of ten-thousandths, so sums of amounts
// stored as decimal(12,2) add up to the cent. Values read from the database
// (decimal texts, integers, or doubles from other drivers) convert without
// passing through binary floating-point arithmetic.
#include <QString>
#include <QVariant>

class Currency {
public:
    static constexpr qint64 Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromUnits(qint64 units) { return Currency(units); }
    static Currency fromInteger(qint64 whole) { return Currency(whole * Scale); }
    // Parses "12.34", "-0.5", "+3", ".25"; digits beyond the fourth decimal are
    // rounded half away from zero. Returns false (and leaves `out` alone) for
    // anything else.
    static bool parse(const QString& text, Currency& out);
    // Null and invalid read as 0; an unreadable text reads as 0 with *ok false.
    static Currency fromVariant(const QVariant& value, bool* ok = nullptr);

    constexpr qint64 units() const { return m_units; }
    // Plain decimal text with `decimals` places (0 to 4), rounded half away from zero.
    QString toString(int decimals = 2) const;

    constexpr Currency operator+(Currency o) const { return Currency(m_units + o.m_units); }
    constexpr Currency operator-(Currency o) const { return Currency(m_units - o.m_units); }
    Currency& operator+=(Currency o) {
        m_units += o.m_units;
        return *this;
    }
    Currency& operator-=(Currency o) {
        m_units -= o.m_units;
        return *this;
    }
    constexpr bool operator==(Currency o) const { return m_units == o.m_units; }
    constexpr bool operator!=(Currency o) const { return m_units != o.m_units; }
    constexpr bool operator<(Currency o) const { return m_units < o.m_units; }

private:
    constexpr explicit Currency(qint64 units) : m_units(units) {}
    qint64 m_units = 0;
};
