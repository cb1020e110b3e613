#pragma once
// A web page holding one table: UTF-8 (declared in a meta element), texts
// escaped, multi-level titles as header rows with merged cells (colspan and
// rowspan), the footer row in the table's foot.
#include "dataset/export/GridExporter.h"

namespace gridexport {

class HtmlExporter : public GridExporter {
public:
    QString fileExtension() const override { return QStringLiteral(".HTML"); }

    // Escapes &, <, >, " and writes line breaks as <br>.
    static QString escape(const QString& text);

protected:
    bool write(const ExportLayout& layout, QIODevice& device) override;
};

} // namespace gridexport
