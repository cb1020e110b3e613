// The print renderer on PDF pages: page count for a number of rows, repeated
// titles, footer placement, fit to page width and margins.
#include "ExportTestData.h"

#include "dataset/export/PrintRenderer.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QtTest>

using namespace gridexport;
using namespace exporttest;

namespace {

MemoryExportSource numbered(int rows, int columns = 4, int width = 10) {
    MemoryExportSource src;
    for (int c = 0; c < columns; ++c)
        src.addColumn(
            {QStringLiteral("列%1|名称%1").arg(c), FieldClass::Text, Alignment::Left, width, true, {}});
    for (int r = 0; r < rows; ++r) {
        QVector<QString> texts;
        for (int c = 0; c < columns; ++c)
            texts.append(QStringLiteral("第%1行%2").arg(r).arg(c));
        src.addRow(texts);
    }
    return src;
}

struct Pdf {
    QBuffer buffer;
    QPdfWriter writer;
    Pdf() : writer(&buffer) {
        buffer.open(QIODevice::WriteOnly);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
    }
};

// Pages of a PDF: its "/Type /Page" objects (not "/Pages").
int pdfPages(const QByteArray& pdf) {
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return int(QString::fromLatin1(pdf).count(page));
}

// The page layout of `src` on an A4 page; pageCount() 0 when it cannot be laid out.
PrintPageLayout layoutOf(const ExportSource& src, const PrintOptions& options) {
    PrintRenderer renderer(src, options);
    Pdf pdf;
    PrintPageLayout pl;
    if (!renderer.layout(pdf.writer, pl))
        pl = PrintPageLayout();
    return pl;
}

bool validPdf(const QByteArray& pdf) {
    return pdf.startsWith("%PDF-") && pdf.trimmed().endsWith("%%EOF");
}

} // namespace

class TestExportPrint : public QObject {
    Q_OBJECT

private slots:
    void pageCountFollowsRows() {
        PrintOptions options;
        options.substitutions.insert(QStringLiteral("%[title]"), QStringLiteral("消费明细"));
        options.substitutions.insert(QStringLiteral("%[caption]"),
                                     QStringLiteral("日期: (2026-03-01 至 2026-03-31)"));
        // Rows on the first page and on later ones, from the layout of an empty table.
        const PrintPageLayout pl = layoutOf(numbered(0), options);
        QCOMPARE(pl.pageCount(), 1);
        const double firstRoom = pl.pageHeight - pl.titleHeight - pl.headerHeight - pl.pageLineHeight;
        const int firstRows = int(firstRoom / pl.rowHeight);
        const int otherRows = int((pl.pageHeight - pl.headerHeight - pl.pageLineHeight) / pl.rowHeight);
        QVERIFY(firstRows > 10 && otherRows > firstRows); // the title takes room on page one only
        QCOMPARE(pl.headerHeight, 2 * pl.rowHeight);      // two title levels

        struct Case {
            int rows;
            int pages;
        };
        for (const Case& c : {Case{1, 1}, Case{firstRows, 1}, Case{firstRows + 1, 2},
                              Case{firstRows + 2 * otherRows, 3}, Case{firstRows + 2 * otherRows + 1, 4}}) {
            MemoryExportSource src = numbered(c.rows);
            PrintRenderer renderer(src, options);
            Pdf pdf;
            QVERIFY2(renderer.render(pdf.writer), qPrintable(renderer.errorString()));
            const QByteArray bytes = pdf.buffer.data();
            QVERIFY(validPdf(bytes));
            QCOMPARE(pdfPages(bytes), c.pages);
            PrintPageLayout check;
            QVERIFY(renderer.layout(pdf.writer, check));
            QCOMPARE(check.pageCount(), c.pages);
            // Every row printed once, in order.
            int next = 0;
            for (int p = 0; p < check.pageCount(); ++p) {
                QCOMPARE(check.firstRow[p], next);
                next += check.rowCount[p];
            }
            QCOMPARE(next, c.rows);
        }
    }

    void footerNeedsItsOwnRow() {
        PrintOptions options;
        options.title.clear();
        options.caption.clear();
        const PrintPageLayout pl = layoutOf(numbered(0), options);
        QCOMPARE(pl.pageCount(), 1);
        const int perPage = int((pl.pageHeight - pl.headerHeight - pl.pageLineHeight) / pl.rowHeight);

        MemoryExportSource full = numbered(perPage);
        full.setFooter({{QStringLiteral("汇总:"), {}, {}, Alignment::Left}});
        PrintRenderer withFooter(full, options);
        Pdf a;
        QVERIFY(withFooter.render(a.writer));
        QCOMPARE(pdfPages(a.buffer.data()), 2); // a full page pushes the footer over

        options.showFooter = false; // "打印统计行" unchecked
        PrintRenderer without(full, options);
        Pdf b;
        QVERIFY(without.render(b.writer));
        QCOMPARE(pdfPages(b.buffer.data()), 1);
    }

    void fitToPageWidth() {
        PrintOptions options;
        for (int columns : {2, 40}) { // a narrow table widens, a wide one shrinks
            const PrintPageLayout pl = layoutOf(numbered(5, columns, 12), options);
            QCOMPARE(pl.pageCount(), 1);
            const double right = pl.columnLeft.last() + pl.columnWidth.last();
            QVERIFY(qAbs(right - pl.pageWidth) < 1.0);
            QVERIFY(columns == 2 ? pl.scale > 1 : pl.scale < 1);
            // Columns keep their proportions.
            QVERIFY(qAbs(pl.columnWidth.first() - pl.columnWidth.last()) < 0.01);
        }
        // Without fitting the widths stay natural and a wide table runs off the page.
        options.fitToPageWidth = false;
        const PrintPageLayout pl = layoutOf(numbered(5, 40, 12), options);
        QCOMPARE(pl.scale, 1.0);
        QVERIFY(pl.columnLeft.last() + pl.columnWidth.last() > pl.pageWidth);
    }

    void marginsAndSelection() {
        MemoryExportSource src = numbered(300);
        PrintOptions options;
        const PrintPageLayout small = layoutOf(src, options);
        options.marginsMm = QMarginsF(20, 30, 20, 30);
        const PrintPageLayout large = layoutOf(src, options);
        QVERIFY(small.pageCount() > 0);
        // 2 x 19 mm less width and 2 x 29 mm less height at 300 dpi.
        QVERIFY(qAbs((small.pageWidth - large.pageWidth) - 38 / 25.4 * 300) < 5);
        QVERIFY(qAbs((small.pageHeight - large.pageHeight) - 58 / 25.4 * 300) < 5); // sizes round to points
        QVERIFY(large.pageCount() > small.pageCount());

        // Margins beyond the paper are refused.
        options.marginsMm = QMarginsF(200, 10, 200, 10);
        PrintRenderer impossible(src, options);
        Pdf c;
        QVERIFY(!impossible.render(c.writer));
        QVERIFY(!impossible.errorString().isEmpty());

        // Only the selection is printed.
        src.setSelectedRows({7, 250});
        PrintOptions selected;
        selected.rows = RowScope::SelectionOrAll;
        const PrintPageLayout pl = layoutOf(src, selected);
        QCOMPARE(pl.pageCount(), 1);
        QCOMPARE(pl.rowCount.first(), 2);
    }

    void substitutions() {
        MemoryExportSource src = numbered(1);
        PrintOptions options;
        options.substitutions = {{QStringLiteral("%[company]"), QStringLiteral("示例公司")},
                                 {QStringLiteral("%[title]"), QStringLiteral("消费明细")},
                                 {QStringLiteral("%[user_name]"), QStringLiteral("管理员")},
                                 {QStringLiteral("%[print_date]"), QStringLiteral("2026-12-06")}};
        PrintRenderer renderer(src, options);
        QCOMPARE(
            renderer.substitute(QStringLiteral("%[company]%[title] %[user_name] %[print_date] %[caption]")),
            QStringLiteral("示例公司消费明细 管理员 2026-12-06 %[caption]"));
        QCOMPARE(renderer.substitute(options.pageLine, 2, 5), QStringLiteral("第 2 页  共 5 页"));
    }
};

QTEST_MAIN(TestExportPrint)
#include "test_export_print.moc"
