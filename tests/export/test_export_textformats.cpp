// Text, CSV, HTML and RTF exports: exact contents, escaping, titles, footer, progress and cancel.
#include "ExportTestData.h"

#include "dataset/export/CsvExporter.h"
#include "dataset/export/HtmlExporter.h"
#include "dataset/export/RtfExporter.h"
#include "dataset/export/TextExporter.h"

#include <QBuffer>

#include <QSet>
#include <QtTest>
#include <algorithm>

using namespace gridexport;
using namespace exporttest;

namespace {

QByteArray run(GridExporter& exporter, const ExportSource& src, RowScope scope = RowScope::AllRows) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!exporter.exportTo(src, buffer, scope))
        qWarning("export failed: %s", qPrintable(exporter.errorString()));
    return buffer.data();
}

QString utf8Body(const QByteArray& bytes) {
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("<no byte-order mark>");
    return QString::fromUtf8(bytes.mid(3));
}

// A small table whose cells need every kind of escaping.
MemoryExportSource tricky() {
    MemoryExportSource src;
    src.setTableName(QStringLiteral("表<1>"));
    src.setSubtitle(QStringLiteral("筛选: [名称] <> {a & b}"));
    src.addColumn({QStringLiteral("名称"), FieldClass::Text, Alignment::Left, 6, true, {}});
    src.addColumn({QStringLiteral("隐藏"), FieldClass::Text, Alignment::Left, 4, false, {}});
    src.addColumn({QStringLiteral("金额"), FieldClass::Money, Alignment::Right, 8, true, {}});
    src.addRow({QStringLiteral("a,b"), QStringLiteral("h"), QStringLiteral("￥1.00")});
    src.addRow({QStringLiteral("say \"hi\""), QStringLiteral("h"), QStringLiteral("2")});
    src.addRow({QStringLiteral("两行\r\n文字"), QStringLiteral("h"), QString()});
    src.addRow({QStringLiteral("{\\}<&>"), QStringLiteral("h"), QStringLiteral("x\ty")});
    return src;
}

// Texts a spreadsheet would take for formulas, beside money that is negative.
MemoryExportSource formulaTexts() {
    MemoryExportSource src;
    src.addColumn({QStringLiteral("=标题"), FieldClass::Text, Alignment::Left, 12, true, {}});
    src.addColumn({QStringLiteral("金额"), FieldClass::Money, Alignment::Right, 8, true, {}});
    const CellValue text = CellValue::text();
    src.addRow({QStringLiteral("=HYPERLINK(\"http://x\",\"a\")"), QStringLiteral("-12.50")},
               {text, CellValue::fromFixed(-125000)});
    src.addRow({QStringLiteral("+86 138"), QStringLiteral("-x")}, {text, text}); // money without a value
    src.addRow({QStringLiteral("-2+3"), QStringLiteral("+1.00")}, {text, CellValue::fromFixed(10000)});
    src.addRow({QStringLiteral("@SUM(A1:A9)"), QString()}, {text, CellValue::null()});
    src.addRow({QStringLiteral("=a,b"), QStringLiteral("0.00")}, {text, CellValue::fromFixed(0)});
    src.addRow({QStringLiteral("2-1 a=b"), QStringLiteral("1.00")}, {text, CellValue::fromFixed(10000)});
    src.setFooter({{QStringLiteral("-"), {}, {}, Alignment::Left},
                   {QStringLiteral("-11.50"), CellValue::fromFixed(-115000), {}, Alignment::Right}});
    return src;
}

} // namespace

class TestExportTextFormats : public QObject {
    Q_OBJECT

private slots:
    void csvQuotingAndChinese() {
        CsvExporter csv;
        const QString body = utf8Body(run(csv, tricky()));
        QCOMPARE(body, QStringLiteral("名称,金额\r\n"
                                      "\"a,b\",￥1.00\r\n"
                                      "\"say \"\"hi\"\"\",2\r\n"
                                      "\"两行\r\n文字\",\r\n"
                                      "{\\}<&>,x\ty\r\n"));
        // Another separator quotes its own character and leaves commas alone.
        CsvExporter semicolon(QLatin1Char(';'));
        QCOMPARE(semicolon.field(QStringLiteral("a;b")), QStringLiteral("\"a;b\""));
        QCOMPARE(semicolon.field(QStringLiteral("a,b")), QStringLiteral("a,b"));
    }

    void csvTitlesFooterAndSelection() {
        MemoryExportSource src;
        fillSample(src);
        CsvExporter csv;
        QStringList lines = utf8Body(run(csv, src)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.takeLast(), QString()); // ends with a line break
        QCOMPARE(lines.first(),
                 QStringLiteral("工号,姓名,部门,期初|现金收入|卡费,期初|现金收入|押金,期初|次数,时间"));
        QCOMPARE(lines.at(1), QStringLiteral("0001,张三,财务部,￥12.50,￥0.00,3,2026-03-01 07:30:00"));
        QCOMPARE(lines.last(), QStringLiteral("汇总:,4,,￥100000007.52,￥15.00,,"));
        QCOMPARE(lines.size(), 1 + 4 + 1); // title, rows, footer
        QCOMPARE(lines.at(3),
                 QStringLiteral("0003,\"王五\n第二行\",<食堂> & 厨房,-￥5.00,￥5.00,12,2026-03-02 17:05:59"));

        src.setSelectedRows({2, 0});
        lines = utf8Body(run(csv, src, RowScope::SelectionOrAll)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 1 + 2 + 1);
        QVERIFY(lines.at(1).startsWith(QStringLiteral("0001,")));
        QVERIFY(lines.at(2).startsWith(QStringLiteral("0003,")));
        QVERIFY(!lines.join(QLatin1Char('\n')).contains(QStringLiteral("汇总:")));
    }

    // CSV and tab text open in spreadsheets: texts starting with = + - @ get an apostrophe, number
    // columns do not; fixed-width text is for reading and keeps the texts.
    void formulaTextsAreWrittenAsTexts() {
        CsvExporter csv;
        QCOMPARE(utf8Body(run(csv, formulaTexts())),
                 QStringLiteral("'=标题,金额\r\n"
                                "\"'=HYPERLINK(\"\"http://x\"\",\"\"a\"\")\",-12.50\r\n"
                                "'+86 138,'-x\r\n"
                                "'-2+3,+1.00\r\n"
                                "'@SUM(A1:A9),\r\n"
                                "\"'=a,b\",0.00\r\n"
                                "2-1 a=b,1.00\r\n"
                                "'-,-11.50\r\n"));
        TextExporter tabs;
        QCOMPARE(utf8Body(run(tabs, formulaTexts())),
                 QStringLiteral("'=标题\t金额\r\n"
                                "'=HYPERLINK(\"http://x\",\"a\")\t-12.50\r\n"
                                "'+86 138\t'-x\r\n"
                                "'-2+3\t+1.00\r\n"
                                "'@SUM(A1:A9)\t\r\n"
                                "'=a,b\t0.00\r\n"
                                "2-1 a=b\t1.00\r\n"
                                "'-\t-11.50\r\n"));
        TextExporter fixed(TextExporter::Layout::FixedWidth);
        const QStringList lines = utf8Body(run(fixed, formulaTexts())).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.at(2), QStringLiteral("+86 138            -x"));
        QCOMPARE(lines.at(7), QStringLiteral("-              -11.50"));
    }

    void textTabsAndFixedWidth() {
        TextExporter tabs;
        QCOMPARE(utf8Body(run(tabs, tricky())), QStringLiteral("名称\t金额\r\n"
                                                               "a,b\t￥1.00\r\n"
                                                               "say \"hi\"\t2\r\n"
                                                               "两行  文字\t\r\n"
                                                               "{\\}<&>\tx y\r\n"));

        // Fixed width: Chinese characters take two columns; money is right-aligned.
        QCOMPARE(TextExporter::displayColumns(QStringLiteral("两行ab￥")), 8);
        TextExporter fixed(TextExporter::Layout::FixedWidth);
        const QString body = utf8Body(run(fixed, tricky()));
        QCOMPARE(body, QStringLiteral("名称       金额\r\n"
                                      "a,b      ￥1.00\r\n"
                                      "say \"hi\"        2\r\n"
                                      "两行  文字\r\n"
                                      "{\\}<&>      x y\r\n"));
    }

    void htmlEscapingAndMergedTitles() {
        HtmlExporter html;
        const QString page = QString::fromUtf8(run(html, tricky()));
        QVERIFY(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
        QVERIFY(page.contains(QStringLiteral("<title>表&lt;1&gt;</title>")));
        // The subtitle is the table's caption, before its titles.
        QVERIFY(page.contains(
            QStringLiteral("<table>\n<caption>筛选: [名称] &lt;&gt; {a &amp; b}</caption>\n<thead>")));
        QVERIFY(page.contains(QStringLiteral("<tr><th>名称</th><th>金额</th></tr>")));
        QVERIFY(page.contains(
            QStringLiteral("<tr><td>say &quot;hi&quot;</td><td style=\"text-align:right\">2</td></tr>")));
        QVERIFY(page.contains(QStringLiteral("<td>两行<br>文字</td>")));
        QVERIFY(page.contains(QStringLiteral("<td>{\\}&lt;&amp;&gt;</td>")));
        QVERIFY(!page.contains(QStringLiteral("隐藏")));
        QVERIFY(!page.contains(QStringLiteral("<tfoot>")));

        MemoryExportSource src;
        fillSample(src);
        const QString sample = QString::fromUtf8(run(html, src));
        const int head = sample.indexOf(QStringLiteral("<thead>"));
        const int body = sample.indexOf(QStringLiteral("<tbody>"));
        QCOMPARE(sample.mid(head, body - head),
                 QStringLiteral(
                     "<thead>\n"
                     "<tr><th rowspan=\"3\">工号</th><th rowspan=\"3\">姓名</th><th rowspan=\"3\">部门</th>"
                     "<th colspan=\"3\">期初</th><th rowspan=\"3\">时间</th></tr>\n"
                     "<tr><th colspan=\"2\">现金收入</th><th rowspan=\"2\">次数</th></tr>\n"
                     "<tr><th>卡费</th><th>押金</th></tr>\n"
                     "</thead>\n"));
        QVERIFY(sample.contains(
            QStringLiteral("<tfoot>\n<tr><td>汇总:</td><td style=\"text-align:center\">4</td>")));
        QVERIFY(!sample.contains(QStringLiteral("<caption>")));
        QCOMPARE(sample.count(QStringLiteral("<tr>")), 3 + 4 + 1);
    }

    void rtfEscapesAndTable() {
        QCOMPARE(RtfExporter::escape(QStringLiteral("张{a}\\￥")), QByteArray("\\u24352?\\{a\\}\\\\\\u-27?"));
        QCOMPARE(RtfExporter::escape(QStringLiteral("a\r\nb\tc")), QByteArray("a\\line b\\tab c"));
        RtfExporter rtf;
        MemoryExportSource src;
        fillSample(src);
        const QByteArray doc = run(rtf, src);
        QVERIFY(doc.startsWith("{\\rtf1") && doc.trimmed().endsWith('}'));
        QCOMPARE(doc.count('{'), doc.count('}')); // balanced (no brace is escaped in this table)
        QVERIFY(std::all_of(doc.begin(), doc.end(), [](char ch) { return uchar(ch) < 0x80; }));
        QVERIFY(doc.contains("\\u24352?\\u19977?") && doc.contains("\\u26399?\\u21021?")); // 张三, 期初
        QCOMPARE(doc.count("\\row"), 3 + 4 + 1);
        // "期初" is one cell over three columns; own titles start vertical merges.
        const QList<QByteArray> rows = doc.split('\n');
        QByteArray first;
        for (const QByteArray& line : rows)
            if (line.startsWith("\\trowd") && line.contains("\\trhdr")) {
                first = line;
                break;
            }
        QCOMPARE(first.count("\\cellx"), 5);
        QCOMPARE(first.count("\\clvmgf"), 4);
        QVERIFY(doc.contains("\\clvmrg"));
        QVERIFY(!doc.contains("\\u23494?\\u30721?")); // the hidden column "密码"
        // A subtitle goes under the name, escaped; none, no line.
        QVERIFY(!doc.contains("\\pard\\qc\\fs18 "));
        const MemoryExportSource titled = tricky();
        QVERIFY(run(rtf, titled)
                    .contains("\\pard\\qc\\fs18 " + RtfExporter::escape(titled.subtitle()) + "\\par\n"));
    }

    void refusedWrites() {
        MemoryExportSource src;
        fillSample(src);
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        for (ExportFormat f : {ExportFormat::Text, ExportFormat::Xls, ExportFormat::Rtf, ExportFormat::Csv,
                               ExportFormat::Html, ExportFormat::Xlsx}) {
            auto exporter = createExporter(f);
            QVERIFY(exporter);
            QCOMPARE(exporter->exportTo(src, readOnly).status, ExportResult::Failed);
            QVERIFY(!exporter->errorString().isEmpty());
        }
    }

    // Every format reports rising counts from 0 to the total; a callback answering false cancels.
    void progressAndCancel() {
        MemoryExportSource src;
        src.addColumn({QStringLiteral("编号"), FieldClass::Integer, Alignment::Right, 6, true, {}});
        const int rows = 10000;
        for (int r = 0; r < rows; ++r)
            src.addRow({QString::number(r)}, {CellValue::fromInteger(r)});
        for (ExportFormat f : {ExportFormat::Text, ExportFormat::Xls, ExportFormat::Rtf, ExportFormat::Csv,
                               ExportFormat::Html, ExportFormat::Xlsx}) {
            auto exporter = createExporter(f);
            QBuffer whole;
            whole.open(QIODevice::WriteOnly);
            QVector<qint64> done;
            QSet<qint64> totals;
            QVERIFY(exporter->exportTo(src, whole, RowScope::AllRows, [&](qint64 n, qint64 total) {
                done << n;
                totals << total;
                return true;
            }));
            QCOMPARE(totals, QSet<qint64>{rows});
            QVERIFY2(done.size() >= 4 && done.first() == 0 && done.last() == rows,
                     qPrintable(QString::number(int(f))));
            for (int i = 1; i < done.size(); ++i)
                QVERIFY(done.at(i) > done.at(i - 1));

            QBuffer part;
            part.open(QIODevice::WriteOnly);
            int calls = 0;
            const ExportResult result =
                exporter->exportTo(src, part, RowScope::AllRows, [&](qint64 n, qint64) {
                    ++calls;
                    return n == 0;
                });
            QCOMPARE(result.status, ExportResult::Cancelled);
            QVERIFY(result.cancelled() && !result);
            QCOMPARE(calls, 2); // never asked again once it said no
            QVERIFY(part.size() < whole.size());
        }
    }
};

QTEST_GUILESS_MAIN(TestExportTextFormats)
#include "test_export_textformats.moc"
