#pragma once
// Building blocks of a BIFF8 (Excel 97-2003) workbook stream: records,
// Unicode strings, the shared string table and number formats.
#include "dataset/export/ExportSource.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

namespace gridexport::biff {

enum RecordType : quint16 {
    Eof = 0x000A,
    CodePage = 0x0042,
    DateMode = 0x0022,
    Window1 = 0x003D,
    ColInfo = 0x007D,
    BoundSheet = 0x0085,
    Continue = 0x003C,
    Font = 0x0031,
    MergedCells = 0x00E5,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    ExtSst = 0x00FF,
    Xf = 0x00E0,
    Blank = 0x0201,
    Number = 0x0203,
    Rk = 0x027E,
    Dimension = 0x0200,
    Window2 = 0x023E,
    Style = 0x0293,
    Format = 0x041E,
    Bof = 0x0809,
};

// Largest record body; longer contents continue in Continue records.
constexpr int MaxRecordData = 8224;
// Longest text a cell holds.
constexpr int MaxCellText = 32767;

inline void put16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
inline void put32(QByteArray& b, quint32 v) {
    put16(b, quint16(v & 0xFFFF));
    put16(b, quint16(v >> 16));
}
void putDouble(QByteArray& b, double v);

// Appends a record header (type, length) and its body.
void appendRecord(QByteArray& out, quint16 type, const QByteArray& body);

// XLUnicodeString: 16-bit character count, flags, UTF-16 characters.
QByteArray unicodeString(const QString& text);
// ShortXLUnicodeString: 8-bit character count, flags, UTF-16 characters.
QByteArray shortUnicodeString(const QString& text);

// The compact RK form of a number, when it holds the value exactly: an
// integer of 30 bits, or such an integer of hundredths (money in cents).
bool rkValue(const CellValue& value, quint32& rk);

// Excel's number of days since 1899-12-30 for a stored date-time.
double excelSerial(std::int64_t msecs);

// A numeric cell's value as a spreadsheet stores it: money as the nearest
// double to its exact amount, a date-time as its serial; 0 for a text.
double spreadsheetNumber(const CellValue& value);

// The Excel number format for a column: the grid's mask translated to
// Excel's syntax (literal characters escaped, "nn" minutes as "mm"), or the
// default of the kind. Empty means General.
QString excelNumberFormat(FieldClass kind, const QString& mask);

// The name of a table's `index`th worksheet (from 0): the table name without
// the characters sheet names refuse, at most 31 characters; "name(2)",
// "name(3)" ... for the worksheets a long table continues on; "Sheet1",
// "Sheet2" ... for a table without a name.
QString worksheetName(const QString& tableName, int index);

// The shared string table: each distinct text once; cells refer to it by index.
class SharedStrings {
public:
    quint32 intern(const QString& text);
    // Index of a text added before (or -1).
    qint64 find(const QString& text) const {
        auto it = m_index.constFind(text);
        return it == m_index.constEnd() ? -1 : qint64(it.value());
    }
    void countUse() { ++m_uses; }
    int uniqueCount() const { return m_strings.size(); }
    quint64 useCount() const { return m_uses; }

    // Appends the SST record (with Continue records as needed) and the
    // EXTSST index to `globals`, which starts at offset 0 of the stream.
    void write(QByteArray& globals) const;

private:
    QHash<QString, quint32> m_index;
    QVector<QString> m_strings;
    quint64 m_uses = 0;
};

} // namespace gridexport::biff
