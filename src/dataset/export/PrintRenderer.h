#pragma once
// Lays a grid out on the pages of a paged paint device and paints it: a
// QPdfWriter for PDF files, a QPrinter for paper and preview. Widget-free:
// it needs only QtGui. The first page carries the title and caption; every
// page repeats the column titles (multi-level titles with their merged
// cells) and ends with the page line (page numbers); the footer row
// follows the last data row when it is switched on.
#include "dataset/export/ExportLayout.h"

#include <QFont>
#include <QHash>
#include <QMarginsF>
#include <QRectF>
#include <QString>
#include <QVector>

#include <functional>

class QPainter;

class QPagedPaintDevice;
class QPainter;

namespace gridexport {

struct PrintOptions {
    // Texts with the substitutions "%[company]", "%[title]", "%[caption]",
    // "%[user_name]", "%[print_date]" (given in `substitutions`) and
    // "%[page]", "%[pages]" (filled in per page).
    QString title = QStringLiteral("%[title]");
    QString caption = QStringLiteral("%[caption]");
    QString pageLine = QStringLiteral("第 %[page] 页  共 %[pages] 页");
    QHash<QString, QString> substitutions;
    QMarginsF marginsMm{1, 1, 1, 1};
    // Scale the columns so that the table fills the page width; a table
    // wider than the page also gets a smaller font.
    bool fitToPageWidth = true;
    bool showFooter = true;
    RowScope rows = RowScope::AllRows;
    QFont font = QFont(QStringLiteral("SimSun"), 9);
    QFont titleFont = QFont(QStringLiteral("SimSun"), 16, QFont::Bold);
    // Paints a page of its own after the rows (a chart of them) into the
    // printable area; none by default.
    std::function<void(QPainter& painter, const QRectF& area)> lastPage;
};

// Where everything goes, in device pixels of the printable area.
struct PrintPageLayout {
    double scale = 1;           // columns' width against their natural width
    QVector<double> columnLeft; // per written column
    QVector<double> columnWidth;
    double rowHeight = 0;
    double titleHeight = 0; // title and caption block, first page only
    double headerHeight = 0;
    double pageLineHeight = 0;
    double pageWidth = 0;
    double pageHeight = 0;
    QVector<int> firstRow; // first data row of every page
    QVector<int> rowCount; // data rows on every page
    bool footer = false;   // the footer row is printed (on the last page)
    int pageCount() const { return firstRow.size(); }
};

class PrintRenderer {
public:
    PrintRenderer(const ExportSource& source, PrintOptions options);

    // Sets the device's margins and computes the pages.
    bool layout(QPagedPaintDevice& device, PrintPageLayout& out);
    // Lays out and paints every page.
    bool render(QPagedPaintDevice& device);
    QString errorString() const { return m_error; }

    // The text with every substitution replaced.
    QString substitute(const QString& text, int page = 0, int pages = 0) const;

private:
    void paintPage(QPainter& painter, const PrintPageLayout& pl, int page, const QFont& font);
    bool fail(const QString& message);

    PrintOptions m_options;
    ExportLayout m_layout;
    QFont m_font; // the table font after scaling
    QString m_error;
};

} // namespace gridexport
