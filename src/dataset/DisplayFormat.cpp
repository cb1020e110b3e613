#include "dataset/DisplayFormat.h"

#include "dataset/CellCodec.h"

#include <QStringList>

#include <cmath>

namespace displayformat {

namespace {

// One section of a number mask, split into literal prefix, digit layout and suffix.
struct NumberMask {
    QString prefix;
    QString suffix;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
    bool thousands = false;
    bool hasDigits = false;
};

bool isPlaceholder(QChar c) {
    return c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char(',') || c == QLatin1Char('.');
}

// Splits the mask at ';' outside quotes.
QStringList sections(const QString& mask) {
    QStringList out;
    QString current;
    QChar quote;
    for (const QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            current += c;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            current += c;
        } else if (c == QLatin1Char(';')) {
            out << current;
            current.clear();
        } else {
            current += c;
        }
    }
    out << current;
    return out;
}

NumberMask parseMask(const QString& section) {
    NumberMask m;
    QChar quote;
    int stage = 0; // 0 prefix, 1 digits, 2 suffix
    bool afterPoint = false;
    for (const QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (stage == 0 ? m.prefix : m.suffix) += c;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            if (stage == 1)
                stage = 2;
            continue;
        }
        if (stage < 2 && isPlaceholder(c)) {
            stage = 1;
            m.hasDigits = true;
            if (c == QLatin1Char('.'))
                afterPoint = true;
            else if (c == QLatin1Char(','))
                m.thousands = m.thousands || !afterPoint;
            else if (afterPoint) {
                ++m.maxDec;
                if (c == QLatin1Char('0'))
                    m.minDec = m.maxDec;
            } else if (c == QLatin1Char('0')) {
                ++m.minInt;
            }
            continue;
        }
        if (stage == 1)
            stage = 2;
        (stage == 0 ? m.prefix : m.suffix) += c;
    }
    return m;
}

// Lays out the digits "123456.7800" (no sign) through the mask.
QString layout(const NumberMask& m, QString digitsText) {
    QString intPart = digitsText;
    QString decPart;
    const int point = digitsText.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        intPart = digitsText.left(point);
        decPart = digitsText.mid(point + 1);
    }
    while (decPart.size() > m.minDec && decPart.endsWith(QLatin1Char('0')))
        decPart.chop(1);
    while (intPart.size() > m.minInt && intPart.startsWith(QLatin1Char('0')))
        intPart.remove(0, 1);
    while (intPart.size() < m.minInt)
        intPart.prepend(QLatin1Char('0'));
    if (m.thousands) {
        for (int i = intPart.size() - 3; i > 0; i -= 3)
            intPart.insert(i, QLatin1Char(','));
    }
    QString text = intPart;
    if (!decPart.isEmpty())
        text += QLatin1Char('.') + decPart;
    return m.prefix + text + m.suffix;
}

bool allZero(const QString& digitsText) {
    for (const QChar c : digitsText)
        if (c != QLatin1Char('0') && c != QLatin1Char('.'))
            return false;
    return true;
}

// Chooses the section and formats; `digitsFor(maxDec)` gives the unsigned
// digits rounded to maxDec decimals.
template <typename DigitsFor>
QString formatWith(const QString& mask, bool negative, bool zero, DigitsFor digitsFor) {
    const QStringList parts = sections(mask);
    int index = 0;
    if (zero && parts.size() >= 3 && !parts[2].isEmpty())
        index = 2;
    else if (negative && parts.size() >= 2 && !parts[1].isEmpty())
        index = 1;
    const NumberMask m = parseMask(parts[index]);
    if (!m.hasDigits)
        return m.prefix + m.suffix;
    const QString digitsText = digitsFor(m.maxDec);
    QString text = layout(m, digitsText);
    if (negative && index == 0 && !allZero(digitsText))
        text.prepend(QLatin1Char('-'));
    return text;
}

} // namespace

QString formatFixed(const QString& mask, std::int64_t value) {
    if (mask.isEmpty())
        return cellcodec::fixedTextTrimmed(value);
    const std::uint64_t magnitude =
        value < 0 ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    return formatWith(mask, value < 0, value == 0, [&](int maxDec) {
        QString text = cellcodec::fixedText(std::int64_t(magnitude), std::min(maxDec, 4));
        if (maxDec > 4)
            text += QString(maxDec - 4, QLatin1Char('0'));
        return text;
    });
}

QString formatDouble(const QString& mask, double value) {
    if (mask.isEmpty())
        return QString::number(value, 'g', 15);
    if (!std::isfinite(value))
        return QString::number(value);
    return formatWith(mask, value < 0, value == 0,
                      [&](int maxDec) { return QString::number(std::fabs(value), 'f', maxDec); });
}

QString formatInteger(const QString& mask, std::int64_t value) {
    if (mask.isEmpty())
        return QString::number(value);
    const std::uint64_t magnitude =
        value < 0 ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    return formatWith(mask, value < 0, value == 0, [&](int maxDec) {
        QString text = QString::number(magnitude);
        if (maxDec > 0)
            text += QLatin1Char('.') + QString(maxDec, QLatin1Char('0'));
        return text;
    });
}

QString formatDateTime(const QString& mask, std::int64_t msecs) {
    const QDate d = cellcodec::toDate(msecs);
    const QTime t = cellcodec::toTime(msecs);
    QString out;
    const int n = mask.size();
    bool lastWasHour = false;
    auto count = [&](int i) {
        int k = i;
        while (k < n && mask[k].toLower() == mask[i].toLower())
            ++k;
        return k - i;
    };
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    for (int i = 0; i < n;) {
        const QChar c = mask[i];
        const QChar lc = c.toLower();
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const int end = mask.indexOf(c, i + 1);
            out += mask.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? n : end + 1;
            continue;
        }
        const int k = count(i);
        if (lc == QLatin1Char('y')) {
            out +=
                k <= 2 ? two(d.year() % 100) : QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
        } else if (lc == QLatin1Char('m')) {
            out += lastWasHour ? (k >= 2 ? two(t.minute()) : QString::number(t.minute()))
                               : (k >= 2 ? two(d.month()) : QString::number(d.month()));
        } else if (lc == QLatin1Char('d')) {
            out += k >= 2 ? two(d.day()) : QString::number(d.day());
        } else if (lc == QLatin1Char('h')) {
            out += k >= 2 ? two(t.hour()) : QString::number(t.hour());
        } else if (lc == QLatin1Char('n')) {
            out += k >= 2 ? two(t.minute()) : QString::number(t.minute());
        } else if (lc == QLatin1Char('s')) {
            out += k >= 2 ? two(t.second()) : QString::number(t.second());
        } else if (lc == QLatin1Char('z')) {
            out += k >= 3 ? QStringLiteral("%1").arg(t.msec(), 3, 10, QLatin1Char('0'))
                          : QString::number(t.msec());
        } else {
            out += mask.mid(i, k);
        }
        if (lc != QLatin1Char(':') && lc != QLatin1Char(' '))
            lastWasHour = lc == QLatin1Char('h');
        i += k;
    }
    return out;
}

} // namespace displayformat
