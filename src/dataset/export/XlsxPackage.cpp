#include "dataset/export/XlsxPackage.h"

#include <QFile>

#include <unzip.h>
#include <zip.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace gridexport::xlsxpackage {

namespace {

// zlib's fastest level with lazy matching: on worksheet XML it deflates in
// half the time of the default level for about 10% more bytes.
constexpr int kLevel = 4;
// Parts the library writes besides the worksheets are small; a larger one
// means the file is not the library's.
constexpr ZPOS64_T kMaxFramePart = 256 * 1024 * 1024;

QString writeFailed(const QString& path) {
    return QStringLiteral("写入文件失败: %1").arg(path);
}

struct Unzip {
    unzFile file;
    ~Unzip() {
        if (file)
            unzClose(file);
    }
};

struct Zip {
    zipFile file;
    ~Zip() {
        if (file)
            zipClose(file, nullptr);
    }
    bool close() {
        const int r = zipClose(file, nullptr);
        file = nullptr;
        return r == ZIP_OK;
    }
};

zip_fileinfo fileInfo(const unz_file_info64& from) {
    zip_fileinfo info{};
    info.tmz_date.tm_sec = from.tmu_date.tm_sec;
    info.tmz_date.tm_min = from.tmu_date.tm_min;
    info.tmz_date.tm_hour = from.tmu_date.tm_hour;
    info.tmz_date.tm_mday = from.tmu_date.tm_mday;
    info.tmz_date.tm_mon = from.tmu_date.tm_mon;
    info.tmz_date.tm_year = from.tmu_date.tm_year;
    info.dosDate = from.dosDate;
    info.internal_fa = from.internal_fa;
    info.external_fa = from.external_fa;
    return info;
}

// The part as it is stored (compressed), into the new package unchanged.
bool copyStored(unzFile in, zipFile out, const char* name, const unz_file_info64& info) {
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(in, &method, &level, 1) != UNZ_OK)
        return false;
    const zip_fileinfo zi = fileInfo(info);
    bool ok = zipOpenNewFileInZip2_64(out, name, &zi, nullptr, 0, nullptr, 0, nullptr, method, level, 1,
                                      info.uncompressed_size >= 0xFFFFFFFFu) == ZIP_OK;
    char buffer[1 << 16];
    int n = 0;
    while (ok && (n = unzReadCurrentFile(in, buffer, sizeof buffer)) > 0)
        ok = zipWriteInFileInZip(out, buffer, unsigned(n)) == ZIP_OK;
    ok = unzCloseCurrentFile(in) == UNZ_OK && n == 0 && ok;
    return zipCloseFileInZipRaw64(out, info.uncompressed_size, info.crc) == ZIP_OK && ok;
}

bool readPart(unzFile in, const unz_file_info64& info, QByteArray& xml) {
    if (info.uncompressed_size > kMaxFramePart || unzOpenCurrentFile(in) != UNZ_OK)
        return false;
    xml.resize(qsizetype(info.uncompressed_size));
    const int n = xml.isEmpty() ? 0 : unzReadCurrentFile(in, xml.data(), unsigned(xml.size()));
    return unzCloseCurrentFile(in) == UNZ_OK && n == xml.size();
}

// Where the rows go in the worksheet's XML, with its used range set to the
// filled one; -1 when the part is not laid out as expected.
qsizetype prepareSplice(QByteArray& xml, const WorksheetRows& sheet) {
    qsizetype at = -1;
    if (sheet.beforeRow > 0) {
        at = xml.indexOf("<row r=\"" + QByteArray::number(sheet.beforeRow) + '"');
    } else {
        at = xml.indexOf("</sheetData>");
        if (at < 0) {
            // A worksheet without any row yet closes its sheet data at once.
            at = xml.indexOf("<sheetData/>");
            if (at >= 0) {
                xml.replace(at, 12, "<sheetData></sheetData>");
                at += 11;
            }
        }
    }
    const QByteArray refStart = "<dimension ref=\"";
    const qsizetype ref = xml.indexOf(refStart);
    if (at >= 0 && ref >= 0 && ref < at) {
        const qsizetype from = ref + refStart.size();
        const qsizetype to = xml.indexOf('"', from);
        if (to < 0 || to > at)
            return -1;
        xml.replace(from, to - from, sheet.dimension);
        at += sheet.dimension.size() - (to - from);
    }
    return at;
}

} // namespace

// Runs the deflating (a writer function) on its own thread, two blocks ahead
// of the thread that produces them at most.
class BlockWriter {
public:
    explicit BlockWriter(std::function<bool(const QByteArray&)> write)
        : m_write(std::move(write)), m_thread([this] { run(); }) {}
    ~BlockWriter() { finish(); }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    bool push(QByteArray block) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_space.wait(lock, [this] { return m_queue.size() < 2 || m_failed; });
        if (m_failed)
            return false;
        m_queue.push_back(std::move(block));
        m_ready.notify_one();
        return true;
    }

    // Waits until every block is written; false when one was not.
    bool finish() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closing = true;
            m_ready.notify_one();
        }
        if (m_thread.joinable())
            m_thread.join();
        return !m_failed;
    }

private:
    void run() {
        for (;;) {
            QByteArray block;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_queue.empty() || m_closing; });
                if (m_queue.empty())
                    return;
                block = std::move(m_queue.front());
                m_queue.pop_front();
                m_space.notify_one();
            }
            if (!m_write(block)) {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_failed = true;
                m_queue.clear();
                m_space.notify_all();
                return;
            }
        }
    }

    std::function<bool(const QByteArray&)> m_write;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_space;
    std::deque<QByteArray> m_queue;
    bool m_closing = false;
    bool m_failed = false;
    std::thread m_thread; // last: starts once the rest is built
};

bool RowSink::handOver() {
    QByteArray block;
    block.swap(m_buffer);
    m_buffer.reserve(BlockSize + (1 << 16));
    return m_writer.push(std::move(block));
}

namespace {

ExportResult fillPart(unzFile in, zipFile out, const char* name, const unz_file_info64& info,
                      const WorksheetRows& sheet, const QString& to, QString& error) {
    QByteArray xml;
    qsizetype at = -1;
    if (!readPart(in, info, xml) || (at = prepareSplice(xml, sheet)) < 0) {
        error = QStringLiteral("工作表 %1 无法写入数据行").arg(QString::fromUtf8(name));
        return ExportResult::Failed;
    }
    const zip_fileinfo zi = fileInfo(info);
    if (zipOpenNewFileInZip3_64(out, name, &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, kLevel, 0,
                                -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                sheet.zip64) != ZIP_OK) {
        error = writeFailed(to);
        return ExportResult::Failed;
    }
    quint64 bytes = 0;
    bool tooLarge = false;
    BlockWriter writer([&](const QByteArray& block) {
        bytes += quint64(block.size());
        if (!sheet.zip64 && bytes >= 0xFFFFFFFFu) {
            tooLarge = true;
            return false;
        }
        return zipWriteInFileInZip(out, block.constData(), unsigned(block.size())) == ZIP_OK;
    });
    RowSink sink(writer);
    sink.buffer() = xml.left(at);
    bool written = sheet.write(sink);
    if (written) {
        sink.buffer().append(xml.constData() + at, xml.size() - at);
        written = sink.handOver();
    }
    const bool ok = writer.finish();
    if (zipCloseFileInZip(out) != ZIP_OK || !ok) {
        error = tooLarge ? QStringLiteral("工作表超过 4 GB, 无法导出为 Excel 文件") : writeFailed(to);
        return ExportResult::Failed;
    }
    return written ? ExportResult::Written : ExportResult::Cancelled;
}

} // namespace

ExportResult repack(const QString& from, const QString& to, const QVector<WorksheetRows>& sheets,
                    QString& error) {
    Unzip in{unzOpen64(QFile::encodeName(from).constData())};
    if (!in.file) {
        error = QStringLiteral("无法读取工作簿 %1").arg(from);
        return ExportResult::Failed;
    }
    Zip out{zipOpen64(QFile::encodeName(to).constData(), APPEND_STATUS_CREATE)};
    if (!out.file) {
        error = writeFailed(to);
        return ExportResult::Failed;
    }
    int filled = 0;
    int next = unzGoToFirstFile(in.file);
    for (; next == UNZ_OK; next = unzGoToNextFile(in.file)) {
        unz_file_info64 info{};
        char name[512];
        if (unzGetCurrentFileInfo64(in.file, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        const WorksheetRows* sheet = nullptr;
        for (const WorksheetRows& s : sheets)
            if (s.part == name)
                sheet = &s;
        if (sheet) {
            ++filled;
            const ExportResult result = fillPart(in.file, out.file, name, info, *sheet, to, error);
            if (result.status != ExportResult::Written)
                return result;
        } else if (!copyStored(in.file, out.file, name, info)) {
            error = writeFailed(to);
            return ExportResult::Failed;
        }
    }
    // Every worksheet that has rows must have been found: rows are never dropped.
    if (next != UNZ_END_OF_LIST_OF_FILE || filled != sheets.size()) {
        error = QStringLiteral("无法读取工作簿 %1").arg(from);
        return ExportResult::Failed;
    }
    if (!out.close()) {
        error = writeFailed(to);
        return ExportResult::Failed;
    }
    return ExportResult::Written;
}

} // namespace gridexport::xlsxpackage
