#include "dataset/export/BiffRecords.h"

#include <QtEndian>

#include <cstring>

namespace gridexport::biff {

void putDouble(QByteArray& b, double v) {
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(b, quint32(bits & 0xFFFFFFFFu));
    put32(b, quint32(bits >> 32));
}

void appendRecord(QByteArray& out, quint16 type, const QByteArray& body) {
    put16(out, type);
    put16(out, quint16(body.size()));
    out.append(body);
}

QByteArray unicodeString(const QString& text) {
    QByteArray b;
    put16(b, quint16(text.size()));
    b.append(char(1));
    for (const QChar ch : text)
        put16(b, ch.unicode());
    return b;
}

QByteArray shortUnicodeString(const QString& text) {
    QByteArray b;
    const QString t = text.left(255);
    b.append(char(t.size()));
    b.append(char(1));
    for (const QChar ch : t)
        put16(b, ch.unicode());
    return b;
}

bool rkValue(const CellValue& value, quint32& rk) {
    constexpr std::int64_t limit = std::int64_t(1) << 29;
    auto fits = [&](std::int64_t v) { return v >= -limit && v < limit; };
    if (value.kind == CellValue::Integer && fits(value.integer)) {
        rk = quint32(value.integer * 4) | 0x2;
        return true;
    }
    if (value.kind == CellValue::Fixed && value.integer % 100 == 0) {
        const std::int64_t whole = value.integer / CellValue::FixedScale;
        if (value.integer % CellValue::FixedScale == 0 && fits(whole)) {
            rk = quint32(whole * 4) | 0x2;
            return true;
        }
        const std::int64_t cents = value.integer / 100;
        if (fits(cents)) {
            rk = quint32(cents * 4) | 0x3; // integer, divided by 100
            return true;
        }
    }
    return false;
}

double excelSerial(std::int64_t msecs) {
    // 1970-01-01 is day 25569 of Excel's 1900 date system.
    return double(msecs) / 86400000.0 + 25569.0;
}

double spreadsheetNumber(const CellValue& v) {
    switch (v.kind) {
    case CellValue::Integer:
        return double(v.integer);
    case CellValue::Fixed:
        return double(v.integer) / double(CellValue::FixedScale);
    case CellValue::Float:
        return v.real;
    case CellValue::DateTime:
        return excelSerial(v.integer);
    default:
        return 0;
    }
}

QString worksheetName(const QString& tableName, int index) {
    QString base;
    for (const QChar ch : tableName)
        if (!QStringLiteral("[]:*?/\\").contains(ch))
            base += ch;
    // Nor may a sheet name begin or end with an apostrophe.
    base = base.trimmed();
    while (base.startsWith(QLatin1Char('\'')))
        base.remove(0, 1);
    while (base.endsWith(QLatin1Char('\'')))
        base.chop(1);
    base = base.trimmed().left(31);
    if (base.isEmpty())
        return QStringLiteral("Sheet%1").arg(index + 1);
    if (index == 0)
        return base;
    const QString suffix = QStringLiteral("(%1)").arg(index + 1);
    return base.left(31 - suffix.size()) + suffix;
}

namespace {

// Escapes characters that Excel would otherwise read as format codes.
QString escapeLiterals(const QString& mask, const QString& codes) {
    QString out;
    bool quoted = false;
    for (const QChar ch : mask) {
        if (ch == QLatin1Char('"')) {
            quoted = !quoted;
            out += ch;
        } else if (quoted || codes.contains(ch) || QStringLiteral("$-+/():!^&'~{}<>= ").contains(ch)) {
            out += ch;
        } else {
            out += QLatin1Char('\\');
            out += ch;
        }
    }
    return out;
}

} // namespace

QString excelNumberFormat(FieldClass kind, const QString& mask) {
    switch (kind) {
    case FieldClass::Text:
        return {};
    case FieldClass::Integer:
        return mask.isEmpty() ? QStringLiteral("0") : escapeLiterals(mask, QStringLiteral("0#?.,%;Ee@"));
    case FieldClass::Float:
        return mask.isEmpty() ? QString() : escapeLiterals(mask, QStringLiteral("0#?.,%;Ee@"));
    case FieldClass::Money:
        return escapeLiterals(mask.isEmpty() ? QStringLiteral("￥0.00") : mask, QStringLiteral("0#?.,%;Ee@"));
    case FieldClass::DateTime: {
        if (mask.isEmpty())
            return QStringLiteral("yyyy-mm-dd hh:mm:ss");
        // The grid writes minutes "nn" and milliseconds "zzz"; Excel "mm" and "000".
        QString m = mask;
        m.replace(QLatin1String("nn"), QLatin1String("mm"));
        m.replace(QLatin1String("zzz"), QLatin1String("000"));
        m.replace(QLatin1String("ampm"), QLatin1String("AM/PM"));
        return escapeLiterals(m, QStringLiteral("yYmMdDhHsS0AP.;"));
    }
    }
    return {};
}

quint32 SharedStrings::intern(const QString& text) {
    ++m_uses;
    auto it = m_index.constFind(text);
    if (it != m_index.constEnd())
        return it.value();
    const quint32 index = quint32(m_strings.size());
    m_index.insert(text, index);
    m_strings.append(text);
    return index;
}

void SharedStrings::write(QByteArray& g) const {
    const int n = m_strings.size();
    const int perBucket = std::max(8, (n + 127) / 128);
    QByteArray ext;
    put16(ext, quint16(perBucket));

    int recordStart = g.size();
    auto startRecord = [&](quint16 type) {
        recordStart = g.size();
        put16(g, type);
        put16(g, 0);
    };
    auto endRecord = [&]() {
        qToLittleEndian(quint16(g.size() - recordStart - 4), g.data() + recordStart + 2);
    };
    auto used = [&]() { return g.size() - recordStart - 4; };

    startRecord(Sst);
    put32(g, quint32(m_uses));
    put32(g, quint32(n));
    for (int i = 0; i < n; ++i) {
        const QString& s = m_strings.at(i);
        bool wide = false;
        for (const QChar ch : s)
            if (ch.unicode() > 0xFF) {
                wide = true;
                break;
            }
        const int charSize = wide ? 2 : 1;
        // A string's header and its first character stay in one record.
        if (used() + 3 + (s.isEmpty() ? 0 : charSize) > MaxRecordData) {
            endRecord();
            startRecord(Continue);
        }
        if (i % perBucket == 0) {
            put32(ext, quint32(g.size()));
            put16(ext, quint16(g.size() - recordStart));
            put16(ext, 0);
        }
        put16(g, quint16(s.size()));
        g.append(char(wide ? 1 : 0));
        int pos = 0;
        while (pos < s.size()) {
            const int room = (MaxRecordData - used()) / charSize;
            if (room == 0) {
                // The rest of the characters continue after a flags byte.
                endRecord();
                startRecord(Continue);
                g.append(char(wide ? 1 : 0));
                continue;
            }
            const int count = std::min(room, int(s.size()) - pos);
            for (int k = pos; k < pos + count; ++k) {
                const ushort u = s.at(k).unicode();
                if (wide)
                    put16(g, u);
                else
                    g.append(char(u));
            }
            pos += count;
        }
    }
    endRecord();
    appendRecord(g, ExtSst, ext);
}

} // namespace gridexport::biff
