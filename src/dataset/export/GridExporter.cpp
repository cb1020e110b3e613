#include "dataset/export/GridExporter.h"

#include "dataset/export/CsvExporter.h"
#include "dataset/export/HtmlExporter.h"
#include "dataset/export/RtfExporter.h"
#include "dataset/export/TextExporter.h"
#include "dataset/export/XlsExporter.h"
#include "dataset/export/XlsxExporter.h"

#include <QIODevice>
#include <QSaveFile>
#include <QStringEncoder>

namespace gridexport {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

namespace {
// A report is due after this many rows, or earlier once this much time passed.
constexpr qint64 kReportRows = 4096;
constexpr qint64 kReportMsecs = 100;
} // namespace

ExportResult GridExporter::exportTo(const ExportSource& source, QIODevice& device, RowScope scope,
                                    const ExportProgress& progress) {
    m_error.clear();
    m_cancelled = false;
    if (!device.isWritable()) {
        fail(QStringLiteral("输出设备不可写"));
        return ExportResult::Failed;
    }
    const ExportLayout layout(source, scope);
    m_progress = progress;
    m_total = layout.rowCount();
    m_reported = -1;
    const bool written = report(0, true) && write(layout, device) && report(m_total, true);
    m_progress = nullptr;
    if (m_cancelled) {
        m_error = QStringLiteral("导出已取消");
        return ExportResult::Cancelled;
    }
    return written ? ExportResult::Written : ExportResult::Failed;
}

bool GridExporter::report(qint64 rowsDone, bool always) {
    if (m_cancelled)
        return false;
    if (!m_progress || rowsDone <= m_reported)
        return true;
    if (!always && rowsDone - m_reported < kReportRows && m_sinceReport.elapsed() < kReportMsecs)
        return true;
    m_reported = rowsDone;
    m_sinceReport.start();
    m_cancelled = !m_progress(rowsDone, m_total);
    return !m_cancelled;
}

bool GridExporter::fail(const QString& message) {
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

std::unique_ptr<GridExporter> createExporter(ExportFormat format) {
    switch (format) {
    case ExportFormat::Text:
        return std::make_unique<TextExporter>();
    case ExportFormat::Xls:
        return std::make_unique<XlsExporter>();
    case ExportFormat::Rtf:
        return std::make_unique<RtfExporter>();
    case ExportFormat::Csv:
        return std::make_unique<CsvExporter>();
    case ExportFormat::Html:
        return std::make_unique<HtmlExporter>();
    case ExportFormat::Xlsx:
        return std::make_unique<XlsxExporter>();
    }
    return nullptr;
}

QString spreadsheetText(const QString& text) {
    if (text.isEmpty())
        return text;
    switch (text.front().unicode()) {
    case '=':
    case '+':
    case '-':
    case '@':
        return QLatin1Char('\'') + text;
    default:
        return text;
    }
}

QString delimitedCell(const ExportLayout& layout, int row, int col) {
    // As the workbook writes them: a number column's cell without a numeric
    // value is text.
    const QString text = layout.text(row, col);
    if (layout.column(col).fieldClass != FieldClass::Text && layout.value(row, col).isNumber())
        return text;
    return spreadsheetText(text);
}

QString delimitedFooterCell(const ExportLayout& layout, int col) {
    const FooterCell f = layout.footer(col);
    return f.value.isNumber() ? f.text : spreadsheetText(f.text);
}

BufferedOutput::BufferedOutput(QIODevice& device, int blockSize) : m_device(device), m_blockSize(blockSize) {
    m_buffer.reserve(blockSize + 4096);
}

BufferedOutput::~BufferedOutput() {
    flush();
}

void BufferedOutput::writeText(const QString& text) {
    const qsizetype at = m_buffer.size();
    m_buffer.resize(at + 3 * text.size());
    QStringEncoder encoder(QStringEncoder::Utf8);
    char* end = encoder.appendToBuffer(m_buffer.data() + at, text);
    m_buffer.resize(end - m_buffer.constData());
    if (m_buffer.size() >= m_blockSize)
        flush();
}

bool BufferedOutput::flush() {
    if (m_buffer.isEmpty())
        return m_ok;
    if (m_ok) {
        const qint64 n = m_device.write(m_buffer);
        if (n != m_buffer.size())
            m_ok = false;
        else
            m_written += n;
    }
    m_buffer.clear();
    return m_ok;
}

QString BufferedOutput::errorString() const {
    const QString detail = m_device.errorString();
    return detail.isEmpty() ? QStringLiteral("写入文件失败") : QStringLiteral("写入文件失败: %1").arg(detail);
}

ExportResult writeFileAtomically(const QString& path, const FileWrite& write, QString* error) {
    auto failed = [&](const QString& message) {
        if (error)
            *error = message;
        return ExportResult::Failed;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(QStringLiteral("无法写入文件 %1: %2").arg(path, file.errorString()));
    const ExportResult result = write(file);
    if (!result) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return failed(QStringLiteral("无法写入文件 %1: %2").arg(path, file.errorString()));
    return result;
}

ExportResult exportToFile(ExportFormat format, const ExportSource& source, const QString& path,
                          RowScope scope, const ExportProgress& progress, QString* error) {
    const auto exporter = createExporter(format);
    if (!exporter) {
        if (error)
            *error = QStringLiteral("未知的导出格式");
        return ExportResult::Failed;
    }
    return writeFileAtomically(
        path,
        [&](QIODevice& device) {
            const ExportResult result = exporter->exportTo(source, device, scope, progress);
            if (result.status == ExportResult::Failed && error)
                *error = exporter->errorString();
            return result;
        },
        error);
}

} // namespace gridexport
