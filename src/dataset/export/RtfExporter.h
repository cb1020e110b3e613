#pragma once
// A Rich Text document holding one table. Texts outside ASCII are written as
// \uN? escapes (UTF-16 code units), so Chinese survives in any reader.
// Multi-level titles become header rows: a group title is one cell as wide
// as its columns, a column's own title is merged down to the last title row.
#include "dataset/export/GridExporter.h"

namespace gridexport {

class RtfExporter : public GridExporter {
public:
    QString fileExtension() const override { return QStringLiteral(".RTF"); }

    // Escapes \, { and }, writes non-ASCII characters as \uN? and line
    // breaks as \line.
    static QByteArray escape(const QString& text);

protected:
    bool write(const ExportLayout& layout, QIODevice& device) override;
};

} // namespace gridexport
