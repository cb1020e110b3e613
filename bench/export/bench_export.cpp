// Exports rows to CSV, XLS and XLSX files and reports rows per second and
// the peak memory each export adds, against
// the time it takes only to read every cell from the source. The rows are
// generated consumption rows (14 columns, default 1,000,000 rows), or with
// --month, --all-records or --sql the rows of that statement loaded into a
// data set and exported as its grid shows them; the export times are then
// also ratios to the mariadb client fetching the same statement in the same
// run (see bench_dataset_open for the connection).
//
//   bench_export [--rows N] [--out DIR] [--runs K]
//                [--month yyyy-MM | --all-records | --sql TEXT] [--database NAME]
#include "BenchStatement.h"
#include "BenchSupport.h"

#include "dataset/DataSet.h"
#include "dataset/export/CsvExporter.h"
#include "dataset/export/XlsExporter.h"
#include "dataset/export/XlsxExporter.h"
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/DataSetTableModel.h"
#include "db/DbError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace gridexport;

namespace {

// Rows like a month of the consumption list, computed on demand from the row
// number so that the source itself holds no memory.
class GeneratedRecords : public ExportSource {
public:
    explicit GeneratedRecords(int rows) : m_rows(rows) {
        const QStringList family = {"张", "李", "王", "刘", "陈", "杨", "赵", "黄", "周", "吴"};
        const QStringList given = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳"};
        for (int i = 0; i < 2000; ++i)
            m_names.append(family.at(i % 10) + given.at((i / 10) % 12) + given.at((i / 120) % 12));
        for (int d = 0; d < 40; ++d)
            m_depts.append(QStringLiteral("第%1车间").arg(d + 1));
        m_meals = {"早餐", "午餐", "晚餐", "夜宵"};
        m_flags = {"定值消费", "金额消费", "键值消费", "计次消费", "商品消费"};
        const struct {
            const char* title;
            FieldClass kind;
            Alignment align;
            int width;
            const char* format;
        } cols[] = {
            {"工号", FieldClass::Text, Alignment::Left, 8, ""},
            {"卡号", FieldClass::Integer, Alignment::Right, 8, "0"},
            {"姓名", FieldClass::Text, Alignment::Left, 8, ""},
            {"部门编号", FieldClass::Text, Alignment::Left, 6, ""},
            {"部门", FieldClass::Text, Alignment::Left, 12, ""},
            {"机号", FieldClass::Integer, Alignment::Right, 4, "0"},
            {"机器流水号", FieldClass::Integer, Alignment::Right, 8, "0"},
            {"卡流水号", FieldClass::Integer, Alignment::Right, 6, "0"},
            {"消费时间", FieldClass::DateTime, Alignment::Left, 19, "yyyy-mm-dd hh:nn:ss"},
            {"消费类型", FieldClass::Text, Alignment::Left, 8, ""},
            {"金额|消费", FieldClass::Money, Alignment::Right, 10, "￥0.00"},
            {"金额|余额", FieldClass::Money, Alignment::Right, 10, "￥0.00"},
            {"餐别", FieldClass::Text, Alignment::Left, 6, ""},
            {"操作卡号", FieldClass::Integer, Alignment::Right, 8, "0"},
        };
        for (const auto& c : cols)
            m_columns.append(
                {QString::fromUtf8(c.title), c.kind, c.align, c.width, true, QString::fromUtf8(c.format)});
    }

    QString tableName() const override { return QStringLiteral("消费记录"); }
    int columnCount() const override { return m_columns.size(); }
    ExportColumn column(int col) const override { return m_columns.at(col); }
    int rowCount() const override { return m_rows; }

    QString displayText(int row, int col) const override {
        const int emp = row % 2000;
        switch (col) {
        case 0:
            return QStringLiteral("%1").arg(emp + 1, 6, 10, QLatin1Char('0'));
        case 2:
            return m_names.at(emp);
        case 3:
            return QString::number(emp % 40 + 1);
        case 4:
            return m_depts.at(emp % 40);
        case 9:
            return m_flags.at(row % 5);
        case 12:
            return m_meals.at(row % 4);
        case 8:
            return QDateTime::fromMSecsSinceEpoch(value(row, col).integer, Qt::UTC)
                .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        case 10:
        case 11: {
            const qint64 cents = value(row, col).integer / 100;
            return QStringLiteral("￥%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
        }
        default:
            return QString::number(value(row, col).integer);
        }
    }

    CellValue value(int row, int col) const override {
        const int emp = row % 2000;
        switch (col) {
        case 1:
            return CellValue::fromInteger(100000 + emp);
        case 5:
            return CellValue::fromInteger(row % 37 + 1);
        case 6:
            return CellValue::fromInteger(row / 37);
        case 7:
            return CellValue::fromInteger(row / 2000 + 1);
        case 8: // March 2026, spread over the month
            return CellValue::fromDateTime(1772323200000LL +
                                           qint64(row) * 2592000000LL / std::max(1, m_rows));
        case 10:
            return CellValue::fromFixed((row % 3000 + 50) * 100LL);
        case 11:
            return CellValue::fromFixed((500000 + (row * 7919LL) % 900000) * 100LL);
        case 13:
            return CellValue::fromInteger(row % 3 ? 0 : 900001);
        default:
            return CellValue::text();
        }
    }

private:
    int m_rows;
    QVector<ExportColumn> m_columns;
    QStringList m_names, m_depts, m_meals, m_flags;
};

// Reading every cell once, as both exporters must.
double readEveryCell(const ExportSource& source, qint64& chars) {
    QElapsedTimer t;
    t.start();
    chars = 0;
    for (int r = 0; r < source.rowCount(); ++r)
        for (int c = 0; c < source.columnCount(); ++c) {
            chars += source.displayText(r, c).size();
            chars += source.value(r, c).integer & 1;
        }
    return double(t.nsecsElapsed()) / 1e9;
}

// The process's resident memory ("VmRSS") or its peak since the last reset
// ("VmHWM"), in kB.
qint64 memoryKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Starts a new peak: the kernel sets the peak to the present resident size.
void resetPeakMemory() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Exports `source` to CSV, XLS and XLSX, `runs` times each; prints medians, and
// ratios to the client when `client` is above zero.
bool exportAll(const ExportSource& source, const QString& folder, int runs, double client) {
    const int rows = source.rowCount();
    qint64 chars = 0;
    const double readSeconds = readEveryCell(source, chars);
    std::printf("rows %d x %d columns; reading every cell: %.2f s (%.0f rows/s, %lld characters)\n", rows,
                source.columnCount(), readSeconds, rows / readSeconds, static_cast<long long>(chars));
    struct Run {
        const char* name;
        GridExporter* exporter;
        QString file;
    };
    CsvExporter csv;
    XlsExporter xls;
    XlsxExporter xlsx;
    double csvSeconds = 0;
    for (const Run& run : {Run{"CSV", &csv, QDir(folder).filePath("bench_export.csv")},
                           Run{"XLS", &xls, QDir(folder).filePath("bench_export.xls")},
                           Run{"XLSX", &xlsx, QDir(folder).filePath("bench_export.xlsx")}}) {
        QString error;
        resetPeakMemory();
        const qint64 before = memoryKb("VmRSS:");
        const bench::Timing t = bench::timeRuns(runs, [&] {
            QFile file(run.file);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                error = QStringLiteral("cannot write ") + run.file;
            else if (!run.exporter->exportTo(source, file))
                error = run.exporter->errorString();
        });
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s export failed: %s\n", run.name, qPrintable(error));
            return false;
        }
        std::printf("%s: %.2f s (cpu %.2f s), %.0f rows/s, %.1f MB, %.2f x the cell reading", run.name,
                    t.wall, t.cpu, rows / t.wall, double(QFileInfo(run.file).size()) / 1e6,
                    t.wall / readSeconds);
        if (client > 0)
            std::printf(", %.2f x client", t.wall / client);
        if (csvSeconds > 0)
            std::printf(", %.2f x CSV", t.wall / csvSeconds);
        else
            csvSeconds = t.wall;
        std::printf(", peak memory +%.1f MB (%s)\n", double(memoryKb("VmHWM:") - before) / 1024,
                    qPrintable(run.file));
    }
    return true;
}

// The rows of a statement, loaded into a data set and exported as its grid shows them.
int exportStatement(const bench::BenchStatement& st, const QString& folder, int runs) {
    const ConnectionSettings settings = bench::settingsFromEnvironment(st.database);
    QSqlDatabase db = openDatabase(settings, QStringLiteral("bench"));
    std::printf("case: %s (%s), load average %.2f\nstatement: %s\n", qPrintable(st.label),
                qPrintable(st.database), bench::loadAverage(), qPrintable(st.clientText()));
    const bench::ClientReference client = bench::measureClient(settings, st.clientText(), runs);
    std::printf("mariadb -B > /dev/null: %.2f s, output %.1f MB\n", client.batch,
                double(client.outputBytes) / 1e6);
    DataSet ds;
    ds.open(db, st.sql, st.params);
    DataSetTableModel model;
    model.setDataSet(&ds);
    DataSetExportSource source(model);
    source.setTableName(st.label);
    const bool ok = exportAll(source, folder, runs, client.batch);
    std::printf("load average %.2f at end\n", bench::loadAverage());
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    bench::addStatementOptions(parser);
    parser.addOption({QStringLiteral("rows"), QStringLiteral("generated rows"), QStringLiteral("N"),
                      QStringLiteral("1000000")});
    parser.addOption(
        {QStringLiteral("out"), QStringLiteral("output folder"), QStringLiteral("dir"), QDir::tempPath()});
    parser.addOption({QStringLiteral("runs"), QStringLiteral("runs per export"), QStringLiteral("K"),
                      QStringLiteral("1")});
    parser.process(app);
    const QString folder = parser.value(QStringLiteral("out"));
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    try {
        const bench::BenchStatement st = bench::statementFromOptions(parser, QString());
        if (!st.scratch())
            return exportStatement(st, folder, runs);
    } catch (const DbError& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 1;
    }
    GeneratedRecords source(parser.value(QStringLiteral("rows")).toInt());
    return exportAll(source, folder, runs, 0) ? 0 : 1;
}
