// The Excel 97-2003 exporter: the workbook is read back with an independent
// reader (and with freexl, the importer's reader) and every cell is checked.
#include "ExportTestData.h"
#include "MiniXlsReader.h"
#include "TestFiles.h"

#include "dataset/export/CompoundFileWriter.h"
#include "dataset/export/XlsExporter.h"

#include <algorithm>

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#ifdef MEAL_HAVE_FREEXL
#include <freexl.h>
#endif

using namespace gridexport;
using namespace exporttest;

namespace {

QByteArray exportXls(const ExportSource& src, RowScope scope = RowScope::AllRows, int maxRows = 0,
                     bool* ok = nullptr, QString* error = nullptr) {
    XlsExporter exporter;
    if (maxRows)
        exporter.setMaxRowsPerSheet(maxRows);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool done = bool(exporter.exportTo(src, buffer, scope));
    if (ok)
        *ok = done;
    if (error)
        *error = exporter.errorString();
    return buffer.data();
}

MiniBook readBook(const QByteArray& bytes) {
    MiniBook book;
    QString error;
    if (!readMiniXls(bytes, book, error))
        qWarning("unreadable workbook: %s", qPrintable(error));
    return book;
}

QString labelAt(const MiniSheet& s, int r, int c) {
    const MiniCell* cell = s.cell(r, c);
    return cell && cell->kind == MiniCell::Label ? cell->text : QString();
}

int merges(const MiniSheet& s, int r0, int r1, int c0, int c1) {
    return int(std::count_if(s.merges.begin(), s.merges.end(), [&](const MiniMerge& m) {
        return m.firstRow == r0 && m.lastRow == r1 && m.firstCol == c0 && m.lastCol == c1;
    }));
}

// A device that takes a fixed number of bytes and refuses the rest.
class ShortDevice : public QIODevice {
public:
    explicit ShortDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        if (len > m_room) {
            setErrorString(QStringLiteral("disk full"));
            return -1;
        }
        m_room -= len;
        return len;
    }

private:
    qint64 m_room;
};

// Money: the number must be the exact cent amount.
bool sameMoney(double number, qint64 units) {
    return qRound64(number * 10000) == units;
}

} // namespace

class TestExportXls : public QObject {
    Q_OBJECT

private slots:
    void everyCellReadsBack() {
        MemoryExportSource src;
        fillSample(src);
        const QByteArray bytes = exportXls(src);
        QCOMPARE(bytes.size() % 512, 0);
        MiniBook book = readBook(bytes);
        QCOMPARE(book.codePage, 1200);
        QVERIFY(book.workbookStreamSize >= 4096);
        QCOMPARE(book.sheets.size(), 1);
        const MiniSheet& s = book.sheets.first();
        QCOMPARE(s.name, QStringLiteral("消费记录"));
        // Seven visible columns, three title rows, four data rows, a footer.
        QCOMPARE(s.cols, 7);
        QCOMPARE(s.rows, 3 + 4 + 1);

        // Titles: "期初" over three columns, "现金收入" over two, own titles merged down.
        const struct {
            int r, c;
            const char* text;
        } titles[] = {{0, 0, "工号"}, {0, 3, "期初"}, {1, 3, "现金收入"}, {2, 3, "卡费"},
                      {2, 4, "押金"}, {1, 5, "次数"}, {0, 6, "时间"},     {0, 4, ""}};
        for (const auto& t : titles)
            QCOMPARE(labelAt(s, t.r, t.c), QString::fromUtf8(t.text));
        QVERIFY(merges(s, 0, 2, 0, 0) && merges(s, 0, 0, 3, 5) && merges(s, 1, 1, 3, 4) &&
                merges(s, 1, 2, 5, 5));
        QCOMPARE(s.merges.size(), 3 + 3 + 1); // 工号 姓名 部门, 期初 现金收入 次数, 时间

        const QVector<Row> rows = sampleRows();
        for (int i = 0; i < rows.size(); ++i) {
            const Row& r = rows.at(i);
            const int row = 3 + i;
            QCOMPARE(labelAt(s, row, 0), r.empId);
            if (r.name.isEmpty())
                QVERIFY(!s.cell(row, 1)); // an empty text writes no cell
            else
                QCOMPARE(labelAt(s, row, 1), r.name);
            QCOMPARE(labelAt(s, row, 2), r.dept); // the hidden column is skipped
            const MiniCell* cash = s.cell(row, 3);
            QVERIFY(cash && cash->kind == MiniCell::Number);
            QVERIFY2(sameMoney(cash->number, r.cashUnits), qPrintable(QString::number(cash->number, 'f', 6)));
            QCOMPARE(book.formatOf(*cash), QStringLiteral("\\￥0.00"));
            const MiniCell* deposit = s.cell(row, 4);
            QVERIFY(deposit && sameMoney(deposit->number, r.depositUnits));
            QCOMPARE(book.formatOf(*deposit), QStringLiteral("\\￥#,##0.00"));
            const MiniCell* count = s.cell(row, 5);
            QVERIFY(count && count->kind == MiniCell::Number);
            QCOMPARE(count->number, double(r.count));
            const MiniCell* time = s.cell(row, 6);
            QVERIFY(time && time->kind == MiniCell::Number);
            QCOMPARE(book.formatOf(*time), QStringLiteral("yyyy-mm-dd hh:mm:ss"));
            // Excel's day count back to the wall-clock time, to the second.
            const QDateTime back = QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC)
                                       .addMSecs(qRound64(time->number * 86400000.0));
            QCOMPARE(back.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), r.time);
        }
        // Footer: "汇总:", the count and the exact sums.
        QCOMPARE(labelAt(s, 7, 0), QStringLiteral("汇总:"));
        QCOMPARE(s.cell(7, 1)->number, 4.0);
        qint64 cash = 0;
        for (const Row& r : rows)
            cash += r.cashUnits;
        QVERIFY(sameMoney(s.cell(7, 3)->number, cash));
        QCOMPARE(book.formatOf(*s.cell(7, 3)), QStringLiteral("\\￥#,###.00"));
        QVERIFY(!s.cell(7, 6));
        // Widths follow the display widths.
        QVERIFY(s.columnWidths.value(6) > s.columnWidths.value(0));
    }

    // A subtitle is a title row of its own across the columns; the rest moves down.
    void subtitleRowAboveTheTitles() {
        MemoryExportSource src;
        fillSample(src);
        src.setSubtitle(QStringLiteral("筛选: [姓名] like '张%'"));
        const MiniBook book = readBook(exportXls(src));
        QCOMPARE(book.sheets.size(), 1);
        const MiniSheet& s = book.sheets.first();
        QCOMPARE(s.rows, 1 + 3 + 4 + 1);
        QCOMPARE(labelAt(s, 0, 0), src.subtitle());
        QCOMPARE(labelAt(s, 1, 0), QStringLiteral("工号"));
        QCOMPARE(labelAt(s, 2, 3), QStringLiteral("现金收入"));
        QCOMPARE(labelAt(s, 4, 0), sampleRows().first().empId);
        QCOMPARE(merges(s, 0, 0, 0, 6), 1); // the subtitle across every column
        QCOMPARE(merges(s, 1, 3, 0, 0), 1); // 工号 merged down its three title rows
        QCOMPARE(s.merges.size(), 1 + 7);
    }

    // Texts that look like formulas are shared-string cells, kept as they are.
    void formulaTextsStayStringCells() {
        MemoryExportSource src;
        src.addColumn({QStringLiteral("=标题"), FieldClass::Text, Alignment::Left, 12, true, {}});
        src.addColumn({QStringLiteral("金额"), FieldClass::Money, Alignment::Right, 8, true, {}});
        const QStringList texts = {QStringLiteral("=HYPERLINK(\"http://x\",\"a\")"), QStringLiteral("+86"),
                                   QStringLiteral("-2+3"), QStringLiteral("@SUM(A1:A9)")};
        for (const QString& t : texts)
            src.addRow({t, QStringLiteral("-12.50")}, {CellValue::text(), CellValue::fromFixed(-125000)});
        src.addRow({QStringLiteral("x"), QStringLiteral("-y")}); // money without a value
        const MiniBook book = readBook(exportXls(src));
        QCOMPARE(book.sheets.size(), 1);
        const MiniSheet& s = book.sheets.first();
        QCOMPARE(labelAt(s, 0, 0), QStringLiteral("=标题"));
        for (int i = 0; i < texts.size(); ++i) {
            QCOMPARE(labelAt(s, 1 + i, 0), texts.at(i));
            const MiniCell* money = s.cell(1 + i, 1);
            QVERIFY(money && money->kind == MiniCell::Number && sameMoney(money->number, -125000));
        }
        QCOMPARE(labelAt(s, 5, 1), QStringLiteral("-y"));
    }

    void longAndManyTextsSplitAcrossRecords() {
        // Texts beyond a record's 8224 bytes continue: one long Chinese text, many short ones.
        MemoryExportSource src;
        src.addColumn({QStringLiteral("备注"), FieldClass::Text, Alignment::Left, 20, true, {}});
        src.addColumn({QStringLiteral("名称"), FieldClass::Text, Alignment::Left, 20, true, {}});
        QString longText;
        for (int i = 0; i < 6000; ++i)
            longText += QChar(0x4E00 + (i * 7) % 20000);
        QStringList expected;
        for (int i = 0; i < 3000; ++i) {
            const QString a = i == 17 ? longText : QStringLiteral("备注%1-abc").arg(i);
            const QString b = QStringLiteral("name-%1").arg(i % 500); // repeats: shared once
            src.addRow({a, b});
            expected << a << b;
        }
        const QString tooLong(40000, QLatin1Char('x'));
        src.addRow({tooLong, QStringLiteral("末行")});
        MiniBook book = readBook(exportXls(src));
        QCOMPARE(book.sheets.size(), 1);
        const MiniSheet& s = book.sheets.first();
        for (int i = 0; i < 3000; ++i) {
            QCOMPARE(labelAt(s, 1 + i, 0), expected.at(2 * i));
            QCOMPARE(labelAt(s, 1 + i, 1), expected.at(2 * i + 1));
        }
        // A cell holds at most 32767 characters.
        QCOMPARE(labelAt(s, 3001, 0), tooLong.left(32767));
        QCOMPARE(labelAt(s, 3001, 1), QStringLiteral("末行"));
    }

    void selectionAndHiddenColumns() {
        MemoryExportSource src;
        fillSample(src);
        src.setSelectedRows({3, 1, 1, 9});
        MiniBook book = readBook(exportXls(src, RowScope::SelectionOrAll));
        const MiniSheet& s = book.sheets.first();
        // Rows 1 and 3 in grid order, no footer (its sums cover every row).
        QCOMPARE(s.rows, 3 + 2);
        QCOMPARE(labelAt(s, 3, 0), QStringLiteral("0002"));
        QCOMPARE(labelAt(s, 4, 0), QStringLiteral("0004"));
        QVERIFY(!s.cell(5, 0));
        for (const MiniCell& cell : s.cells)
            QVERIFY(cell.text != QStringLiteral("x2") && cell.text != QStringLiteral("密码"));

        // SelectionOrAll without a selection writes everything.
        src.setSelectedRows({});
        QCOMPARE(readBook(exportXls(src, RowScope::SelectionOrAll)).sheets.first().rows, 3 + 4 + 1);
        QCOMPARE(readBook(exportXls(src, RowScope::SelectedRows)).sheets.first().rows, 3);
    }

    void longTablesContinueOnFurtherSheets() {
        MemoryExportSource src;
        src.setTableName(QStringLiteral("一个很长很长的表名称[含有非法字符]:以及更多更多更多文字"));
        src.addColumn({QStringLiteral("序号"), FieldClass::Integer, Alignment::Right, 6, true, {}});
        src.addColumn({QStringLiteral("名称"), FieldClass::Text, Alignment::Left, 6, true, {}});
        for (int i = 0; i < 25; ++i)
            src.addRow({QString::number(i), QStringLiteral("行%1").arg(i)}, {CellValue::fromInteger(i)});
        src.setFooter({{QStringLiteral("汇总:"), {}, {}, Alignment::Left},
                       {QStringLiteral("25"), CellValue::fromInteger(25), {}, Alignment::Left}});
        // Ten rows a sheet (a title and nine rows): 25 rows and the footer need three sheets.
        MiniBook book = readBook(exportXls(src, RowScope::AllRows, 10));
        QCOMPARE(book.sheets.size(), 3);
        QSet<QString> names;
        int next = 0;
        for (int k = 0; k < 3; ++k) {
            const MiniSheet& s = book.sheets.at(k);
            QVERIFY(s.name.size() <= 31);
            QVERIFY(!s.name.contains(QLatin1Char('[')) && !s.name.contains(QLatin1Char(':')));
            names.insert(s.name);
            QCOMPARE(labelAt(s, 0, 0), QStringLiteral("序号"));
            for (int r = 1; r < s.rows; ++r) {
                if (labelAt(s, r, 0) == QStringLiteral("汇总:")) {
                    QCOMPARE(k, 2);
                    QCOMPARE(r, s.rows - 1);
                    QCOMPARE(s.cell(r, 1)->number, 25.0);
                    continue;
                }
                QCOMPARE(s.cell(r, 0)->number, double(next));
                QCOMPARE(labelAt(s, r, 1), QStringLiteral("行%1").arg(next));
                ++next;
            }
        }
        QCOMPARE(next, 25);
        QCOMPARE(names.size(), 3);
    }

    void fullSheetsAndLargeAllocationTables() {
        // 70,000 rows: a full sheet of 65,536 rows, and a stream whose allocation table needs DIFAT sectors.
        MemoryExportSource src;
        for (int c = 0; c < 6; ++c)
            src.addColumn({QStringLiteral("数%1").arg(c), FieldClass::Money, Alignment::Right, 8, true, {}});
        for (int i = 0; i < 70000; ++i) {
            QVector<CellValue> values;
            for (int c = 0; c < 6; ++c)
                values.append(CellValue::fromFixed(qint64(i) * 100 + c));
            src.addRow({}, values);
        }
        const QByteArray bytes = exportXls(src);
        QVERIFY(qFromLittleEndian<quint32>(bytes.constData() + 0x48) > 0); // DIFAT sectors in use
        MiniBook book = readBook(bytes);
        QCOMPARE(book.sheets.size(), 2);
        QCOMPARE(book.sheets.at(0).rows, 65536);
        QCOMPARE(book.sheets.at(1).rows, 1 + 70000 - 65535);
        QVERIFY(sameMoney(book.sheets.at(0).cell(65535, 5)->number, 65534LL * 100 + 5));
        QVERIFY(sameMoney(book.sheets.at(1).cell(1, 0)->number, 65535LL * 100));
        QVERIFY(sameMoney(book.sheets.at(1).cell(70000 - 65535, 2)->number, 69999LL * 100 + 2));
    }

    void refusals() {
        // More columns than a worksheet has.
        MemoryExportSource wide;
        for (int c = 0; c < 257; ++c)
            wide.addColumn({QString::number(c), FieldClass::Text, Alignment::Left, 4, true, {}});
        bool ok = true;
        QString error;
        QByteArray bytes = exportXls(wide, RowScope::AllRows, 0, &ok, &error);
        QVERIFY(!ok);
        QVERIFY(error.contains(QStringLiteral("256")));
        QVERIFY(bytes.isEmpty());
        wide.setColumnVisible(0, false); // 256 visible columns fit
        exportXls(wide, RowScope::AllRows, 0, &ok);
        QVERIFY(ok);

        // A device that fills up reports the failure instead of success.
        MemoryExportSource src;
        fillSample(src);
        XlsExporter exporter;
        ShortDevice device(3000);
        QVERIFY(!exporter.exportTo(src, device));
        QVERIFY(exporter.errorString().contains(QStringLiteral("disk full")));
    }

    void containerKeepsItsAnnouncedSize() {
        // A stream shorter or longer than announced is an error, never a file claiming data it lacks.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        CompoundFileWriter shortStream;
        QVERIFY(shortStream.begin(&buffer, QStringLiteral("Workbook"), 5000));
        QVERIFY(shortStream.write(QByteArray(4000, 'a')));
        QVERIFY(!shortStream.finish());
        CompoundFileWriter longStream;
        QVERIFY(longStream.begin(&buffer, QStringLiteral("Workbook"), 5000));
        QVERIFY(!longStream.write(QByteArray(5001, 'a')));
        CompoundFileWriter tiny; // would belong in the mini stream
        QVERIFY(!tiny.begin(&buffer, QStringLiteral("Workbook"), 100));
    }

    void freexlReadsWorkbook() {
#ifndef MEAL_HAVE_FREEXL
        QSKIP("freexl is not installed");
#else
        // The sample table and many texts that continue across SST records.
        MemoryExportSource src;
        fillSample(src);
        for (int i = 0; i < 2000; ++i)
            src.addRow({QStringLiteral("备注%1").arg(i), QStringLiteral("文字%1").arg(i * 7)});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("book.xls"));
        bool ok = false;
        QVERIFY(writeAll(path, exportXls(src, RowScope::AllRows, 0, &ok)) && ok);

        const void* handle = nullptr;
        QCOMPARE(freexl_open(QFile::encodeName(path).constData(), &handle), FREEXL_OK);
        unsigned int sheets = 0;
        QCOMPARE(freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets), FREEXL_OK);
        QCOMPARE(sheets, 1u);
        const char* name = nullptr;
        QCOMPARE(freexl_get_worksheet_name(handle, 0, &name), FREEXL_OK);
        QCOMPARE(QString::fromUtf8(name), QStringLiteral("消费记录"));
        QCOMPARE(freexl_select_active_worksheet(handle, 0), FREEXL_OK);
        auto text = [&](int r, int c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK)
                return QStringLiteral("<error>");
            if (v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT ||
                v.type == FREEXL_CELL_DATETIME)
                return QString::fromUtf8(v.value.text_value);
            if (v.type == FREEXL_CELL_INT)
                return QString::number(v.value.int_value);
            return QString();
        };
        auto number = [&](int r, int c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK)
                return -1e300;
            return v.type == FREEXL_CELL_INT      ? double(v.value.int_value)
                   : v.type == FREEXL_CELL_DOUBLE ? v.value.double_value
                                                  : -1e300;
        };
        const QVector<Row> rows = sampleRows();
        QCOMPARE(text(0, 3), QStringLiteral("期初"));
        QCOMPARE(text(2, 4), QStringLiteral("押金"));
        for (int i = 0; i < rows.size(); ++i) {
            const Row& r = rows.at(i);
            QCOMPARE(text(3 + i, 0), r.empId);
            QCOMPARE(text(3 + i, 1), r.name);
            QCOMPARE(text(3 + i, 2), r.dept);
            QVERIFY(sameMoney(number(3 + i, 3), r.cashUnits));
            QVERIFY(sameMoney(number(3 + i, 4), r.depositUnits));
            QCOMPARE(number(3 + i, 5), double(r.count));
            QCOMPARE(text(3 + i, 6), r.time);
        }
        for (int i = 0; i < 2000; ++i) {
            QCOMPARE(text(7 + i, 0), QStringLiteral("备注%1").arg(i));
            QCOMPARE(text(7 + i, 1), QStringLiteral("文字%1").arg(i * 7));
        }
        QCOMPARE(text(2007, 0), QStringLiteral("汇总:"));
        freexl_close(handle);
#endif
    }
};

QTEST_GUILESS_MAIN(TestExportXls)
#include "test_export_xls.moc"
