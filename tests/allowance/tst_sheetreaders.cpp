// The import files' cell readers: workbooks and CSV files in three encodings
// give the texts as typed; damaged and oversized files are refused.
#include "allowance/import/SheetReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <zip.h>

using sheet::Rows;

namespace {

QString fixturePath(const QString& name) {
    return QStringLiteral(MEAL_FIXTURE_DIR "/") + name;
}

QByteArray fixture(const QString& name) {
    QFile f(fixturePath(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture");
    return f.readAll();
}

Rows read(const QString& name) {
    try {
        if (name.endsWith(QLatin1String(".csv")))
            return sheet::readCsv(fixture(name), 6);
        return sheet::readSpreadsheetFile(fixturePath(name), 6);
    } catch (const sheet::SheetError& e) {
        qWarning("%s refused: %s", qPrintable(name), qPrintable(e.detail));
        return Rows();
    }
}

// A workbook packed from the given parts, for damage a spreadsheet program would not write.
QByteArray packParts(const QVector<QPair<QByteArray, QByteArray>>& parts) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("w.xlsx")));
    zipFile z = zipOpen64(path.constData(), APPEND_STATUS_CREATE);
    for (const auto& p : parts) {
        zipOpenNewFileInZip64(z, p.first.constData(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9,
                              0);
        zipWriteInFileInZip(z, p.second.constData(), unsigned(p.second.size()));
        zipCloseFileInZip(z);
    }
    zipClose(z, nullptr);
    QFile f(QFile::decodeName(path));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QByteArray minimalWorkbook(const QByteArray& sheetData, const QByteArray& sharedStrings = QByteArray()) {
    QVector<QPair<QByteArray, QByteArray>> parts{
        {"xl/workbook.xml",
         "<workbook xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'>"
         "<sheets><sheet name='a' sheetId='1' r:id='rId1'/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id='rId1' Target='worksheets/sheet1.xml'/>"
         "<Relationship Id='rId2' Target='sharedStrings.xml'/></Relationships>"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"},
    };
    if (!sharedStrings.isEmpty())
        parts.append({"xl/sharedStrings.xml", sharedStrings});
    return packParts(parts);
}

} // namespace

class SheetReadersTest : public QObject {
    Q_OBJECT
private slots:
    // The same rows typed in a spreadsheet (numbers, dates and date-times,
    // text), saved by LibreOffice, and as CSV in three encodings.
    void typedRowsReadAsTyped_data() {
        QTest::addColumn<QString>("file");
        for (const char* f : {"allowances.xls", "allowances.xlsx", "allowances-utf8.csv",
                              "allowances-utf8-bom.csv", "allowances-gbk.csv"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }
    void typedRowsReadAsTyped() {
        QFETCH(QString, file);
        const Rows rows = read(file);
        QCOMPARE(rows.size(), 14);
        const QStringList expected[] = {
            {"工号", "卡号", "补贴金额", "补贴有效期", "姓名", "部门名称"},
            {"1001", "5001", "100", "2026-12-31", "张三", "财务部"},
            {"E002", "5002", "50.5", "2026-12-31 23:59:59", "李四", ""},
            {"1003", "5003", "0", "2026-12-31", "王五", ""},
            {"1004", "9999", "10", "2026-12-31", "赵六", ""},
            {"1005", "5005", "12.345", "2026-12-31", "钱七", ""},
            {"1006", "5006", "20", "", "孙八", ""},
        };
        for (int r = 0; r < 7; ++r)
            QCOMPARE(rows[r], expected[r]);
        QCOMPARE(rows[10].mid(0, 3), (QStringList{"1010", "5010", "1000.01"}));
        QCOMPARE(rows[11].mid(0, 4), (QStringList{"1001", "5001", "30", "2027-01-31"}));
        QCOMPARE(rows[12], QStringList(6, QString()));
        QCOMPARE(rows[13].first(), QStringLiteral("1005"));
    }

    // Only the first worksheet is read, found through the relationships
    // wherever it is stored; inline strings, runs without their phonetic
    // guide, custom date formats, the 1904 date system, a gap in the rows.
    void handMadeWorkbook() {
        const Rows rows = read(QStringLiteral("hand-made.xlsx"));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[1].mid(0, 5), (QStringList{"1001", "5001", "100", "2027-03-16", "张三"}));
        QCOMPARE(rows[2], QStringList(6, QString()));
        QCOMPARE(rows[3].mid(0, 4), (QStringList{"E002", "5002", "2.5", "2027-03-16 12:00:00"}));
    }

    void numbersAndSerials_data() {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("text");
        const char* cases[][3] = {
            {"integral", "<c><v>1001</v></c>", "1001"},
            {"exponent", "<c><v>1.001E3</v></c>", "1001"},
            {"large card number", "<c><v>4294967295</v></c>", "4294967295"},
            {"fraction", "<c><v>0.1</v></c>", "0.1"},
            {"binary noise kept", "<c><v>0.30000000000000004</v></c>", "0.30000000000000004"},
            {"shared", "<c t='s'><v>1</v></c>", "乙"},
            {"boolean", "<c t='b'><v>1</v></c>", "TRUE"},
            {"iso date", "<c t='d'><v>2026-12-31T00:00:00</v></c>", "2026-12-31"},
        };
        for (const auto& c : cases)
            QTest::newRow(c[0]) << QString::fromUtf8(c[1]) << QString::fromUtf8(c[2]);
    }
    void numbersAndSerials() {
        QFETCH(QString, xml);
        QFETCH(QString, text);
        const Rows rows = sheet::readXlsx(minimalWorkbook("<row>" + xml.toUtf8() + "</row>",
                                                          "<sst><si><t>甲</t></si><si><t>乙</t></si></sst>"),
                                          2);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][0], text);
    }

    void serialDates_data() {
        QTest::addColumn<double>("serial");
        QTest::addColumn<bool>("date1904");
        QTest::addColumn<QString>("text");
        const struct {
            double serial;
            bool date1904;
            const char* text;
        } cases[] = {{46387.0, false, "2026-12-31"},
                     {46387.999988426, false, "2026-12-31 23:59:59"},
                     {46387.9999999, false, "2027-01-01"},
                     {61.0, false, "1900-03-01"},
                     {59.0, false, "1900-02-28"},
                     {0.0, true, "1904-01-01"},
                     {-1.0, false, ""},
                     {3e6, false, ""}};
        for (const auto& c : cases)
            QTest::addRow("%.15g", c.serial) << c.serial << c.date1904 << QString::fromLatin1(c.text);
    }
    void serialDates() {
        QFETCH(double, serial);
        QFETCH(bool, date1904);
        QFETCH(QString, text);
        QCOMPARE(sheet::serialDateText(serial, date1904), text);
    }

    void csvFields_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("first");
        QTest::newRow("quoted comma")
            << QByteArray("\"1,001\",\"say \"\"hi\"\"\",3\n") << QStringList{"1,001", "say \"hi\"", "3"};
        QTest::newRow("short line padded") << QByteArray("1001\r\n") << QStringList{"1001", "", ""};
        QTest::newRow("gbk") << QByteArray("\xd5\xc5\xc8\xfd,2\n") << QStringList{"张三", "2", ""};
        QTest::newRow("no final newline") << QByteArray("a,b") << QStringList{"a", "b", ""};
    }
    void csvFields() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, first);
        const Rows rows = sheet::readCsv(bytes, 3);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0], first);
    }

    // Damage and excess: each refused, none read in part.
    void damagedFilesRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind");
        const QByteArray xlsx = fixture(QStringLiteral("allowances.xlsx"));
        const QByteArray xls = fixture(QStringLiteral("allowances.xls"));
        QTest::newRow("xlsx truncated") << xlsx.left(xlsx.size() / 2) << "xlsx";
        QTest::newRow("xls truncated") << xls.left(xls.size() / 2) << "xls";
        QTest::newRow("neither") << QByteArray("hello, world") << "xls";
        QTest::newRow("shared string missing")
            << minimalWorkbook("<row><c t='s'><v>5</v></c></row>", "<sst/>") << "xlsx";
        QTest::newRow("rows out of order")
            << minimalWorkbook("<row r='3'><c><v>1</v></c></row><row r='2'><c><v>1</v></c></row>") << "xlsx";
        QTest::newRow("not a number") << minimalWorkbook("<row><c><v>12abc</v></c></row>") << "xlsx";
        QTest::newRow("too deep") << minimalWorkbook("<row><c>" + QByteArray(40, 'x').replace("x", "<is>") +
                                                     "</c></row>")
                                  << "xlsx";
        QTest::newRow("xml damaged") << minimalWorkbook("<row><c><v>1</c></row>") << "xlsx";
        QTest::newRow("cell too long") << minimalWorkbook("<row><c t='inlineStr'><is><t>" +
                                                          QByteArray(40000, 'a') + "</t></is></c></row>")
                                       << "xlsx";
        QTest::newRow("csv field too long") << QByteArray(40000, 'a') << "csv";
    }
    void damagedFilesRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        if (kind == QLatin1String("csv"))
            QVERIFY_THROWS_EXCEPTION(sheet::SheetError, sheet::readCsv(bytes, 6));
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("f.") + kind));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        if (kind != QLatin1String("csv"))
            QVERIFY_THROWS_EXCEPTION(sheet::SheetError, sheet::readSpreadsheetFile(f.fileName(), 6));
    }

    // A part whose stated size is small but which unpacks to more is not read past it.
    void zipEntryLargerThanStated() {
        QByteArray w = minimalWorkbook("<row><c><v>1</v></c></row>");
        // The local and central headers' uncompressed size of the sheet, lowered by one.
        int patched = 0;
        for (qsizetype at = w.indexOf("PK"); at >= 0; at = w.indexOf("PK", at + 2)) {
            const bool local = w.mid(at, 4) == QByteArray("PK\x03\x04", 4);
            const bool central = w.mid(at, 4) == QByteArray("PK\x01\x02", 4);
            if (!local && !central)
                continue;
            const int sizeAt = int(at) + (local ? 22 : 24);
            const int nameLenAt = int(at) + (local ? 26 : 28);
            const int nameAt = int(at) + (local ? 30 : 46);
            const int nameLen = uchar(w[nameLenAt]) | (uchar(w[nameLenAt + 1]) << 8);
            if (w.mid(nameAt, nameLen) != "xl/worksheets/sheet1.xml")
                continue;
            const quint32 size = quint32(uchar(w[sizeAt])) | (quint32(uchar(w[sizeAt + 1])) << 8);
            w[sizeAt] = char((size - 1) & 0xff);
            w[sizeAt + 1] = char(((size - 1) >> 8) & 0xff);
            ++patched;
        }
        QCOMPARE(patched, 2);
        QVERIFY_THROWS_EXCEPTION(sheet::SheetError, sheet::readXlsx(w, 2));
    }
};

QTEST_GUILESS_MAIN(SheetReadersTest)
#include "tst_sheetreaders.moc"
