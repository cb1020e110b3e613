#pragma once
// Copies a workbook package (the zip of an .xlsx file) and writes data rows
// into some of its worksheets on the way. The other parts are copied still
// compressed; a filled worksheet is deflated on a second thread while its
// rows are being produced, at a level that costs half of zlib's default for
// a tenth more bytes (libxlsxwriter always packs at the default).
#include "dataset/export/GridExporter.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

namespace gridexport::xlsxpackage {

class BlockWriter;

// Where the rows of a worksheet are appended. Hand the buffer over with
// commit() every row or so: it goes to the deflating thread once it is large.
class RowSink {
public:
    explicit RowSink(BlockWriter& writer) : m_writer(writer) {}
    QByteArray& buffer() { return m_buffer; }
    // False once the part can no longer be written (the package says why).
    bool commit() { return m_buffer.size() < BlockSize || handOver(); }
    bool handOver();

    static constexpr qsizetype BlockSize = 1 << 20;

private:
    BlockWriter& m_writer;
    QByteArray m_buffer;
};

// A worksheet part and the rows that go into it.
struct WorksheetRows {
    QByteArray part;      // "xl/worksheets/sheet1.xml"
    int beforeRow = 0;    // the rows precede this worksheet row (from 1); 0: they end the sheet data
    QByteArray dimension; // the part's used range once filled: "A1:K1048575"
    bool zip64 = false;   // the part may outgrow 4 GB
    std::function<bool(RowSink&)> write; // false: cancelled (or the sink failed)
};

// Writes the package `from` to `to` with the rows of `sheets` in their
// parts. Cancelled when a `write` returned false while its sink was fine.
ExportResult repack(const QString& from, const QString& to, const QVector<WorksheetRows>& sheets,
                    QString& error);

} // namespace gridexport::xlsxpackage
