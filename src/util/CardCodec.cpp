#include "util/CardCodec.h"

#include "cardreader/cardreader.h"

#include <limits>

namespace {

// Where each field sits: block, first byte, byte count, and how it is stored.
enum class Storage { Unsigned, Signed, BcdDate, BcdTime };

struct FieldPlace {
    int offset; // from the start of the 48 bytes
    int size;
    Storage storage;
};

constexpr FieldPlace kPlaces[CardInfo::FieldCount] = {
    {0, 4, Storage::Unsigned},  // card number
    {4, 3, Storage::Unsigned},  // employee sys_id
    {7, 1, Storage::Unsigned},  // card format version
    {8, 3, Storage::BcdDate},   // issue date
    {11, 3, Storage::BcdDate},  // valid-until date
    {14, 1, Storage::Unsigned}, // card type
    {15, 1, Storage::Unsigned}, // card status
    {16, 4, Storage::Signed},   // balance
    {20, 2, Storage::Unsigned}, // card transaction counter
    {22, 2, Storage::Unsigned}, // recharge counter
    {24, 3, Storage::Unsigned}, // allowance balance
    {27, 2, Storage::Unsigned}, // allowance version
    {29, 2, Storage::Unsigned}, // deposit
    {31, 1, Storage::Unsigned}, // check byte
    {32, 3, Storage::BcdDate},  // last transaction date
    {35, 2, Storage::BcdTime},  // last transaction time
    {37, 2, Storage::Unsigned}, // terminal
    {39, 3, Storage::Unsigned}, // amount
    {42, 1, Storage::Unsigned}, // meal period
    {43, 1, Storage::Unsigned}, // meals in that period
    {44, 2, Storage::Unsigned}, // spent that day
    {46, 1, Storage::Unsigned}, // daily limit
    {47, 1, Storage::Unsigned}, // option bits
};

constexpr int kPurseStart = 16;
constexpr int kCheckByte = 31;

quint64 littleEndian(const QByteArray& bytes, int offset, int size) {
    quint64 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<quint8>(bytes[offset + i]);
    return value;
}

// The packed BCD digits as they stand; a damaged digit shows as a letter.
QString bcdDigits(const QByteArray& bytes, int offset, int size) {
    return QString::fromLatin1(bytes.mid(offset, size).toHex().toUpper());
}

quint8 purseCheck(const QByteArray& blocks) {
    quint8 check = 0;
    for (int i = kPurseStart; i < kCheckByte; ++i)
        check ^= static_cast<quint8>(blocks[i]);
    return check;
}

quint8 toBcd(int twoDigits) {
    return static_cast<quint8>((twoDigits / 10) << 4 | (twoDigits % 10));
}

} // namespace

QString CardCodec::cardNumber(const QByteArray& serial) {
    if (serial.size() < 4)
        return QString();
    return QString::number(littleEndian(serial, 0, 4));
}

bool CardCodec::parseSectorKey(const QString& text, QByteArray& key, QString& error) {
    QString digits = text.trimmed();
    if (digits.compare(QLatin1String("FFFFFF"), Qt::CaseInsensitive) == 0)
        digits = QStringLiteral("FFFFFFFFFFFF");
    bool hex = digits.size() == 12;
    for (const QChar c : digits)
        hex = hex && ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                      (c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F')));
    if (!hex) {
        error =
            QStringLiteral("卡密码格式错误: 公司参数 PassWord 应为12位十六进制数字, 现为\"%1\"").arg(text);
        return false;
    }
    key = QByteArray::fromHex(digits.toLatin1());
    return true;
}

QString CardCodec::blocksToText(const QByteArray& blocks) {
    if (blocks.size() < DataSize)
        return QString();
    QStringList fields;
    for (const FieldPlace& place : kPlaces) {
        switch (place.storage) {
        case Storage::Unsigned:
            fields << QString::number(littleEndian(blocks, place.offset, place.size));
            break;
        case Storage::Signed:
            fields << QString::number(static_cast<qint32>(littleEndian(blocks, place.offset, place.size)));
            break;
        case Storage::BcdDate:
            fields << (littleEndian(blocks, place.offset, place.size) == 0
                           ? QStringLiteral("0")
                           : QLatin1String("20") + bcdDigits(blocks, place.offset, place.size));
            break;
        case Storage::BcdTime:
            fields << bcdDigits(blocks, place.offset, place.size);
            break;
        }
    }
    return fields.join(QLatin1Char(','));
}

CardInfo CardCodec::parseText(const QString& text) {
    CardInfo info;
    if (text.isEmpty())
        return info;
    const QStringList fields = text.split(QLatin1Char(','));
    for (int i = 0; i < CardInfo::FieldCount && i < fields.size(); ++i) {
        bool ok = false;
        const qint64 value = fields[i].trimmed().toLongLong(&ok);
        info.values[static_cast<std::size_t>(i)] = ok ? value : 0;
    }
    return info;
}

bool CardCodec::isBlank(const QByteArray& blocks) {
    if (blocks.isEmpty())
        return true;
    const char first = blocks[0];
    if (first != '\x00' && first != '\xFF')
        return false;
    for (const char c : blocks) {
        if (c != first)
            return false;
    }
    return true;
}

bool CardCodec::purseIntact(const QByteArray& blocks) {
    return blocks.size() >= DataSize && purseCheck(blocks) == static_cast<quint8>(blocks[kCheckByte]);
}

QByteArray CardCodec::encode(const CardInfo& info, QString* error) {
    QByteArray bytes(DataSize, '\0');
    const auto refuse = [&](int field, const QString& why) {
        if (error)
            *error =
                QStringLiteral("field %1 (%2): %3")
                    .arg(QString::number(field + 1), QString::number(info.values[std::size_t(field)]), why);
        return QByteArray();
    };
    for (int i = 0; i < CardInfo::FieldCount; ++i) {
        const FieldPlace& place = kPlaces[i];
        const qint64 v = info.values[static_cast<std::size_t>(i)];
        quint64 raw = 0;
        switch (place.storage) {
        case Storage::Unsigned:
            if (v < 0 || (place.size < 8 && quint64(v) >> (8 * place.size)) != 0)
                return refuse(i, QStringLiteral("does not fit %1 bytes").arg(place.size));
            raw = quint64(v);
            break;
        case Storage::Signed:
            if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
                return refuse(i, QStringLiteral("does not fit 4 bytes"));
            raw = quint32(qint32(v));
            break;
        case Storage::BcdDate: {
            if (v == 0)
                break;
            const int year = int(v / 10000), month = int(v / 100 % 100), day = int(v % 100);
            if (year < 2000 || year > 2099 || month < 1 || month > 12 || day < 1 || day > 31)
                return refuse(i, QStringLiteral("not a date yyyymmdd of 2000-2099"));
            // Stored in reading order: YY MM DD.
            raw = quint64(toBcd(year % 100)) | quint64(toBcd(month)) << 8 | quint64(toBcd(day)) << 16;
            break;
        }
        case Storage::BcdTime: {
            const int hour = int(v / 100), minute = int(v % 100);
            if (v < 0 || hour > 23 || minute > 59)
                return refuse(i, QStringLiteral("not a time hhmm"));
            raw = quint64(toBcd(hour)) | quint64(toBcd(minute)) << 8;
            break;
        }
        }
        for (int b = 0; b < place.size; ++b)
            bytes[place.offset + b] = static_cast<char>(raw >> (8 * b) & 0xFF);
    }
    bytes[kCheckByte] = static_cast<char>(purseCheck(bytes));
    return bytes;
}

QString CardCodec::messageForResult(int result) {
    switch (result) {
    case CR_OK:
        return QString();
    case CR_ERR_NO_READER:
    case CR_ERR_CONFIG:
        return readerFailedMessage();
    case CR_ERR_AUTH:
        return wrongKeyMessage();
    default:
        return noCardMessage();
    }
}

QString CardCodec::messageForData(const QByteArray& blocks) {
    if (blocks.size() < DataSize)
        return noCardMessage();
    if (isBlank(blocks))
        return blankCardMessage();
    if (!purseIntact(blocks))
        return noCardMessage();
    if (decode(blocks).value(CardField::CardNo) == 0)
        return readBlankCardMessage();
    return QString();
}
