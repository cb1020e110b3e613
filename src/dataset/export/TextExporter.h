#pragma once
// Plain text: one line per row, cells separated by tabs or laid out in
// fixed-width columns; UTF-8 with a byte-order mark, lines end in CR LF.
// Tab-separated cells are written as CSV writes them for spreadsheets: a
// text that would be read as a formula gets a leading apostrophe.
// A multi-level title is written on one line with its levels joined by "|",
// as the grid's label holds it. The footer row, when it goes along, is the
// last line.
#include "dataset/export/GridExporter.h"

namespace gridexport {

class TextExporter : public GridExporter {
public:
    enum class Layout { TabSeparated, FixedWidth };

    explicit TextExporter(Layout layout = Layout::TabSeparated) : m_layout(layout) {}
    QString fileExtension() const override { return QStringLiteral(".txt"); }

    // Columns of a Chinese character or other wide character count two.
    static int displayColumns(const QString& text);

protected:
    bool write(const ExportLayout& layout, QIODevice& device) override;

private:
    QString line(const ExportLayout& layout, const QVector<QString>& cells) const;

    Layout m_layout;
};

} // namespace gridexport
