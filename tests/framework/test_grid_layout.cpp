// The stored grid layout, the column chooser's lists, dragged widths and the print dialog's file output.
#include "MemoryRows.h"
#include "dataset/DataSet.h"
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/ColumnChoice.h"
#include "framework/GridLayout.h"
#include "framework/PrintOutput.h"
#include "framework/ui/DefColumnDialog.h"

#include <QFile>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kKey = QStringLiteral("\\Software\\Sunharbor Software\\Door\\dsTest");

// emp_id, emp_name, card_consume, period_one (tag 10), remark; two rows.
void load(DataSet& ds) {
    const FieldType text = FieldType::WideString, number = FieldType::Integer;
    loadMemoryRows(ds,
                   {{"emp_id", text},
                    {"emp_name", text},
                    {"card_consume", number},
                    {"period_one", number},
                    {"remark", text}},
                   {{"1001", "张三0", "150", "1", "x"}, {"1002", "张三1", "151", "1", "x"}});
    ds.findField(QStringLiteral("period_one"))->setTag(ColumnChoice::kHiddenTag);
    ds.findField(QStringLiteral("period_one"))->setVisible(false);
}

QStringList fieldOrder(const DataSet& ds) {
    QStringList names;
    for (int i = 0; i < ds.fieldCount(); ++i)
        names << ds.field(i)->fieldName();
    return names;
}

QStringList names(const QVector<Field*>& fields) {
    QStringList out;
    for (const Field* f : fields)
        out << f->fieldName();
    return out;
}

// Drags the right border of a column's title by `dx` pixels with the mouse.
void dragBorder(QHeaderView* header, int column, int dx) {
    const int border = header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
    const int y = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, y));
    QTest::mouseMove(header->viewport(), QPoint(border + dx, y));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(border + dx, y));
}
} // namespace

class TestGridLayout : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString iniFile() const { return dir.filePath(QStringLiteral("layouts.ini")); }

private slots:
    void initTestCase() { qputenv("MEAL_SETTINGS_DIR", dir.path().toLocal8Bit()); }
    void init() { QFile::remove(iniFile()); }

    void valueTextHoldsFlagIndexWidthAndLabel() {
        using namespace GridLayout;
        QCOMPARE(encode({true, 3, 12, QStringLiteral("工号")}), QStringLiteral("1000312工号"));
        QCOMPARE(encode({false, 0, 5, QString()}), QStringLiteral("0000005"));
        // Widths beyond two digits: divided by ten, rounded, and never above 99.
        const QPair<int, int> widths[] = {{150, 15}, {99, 99}, {104, 10}, {105, 11}, {995, 99}, {-3, 0}};
        for (const auto& [width, stored] : widths)
            QCOMPARE(storedWidth(width), stored);
        QCOMPARE(encode({true, 12345, 1200, QStringLiteral("x")}), QStringLiteral("1999999x"));

        const auto d = decode(QStringLiteral("0004215编号"));
        QVERIFY(d && !d->visible && d->index == 42 && d->width == 15 && d->label == QStringLiteral("编号"));
        QVERIFY(decode(QStringLiteral("1000312"))); // empty label
        QVERIFY(!decode(QStringLiteral("100031")));
        QVERIFY(!decode(QStringLiteral("1a00312标签")));
        QVERIFY(!decode(QString()));
    }

    void labelsComeBackUnchanged_data() {
        QTest::addColumn<QString>("label");
        QTest::newRow("a year") << QStringLiteral("2010年");
        QTest::newRow("only zero") << QStringLiteral("0");
        QTest::newRow("multi-level") << QStringLiteral("期初|金额(0.00)");
        QTest::newRow("comma and blanks") << QStringLiteral(" 100, 200 ");
        QTest::newRow("ini specials") << QStringLiteral("@String(a)=;#\"b\\c");
    }
    void labelsComeBackUnchanged() {
        QFETCH(QString, label);
        const auto d = GridLayout::decode(GridLayout::encode({true, 1, 10, label}));
        QVERIFY(d);
        QCOMPARE(d->label, label);

        DataSet ds;
        load(ds);
        ds.findField(QStringLiteral("emp_name"))->setDisplayLabel(label);
        GridLayoutStore store(iniFile());
        store.save(ds, kKey);
        DataSet again;
        load(again);
        QVERIFY(store.load(again, kKey));
        QCOMPARE(again.findField(QStringLiteral("emp_name"))->displayLabel(), label);
    }

    void saveAndLoadRestoreVisibilityOrderAndWidth() {
        DataSet ds;
        load(ds);
        ds.moveField(ds.findField(QStringLiteral("card_consume")), 0);
        ds.findField(QStringLiteral("remark"))->setVisible(false);
        ds.findField(QStringLiteral("emp_id"))->setDisplayWidth(150);
        ds.findField(QStringLiteral("emp_id"))->setDisplayLabel(QStringLiteral("工号"));
        GridLayoutStore store(iniFile());
        store.save(ds, kKey);
        // The width that does not fit two digits is stored, and kept, as 15.
        QCOMPARE(ds.findField(QStringLiteral("emp_id"))->displayWidth(), 15);
        QCOMPARE(store.value(kKey, QStringLiteral("emp_id")), QStringLiteral("1000115工号"));
        QCOMPARE(store.value(kKey, QStringLiteral("card_consume")).left(5), QStringLiteral("10000"));
        QVERIFY(store.value(kKey, QStringLiteral("remark")).startsWith(QLatin1String("00004")));

        DataSet again;
        load(again);
        QVERIFY(store.load(again, kKey));
        QCOMPARE(fieldOrder(again), fieldOrder(ds));
        QCOMPARE(again.findField(QStringLiteral("remark"))->visible(), false);
        QCOMPARE(again.findField(QStringLiteral("emp_id"))->displayWidth(), 15);
        QCOMPARE(again.findField(QStringLiteral("emp_id"))->displayLabel(), QStringLiteral("工号"));
        // The grid model follows the fields.
        DataSetTableModel model;
        model.setDataSet(&again);
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.fieldAt(0)->fieldName(), QStringLiteral("card_consume"));
    }

    void valuesInAnyOrderFromTheOriginalFormatAreRead() {
        GridLayoutStore store(iniFile());
        // As an older program stored them: highest index first, a gone field and a broken value.
        store.setValue(kKey, QStringLiteral("remark"), QStringLiteral("1000408备注"));
        store.setValue(kKey, QStringLiteral("period_one"), QStringLiteral("0000306"));
        store.setValue(kKey, QStringLiteral("emp_id"), QStringLiteral("1000210工号"));
        store.setValue(kKey, QStringLiteral("card_consume"), QStringLiteral("10001122010年消费"));
        store.setValue(kKey, QStringLiteral("emp_name"), QStringLiteral("0000012姓名"));
        store.setValue(kKey, QStringLiteral("old_column"), QStringLiteral("1000011旧"));
        store.setValue(kKey, QStringLiteral("broken"), QStringLiteral("1x"));
        store.markDefault(kKey);
        QCOMPARE(store.value(kKey, GridLayout::kDefaultLayout), kKey);

        DataSet ds;
        load(ds);
        QVERIFY(store.load(ds, kKey));
        QCOMPARE(fieldOrder(ds), QStringList({QStringLiteral("emp_name"), QStringLiteral("card_consume"),
                                              QStringLiteral("emp_id"), QStringLiteral("period_one"),
                                              QStringLiteral("remark")}));
        QCOMPARE(ds.findField(QStringLiteral("card_consume"))->displayLabel(), QStringLiteral("2010年消费"));
        QCOMPARE(ds.findField(QStringLiteral("emp_name"))->visible(), false);
        QCOMPARE(ds.findField(QStringLiteral("card_consume"))->displayWidth(), 12);
    }

    void missingKeyChangesNothingAndSaveDropsStaleValues() {
        GridLayoutStore store(iniFile());
        DataSet ds;
        load(ds);
        const QStringList before = fieldOrder(ds);
        QVERIFY(!store.load(ds, kKey));
        QCOMPARE(fieldOrder(ds), before);
        QCOMPARE(ds.findField(QStringLiteral("emp_id"))->displayLabel(), QStringLiteral("emp_id"));

        store.setValue(kKey, QStringLiteral("old_column"), QStringLiteral("1000011旧"));
        store.save(ds, kKey);
        QVERIFY(store.value(kKey, QStringLiteral("old_column")).isEmpty());
        // Another data set's key is a separate group.
        QVERIFY(!store.load(ds, kKey + QStringLiteral("2")));
    }

    void chooserListsMoveInArrivalOrder() {
        DataSet ds;
        load(ds);
        ds.findField(QStringLiteral("remark"))->setVisible(false);
        ColumnChoice choice;
        choice.fill(ds);
        // Tag-10 fields never appear; visible ones start chosen.
        QCOMPARE(names(choice.chosen()), QStringList({QStringLiteral("emp_id"), QStringLiteral("emp_name"),
                                                      QStringLiteral("card_consume")}));
        QCOMPARE(names(choice.unchosen()), QStringList({QStringLiteral("remark")}));

        choice.unchoose({2, 0, 2, 7, -1}); // selection order, duplicates and strays do not matter
        QCOMPARE(names(choice.chosen()), QStringList({QStringLiteral("emp_name")}));
        QCOMPARE(names(choice.unchosen()), QStringList({QStringLiteral("remark"), QStringLiteral("emp_id"),
                                                        QStringLiteral("card_consume")}));
        choice.unchooseAll(); // the dialog's moves are test_print_columns'

        // Everything unchosen: every offered field is stored hidden.
        choice.apply();
        GridLayoutStore store(iniFile());
        store.save(ds, kKey);
        for (const char* name : {"emp_id", "emp_name", "card_consume", "remark"})
            QVERIFY2(store.value(kKey, QLatin1String(name)).startsWith(QLatin1Char('0')), name);
        DataSetTableModel model;
        model.setDataSet(&ds);
        QCOMPARE(model.columnCount(), 0);
    }

    // A dragged title border sets the field's display width, in main and frozen titles; the
    // chooser stores it (the grid sizing its columns sets none).
    void draggedColumnWidthsAreStoredWithTheLayout() {
        DataSet ds;
        load(ds);
        Field* id = ds.findField(QStringLiteral("emp_id"));
        Field* name = ds.findField(QStringLiteral("emp_name"));
        id->setDisplayWidth(12);
        const int nameWidth = name->displayWidth();
        DBGrid grid;
        grid.resize(900, 300);
        grid.setDataSet(&ds);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QFontMetrics fm = grid.view()->fontMetrics();
        const int cw = fm.horizontalAdvance(QLatin1Char('0'));
        QHeaderView* header = grid.view()->horizontalHeader();
        QCOMPARE(header->sectionSize(0), DBGrid::columnPixels(12, fm));

        dragBorder(header, 0, 5 * cw);
        QCOMPARE(id->displayWidth(), 17);
        QCOMPARE(name->displayWidth(), nameWidth);
        // Freezing and rebuilding the columns size them from the fields again.
        grid.setFrozenColumns(2);
        grid.refreshColumns();
        QCOMPARE(id->displayWidth(), 17);
        QCOMPARE(name->displayWidth(), nameWidth);
        QCOMPARE(header->sectionSize(0), DBGrid::columnPixels(17, fm));
        auto* frozen = grid.findChild<QTableView*>(QStringLiteral("frozenView"));
        QVERIFY(frozen && frozen->isVisible());
        dragBorder(frozen->horizontalHeader(), 0, -3 * cw);
        QCOMPARE(id->displayWidth(), 14);
        QCOMPARE(header->sectionSize(0), frozen->columnWidth(0));
        // Far wider than the grid shows: kept at the widest column, not cut to a tenth.
        dragBorder(header, 1, 120 * cw);
        QCOMPARE(name->displayWidth(), 80);

        auto* chooser = new TfrmDefColumn;
        chooser->setDataSet(&ds, kKey);
        chooser->show();
        chooser->btnApplyClick();
        GridLayoutStore store(iniFile());
        QCOMPARE(store.value(kKey, QStringLiteral("emp_id")).mid(5, 2), QStringLiteral("14"));
        QCOMPARE(store.value(kKey, QStringLiteral("emp_name")).mid(5, 2), QStringLiteral("80"));

        DataSet again;
        load(again);
        QVERIFY(store.load(again, kKey));
        DBGrid other;
        other.setDataSet(&again);
        QCOMPARE(other.view()->columnWidth(0), DBGrid::columnPixels(14, other.view()->fontMetrics()));
        for (int w = 4; w <= 80; ++w)
            QCOMPARE(DBGrid::displayWidthFor(DBGrid::columnPixels(w, fm), fm), w);
        QCOMPARE(DBGrid::displayWidthFor(0, fm), 4);
    }

    void printOutputNamesAndWritesTheExport() {
        const auto subs = PrintOutput::substitutions(QStringLiteral("食堂公司"), QStringLiteral("退卡明细表"),
                                                     QStringLiteral("日期: (2024-01-01 至 2024-01-31)"),
                                                     QStringLiteral("测试员"), QDate(2024, 2, 9));
        QCOMPARE(subs.value(QStringLiteral("%[user_name]")), QStringLiteral("测试员"));
        QCOMPARE(subs.value(QStringLiteral("%[print_date]")), QStringLiteral("2024-02-09"));

        const QString home = dir.path();
        QCOMPARE(PrintOutput::documentPath(home, QStringLiteral("收/支\\表"), QStringLiteral(".xls")),
                 home + QStringLiteral("/Documents/收_支_表.xls"));
        QCOMPARE(PrintOutput::documentPath(home, QStringLiteral(".."), QStringLiteral(".CSV")),
                 home + QStringLiteral("/Documents/未命名.CSV"));
        QCOMPARE(PrintOutput::documentPath(home, QStringLiteral("  "), QStringLiteral(".txt")),
                 home + QStringLiteral("/Documents/未命名.txt"));

        DataSet ds;
        load(ds);
        DataSetTableModel model;
        model.setDataSet(&ds);
        DataSetExportSource source(model);
        const QString path = home + QStringLiteral("/sub/Documents/out.CSV");
        QString error;
        QVERIFY2(PrintOutput::exportGrid(source, gridexport::ExportFormat::Csv, path, &error),
                 qPrintable(error));
        QFile csv(path);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(csv.readAll());
        QVERIFY(text.contains(QStringLiteral("张三1")));
        QVERIFY(!text.contains(QStringLiteral("period_one")));

        // A folder that cannot be made: refused with a message, no file.
        QFile blocker(home + QStringLiteral("/blocked"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        error.clear();
        QVERIFY(!PrintOutput::exportGrid(source, gridexport::ExportFormat::Xls,
                                         home + QStringLiteral("/blocked/Documents/x.xls"), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestGridLayout)
#include "test_grid_layout.moc"
