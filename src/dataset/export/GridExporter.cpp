#include "dataset/export/GridExporter.h"

#include "dataset/export/CsvExporter.h"
#include "dataset/export/HtmlExporter.h"
#include "dataset/export/RtfExporter.h"
#include "dataset/export/TextExporter.h"
#include "dataset/export/XlsExporter.h"

#include <QIODevice>
#include <QStringEncoder>

namespace gridexport {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

bool GridExporter::exportTo(const ExportSource& source, QIODevice& device, RowScope scope) {
    m_error.clear();
    if (!device.isWritable())
        return fail(QStringLiteral("输出设备不可写"));
    const ExportLayout layout(source, scope);
    return write(layout, device);
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
    }
    return nullptr;
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

} // namespace gridexport
