#pragma once
// Cell readers for the allowance import files: the cell texts of the first
// worksheet, row by row, as the operator typed them. Numbers read as their
// shortest decimal text ("1001", "12.5", never "1001.0" or "1.001E3"), dates
// (date-formatted numbers) as "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss", text as
// it stands. A file that is damaged, too large or not of the format raises
// SheetError before any row is handed out.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace sheet {

struct SheetError {
    QString detail; // for the trace; the operator sees the import's own message
};

// Bounds on what a file may hold; beyond them the file is refused.
namespace limits {
constexpr qint64 fileBytes = 64LL * 1024 * 1024;
constexpr qint64 zipEntryBytes = 256LL * 1024 * 1024; // one unpacked part of a workbook
constexpr int zipEntries = 10000;
constexpr int rows = 1048576; // a worksheet's own limit
constexpr int cellChars = 32767;
constexpr int xmlDepth = 32;
constexpr int sharedStrings = 4 * 1048576;
} // namespace limits

// Every row has exactly `columns` texts (A, B, ...); missing cells are empty.
using Rows = QVector<QStringList>;

// .xls (BIFF) through freexl, in a child process given `timeoutMs` to
// answer. Reads the file at `path`.
Rows readXls(const QString& path, int columns, int timeoutMs = 30000);
// .xlsx: the workbook's zip and XML.
Rows readXlsx(const QByteArray& bytes, int columns);
// .csv in UTF-8 (with or without byte-order mark) or GBK; fields split at
// commas, a field in double quotes may hold commas and doubled quotes.
Rows readCsv(const QByteArray& bytes, int columns);
// A spreadsheet file of either kind, told apart by its first bytes.
Rows readSpreadsheetFile(const QString& path, int columns);
// The whole file, refused beyond limits::fileBytes.
QByteArray readFileBounded(const QString& path);

// Shared by the readers.
// A number as its shortest decimal text, never in exponent form.
QString numberText(double value);
// A date serial number of a workbook as "yyyy-MM-dd" (midnight) or
// "yyyy-MM-dd HH:mm:ss"; empty when the serial is out of range.
QString serialDateText(double serial, bool date1904);

} // namespace sheet
