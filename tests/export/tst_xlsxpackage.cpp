// The workbook package copier under ThreadSanitizer: rows reach their worksheet whole and in
// order while a second thread deflates them, the other parts come through unchanged, and a
// cancel, a full disk or a worksheet that is not there ends the copy with the right status.
// A plain program: QtTest's watchdog thread waits inside the uninstrumented Qt library, which
// ThreadSanitizer reports as a race of its own.
#include "dataset/export/XlsxPackage.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <cstdio>

#include <unzip.h>
#include <zip.h>

using namespace gridexport;
using namespace gridexport::xlsxpackage;

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "FAIL: %s\n", what);
        ++failures;
    }
}

const QByteArray kFooterSheet =
    "<worksheet><dimension ref=\"A1:B9\"/><sheetData><row r=\"1\"><c r=\"A1\"/></row>"
    "<row r=\"9\"><c r=\"A9\"/></row></sheetData><mergeCells/></worksheet>";
const QByteArray kEmptySheet = "<worksheet><dimension ref=\"A1\"/><sheetData/></worksheet>";
const QByteArray kOtherPart = QByteArray("<app>").repeated(50) + "</app>";

// A package as the library lays it out: two worksheets and a part that is copied as stored.
void writeFrame(const QString& path) {
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    const std::pair<const char*, QByteArray> parts[] = {{"xl/worksheets/sheet1.xml", kFooterSheet},
                                                        {"docProps/app.xml", kOtherPart},
                                                        {"xl/worksheets/sheet2.xml", kEmptySheet}};
    for (const auto& [name, bytes] : parts) {
        zip_fileinfo info{};
        check(zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9, 0) ==
                      ZIP_OK &&
                  zipWriteInFileInZip(zip, bytes.constData(), unsigned(bytes.size())) == ZIP_OK &&
                  zipCloseFileInZip(zip) == ZIP_OK,
              "the frame is written");
    }
    check(zipClose(zip, nullptr) == ZIP_OK, "the frame is closed");
}

// Every part of a package, unpacked with its checksum verified; empty when it is damaged.
QMap<QByteArray, QByteArray> readPackage(const QString& path) {
    QMap<QByteArray, QByteArray> parts;
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        return {};
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        char name[256];
        unz_file_info64 info{};
        QByteArray bytes;
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzOpenCurrentFile(zip) != UNZ_OK)
            return {};
        bytes.resize(qsizetype(info.uncompressed_size));
        const int n = unzReadCurrentFile(zip, bytes.data(), unsigned(bytes.size()));
        if (unzCloseCurrentFile(zip) != UNZ_OK || n != bytes.size())
            return {};
        parts.insert(name, bytes);
    }
    unzClose(zip);
    return parts;
}

QByteArray row(int r) {
    return "<row r=\"" + QByteArray::number(r) + "\"><c r=\"A" + QByteArray::number(r) + "\"><v>" +
           QByteArray::number(r * 7919 % 100003) + "</v></c></row>";
}

// Rows 2.. of a worksheet, enough of them to pass several blocks to the deflating thread;
// false (a cancel) after `stopAfter` rows.
std::function<bool(RowSink&)> rows(int count, int stopAfter = -1) {
    return [count, stopAfter](RowSink& sink) {
        for (int r = 0; r < count; ++r) {
            if (r == stopAfter)
                return false;
            sink.buffer().append(row(r + 2));
            if (!sink.commit())
                return false;
        }
        return true;
    };
}

QByteArray expectedRows(int count) {
    QByteArray all;
    for (int r = 0; r < count; ++r)
        all.append(row(r + 2));
    return all;
}

} // namespace

void rowsWrittenIntoTheirWorksheets() {
    QTemporaryDir dir;
    const QString frame = dir.filePath("frame.xlsx");
    writeFrame(frame);
    const int many = 120000; // about 6 MB of rows
    QVector<WorksheetRows> sheets = {{"xl/worksheets/sheet1.xml", 9, "A1:B9", false, rows(7)},
                                     {"xl/worksheets/sheet2.xml", 0, "A1:A120001", true, rows(many)}};
    QString error;
    const QString book = dir.filePath("book.xlsx");
    check(repack(frame, book, sheets, error).status == ExportResult::Written, "written");
    QMap<QByteArray, QByteArray> parts = readPackage(book);
    check(parts.keys() ==
              QList<QByteArray>({"docProps/app.xml", "xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml"}),
          "every part is there, intact");
    check(parts["docProps/app.xml"] == kOtherPart, "a part without rows is copied unchanged");
    check(parts["xl/worksheets/sheet1.xml"] ==
              QByteArray(kFooterSheet).insert(kFooterSheet.indexOf("<row r=\"9\""), expectedRows(7)),
          "the rows precede the footer row");
    check(parts["xl/worksheets/sheet2.xml"] == "<worksheet><dimension ref=\"A1:A120001\"/><sheetData>" +
                                                   expectedRows(many) + "</sheetData></worksheet>",
          "the rows fill an empty worksheet, in order, with its used range");
}

void endsWithTheRightStatus() {
    QTemporaryDir dir;
    const QString frame = dir.filePath("frame.xlsx");
    writeFrame(frame);
    const struct {
        const char* name;
        QString to;
        QVector<WorksheetRows> sheets;
        ExportResult::Status status;
    } cases[] = {
        {"cancelled part-way",
         dir.filePath("c.xlsx"),
         {{"xl/worksheets/sheet2.xml", 0, "A1", false, rows(100000, 60000)}},
         ExportResult::Cancelled},
        {"disk full while the rows are deflated",
         "/dev/full",
         {{"xl/worksheets/sheet1.xml", 9, "A1", false, rows(200000)}},
         ExportResult::Failed},
        {"no folder to write to", dir.filePath("none/d.xlsx"), {}, ExportResult::Failed},
        {"a worksheet the package does not have",
         dir.filePath("e.xlsx"),
         {{"xl/worksheets/sheet3.xml", 0, "A1", false, rows(5)}},
         ExportResult::Failed},
        {"no row to put the rows before",
         dir.filePath("f.xlsx"),
         {{"xl/worksheets/sheet1.xml", 77, "A1", false, rows(5)}},
         ExportResult::Failed},
    };
    for (const auto& c : cases) {
        QString error;
        check(repack(frame, c.to, c.sheets, error).status == c.status, c.name);
        // A failure says why; a cancel is no failure.
        check(error.isEmpty() == (c.status == ExportResult::Cancelled), c.name);
    }
}

int main() {
    rowsWrittenIntoTheirWorksheets();
    endsWithTheRightStatus();
    std::printf("%s\n", failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
