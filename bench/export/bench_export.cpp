// Exports generated consumption rows (14 columns, default 1,000,000 rows)
// to CSV and XLS files and reports rows per second, against the time it
// takes only to read every cell from the source.
//
//   bench_export [rows] [output folder]
#include "dataset/export/CsvExporter.h"
#include "dataset/export/XlsExporter.h"

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

double seconds(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rows = args.size() > 1 ? args.at(1).toInt() : 1000000;
    const QString folder = args.size() > 2 ? args.at(2) : QDir::tempPath();
    GeneratedRecords source(rows);

    // Reading every cell once, as both exporters must.
    QElapsedTimer t;
    t.start();
    qint64 chars = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < source.columnCount(); ++c) {
            chars += source.displayText(r, c).size();
            chars += source.value(r, c).integer & 1;
        }
    const double readSeconds = seconds(t);
    std::printf("rows %d x %d columns; reading every cell: %.2f s (%.0f rows/s)\n", rows,
                source.columnCount(), readSeconds, rows / readSeconds);

    struct Run {
        const char* name;
        GridExporter* exporter;
        QString file;
    };
    CsvExporter csv;
    XlsExporter xls;
    for (const Run& run : {Run{"CSV", &csv, QDir(folder).filePath("bench_export.csv")},
                           Run{"XLS", &xls, QDir(folder).filePath("bench_export.xls")}}) {
        QFile file(run.file);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(run.file));
            return 1;
        }
        t.restart();
        const bool ok = run.exporter->exportTo(source, file);
        file.close();
        const double s = seconds(t);
        if (!ok) {
            std::fprintf(stderr, "%s export failed: %s\n", run.name, qPrintable(run.exporter->errorString()));
            return 1;
        }
        std::printf("%s: %.2f s, %.0f rows/s, %.1f MB, %.2f x the cell reading (%s)\n", run.name, s, rows / s,
                    QFileInfo(run.file).size() / 1e6, s / readSeconds, qPrintable(run.file));
    }
    return chars == -1;
}
