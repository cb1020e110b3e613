#pragma once
// The export suites' consumption table: texts to escape, money, counts, times, a hidden column,
// multi-level titles and a footer.
#include "dataset/export/ExportSource.h"

#include <QDateTime>

namespace exporttest {

using namespace gridexport;

inline qint64 wallMsecsUtc(const QString& text) {
    QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    dt.setTimeSpec(Qt::UTC);
    return dt.toMSecsSinceEpoch();
}

// Money as the grid shows it with "￥0.00".
inline QString moneyText(qint64 units) {
    const qint64 cents = units / 100;
    return QStringLiteral("%1￥%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString(), QString::number(qAbs(cents) / 100),
             QStringLiteral("%1").arg(qAbs(cents) % 100, 2, 10, QLatin1Char('0')));
}

struct Row {
    QString empId, name, dept, secret, time;
    qint64 cashUnits, depositUnits;
    int count;
};

inline QVector<Row> sampleRows() {
    return {
        {"0001", "张三", "财务部", "x1", "2026-03-01 07:30:00", 125000, 0, 3},
        {"0002", "李四, \"小李\"", "后勤部", "x2", "2026-03-01 11:45:10", 300, 100000, 1},
        {"0003", "王五\n第二行", "<食堂> & 厨房", "x3", "2026-03-02 17:05:59", -50000, 50000, 12},
        {"0004", "", "{总部}\\办公室", "x4", "2026-03-31 23:59:59", 999999999900, 0, 0},
    };
}

// Columns: 工号, 姓名, 部门, 密码 (hidden), 期初|现金收入|卡费, 期初|现金收入|押金,
// 期初|次数, 时间.
inline void fillSample(MemoryExportSource& src, bool footer = true) {
    src.setTableName(QStringLiteral("消费记录"));
    src.addColumn({QStringLiteral("工号"), FieldClass::Text, Alignment::Left, 6, true, {}});
    src.addColumn({QStringLiteral("姓名"), FieldClass::Text, Alignment::Left, 8, true, {}});
    src.addColumn({QStringLiteral("部门"), FieldClass::Text, Alignment::Center, 12, true, {}});
    src.addColumn({QStringLiteral("密码"), FieldClass::Text, Alignment::Left, 6, false, {}});
    src.addColumn({QStringLiteral("期初|现金收入|卡费"), FieldClass::Money, Alignment::Right, 10, true,
                   QStringLiteral("￥0.00")});
    src.addColumn({QStringLiteral("期初|现金收入|押金"), FieldClass::Money, Alignment::Right, 10, true,
                   QStringLiteral("￥#,##0.00")});
    src.addColumn({QStringLiteral("期初|次数"), FieldClass::Integer, Alignment::Right, 4, true, {}});
    src.addColumn({QStringLiteral("时间"), FieldClass::DateTime, Alignment::Left, 19, true,
                   QStringLiteral("yyyy-mm-dd hh:nn:ss")});
    qint64 cash = 0, deposit = 0;
    for (const Row& r : sampleRows()) {
        src.addRow({r.empId, r.name, r.dept, r.secret, moneyText(r.cashUnits), moneyText(r.depositUnits),
                    QString::number(r.count), r.time},
                   {CellValue::text(), CellValue::text(), CellValue::text(), CellValue::text(),
                    CellValue::fromFixed(r.cashUnits), CellValue::fromFixed(r.depositUnits),
                    CellValue::fromInteger(r.count), CellValue::fromDateTime(wallMsecsUtc(r.time))});
        cash += r.cashUnits;
        deposit += r.depositUnits;
    }
    if (footer) {
        src.setFooter({
            {QStringLiteral("汇总:"), {}, {}, Alignment::Left},
            {QStringLiteral("4"), CellValue::fromInteger(4), QStringLiteral("0"), Alignment::Center},
            {},
            {},
            {moneyText(cash), CellValue::fromFixed(cash), QStringLiteral("￥#,###.00"), Alignment::Right},
            {moneyText(deposit), CellValue::fromFixed(deposit), QStringLiteral("￥#,###.00"),
             Alignment::Right},
            {},
            {},
        });
    }
}

} // namespace exporttest
