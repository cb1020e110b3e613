// The data-aware grid over an in-memory data set: columns, footers, sorting, selection, export.
#include "MemoryRows.h"
#include "dataset/DataSet.h"
#include "dataset/grid/ColumnFit.h"
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/ui/DBGrid.h"
#include "dataset/grid/ui/MultiLevelHeader.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

namespace {
// emp_id text, card_consume money (given in cents), card_sequ the row's number, remark memo.
void load(DataSet& ds, const std::vector<std::pair<std::string, std::int64_t>>& rows) {
    std::vector<std::string> numbers; // the texts the rows point into
    numbers.reserve(2 * rows.size());
    MemoryRows cells;
    for (const auto& [id, cents] : rows) {
        numbers.push_back(QString::number(double(cents) / 100, 'f', 2).toStdString());
        numbers.push_back(std::to_string(cells.size() + 1));
        cells.push_back({id.c_str(), numbers[numbers.size() - 2].c_str(), numbers.back().c_str(), "x"});
    }
    loadMemoryRows(ds,
                   {{"emp_id", FieldType::WideString},
                    {"card_consume", FieldType::BCD},
                    {"card_sequ", FieldType::Integer},
                    {"remark", FieldType::Memo}},
                   cells);
}
} // namespace

class TestDBGrid : public QObject {
    Q_OBJECT
private slots:
    void columnsFollowVisibleFieldsInIndexOrder() {
        DataSet ds;
        load(ds, {{"001", 150}, {"002", 250}});
        DBGrid grid;
        grid.setDataSet(&ds);
        QCOMPARE(grid.model()->columnCount(), 4);
        ds.findField(QStringLiteral("remark"))->setVisible(false);
        ds.moveField(ds.findField(QStringLiteral("card_sequ")), 0);
        ds.findField(QStringLiteral("card_consume"))->setDisplayLabel(QStringLiteral("期初|现金收入|卡费"));
        grid.refreshColumns();
        QCOMPARE(grid.model()->columnCount(), 3);
        QCOMPARE(grid.model()->fieldAt(0)->fieldName(), QStringLiteral("card_sequ"));
        QCOMPARE(grid.model()->fieldAt(1)->fieldName(), QStringLiteral("emp_id"));
        auto* header = qobject_cast<MultiLevelHeader*>(grid.view()->horizontalHeader());
        QVERIFY(header);
        QCOMPARE(header->levelCount(), 3);
        QCOMPARE(grid.model()->data(grid.model()->index(1, 1), Qt::DisplayRole).toString(),
                 QStringLiteral("002"));
    }

    // Without a stored layout texts are capped, numbers never narrower than their values, also when empty.
    void fittedWidths() {
        const std::string longText(60, 'a');
        const std::vector<std::pair<std::string, std::int64_t>> cases[] = {
            {}, {{"001", 5}}, {{longText, 12345678}, {"002", 5}}};
        for (const auto& rows : cases) {
            DataSet ds;
            load(ds, rows);
            ds.findField(QStringLiteral("card_consume"))->setDisplayLabel(QStringLiteral("金额"));
            ColumnFit::fitWidths(ds, 100);
            const int text = rows.empty() ? 0 : int(rows.front().first.size());
            QCOMPARE(ds.findField(QStringLiteral("emp_id"))->displayWidth(),
                     std::clamp(text, 6, ColumnFit::kTextCap)); // the caption is six cells
            const QString widest = rows.empty() ? QStringLiteral("¥0.00") : ds.displayText(0, 1);
            QVERIFY(ds.findField(QStringLiteral("card_consume"))->displayWidth() >=
                    ColumnFit::textCells(widest) + ColumnFit::kNumberHeadroom);
        }
    }

    // Sums are exact: ten cents added 100,000 times is 10,000.00.
    void footerSumsAndCountsFollowTheFilter() {
        DataSet ds;
        load(ds, std::vector<std::pair<std::string, std::int64_t>>(100000, {"e", 10}));
        DBGrid grid;
        grid.setDataSet(&ds);
        FooterCellSpec sum, count;
        sum.kind = FooterCellSpec::Sum;
        sum.displayFormat = QStringLiteral("￥#,###.00");
        count.kind = FooterCellSpec::Count;
        grid.footer().setCell(QStringLiteral("card_consume"), sum);
        grid.footer().setCell(QStringLiteral("card_sequ"), count);
        grid.setFooterRowCount(1);
        QCOMPARE(grid.footerText(1), QStringLiteral("￥10,000.00"));
        QCOMPARE(grid.footerText(2), QStringLiteral("100000"));
        // The footer follows the filter.
        ds.setFilter(QStringLiteral("card_sequ <= 10"));
        ds.setFiltered(true);
        QCOMPARE(grid.footerText(1), QStringLiteral("￥1.00"));
        QCOMPARE(grid.footerText(2), QStringLiteral("10"));
    }

    void titleClicksSortInMarkingOrder() {
        DataSet ds;
        load(ds, {{"b", 300}, {"a", 100}, {"b", 100}, {"a", 300}});
        DBGrid grid;
        grid.setDataSet(&ds);
        grid.clickTitle(0);
        QCOMPARE(ds.sort(), QStringLiteral("emp_id ASC"));
        grid.clickTitle(1, true);
        QCOMPARE(ds.sort(), QStringLiteral("emp_id ASC,card_consume ASC"));
        grid.clickTitle(1, true);
        QCOMPARE(ds.sort(), QStringLiteral("emp_id ASC,card_consume DESC"));
        QCOMPARE(grid.model()->data(grid.model()->index(0, 2), Qt::DisplayRole).toString(),
                 QStringLiteral("4"));
        // A plain click keeps only the clicked column.
        grid.clickTitle(0);
        QCOMPARE(ds.sort(), QStringLiteral("emp_id DESC"));

        // A calculated column cannot be sorted: refused, markers unchanged.
        QSignalSpy refused(&grid, &DBGrid::sortRefused);
        ds.addCalculatedField(QStringLiteral("calc"), FieldType::Integer,
                              [](const DataSet&, Bookmark) { return QVariant(1); });
        grid.refreshColumns();
        grid.clickTitle(4);
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().first().toString(), QStringLiteral("calc"));
        QCOMPARE(ds.sort(), QStringLiteral("emp_id DESC"));
    }

    void selectionAsBookmarksAndTheCursor() {
        DataSet ds;
        load(ds, {{"c", 1}, {"a", 2}, {"b", 3}});
        DBGrid grid;
        grid.setDataSet(&ds);
        QCOMPARE(grid.selectionKind(), DBGrid::SelectionKind::None);
        grid.clickTitle(0); // a, b, c
        auto* sm = grid.view()->selectionModel();
        sm->select(grid.model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        sm->select(grid.model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(grid.selectionKind(), DBGrid::SelectionKind::Rows);
        const auto marks = grid.selectedBookmarks();
        QCOMPARE(int(marks.size()), 2);
        QCOMPARE(ds.valueAt(marks[0], QStringLiteral("emp_id")).toString(), QStringLiteral("a"));
        QCOMPARE(ds.valueAt(marks[1], QStringLiteral("emp_id")).toString(), QStringLiteral("c"));
        grid.selectAll();
        QCOMPARE(grid.selectionKind(), DBGrid::SelectionKind::All);
        QCOMPARE(int(grid.selectedBookmarks().size()), 3);
        // The cursor follows the current row both ways.
        grid.view()->setCurrentIndex(grid.model()->index(2, 1));
        QCOMPARE(ds.recNo(), 3);
        ds.first();
        QCOMPARE(grid.view()->currentIndex().row(), 0);
    }

    void frozenColumnsAndExportSource() {
        DataSet ds;
        load(ds, {{"张三", 1234}, {"李四", -5}});
        DBGrid grid;
        grid.resize(600, 300);
        grid.setDataSet(&ds);
        grid.setFrozenColumns(2);
        auto* frozen = grid.findChild<QTableView*>(QStringLiteral("frozenView"));
        QVERIFY(frozen && !frozen->isColumnHidden(1) && frozen->isColumnHidden(2));
        grid.setFrozenColumns(99);
        QCOMPARE(grid.frozenColumns(), 4);

        DataSetExportSource source(*grid.model(), &grid.footer());
        QCOMPARE(source.columnCount(), 4);
        QCOMPARE(source.displayText(0, 0), QStringLiteral("张三"));
        QCOMPARE(source.value(0, 1).kind, gridexport::CellValue::Fixed);
        QCOMPARE(source.value(0, 1).integer, std::int64_t(123400));
        QCOMPARE(source.value(1, 1).integer, std::int64_t(-500));
        QCOMPARE(source.value(1, 2).integer, std::int64_t(2));
        QCOMPARE(source.column(1).fieldClass, gridexport::FieldClass::Money);
        // A field shown through a code table exports its text.
        ds.findField(QStringLiteral("card_sequ"))->setTextHandler([](const QVariant& v) {
            return v.toInt() == 1 ? QStringLiteral("定值") : QString();
        });
        QCOMPARE(source.column(2).fieldClass, gridexport::FieldClass::Text);
        QCOMPARE(source.displayText(0, 2), QStringLiteral("定值"));
    }
};

QTEST_MAIN(TestDBGrid)
#include "test_dbgrid.moc"
