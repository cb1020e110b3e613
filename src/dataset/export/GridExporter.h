#pragma once
// Base of the grid exporters: each writes the visible columns of an
// ExportSource, in grid order, to an open QIODevice, streaming the rows.
#include "dataset/export/ExportLayout.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

namespace gridexport {

// The formats of the print dialog's format box, by their keys.
enum class ExportFormat { Text = 1, Xls = 2, Rtf = 3, Csv = 4, Html = 5 };

class GridExporter {
public:
    virtual ~GridExporter() = default;

    // Writes to `device` (open for writing). Returns false and sets
    // errorString() when the device refuses the data or the table cannot be
    // represented in the format.
    bool exportTo(const ExportSource& source, QIODevice& device, RowScope scope = RowScope::AllRows);
    QString errorString() const { return m_error; }

    // The file name extension the formats are saved with (".txt", ".xls", ...).
    virtual QString fileExtension() const = 0;

protected:
    virtual bool write(const ExportLayout& layout, QIODevice& device) = 0;
    bool fail(const QString& message);

private:
    QString m_error;
};

std::unique_ptr<GridExporter> createExporter(ExportFormat format);

// Collects output in a buffer and hands it to the device in large blocks;
// remembers the first refusal.
class BufferedOutput {
public:
    explicit BufferedOutput(QIODevice& device, int blockSize = 1 << 18);
    ~BufferedOutput();
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    void write(const char* data, qsizetype size) {
        m_buffer.append(data, size);
        if (m_buffer.size() >= m_blockSize)
            flush();
    }
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    // Encodes straight into the buffer.
    void writeText(const QString& text);
    bool flush();
    bool ok() const { return m_ok; }
    qint64 written() const { return m_written + m_buffer.size(); }
    QString errorString() const;

private:
    QIODevice& m_device;
    QByteArray m_buffer;
    int m_blockSize;
    qint64 m_written = 0;
    bool m_ok = true;
};

// The UTF-8 byte-order mark that lets spreadsheets recognise UTF-8 text.
extern const QByteArray kUtf8Bom;

} // namespace gridexport
