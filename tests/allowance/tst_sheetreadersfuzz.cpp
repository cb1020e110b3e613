// The import files' cell readers on damaged input, under the address and
// undefined-behaviour sanitizers: truncations, bit flips and inserted bytes,
// in the file and (for .xlsx) inside its XML parts, must end in a refusal or
// a read, never in a crash or a wild access. Built with MEAL_LIBFUZZER (clang,
// -fsanitize=fuzzer) the same entry point is a libFuzzer target instead.
#include "allowance/import/SheetReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <unzip.h>
#include <zip.h>

#include <cstdint>

namespace {

enum class Kind : std::uint8_t { Csv, Xlsx, Xls };
enum class Outcome { Read, Refused };

QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

Outcome readAny(Kind kind, const QByteArray& bytes) {
    try {
        sheet::Rows rows;
        switch (kind) {
        case Kind::Csv:
            rows = sheet::readCsv(bytes, 6);
            break;
        case Kind::Xlsx:
            rows = sheet::readXlsx(bytes, 6);
            break;
        case Kind::Xls: {
            const QString path = scratch().filePath(QStringLiteral("fuzz.xls"));
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                qFatal("cannot write the scratch file");
            f.write(bytes);
            f.close();
            rows = sheet::readXls(path, 6, 1500);
            break;
        }
        }
        for (const QStringList& row : rows)
            if (row.size() != 6)
                qFatal("a row of %d cells", int(row.size()));
        return Outcome::Read;
    } catch (const sheet::SheetError&) {
        return Outcome::Refused;
    }
}

} // namespace

#ifdef MEAL_LIBFUZZER

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const Kind kind = Kind(data[0] % 3);
    readAny(kind, QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    return 0;
}

#else

#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(MEAL_FIXTURE_DIR "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return f.readAll();
}

QByteArray mutate(QByteArray b, QRandomGenerator& rng) {
    if (b.isEmpty())
        return b;
    switch (rng.bounded(3)) {
    case 0:
        b.truncate(rng.bounded(int(b.size())));
        break;
    case 1:
        for (int k = 1 + rng.bounded(4); k > 0; --k) {
            const int at = rng.bounded(int(b.size()));
            b[at] = char(b[at] ^ (1 << rng.bounded(8)));
        }
        break;
    default:
        b.insert(rng.bounded(int(b.size())), char(rng.bounded(256)));
        break;
    }
    return b;
}

// The parts of a zip, in order.
QVector<QPair<QByteArray, QByteArray>> unpack(const QByteArray& zipBytes) {
    const QString path = scratch().filePath(QStringLiteral("unpack.zip"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write");
    f.write(zipBytes);
    f.close();
    QVector<QPair<QByteArray, QByteArray>> parts;
    unzFile z = unzOpen64(QFile::encodeName(path).constData());
    if (!z)
        qFatal("fixture is not a zip");
    for (int rc = unzGoToFirstFile(z); rc == UNZ_OK; rc = unzGoToNextFile(z)) {
        char name[512];
        unz_file_info64 info{};
        unzGetCurrentFileInfo64(z, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        unzOpenCurrentFile(z);
        QByteArray data(qsizetype(info.uncompressed_size), '\0');
        unzReadCurrentFile(z, data.data(), unsigned(data.size()));
        unzCloseCurrentFile(z);
        parts.append({QByteArray(name), data});
    }
    unzClose(z);
    return parts;
}

QByteArray pack(const QVector<QPair<QByteArray, QByteArray>>& parts) {
    const QString path = scratch().filePath(QStringLiteral("pack.zip"));
    QFile::remove(path);
    zipFile z = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    for (const auto& p : parts) {
        zipOpenNewFileInZip64(z, p.first.constData(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1,
                              0);
        zipWriteInFileInZip(z, p.second.constData(), unsigned(p.second.size()));
        zipCloseFileInZip(z);
    }
    zipClose(z, nullptr);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read");
    return f.readAll();
}

} // namespace

class SheetReadersFuzzTest : public QObject {
    Q_OBJECT
private slots:
    void damagedFilesNeverCrash_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("rounds");
        QTest::newRow("csv utf-8") << int(Kind::Csv) << fixture("allowances-utf8.csv") << 3000;
        QTest::newRow("csv gbk") << int(Kind::Csv) << fixture("allowances-gbk.csv") << 3000;
        QTest::newRow("xlsx") << int(Kind::Xlsx) << fixture("allowances.xlsx") << 3000;
        QTest::newRow("xlsx hand-made") << int(Kind::Xlsx) << fixture("hand-made.xlsx") << 3000;
        QTest::newRow("xls") << int(Kind::Xls) << fixture("allowances.xls") << 250;
    }
    void damagedFilesNeverCrash() {
        QFETCH(int, kind);
        QFETCH(QByteArray, sample);
        QFETCH(int, rounds);
        QCOMPARE(readAny(Kind(kind), sample), Outcome::Read);
        QRandomGenerator rng(20261207u + quint32(kind));
        int refused = 0;
        for (int i = 0; i < rounds; ++i)
            refused += readAny(Kind(kind), mutate(sample, rng)) == Outcome::Refused;
        // Binary formats notice most damage; a CSV reads whatever it is given.
        // Each .xls read forks a reader (freexl overruns and loops on some
        // damage), which costs more under the sanitizers: fewer rounds.
        if (Kind(kind) != Kind::Csv)
            QVERIFY2(refused > rounds / 4, qPrintable(QString::number(refused)));
    }

    // Damage inside the XML parts of a well-packed workbook reaches the XML
    // readers instead of stopping at the zip's checksums.
    void damagedPartsNeverCrash_data() {
        QTest::addColumn<QByteArray>("sample");
        QTest::newRow("libreoffice") << fixture("allowances.xlsx");
        QTest::newRow("hand-made") << fixture("hand-made.xlsx");
    }
    void damagedPartsNeverCrash() {
        QFETCH(QByteArray, sample);
        const auto parts = unpack(sample);
        QRandomGenerator rng(7u);
        int refused = 0;
        for (int i = 0; i < 600; ++i) {
            auto damaged = parts;
            const int which = rng.bounded(int(damaged.size()));
            damaged[which].second = mutate(damaged[which].second, rng);
            refused += readAny(Kind::Xlsx, pack(damaged)) == Outcome::Refused;
        }
        QVERIFY2(refused > 60, qPrintable(QString::number(refused)));
    }
};

QTEST_GUILESS_MAIN(SheetReadersFuzzTest)
#include "tst_sheetreadersfuzz.moc"

#endif
