#include "dataset/export/PrintRenderer.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include <cmath>

namespace gridexport {

namespace {

constexpr double kRowSpacing = 1.5; // row height against the font's line height

Qt::Alignment qtAlignment(Alignment a) {
    switch (a) {
    case Alignment::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

PrintRenderer::PrintRenderer(const ExportSource& source, PrintOptions options)
    : m_options(std::move(options)), m_layout(source, m_options.rows), m_font(m_options.font) {}

bool PrintRenderer::fail(const QString& message) {
    m_error = message;
    return false;
}

QString PrintRenderer::substitute(const QString& text, int page, int pages) const {
    QString out = text;
    for (auto it = m_options.substitutions.constBegin(); it != m_options.substitutions.constEnd(); ++it)
        out.replace(it.key(), it.value());
    out.replace(QLatin1String("%[page]"), QString::number(page));
    out.replace(QLatin1String("%[pages]"), QString::number(pages));
    return out;
}

bool PrintRenderer::layout(QPagedPaintDevice& device, PrintPageLayout& pl) {
    m_error.clear();
    pl = PrintPageLayout();
    if (!device.setPageMargins(m_options.marginsMm, QPageLayout::Millimeter))
        return fail(QStringLiteral("页边距超出纸张范围"));
    const QRectF paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    pl.pageWidth = paint.width();
    pl.pageHeight = paint.height();
    // A device in full-page mode accepts any margins; check what is left.
    const QRectF full = device.pageLayout().fullRectPixels(device.logicalDpiX());
    if (pl.pageWidth <= 0 || pl.pageHeight <= 0 || paint.left() + paint.width() > full.width() + 1 ||
        paint.top() + paint.height() > full.height() + 1)
        return fail(QStringLiteral("页边距超出纸张范围"));
    const int cols = m_layout.columnCount();
    if (cols == 0)
        return fail(QStringLiteral("没有可打印的列"));

    // Natural widths from the grid's display widths in the table font.
    m_font = m_options.font;
    QFontMetricsF fm(m_font, &device);
    const double charWidth = fm.horizontalAdvance(QLatin1Char('0'));
    const double padding = charWidth / 2;
    double natural = 0;
    for (int c = 0; c < cols; ++c) {
        const double w = std::max(1, m_layout.column(c).displayWidth) * charWidth + 2 * padding;
        pl.columnWidth.append(w);
        natural += w;
    }
    if (m_options.fitToPageWidth && natural > 0) {
        pl.scale = pl.pageWidth / natural;
        if (pl.scale < 1) {
            m_font.setPointSizeF(m_options.font.pointSizeF() * pl.scale);
            fm = QFontMetricsF(m_font, &device);
        }
    }
    double x = 0;
    for (int c = 0; c < cols; ++c) {
        pl.columnWidth[c] *= pl.scale;
        pl.columnLeft.append(x);
        x += pl.columnWidth[c];
    }

    pl.rowHeight = std::ceil(fm.height() * kRowSpacing);
    pl.headerHeight = pl.rowHeight * m_layout.headerDepth();
    const QFontMetricsF titleMetrics(m_options.titleFont, &device);
    if (!substitute(m_options.title).trimmed().isEmpty())
        pl.titleHeight += std::ceil(titleMetrics.height() * kRowSpacing);
    if (!substitute(m_options.caption).trimmed().isEmpty())
        pl.titleHeight += pl.rowHeight;
    pl.pageLineHeight = m_options.pageLine.isEmpty() ? 0 : pl.rowHeight;

    const double firstRoom = pl.pageHeight - pl.titleHeight - pl.headerHeight - pl.pageLineHeight;
    const double otherRoom = pl.pageHeight - pl.headerHeight - pl.pageLineHeight;
    const int firstRows = int(std::floor(firstRoom / pl.rowHeight));
    const int otherRows = int(std::floor(otherRoom / pl.rowHeight));
    if (firstRows < 1 || otherRows < 1)
        return fail(QStringLiteral("纸张太小, 放不下一行数据"));

    pl.footer = m_options.showFooter && m_layout.hasFooter();
    const int rows = m_layout.rowCount();
    int next = 0;
    do {
        const int room = pl.firstRow.isEmpty() ? firstRows : otherRows;
        const int count = std::min(room, rows - next);
        pl.firstRow.append(next);
        pl.rowCount.append(count);
        next += count;
        // The footer row needs a place after the last data row.
        if (next == rows && pl.footer && count == room) {
            pl.firstRow.append(rows);
            pl.rowCount.append(0);
        }
    } while (next < rows);
    return true;
}

bool PrintRenderer::render(QPagedPaintDevice& device) {
    PrintPageLayout pl;
    if (!layout(device, pl))
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return fail(QStringLiteral("无法开始打印"));
    for (int page = 0; page < pl.pageCount(); ++page) {
        if (page > 0 && !device.newPage()) {
            painter.end();
            return fail(QStringLiteral("无法开始新的一页"));
        }
        paintPage(painter, pl, page, m_font);
    }
    if (m_options.lastPage) {
        if (!device.newPage()) {
            painter.end();
            return fail(QStringLiteral("无法开始新的一页"));
        }
        m_options.lastPage(painter, QRectF(0, 0, pl.pageWidth, pl.pageHeight));
    }
    if (!painter.end())
        return fail(QStringLiteral("打印输出失败"));
    return true;
}

void PrintRenderer::paintPage(QPainter& painter, const PrintPageLayout& pl, int page, const QFont& font) {
    const int cols = m_layout.columnCount();
    const double padding = QFontMetricsF(font, painter.device()).horizontalAdvance(QLatin1Char('0')) / 2;
    const double tableWidth = pl.columnLeft.last() + pl.columnWidth.last();
    QPen grid(Qt::black);
    grid.setWidthF(std::max(1.0, painter.device()->logicalDpiX() / 200.0));
    double y = 0;

    if (page == 0 && pl.titleHeight > 0) {
        const QString title = substitute(m_options.title, 1, pl.pageCount());
        const QString caption = substitute(m_options.caption, 1, pl.pageCount());
        double titleY = 0;
        if (!title.trimmed().isEmpty()) {
            const double h = pl.titleHeight - (caption.trimmed().isEmpty() ? 0 : pl.rowHeight);
            painter.setFont(m_options.titleFont);
            painter.drawText(QRectF(0, 0, pl.pageWidth, h), Qt::AlignCenter, title);
            titleY = h;
        }
        if (!caption.trimmed().isEmpty()) {
            painter.setFont(font);
            painter.drawText(QRectF(0, titleY, pl.pageWidth, pl.rowHeight), Qt::AlignCenter, caption);
        }
        y = pl.titleHeight;
    }

    auto cellText = [&](const QRectF& r, const QString& text, Qt::Alignment align) {
        const QRectF inner = r.adjusted(padding, 0, -padding, 0);
        const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, int(inner.width()));
        painter.drawText(inner, align, shown);
    };

    // Column titles.
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(grid);
    for (const HeaderCell& h : m_layout.headerCells()) {
        const int last = h.column + h.columnSpan - 1;
        const QRectF r(pl.columnLeft[h.column], y + h.row * pl.rowHeight,
                       pl.columnLeft[last] + pl.columnWidth[last] - pl.columnLeft[h.column],
                       h.rowSpan * pl.rowHeight);
        painter.fillRect(r, QColor(0xE0, 0xE0, 0xE0));
        painter.drawRect(r);
        cellText(r, h.text, Qt::AlignCenter);
    }
    y += pl.headerHeight;

    // Data rows.
    painter.setFont(font);
    const int first = pl.firstRow[page];
    const int count = pl.rowCount[page];
    for (int i = 0; i < count; ++i) {
        const int row = first + i;
        for (int c = 0; c < cols; ++c) {
            const QRectF r(pl.columnLeft[c], y, pl.columnWidth[c], pl.rowHeight);
            painter.drawRect(r);
            cellText(r, m_layout.text(row, c), qtAlignment(m_layout.column(c).alignment));
        }
        y += pl.rowHeight;
    }
    if (pl.footer && page == pl.pageCount() - 1) {
        painter.setFont(bold);
        for (int c = 0; c < cols; ++c) {
            const QRectF r(pl.columnLeft[c], y, pl.columnWidth[c], pl.rowHeight);
            const FooterCell f = m_layout.footer(c);
            painter.drawRect(r);
            cellText(r, f.text, qtAlignment(f.alignment));
        }
        painter.setFont(font);
    }

    if (pl.pageLineHeight > 0) {
        const QRectF r(0, pl.pageHeight - pl.pageLineHeight, std::max(tableWidth, pl.pageWidth),
                       pl.pageLineHeight);
        painter.drawText(r, Qt::AlignCenter, substitute(m_options.pageLine, page + 1, pl.pageCount()));
    }
}

} // namespace gridexport
