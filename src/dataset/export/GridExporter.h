#pragma once
// Base of the grid exporters: each writes the visible columns of an
// ExportSource, in grid order, to an open QIODevice, streaming the rows.
#include "dataset/export/ExportLayout.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

namespace gridexport {

// The formats of the print dialog's format box, by their keys.
enum class ExportFormat { Text = 1, Xls = 2, Rtf = 3, Csv = 4, Html = 5, Xlsx = 6 };

// Told the rows written so far and the rows to write, at the start, every
// few thousand rows or ~100 ms, and at the end. Returning false cancels.
using ExportProgress = std::function<bool(qint64 rowsDone, qint64 rowsTotal)>;

// How an export ended; true only when everything was written.
struct ExportResult {
    enum Status { Written, Cancelled, Failed };
    Status status;
    ExportResult(Status s) : status(s) {}
    bool cancelled() const { return status == Cancelled; }
    explicit operator bool() const { return status == Written; }
};

class GridExporter {
public:
    virtual ~GridExporter() = default;

    // Writes to `device` (open for writing). Failed, with errorString() set,
    // when the device refuses the data or the table cannot be represented in
    // the format; Cancelled when `progress` returned false. Either way the
    // device may hold part of the output: write to a QSaveFile.
    ExportResult exportTo(const ExportSource& source, QIODevice& device, RowScope scope = RowScope::AllRows,
                          const ExportProgress& progress = {});
    QString errorString() const { return m_error; }

    // The file name extension the formats are saved with (".txt", ".xls", ...).
    virtual QString fileExtension() const = 0;

protected:
    virtual bool write(const ExportLayout& layout, QIODevice& device) = 0;
    bool fail(const QString& message);
    // A format calls this after each row (XLS maps its two passes onto the
    // rows); false once the operator cancelled: the format then returns false.
    bool progressed(qint64 rowsDone) {
        return !m_progress || (rowsDone & 0xFF) != 0 || report(rowsDone, false);
    }

private:
    bool report(qint64 rowsDone, bool always);

    QString m_error;
    ExportProgress m_progress;
    qint64 m_total = 0;
    qint64 m_reported = 0;
    bool m_cancelled = false;
    QElapsedTimer m_sinceReport;
};

std::unique_ptr<GridExporter> createExporter(ExportFormat format);

// Writes `path` through a temporary file beside it that replaces the file only
// when `write` returned Written: a failed or cancelled export leaves the old
// file untouched and nothing partial behind. `write` sets `error` when it
// fails; the file's own errors are told as "无法写入文件 …".
using FileWrite = std::function<ExportResult(QIODevice& device)>;
ExportResult writeFileAtomically(const QString& path, const FileWrite& write, QString* error);

// One grid format written to `path` by writeFileAtomically.
ExportResult exportToFile(ExportFormat format, const ExportSource& source, const QString& path,
                          RowScope scope, const ExportProgress& progress, QString* error);

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

// A text cell of a delimited file as a spreadsheet must show it: a text that
// starts with "=", "+", "-" or "@" would be read as a formula (one that can
// run commands or send cells elsewhere), so it gets a leading apostrophe.
QString spreadsheetText(const QString& text);

// A cell's text in a delimited file: number columns' numbers as the grid
// shows them (a negative amount stays a number), everything else, titles
// included, as spreadsheetText().
QString delimitedCell(const ExportLayout& layout, int row, int col);
QString delimitedFooterCell(const ExportLayout& layout, int col);

} // namespace gridexport
