#include "dataset/export/CompoundFileWriter.h"

#include <QIODevice>
#include <QtEndian>

namespace gridexport {

namespace {

constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr quint32 kEntriesPerSector = 128; // FAT entries per sector
constexpr quint32 kHeaderDifat = 109;      // FAT locations held in the header
constexpr quint32 kDifatPerSector = 127;   // FAT locations per DIFAT sector (plus the chain link)

void put16(QByteArray& b, int at, quint16 v) {
    qToLittleEndian(v, b.data() + at);
}
void put32(QByteArray& b, int at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}

// A directory entry: name (UTF-16, with terminator), type, colour, links,
// start sector and size.
void putEntry(QByteArray& sector, int index, const QString& name, quint8 type, quint32 child, quint32 start,
              quint64 size) {
    const int at = index * 128;
    const QString n = name.left(31);
    for (int i = 0; i < n.size(); ++i)
        put16(sector, at + 2 * i, n.at(i).unicode());
    put16(sector, at + 64, n.isEmpty() ? 0 : quint16((n.size() + 1) * 2));
    sector[at + 66] = char(type);
    sector[at + 67] = char(type == 0 ? 0 : 1); // black
    put32(sector, at + 68, kNoStream);         // left sibling
    put32(sector, at + 72, kNoStream);         // right sibling
    put32(sector, at + 76, child);
    put32(sector, at + 116, start);
    qToLittleEndian(size, sector.data() + at + 120);
}

} // namespace

bool CompoundFileWriter::fail(const QString& message) {
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

bool CompoundFileWriter::put(const QByteArray& bytes) {
    if (m_device->write(bytes) != bytes.size())
        return fail(QStringLiteral("写入文件失败: %1").arg(m_device->errorString()));
    return true;
}

bool CompoundFileWriter::begin(QIODevice* device, const QString& streamName, qint64 streamSize) {
    m_device = device;
    m_name = streamName;
    m_size = streamSize;
    m_written = 0;
    m_error.clear();
    if (streamSize < MiniStreamCutoff)
        return fail(QStringLiteral("stream below the mini-stream cut-off"));
    if (streamSize > MaxStreamSize)
        return fail(QStringLiteral("数据量太大, 超出 Excel 文件的容量"));

    m_streamSectors = quint32((streamSize + SectorSize - 1) / SectorSize);
    // The FAT covers every sector, its own and the DIFAT's included.
    quint32 fat = 1, difat = 0;
    for (;;) {
        const quint32 total = m_streamSectors + 1 + fat + difat;
        const quint32 needFat = (total + kEntriesPerSector - 1) / kEntriesPerSector;
        const quint32 needDifat =
            needFat > kHeaderDifat ? (needFat - kHeaderDifat + kDifatPerSector - 1) / kDifatPerSector : 0;
        if (needFat == fat && needDifat == difat)
            break;
        fat = needFat;
        difat = needDifat;
    }
    m_fatSectors = fat;
    m_difatSectors = difat;

    const quint32 dirSector = m_streamSectors;
    const quint32 firstFat = dirSector + 1;
    const quint32 firstDifat = firstFat + m_fatSectors;
    QByteArray h(SectorSize, '\0');
    static const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    memcpy(h.data(), signature, 8);
    put16(h, 0x18, 0x003E); // minor version
    put16(h, 0x1A, 0x0003); // major version 3: 512-byte sectors
    put16(h, 0x1C, 0xFFFE); // little-endian
    put16(h, 0x1E, 9);      // sector shift: 512
    put16(h, 0x20, 6);      // mini sector shift: 64
    put32(h, 0x2C, m_fatSectors);
    put32(h, 0x30, dirSector);
    put32(h, 0x38, MiniStreamCutoff);
    put32(h, 0x3C, kEndOfChain); // no mini FAT
    put32(h, 0x40, 0);
    put32(h, 0x44, m_difatSectors ? firstDifat : kEndOfChain);
    put32(h, 0x48, m_difatSectors);
    for (quint32 i = 0; i < kHeaderDifat; ++i)
        put32(h, 0x4C + 4 * int(i), i < m_fatSectors ? firstFat + i : kFreeSect);
    return put(h);
}

bool CompoundFileWriter::write(const char* data, qint64 size) {
    if (!m_error.isEmpty())
        return false;
    if (m_written + size > m_size)
        return fail(QStringLiteral("stream longer than announced"));
    if (m_device->write(data, size) != size)
        return fail(QStringLiteral("写入文件失败: %1").arg(m_device->errorString()));
    m_written += size;
    return true;
}

QByteArray CompoundFileWriter::directorySector() const {
    QByteArray d(SectorSize, '\0');
    putEntry(d, 0, QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    putEntry(d, 1, m_name, 2, kNoStream, 0, quint64(m_size));
    putEntry(d, 2, QString(), 0, kNoStream, 0, 0);
    putEntry(d, 3, QString(), 0, kNoStream, 0, 0);
    return d;
}

bool CompoundFileWriter::finish() {
    if (!m_error.isEmpty())
        return false;
    if (m_written != m_size)
        return fail(QStringLiteral("stream shorter than announced"));
    const qint64 tail = qint64(m_streamSectors) * SectorSize - m_size;
    if (tail > 0 && !put(QByteArray(int(tail), '\0')))
        return false;
    if (!put(directorySector()))
        return false;

    const quint32 dirSector = m_streamSectors;
    const quint32 firstFat = dirSector + 1;
    const quint32 firstDifat = firstFat + m_fatSectors;
    const quint32 total = firstDifat + m_difatSectors;
    QByteArray fat(int(m_fatSectors * SectorSize), '\xFF'); // free
    for (quint32 s = 0; s < m_streamSectors; ++s)
        put32(fat, int(4 * s), s + 1 == m_streamSectors ? kEndOfChain : s + 1);
    put32(fat, int(4 * dirSector), kEndOfChain);
    for (quint32 s = firstFat; s < firstDifat; ++s)
        put32(fat, int(4 * s), kFatSect);
    for (quint32 s = firstDifat; s < total; ++s)
        put32(fat, int(4 * s), kDifSect);
    if (!put(fat))
        return false;

    for (quint32 d = 0; d < m_difatSectors; ++d) {
        QByteArray sector(SectorSize, '\xFF');
        for (quint32 i = 0; i < kDifatPerSector; ++i) {
            const quint32 fatIndex = kHeaderDifat + d * kDifatPerSector + i;
            if (fatIndex < m_fatSectors)
                put32(sector, int(4 * i), firstFat + fatIndex);
        }
        put32(sector, int(4 * kDifatPerSector), d + 1 < m_difatSectors ? firstDifat + d + 1 : kEndOfChain);
        if (!put(sector))
            return false;
    }
    return true;
}

} // namespace gridexport
