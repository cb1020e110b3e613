// The .xlsx exporter read back by openpyxl and recomputed by LibreOffice; a window's chart mapped
// onto the exported columns.
#include "charts/ChartSeries.h"
#include "dataset/export/XlsxExporter.h"

#include <QDateTime>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace gridexport;

namespace {

struct Row {
    const char *id, *name;
    qint64 units; // money in 1/10000
    int count;
    const char* time;
} const kRows[] = {{"001", " 张 & <三> ", 125000, 3, "2026-03-01T07:30:00"},
                   {"=1+1", "a\x01z\xef\xbf\xbe", -500, 12, "2026-03-02T17:05:59"},
                   {"+86 10", "", 100, 0, "2026-03-31T23:59:59"},
                   {"@SUM(A1)", "王五\n第二行", 999999999900, 1, "2026-03-15T12:00:00"}};
const QString kSum = QStringLiteral("100000012.45");
const QString kCount = QStringLiteral("16");

// 工号, 姓名, 金额|消费, 金额|次数, 时间 and a hidden column; a footer with a label, a count and two sums.
bool exportFile(const QString& path, int maxRows, const std::optional<ExportChart>& chart = {}) {
    MemoryExportSource src;
    src.setTableName(QStringLiteral("消费记录"));
    src.setSubtitle(QStringLiteral("2026年3月"));
    for (const char* title : {"工号", "姓名"})
        src.addColumn({QString::fromUtf8(title), FieldClass::Text, Alignment::Left, 8, true, {}});
    src.addColumn({QStringLiteral("金额|消费"), FieldClass::Money, Alignment::Right, 12, true,
                   QStringLiteral("￥0.00")});
    src.addColumn({QStringLiteral("金额|次数"), FieldClass::Integer, Alignment::Right, 4, true, {}});
    src.addColumn(
        {QStringLiteral("时间"), FieldClass::DateTime, Alignment::Left, 19, true, "yyyy-mm-dd hh:nn:ss"});
    src.addColumn({QStringLiteral("密码"), FieldClass::Text, Alignment::Left, 6, false, {}});
    for (const Row& r : kRows) // date-times are wall-clock milliseconds, without a time zone
        src.addRow(
            {QString::fromUtf8(r.id), QString::fromUtf8(r.name), "-", "-", "-", "secret"},
            {CellValue::text(), CellValue::text(), CellValue::fromFixed(r.units),
             CellValue::fromInteger(r.count),
             CellValue::fromDateTime(
                 QDateTime::fromString(QLatin1String(r.time) + 'Z', Qt::ISODate).toMSecsSinceEpoch())});
    src.setFooter({{QStringLiteral("汇总:"), {}, {}, Alignment::Left, FooterCell::Plain},
                   {"4", CellValue::fromInteger(4), "0", Alignment::Center, FooterCell::Count},
                   {"-", CellValue::fromFixed(1000000124500), QStringLiteral("￥#,##0.00"), Alignment::Right,
                    FooterCell::Sum},
                   {"-", CellValue::fromInteger(16), {}, Alignment::Right, FooterCell::Sum}});
    XlsxExporter exporter;
    exporter.setMaxRowsPerSheet(maxRows);
    exporter.setChart(chart);
    return bool(writeFileAtomically(
        path, [&](QIODevice& d) { return exporter.exportTo(src, d); }, nullptr));
}

} // namespace

class TestExportXlsx : public QObject {
    Q_OBJECT

private slots:
    // The chart's fields become columns in its order; hidden and absent ones are left out.
    void chartOverColumns() {
        using T = ChartSpec::Type;
        using E = ExportChart::Type;
        const struct {
            T type;
            QStringList categories, values;
            std::optional<ExportChart> expected;
        } cases[] = {
            {T::Bars, {"op_ymd"}, {"total", "cash"}, ExportChart{E::Column, {}, {0}, {4, 2}, {}}},
            {T::Lines, {"op_ymd", "opcard_id"}, {"cash", "bonus"}, ExportChart{E::Line, {}, {0, 1}, {2}, {}}},
            {T::StackedBars, {"emp_id"}, {"CASH"}, ExportChart{E::StackedColumn, {}, {}, {2}, {}}},
            {T::Bars, {"op_ymd"}, {"bonus", "x"}, std::nullopt}};
        MemoryExportSource src;
        src.setFieldNames({"op_ymd", "opcard_id", "cash", "bonus", "total"});
        for (int i = 0; i < 5; ++i)
            src.addColumn({{}, FieldClass::Money, Alignment::Right, 8, i != 3, {}});
        const auto key = [](const std::optional<ExportChart>& x) {
            return x ? std::tuple(int(x->type), x->categoryColumns, x->valueColumns)
                     : std::tuple(-1, QVector<int>(), QVector<int>());
        };
        for (const auto& c : cases)
            QCOMPARE(key(ChartSeriesBuilder::exportChart({c.type, {}, c.categories, {}, c.values, {}}, src)),
                     key(c.expected));
    }

    void readBackByOpenpyxl() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.xlsx"));
        QVERIFY(exportFile(path, XlsxExporter::MaxRows,
                           ExportChart{ExportChart::Type::Column, "", {0}, {2, 5, 3}, {}}));
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(MEAL_XLSX_CELLS_SCRIPT), path});
        QVERIFY2(p.waitForFinished(60000) && p.exitCode() == 0, p.readAllStandardError().constData());
        const QString facts = QLatin1Char('\n') + QString::fromUtf8(p.readAllStandardOutput());
        // type|value|stored result|number format ("s" text, "n" number, "d" date, "f" formula)
        const QMap<QString, QString> expected = {
            {"#freeze", "A4"},
            {"#merged", "A1:E1 A2:A3 B2:B3 C2:D2 E2:E3"},
            {"#chart",
             "barChart '消费记录'!$A$4:$A$7/'消费记录'!$C$4:$C$7 '消费记录'!$A$4:$A$7/'消费记录'!$D$4:$D$7"},
            {"!A1", "s|2026年3月|2026年3月|General"},
            {"!D3", "s|次数|次数|General"},
            {"!A4", "s|001|001|General"},
            {"!A5", "s|=1+1|=1+1|General"},
            {"!A7", "s|@SUM(A1)|@SUM(A1)|General"},
            {"!B4", "s| 张 & <三> | 张 & <三> |General"},
            {"!B5", "s|az|az|General"},
            {"!B7", "s|王五\\n第二行|王五\\n第二行|General"},
            {"!C4", "n|12.5|12.5|\\￥0.00"},
            {"!C5", "n|-0.05|-0.05|\\￥0.00"},
            {"!C6", "n|0.01|0.01|\\￥0.00"},
            {"!C7", "n|99999999.99|99999999.99|\\￥0.00"},
            {"!D5", "n|12|12|0"},
            {"!E4", "d|2026-03-01T07:30:00|2026-03-01T07:30:00|yyyy-mm-dd hh:mm:ss"},
            {"!B8", "f|=ROWS(B4:B7)|4|0"},
            {"!C8", "f|=SUM(C4:C7)|" + kSum + "|\\￥#,##0.00"},
            {"!D8", "f|=SUM(D4:D7)|" + kCount + "|0"},
            {"!B6", ""}, // an empty text is no cell
            {"!F4", ""}, // the hidden column stays out
        };
        for (auto it = expected.begin(); it != expected.end(); ++it) // a line a fact: "sheet!A1<TAB>..."
            QCOMPARE(facts.section(QStringLiteral("\n消费记录") + it.key() + '\t', 1).section('\n', 0, 0),
                     it.value());
    }

    // Over four worksheets LibreOffice keeps the texts and recomputes the grid's sums.
    void recomputedByLibreOffice() {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        QTemporaryDir dir;
        QVERIFY(exportFile(dir.filePath(QStringLiteral("b.xlsx")), 5)); // 3 title rows, 1 row, the footer
        QDir(dir.path()).mkpath(QStringLiteral("p/user"));
        QFile conf(dir.filePath(QStringLiteral("p/user/registrymodifications.xcu")));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(
            "<?xml version=\"1.0\"?><oor:items xmlns:oor=\"http://openoffice.org/2001/registry\">"
            "<item oor:path=\"/org.openoffice.Office.Calc/Formula/Load\"><prop oor:name=\"OOXMLRecalcMode\" "
            "oor:op=\"fuse\"><value>0</value></prop></item></oor:items>"); // recalculate on load
        conf.close();
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(soffice,
                {"-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("p")).toString(), "--headless",
                 "--convert-to",
                 "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1", "b.xlsx"});
        QVERIFY(p.waitForFinished(180000));
        QStringList firstCells, footer;
        for (const char* sheet : {"", "(2)", "(3)", "(4)"}) {
            QFile f(dir.filePath(QStringLiteral("b-消费记录%1.csv").arg(QLatin1String(sheet))));
            QVERIFY2(f.open(QIODevice::ReadOnly), p.readAll().constData());
            const QStringList lines = QString::fromUtf8(f.readAll()).trimmed().split(QLatin1Char('\n'));
            firstCells << lines.value(3).section(QLatin1Char(','), 0, 0);
            footer = lines.last().split(QLatin1Char(','));
        }
        QCOMPARE(firstCells, QStringList({"001", "=1+1", "+86 10", "@SUM(A1)"}));
        QCOMPARE(footer.mid(0, 4), QStringList({"汇总:", "4", kSum, kCount}));
    }
};

QTEST_GUILESS_MAIN(TestExportXlsx)
#include "test_export_xlsx.moc"
