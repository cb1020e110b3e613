#include "cashier/PrintedDocument.h"

#include <algorithm>

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace {

constexpr double kRowHeight = 17;
constexpr double kLineHeight = 18;
constexpr double kTitleHeight = 30;
constexpr double kImageHeight = 40;
constexpr double kPageLineHeight = 20;
constexpr double kCellPadding = 3; // each side of a table cell's text
constexpr double kLineGap = 8;     // after each cell of a text line
constexpr int kTextPixels = 10;
constexpr int kSmallestTablePixels = 7;
constexpr int kTitlePixels = 18;
constexpr int kSmallestTitlePixels = 12;
constexpr double kContentWidth = PrintedDocument::PageWidth - 2 * PrintedDocument::Margin;

QFont documentFont(int pixels, bool bold = false) {
    QFont f(QStringLiteral("SimSun"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    // Unhinted glyphs advance alike at every scale, so a width measured here
    // holds on the preview image, the printer and the PDF.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// The width `text` needs on one line, with room for the devices' rounding,
// and the width text may take within `width` (its inverse).
double naturalWidth(const QFont& font, const QString& text) {
    return QFontMetricsF(font).horizontalAdvance(text) * 1.03 + 1;
}
double usableWidth(double width) {
    return std::max(1.0, (width - 1) / 1.03);
}

// The wrapping that keeps `text` within `width`: none when it fits on one
// line, else at word (and CJK character) boundaries, else anywhere.
int fittingFlags(const QFont& font, const QString& text, double width) {
    const QFontMetricsF metrics(font);
    const double room = usableWidth(width) + 0.01; // widths laid out to fit exactly
    if (metrics.horizontalAdvance(text) <= room)
        return 0;
    const QRectF words = metrics.boundingRect(QRectF(0, 0, usableWidth(width), 1e6), Qt::TextWordWrap, text);
    return words.width() <= room ? int(Qt::TextWordWrap) : int(Qt::TextWrapAnywhere);
}

// The height `text` takes within `width`, wrapped as fittingFlags says.
double textHeight(const QFont& font, const QString& text, double width) {
    const int flags = fittingFlags(font, text, width);
    const QFontMetricsF metrics(font);
    if (flags == 0)
        return metrics.height();
    return metrics.boundingRect(QRectF(0, 0, usableWidth(width), 1e6), flags, text).height();
}

// Draws `text` in `box`, wrapped within the width it was measured in.
void drawFitted(QPainter& painter, const QRectF& box, Qt::Alignment align, const QString& text) {
    const int flags = fittingFlags(painter.font(), text, box.width());
    QRectF r = box;
    if (flags != 0) {
        const double w = usableWidth(box.width());
        if (align & Qt::AlignRight)
            r.setLeft(r.right() - w);
        else if (align & Qt::AlignHCenter)
            r = QRectF(r.center().x() - w / 2, r.top(), w, r.height());
        else
            r.setWidth(w);
    }
    painter.drawText(r, int(align) | flags, text);
}

} // namespace

PrintedDocument::Item PrintedDocument::item(Kind kind, int table, int row, const QStringList& cells,
                                            double height) {
    Item i;
    i.kind = kind;
    i.table = table;
    i.row = row;
    i.cells = cells;
    i.height = height;
    return i;
}

void PrintedDocument::addImage(const QImage& image) {
    m_images << image;
    m_items.push_back(item(Kind::Image, int(m_images.size() - 1), -1, {}, kImageHeight));
    m_laidOut = false;
}

void PrintedDocument::addTitle(const QString& text) {
    m_items.push_back(item(Kind::Title, -1, -1, {text}, kTitleHeight));
    m_laidOut = false;
}

void PrintedDocument::addLine(const QStringList& cells) {
    m_items.push_back(item(Kind::Line, -1, -1, cells, kLineHeight));
    m_laidOut = false;
}

void PrintedDocument::addTable(const Table& table) {
    m_tables << table;
    const int t = m_tables.size() - 1;
    m_items.push_back(item(Kind::Header, t, -1, table.headers, kRowHeight));
    for (int r = 0; r < table.rows.size(); ++r)
        m_items.push_back(item(Kind::Row, t, r, table.rows.at(r), kRowHeight));
    m_laidOut = false;
}

void PrintedDocument::addGap(double points) {
    m_items.push_back(item(Kind::Gap, -1, -1, {}, points));
    m_laidOut = false;
}

void PrintedDocument::fitColumns(int t) {
    const Table& table = m_tables.at(t);
    const int n = table.headers.size();
    double relative = 0;
    for (int c = 0; c < n; ++c)
        relative += table.widths.value(c, 1);
    QVector<double> need(n, 0);
    double needed = 0;
    int pixels = kTextPixels;
    for (;; --pixels) {
        const QFont plain = documentFont(pixels), bold = documentFont(pixels, true);
        needed = 0;
        for (int c = 0; c < n; ++c) {
            need[c] = naturalWidth(bold, table.headers.at(c));
            for (int r = 0; r < table.rows.size(); ++r)
                need[c] = std::max(need[c], naturalWidth(table.emphasised.value(r) ? bold : plain,
                                                         table.rows.at(r).value(c)));
            need[c] += 2 * kCellPadding;
            needed += need[c];
        }
        if (needed <= kContentWidth || pixels == kSmallestTablePixels)
            break;
    }
    Columns columns;
    columns.fontPixels = pixels;
    columns.widths.resize(n);
    if (needed > kContentWidth) {
        // Even the smallest font is too wide: the widest columns give up
        // the shortfall, down to one width they all share, and wrap.
        QVector<double> ascending = need;
        std::sort(ascending.begin(), ascending.end());
        double rest = kContentWidth, cap = 0;
        for (int i = 0; i < n; ++i) {
            if (ascending.at(i) * (n - i) > rest) {
                cap = rest / (n - i);
                break;
            }
            rest -= ascending.at(i);
        }
        for (int c = 0; c < n; ++c)
            columns.widths[c] = std::min(need.at(c), cap);
    } else {
        // The drawn proportions, with what a narrow column lacks taken from
        // the columns with room to spare, in proportion to their room.
        double lacking = 0, spare = 0;
        for (int c = 0; c < n; ++c) {
            const double share = kContentWidth * table.widths.value(c, 1) / relative;
            lacking += std::max(0.0, need.at(c) - share);
            spare += std::max(0.0, share - need.at(c));
        }
        for (int c = 0; c < n; ++c) {
            const double share = kContentWidth * table.widths.value(c, 1) / relative;
            columns.widths[c] = share < need.at(c)
                                    ? need.at(c)
                                    : share - (spare > 0 ? (share - need.at(c)) * lacking / spare : 0);
        }
    }
    m_columns[t] = columns;
}

void PrintedDocument::measure(Item& it) {
    switch (it.kind) {
    case Kind::Gap:
    case Kind::Image:
        return;
    case Kind::Title: {
        const QString text = it.cells.value(0);
        int pixels = kTitlePixels;
        while (pixels > kSmallestTitlePixels &&
               naturalWidth(documentFont(pixels, true), text) > kContentWidth)
            --pixels;
        it.fontPixels = pixels;
        it.height = std::max(kTitleHeight, textHeight(documentFont(pixels, true), text, kContentWidth) + 8);
        return;
    }
    case Kind::Line: {
        // Equal parts when every cell fits its part; else each cell takes what
        // it needs, cells flowing onto further rows when the width runs out.
        const QFont font = documentFont(kTextPixels);
        const int n = it.cells.size();
        QVector<double> need(n);
        bool equalFits = true;
        for (int c = 0; c < n; ++c) {
            need[c] = naturalWidth(font, it.cells.at(c)) + kLineGap;
            equalFits = equalFits && need.at(c) <= kContentWidth / n;
        }
        it.boxes.clear();
        double y = 0;
        for (int c = 0; c < n;) {
            int end = c + 1;
            double used = need.at(c);
            while (end < n && !equalFits && used + need.at(end) <= kContentWidth)
                used += need.at(end++);
            if (equalFits)
                end = n;
            const double extra = std::max(0.0, kContentWidth - used) / (end - c);
            double x = 0, height = kLineHeight;
            for (int k = c; k < end; ++k) {
                const double w = equalFits ? kContentWidth / n : std::min(kContentWidth, need.at(k) + extra);
                height = std::max(height, textHeight(font, it.cells.at(k), w - kLineGap) + 4);
                it.boxes << QRectF(x, y, w, 0);
                x += w;
            }
            for (int k = c; k < end; ++k)
                it.boxes[k].setHeight(height);
            y += height;
            c = end;
        }
        it.height = std::max(kLineHeight, y);
        return;
    }
    case Kind::Header:
    case Kind::Row: {
        const Table& table = m_tables.at(it.table);
        const Columns& columns = m_columns.at(it.table);
        const bool bold = it.kind == Kind::Header || table.emphasised.value(it.row);
        const QFont font = documentFont(columns.fontPixels, bold);
        double height = kRowHeight;
        for (int c = 0; c < columns.widths.size(); ++c)
            height = std::max(
                height, textHeight(font, it.cells.value(c), columns.widths.at(c) - 2 * kCellPadding) + 4);
        it.height = height;
        return;
    }
    }
}

void PrintedDocument::layout() {
    if (m_laidOut)
        return;
    m_columns.fill(Columns(), m_tables.size());
    for (int t = 0; t < m_tables.size(); ++t)
        fitColumns(t);
    for (Item& it : m_items)
        measure(it);
    m_pages.clear();
    m_pages.push_back({});
    const double bottom = PageHeight - Margin - kPageLineHeight;
    double y = Margin;
    int currentHeader = -1; // the item of the table being printed
    for (int i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items.at(i);
        double need = item.height;
        if (item.kind == Kind::Header && i + 1 < m_items.size() && m_items.at(i + 1).kind == Kind::Row)
            need += m_items.at(i + 1).height; // a table's titles never end a page alone
        if (y + need > bottom && !m_pages.last().isEmpty()) {
            m_pages.push_back({});
            y = Margin;
            if (item.kind == Kind::Row && currentHeader >= 0) {
                m_pages.last().push_back({currentHeader, y});
                y += m_items.at(currentHeader).height;
            }
        }
        if (item.kind == Kind::Header)
            currentHeader = i;
        else if (item.kind != Kind::Row)
            currentHeader = -1;
        m_pages.last().push_back({i, y});
        y += item.height;
    }
    m_laidOut = true;
}

int PrintedDocument::pageCount() {
    layout();
    return m_pages.size();
}

void PrintedDocument::paintItem(QPainter& painter, const Item& item, double y) const {
    switch (item.kind) {
    case Kind::Gap:
        return;
    case Kind::Image: {
        const QImage& image = m_images.at(item.table);
        if (image.isNull())
            return;
        const QSizeF size =
            QSizeF(image.size()).scaled(QSizeF(kContentWidth, kImageHeight - 4), Qt::KeepAspectRatio);
        painter.drawImage(QRectF(QPointF(Margin, y), size), image);
        return;
    }
    case Kind::Title: {
        const QFont font = documentFont(item.fontPixels, true);
        const QString text = item.cells.value(0);
        painter.setFont(font);
        drawFitted(painter, QRectF(Margin, y, kContentWidth, item.height), Qt::AlignCenter, text);
        return;
    }
    case Kind::Line: {
        const QFont font = documentFont(kTextPixels);
        painter.setFont(font);
        for (int c = 0; c < item.cells.size() && c < item.boxes.size(); ++c) {
            const QRectF box = item.boxes.at(c).translated(Margin, y).adjusted(0, 0, -kLineGap, 0);
            const QString& text = item.cells.at(c);
            painter.drawText(
                box, int(Qt::AlignVCenter | Qt::AlignLeft) | fittingFlags(font, text, box.width()), text);
        }
        return;
    }
    case Kind::Header:
    case Kind::Row: {
        const Table& table = m_tables.at(item.table);
        const Columns& columns = m_columns.at(item.table);
        const bool header = item.kind == Kind::Header;
        const bool bold = header || (item.row >= 0 && table.emphasised.value(item.row));
        const QFont font = documentFont(columns.fontPixels, bold);
        painter.setFont(font);
        double x = Margin;
        for (int c = 0; c < columns.widths.size(); ++c) {
            const double w = columns.widths.at(c);
            const QRectF cell(x, y, w, item.height);
            painter.drawRect(cell);
            const QRectF inner = cell.adjusted(kCellPadding, 0, -kCellPadding, 0);
            const QString text = item.cells.value(c);
            const Qt::Alignment align =
                header ? Qt::AlignCenter
                       : (table.rightAligned.value(c) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            drawFitted(painter, inner, align, text);
            x += w;
        }
        return;
    }
    }
}

void PrintedDocument::paintPage(QPainter& painter, int page) {
    layout();
    if (page < 0 || page >= m_pages.size())
        return;
    painter.save();
    painter.setPen(QPen(Qt::black, 0.5));
    for (const Placed& p : m_pages.at(page))
        paintItem(painter, m_items.at(p.item), p.y);
    painter.setFont(documentFont(9));
    painter.drawText(
        QRectF(Margin, PageHeight - Margin - kPageLineHeight, PageWidth - 2 * Margin, kPageLineHeight),
        Qt::AlignCenter,
        QStringLiteral("%1/%2").arg(QString::number(page + 1), QString::number(m_pages.size())));
    painter.restore();
}

bool PrintedDocument::render(QPagedPaintDevice& device, QString* error) {
    layout();
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error)
            *error = QStringLiteral("无法开始打印");
        return false;
    }
    const double scale = double(device.width()) / PageWidth;
    for (int page = 0; page < m_pages.size(); ++page) {
        if (page > 0 && !device.newPage()) {
            if (error)
                *error = QStringLiteral("无法开始新的一页");
            return false;
        }
        painter.save();
        painter.scale(scale, scale);
        paintPage(painter, page);
        painter.restore();
    }
    return painter.end();
}

bool PrintedDocument::writePdf(const QString& path, const QString& title, QString* error) {
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setResolution(300);
    return render(writer, error);
}

QImage PrintedDocument::pageImage(int page, double dpi) {
    const double scale = dpi / 72.0;
    QImage image(QSize(int(PageWidth * scale), int(PageHeight * scale)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    paintPage(painter, page);
    return image;
}
