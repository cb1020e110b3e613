// The grid over a million rows formats only the cells it shows, while rows arrive, scrolling and
// sorting: counting text and colour hooks turn a whole-set pass into a count in the millions.
#include "dataset/DataSet.h"
#include "dataset/grid/ui/DBGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

namespace {

constexpr int kRows = 1000000;
constexpr int kBatches = 16;

struct Counters {
    qint64 formatted = 0;
    qint64 coloured = 0;
    qint64 lowestRow = kRows; // lowest and highest row number formatted
    qint64 highestRow = -1;

    void reset() { *this = Counters(); }
};

// Column 0 holds the row number, column 1 a text, column 2 an amount.
std::vector<ColumnDef> columns() {
    std::vector<ColumnDef> cols(3);
    const std::pair<const char*, FieldType> defs[] = {
        {"row_no", FieldType::Integer}, {"empname", FieldType::WideString}, {"card_consume", FieldType::BCD}};
    for (std::size_t c = 0; c < 3; ++c) {
        cols[c].name = QString::fromLatin1(defs[c].first);
        cols[c].type = defs[c].second;
    }
    return cols;
}

RowBatch batch(int first, int count) {
    RowBatch b({StorageKind::Int64, StorageKind::Bytes, StorageKind::Fixed4}, std::size_t(count));
    static const char name[] = "张三";
    for (int r = first; r < first + count; ++r) {
        b.addInt(0, r);
        b.addBytes(1, name, sizeof(name) - 1);
        b.addInt(2, std::int64_t(r % 3000) * 100);
        b.endRow();
    }
    return b;
}

} // namespace

class TestGridVisibleRows : public QObject {
    Q_OBJECT

    DataSet m_ds;
    DBGrid m_grid;
    Counters m_count;

    // Cells of one full paint of the main view and the frozen column, a row of slack at either edge.
    qint64 cellsOnScreen() {
        const int rows =
            m_grid.view()->viewport()->height() / m_grid.view()->verticalHeader()->defaultSectionSize();
        return qint64(rows + 2) * (m_grid.model()->columnCount() + m_grid.frozenColumns());
    }

    // Lets queued updates run, then paints the grid once more.
    void paint() {
        QCoreApplication::processEvents();
        m_grid.grab();
    }

    void checkOnlyVisibleCellsFormatted(int paints) {
        QVERIFY2(m_count.formatted > 0, "nothing was painted");
        QVERIFY2(m_count.formatted <= paints * cellsOnScreen(),
                 qPrintable(QStringLiteral("%1 cells formatted for %2 paints of %3 cells")
                                .arg(m_count.formatted)
                                .arg(paints)
                                .arg(cellsOnScreen())));
        QVERIFY2(m_count.coloured <= paints * cellsOnScreen(), qPrintable(QString::number(m_count.coloured)));
    }

private slots:
    void initTestCase() {
        m_ds.beginLoad(columns());
        for (int c = 0; c < 3; ++c)
            m_ds.field(c)->setTextHandler([this, c](const QVariant& v) {
                ++m_count.formatted;
                if (c == 0) {
                    m_count.lowestRow = std::min(m_count.lowestRow, v.toLongLong());
                    m_count.highestRow = std::max(m_count.highestRow, v.toLongLong());
                }
                return v.toString();
            });
        m_grid.resize(640, 400);
        m_grid.setDataSet(&m_ds);
        m_grid.setFrozenColumns(1);
        m_grid.setCellColorHook([this](int, const Field&) {
            ++m_count.coloured;
            return QColor();
        });
        m_grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_grid));
    }

    // The first batch shows before the rest arrives; later batches cost a repaint of the visible rows each.
    void rowsArrivingInBatches() {
        m_count.reset();
        const int perBatch = kRows / kBatches;
        for (int b = 0; b < kBatches; ++b) {
            m_ds.appendRows(batch(b * perBatch, perBatch));
            paint();
            if (b == 0) {
                QCOMPARE(m_count.lowestRow, qint64(0));
                QVERIFY(m_count.highestRow < 100);
            }
        }
        m_ds.endLoad();
        paint();
        QCOMPARE(m_grid.model()->rowCount(), kRows);
        QVERIFY(m_count.highestRow < 100);
        checkOnlyVisibleCellsFormatted(2 * (kBatches + 1));
    }

    // To the end, the middle and back: only the rows around the position are formatted.
    void scrollingToTheEndAndBack() {
        QScrollBar* bar = m_grid.view()->verticalScrollBar();
        for (const double where : {1.0, 0.5, 0.0}) {
            m_count.reset();
            bar->setValue(int(bar->maximum() * where));
            paint();
            const qint64 around = qint64((kRows - 1) * where);
            QVERIFY2(
                m_count.lowestRow <= around && around <= m_count.highestRow &&
                    m_count.highestRow - m_count.lowestRow < 100,
                qPrintable(QStringLiteral("rows %1 to %2").arg(m_count.lowestRow).arg(m_count.highestRow)));
            checkOnlyVisibleCellsFormatted(2);
        }
    }

    // Sorting reads stored values, not display texts; then only the new first rows are formatted.
    void titleClickSortsWithoutFormattingTheSet() {
        m_count.reset();
        m_grid.clickTitle(0);
        m_grid.clickTitle(0);
        QCOMPARE(m_ds.sort(), QStringLiteral("row_no DESC"));
        m_grid.view()->scrollToTop();
        paint();
        QCOMPARE(m_count.highestRow, qint64(kRows - 1));
        QVERIFY(m_count.lowestRow > kRows - 100);
        checkOnlyVisibleCellsFormatted(4);
    }
};

QTEST_MAIN(TestGridVisibleRows)
#include "test_grid_visible_rows.moc"
