#include "cashier/PrintedDocument.h"

#include <QFont>
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

QFont documentFont(double pixels, bool bold = false) {
    QFont f(QStringLiteral("SimSun"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(int(pixels));
    f.setBold(bold);
    return f;
}

} // namespace

void PrintedDocument::addImage(const QImage& image) {
    m_images << image;
    m_items.push_back({Kind::Image, int(m_images.size() - 1), -1, {}, kImageHeight});
    m_laidOut = false;
}

void PrintedDocument::addTitle(const QString& text) {
    m_items.push_back({Kind::Title, -1, -1, {text}, kTitleHeight});
    m_laidOut = false;
}

void PrintedDocument::addLine(const QStringList& cells) {
    m_items.push_back({Kind::Line, -1, -1, cells, kLineHeight});
    m_laidOut = false;
}

void PrintedDocument::addTable(const Table& table) {
    m_tables << table;
    const int t = m_tables.size() - 1;
    m_items.push_back({Kind::Header, t, -1, table.headers, kRowHeight});
    for (int r = 0; r < table.rows.size(); ++r)
        m_items.push_back({Kind::Row, t, r, table.rows.at(r), kRowHeight});
    m_laidOut = false;
}

void PrintedDocument::addGap(double points) {
    m_items.push_back({Kind::Gap, -1, -1, {}, points});
    m_laidOut = false;
}

void PrintedDocument::layout() {
    if (m_laidOut)
        return;
    m_pages.clear();
    m_pages.push_back({});
    const double bottom = PageHeight - Margin - kPageLineHeight;
    double y = Margin;
    int currentHeader = -1; // the item of the table being printed
    for (int i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items.at(i);
        double need = item.height;
        if (item.kind == Kind::Header)
            need += kRowHeight; // a table's titles never end a page alone
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
    const double width = PageWidth - 2 * Margin;
    switch (item.kind) {
    case Kind::Gap:
        return;
    case Kind::Image: {
        const QImage& image = m_images.at(item.table);
        if (image.isNull())
            return;
        const QSizeF size = QSizeF(image.size()).scaled(QSizeF(width, kImageHeight - 4), Qt::KeepAspectRatio);
        painter.drawImage(QRectF(QPointF(Margin, y), size), image);
        return;
    }
    case Kind::Title:
        painter.setFont(documentFont(18, true));
        painter.drawText(QRectF(Margin, y, width, item.height), Qt::AlignCenter, item.cells.value(0));
        return;
    case Kind::Line: {
        painter.setFont(documentFont(10));
        const int n = std::max(1, int(item.cells.size()));
        for (int c = 0; c < item.cells.size(); ++c)
            painter.drawText(QRectF(Margin + c * width / n, y, width / n, item.height),
                             Qt::AlignVCenter | Qt::AlignLeft, item.cells.at(c));
        return;
    }
    case Kind::Header:
    case Kind::Row: {
        const Table& table = m_tables.at(item.table);
        const bool header = item.kind == Kind::Header;
        const bool bold = header || (item.row >= 0 && table.emphasised.value(item.row));
        painter.setFont(documentFont(10, bold));
        double total = 0;
        for (int c = 0; c < table.headers.size(); ++c)
            total += table.widths.value(c, 1);
        double x = Margin;
        for (int c = 0; c < table.headers.size(); ++c) {
            const double w = width * table.widths.value(c, 1) / total;
            const QRectF cell(x, y, w, item.height);
            painter.drawRect(cell);
            const Qt::Alignment align =
                header ? Qt::AlignCenter
                       : (table.rightAligned.value(c) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            painter.drawText(cell.adjusted(3, 0, -3, 0), int(align), item.cells.value(c));
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
        Qt::AlignCenter, QStringLiteral("%1/%2").arg(page + 1).arg(m_pages.size()));
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
