#pragma once
// A printed document laid out in code: titles, text lines, tables with
// emphasised (total) rows, images, flowing over A4 pages with the table
// titles repeated on every page and a page line "page/pages" at the foot.
// Laid out in points (1/72 inch) and scaled to the device, so the preview
// (an image) and the printer or PDF show the same pages. Text is measured as
// it is laid out: a line's cells take the width their text needs, a table's
// columns take theirs from columns with room to spare (the table's font
// shrinks when the page is too narrow for them all), and what still does not
// fit wraps onto further lines. Widget-free.
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

class QPagedPaintDevice;
class QPainter;

class PrintedDocument {
public:
    struct Table {
        QStringList headers;
        QVector<double> widths; // relative column widths
        QVector<QStringList> rows;
        QVector<bool> emphasised;   // per row: a total, printed bold
        QVector<bool> rightAligned; // per column: numbers
    };

    void addImage(const QImage& image);
    void addTitle(const QString& text);
    // Text spread over the width: one cell each, left to right.
    void addLine(const QStringList& cells);
    void addTable(const Table& table);
    void addGap(double points);

    int pageCount();
    // Paints a page in points; the painter is scaled by the caller.
    void paintPage(QPainter& painter, int page);
    // Prints every page onto the device (A4); false with the reason.
    bool render(QPagedPaintDevice& device, QString* error);
    bool writePdf(const QString& path, const QString& title, QString* error);
    // A page as an image, `dpi` dots per inch, for the preview.
    QImage pageImage(int page, double dpi);

    static constexpr double PageWidth = 595;
    static constexpr double PageHeight = 842;
    static constexpr double Margin = 36;

private:
    enum class Kind { Image, Title, Line, Header, Row, Gap };
    struct Item {
        Kind kind;
        int table = -1; // Header, Row
        int row = -1;   // Row
        QStringList cells;
        double height = 0;
        QVector<QRectF> boxes; // Line: each cell's box, relative to the item's top left
        int fontPixels = 0;    // Title: its font as laid out
    };
    static Item item(Kind kind, int table, int row, const QStringList& cells, double height);
    // A table's columns and font as laid out.
    struct Columns {
        QVector<double> widths;
        int fontPixels = 0;
    };
    struct Placed {
        int item;
        double y;
    };
    void layout();
    void measure(Item& item);
    void fitColumns(int table);
    void paintItem(QPainter& painter, const Item& item, double y) const;

    QVector<QImage> m_images;
    QVector<Table> m_tables;
    QVector<Columns> m_columns;
    QVector<Item> m_items;
    QVector<QVector<Placed>> m_pages;
    bool m_laidOut = false;
};
