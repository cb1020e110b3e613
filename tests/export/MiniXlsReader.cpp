#include "MiniXlsReader.h"

#include <QtEndian>

#include <cstring>

namespace {

bool fail(QString& error, const QString& why) {
    error = why;
    return false;
}

quint16 u16(const QByteArray& b, qint64 at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 u32(const QByteArray& b, qint64 at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

struct Cfb {
    const QByteArray& file;
    int sectorSize = 512;
    QVector<quint32> fat;

    QByteArray sector(quint32 s) const { return file.mid(qint64(s + 1) * sectorSize, sectorSize); }
    bool chain(quint32 start, QByteArray& out, QString& error) const {
        quint32 s = start;
        int guard = 0;
        while (s != 0xFFFFFFFE) {
            if (s >= quint32(fat.size()) || ++guard > fat.size())
                return fail(error, QStringLiteral("broken sector chain at %1").arg(s));
            out += sector(s);
            s = fat.at(int(s));
        }
        return true;
    }
};

// Reads bytes of a record body and its Continue records; a text's
// characters that cross into a Continue record start with a flags byte.
struct Segments {
    QVector<QByteArray> parts;
    int part = 0;
    int pos = 0;

    bool atEnd() const { return part >= parts.size(); }
    void skipEmpty() {
        while (part < parts.size() && pos >= parts.at(part).size()) {
            ++part;
            pos = 0;
        }
    }
    quint8 byte() {
        skipEmpty();
        return quint8(parts.at(part).at(pos++));
    }
    quint16 word() {
        const quint8 lo = byte();
        return quint16(lo | (byte() << 8));
    }
    quint32 dword() {
        const quint16 lo = word();
        return lo | (quint32(word()) << 16);
    }
    QString chars(int count, bool wide) {
        QString s;
        while (count > 0) {
            if (pos >= parts.at(part).size()) {
                ++part;
                pos = 0;
                wide = byte() & 1; // flags byte of the continued text
            }
            const int size = wide ? 2 : 1;
            const int fit = std::min(count, (int(parts.at(part).size()) - pos) / size);
            for (int i = 0; i < fit; ++i) {
                const QByteArray& p = parts.at(part);
                const ushort u =
                    wide ? quint16(quint8(p.at(pos)) | (quint8(p.at(pos + 1)) << 8)) : quint8(p.at(pos));
                s += QChar(u);
                pos += size;
            }
            count -= fit;
        }
        return s;
    }
    QString unicodeString() {
        const int cch = word();
        const quint8 flags = byte();
        if (flags & 0x08 || flags & 0x04) // rich text or phonetic runs: not written by us
            return QStringLiteral("<unsupported>");
        return chars(cch, flags & 1);
    }
};

QString shortString(const QByteArray& body, int at) {
    const int cch = quint8(body.at(at));
    const bool wide = body.at(at + 1) & 1;
    QString s;
    for (int i = 0; i < cch; ++i)
        s += QChar(wide ? u16(body, at + 2 + 2 * i) : quint8(body.at(at + 2 + i)));
    return s;
}

} // namespace

bool readMiniXls(const QByteArray& file, MiniBook& book, QString& error) {
    static const char sig[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
    if (file.size() < 512 || std::memcmp(file.constData(), sig, 8) != 0)
        return fail(error, QStringLiteral("not a compound file"));
    Cfb cfb{file, 512, {}};
    cfb.sectorSize = 1 << u16(file, 0x1E);
    if (file.size() % cfb.sectorSize != 0)
        return fail(error, QStringLiteral("file size is not a whole number of sectors"));
    const quint32 fatSectors = u32(file, 0x2C);
    QVector<quint32> fatLocations;
    for (int i = 0; i < 109 && quint32(fatLocations.size()) < fatSectors; ++i)
        fatLocations.append(u32(file, 0x4C + 4 * i));
    quint32 difat = u32(file, 0x44);
    const int perDifat = cfb.sectorSize / 4 - 1;
    while (difat != 0xFFFFFFFE && difat != 0xFFFFFFFF && quint32(fatLocations.size()) < fatSectors) {
        const QByteArray d = cfb.sector(difat);
        for (int i = 0; i < perDifat && quint32(fatLocations.size()) < fatSectors; ++i)
            fatLocations.append(u32(d, 4 * i));
        difat = u32(d, 4 * perDifat);
    }
    if (quint32(fatLocations.size()) != fatSectors)
        return fail(error, QStringLiteral("FAT locations missing"));
    for (quint32 loc : fatLocations) {
        const QByteArray s = cfb.sector(loc);
        for (int i = 0; i < cfb.sectorSize / 4; ++i)
            cfb.fat.append(u32(s, 4 * i));
    }
    QByteArray dir;
    if (!cfb.chain(u32(file, 0x30), dir, error))
        return false;
    qint64 start = -1, size = 0;
    for (int at = 0; at + 128 <= dir.size(); at += 128) {
        const int nameBytes = u16(dir, at + 64);
        QString name;
        for (int i = 0; i + 2 < nameBytes; i += 2)
            name += QChar(u16(dir, at + i));
        if (dir.at(at + 66) == 2 && name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0) {
            start = u32(dir, at + 116);
            size = u32(dir, at + 120);
        }
    }
    if (start < 0)
        return fail(error, QStringLiteral("no Workbook stream"));
    if (size < u32(file, 0x38))
        return fail(error, QStringLiteral("Workbook stream in the mini stream"));
    QByteArray stream;
    if (!cfb.chain(quint32(start), stream, error))
        return false;
    if (stream.size() < size)
        return fail(error, QStringLiteral("Workbook chain shorter than its size"));
    stream.truncate(size);
    book.workbookStreamSize = size;

    // Records of a substream starting at `at`, up to its EOF.
    auto records = [&](qint64 at, auto&& handle) {
        while (at + 4 <= stream.size()) {
            const quint16 type = u16(stream, at);
            const quint16 len = u16(stream, at + 2);
            if (at + 4 + len > stream.size())
                return false;
            const qint64 body = at + 4;
            at = body + len;
            if (type == 0x000A)
                return true;
            handle(type, stream.mid(body, len), at);
        }
        return false;
    };

    QVector<QPair<quint32, QString>> sheets;
    QVector<QString> sst;
    Segments pendingSst;
    bool inSst = false;
    bool ok = records(0, [&](quint16 type, const QByteArray& body, qint64) {
        if (type != 0x003C && inSst) {
            inSst = false;
            pendingSst.dword();
            const quint32 unique = pendingSst.dword();
            for (quint32 i = 0; i < unique; ++i)
                sst.append(pendingSst.unicodeString());
        }
        switch (type) {
        case 0x0042:
            book.codePage = u16(body, 0);
            break;
        case 0x0085:
            sheets.append({u32(body, 0), shortString(body, 6)});
            break;
        case 0x041E: {
            Segments s;
            s.parts = {body};
            const int id = s.word();
            book.formats.insert(id, s.unicodeString());
            break;
        }
        case 0x00E0:
            book.xfFormat.append(u16(body, 2));
            break;
        case 0x00FC:
            pendingSst = Segments();
            pendingSst.parts = {body};
            inSst = true;
            break;
        case 0x003C:
            if (inSst)
                pendingSst.parts.append(body);
            break;
        default:
            break;
        }
    });
    if (!ok)
        return fail(error, QStringLiteral("workbook globals without EOF"));
    for (const auto& [offset, name] : sheets) {
        MiniSheet sheet;
        sheet.name = name;
        if (offset + 20 > quint32(stream.size()) || u16(stream, offset) != 0x0809 ||
            u16(stream, offset + 6) != 0x0010)
            return fail(error, QStringLiteral("sheet %1 does not start with a worksheet BOF").arg(name));
        ok = records(offset + 4 + u16(stream, offset + 2), [&](quint16 type, const QByteArray& b, qint64) {
            MiniCell cell;
            switch (type) {
            case 0x0200:
                sheet.rows = int(u32(b, 4));
                sheet.cols = u16(b, 10);
                return;
            case 0x007D:
                for (int c = u16(b, 0); c <= u16(b, 2); ++c)
                    sheet.columnWidths.insert(c, u16(b, 4));
                return;
            case 0x00E5:
                for (int i = 0; i < u16(b, 0); ++i)
                    sheet.merges.append(
                        {u16(b, 2 + 8 * i), u16(b, 4 + 8 * i), u16(b, 6 + 8 * i), u16(b, 8 + 8 * i)});
                return;
            case 0x00FD: {
                const quint32 index = u32(b, 6);
                cell.kind = MiniCell::Label;
                cell.text = index < quint32(sst.size()) ? sst.at(int(index)) : QStringLiteral("<bad index>");
                break;
            }
            case 0x0203: {
                cell.kind = MiniCell::Number;
                const quint64 bits = qFromLittleEndian<quint64>(b.constData() + 6);
                std::memcpy(&cell.number, &bits, 8);
                break;
            }
            case 0x027E: { // RK: a 30-bit integer or the high bits of a double, maybe / 100
                const quint32 rk = u32(b, 6);
                double v;
                if (rk & 2) {
                    v = double(qint32(rk) >> 2);
                } else {
                    const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
                    std::memcpy(&v, &bits, 8);
                }
                cell.kind = MiniCell::Number;
                cell.number = (rk & 1) ? v / 100 : v;
                break;
            }
            case 0x0201:
                cell.kind = MiniCell::Blank;
                break;
            default:
                return;
            }
            cell.xf = u16(b, 4);
            sheet.cells.insert({u16(b, 0), u16(b, 2)}, cell);
        });
        if (!ok)
            return fail(error, QStringLiteral("sheet %1 without EOF").arg(name));
        book.sheets.append(sheet);
    }
    return true;
}
