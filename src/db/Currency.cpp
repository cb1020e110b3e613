#include "db/Currency.h"

#include <QLocale>

#include <algorithm>

#include <limits>

bool Currency::parse(const QString& input, Currency& out) {
    const QString text = input.trimmed();
    int i = 0;
    const int n = int(text.size());
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 whole = 0;
    int wholeDigits = 0;
    // The largest whole part whose count of ten-thousandths, fraction and
    // rounding included, still fits.
    constexpr qint64 limit = (std::numeric_limits<qint64>::max() - Scale) / Scale;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        whole = whole * 10 + (text[i].unicode() - '0');
        if (whole > limit)
            return false;
        ++wholeDigits;
        ++i;
    }
    qint64 fraction = 0;
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            const int digit = text[i].unicode() - '0';
            if (fractionDigits < 4)
                fraction = fraction * 10 + digit;
            else if (fractionDigits == 4)
                roundUp = digit >= 5;
            ++fractionDigits;
            ++i;
        }
    }
    if (i != n || wholeDigits + fractionDigits == 0)
        return false;
    for (int d = std::min(fractionDigits, 4); d < 4; ++d)
        fraction *= 10;
    qint64 units = whole * Scale + fraction + (roundUp ? 1 : 0);
    out = Currency(negative ? -units : units);
    return true;
}

Currency Currency::fromVariant(const QVariant& value, bool* ok) {
    if (ok)
        *ok = true;
    if (value.isNull() || !value.isValid())
        return Currency();
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Bool:
        return fromInteger(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        // The shortest text that reads back as the same double is the decimal
        // the driver meant; it is parsed rather than multiplied.
        Currency c;
        const QString text = QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
        if (parse(text, c))
            return c;
        if (ok)
            *ok = false;
        return Currency();
    }
    default:
        break;
    }
    Currency c;
    if (parse(value.toString(), c))
        return c;
    if (ok)
        *ok = false;
    return Currency();
}

QString Currency::toString(int decimals) const {
    decimals = std::clamp(decimals, 0, 4);
    qint64 step = 1;
    for (int d = decimals; d < 4; ++d)
        step *= 10;
    const bool negative = m_units < 0;
    // Work on the magnitude as unsigned so the most negative value has one.
    quint64 magnitude = negative ? quint64(0) - quint64(m_units) : quint64(m_units);
    magnitude = (magnitude + quint64(step) / 2) / quint64(step);
    quint64 divisor = 1;
    for (int d = 0; d < decimals; ++d)
        divisor *= 10;
    QString text = QString::number(magnitude / divisor);
    if (decimals > 0)
        text += QLatin1Char('.') +
                QString::number(magnitude % divisor).rightJustified(decimals, QLatin1Char('0'));
    if (negative && magnitude != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}
