#pragma once
// Writes an OLE2 compound file (version 3, 512-byte sectors) holding one
// stream, as Excel 97-2003 workbooks are stored. The stream's size is known
// before its bytes are written, so the container streams straight to the
// device: header, the stream's sectors, then the directory, the allocation
// table (FAT) and, for large files, the extra FAT-location sectors (DIFAT).
// Streams under 4096 bytes would belong in the mini stream; callers pad
// their stream to 4096 bytes instead, so every stream lives in regular
// sectors.
#include <QByteArray>
#include <QString>

class QIODevice;

namespace gridexport {

class CompoundFileWriter {
public:
    static constexpr quint32 SectorSize = 512;
    static constexpr quint32 MiniStreamCutoff = 4096;
    // The largest stream this writer accepts (the format allows just under 4 GB).
    static constexpr qint64 MaxStreamSize = 0x7FFFFE00;

    // Starts the file: checks the size and writes the header. `streamSize`
    // must be at least MiniStreamCutoff.
    bool begin(QIODevice* device, const QString& streamName, qint64 streamSize);
    // Appends stream bytes; the total must end up equal to the announced size.
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Pads the last sector and writes directory, FAT and DIFAT.
    bool finish();

    QString errorString() const { return m_error; }
    qint64 streamWritten() const { return m_written; }

private:
    bool fail(const QString& message);
    bool put(const QByteArray& bytes);
    QByteArray directorySector() const;

    QIODevice* m_device = nullptr;
    QString m_name;
    qint64 m_size = 0;
    qint64 m_written = 0;
    quint32 m_streamSectors = 0;
    quint32 m_fatSectors = 0;
    quint32 m_difatSectors = 0;
    QString m_error;
};

} // namespace gridexport
