#include "allowance/import/SheetReader.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLocale>

#include <cmath>

namespace sheet {

QString numberText(double value) {
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString serialDateText(double serial, bool date1904) {
    // 9999-12-31 in the 1900 system; a time of day alone (below 1) is a date too.
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466)
        return QString();
    qint64 days = qint64(std::floor(serial));
    qint64 seconds = qint64(std::llround((serial - double(days)) * 86400.0));
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    QDate base;
    if (date1904)
        base = QDate(1904, 1, 1);
    else
        // Serials below 61 count the 29th of February 1900 the workbooks
        // invented, so they start a day later.
        base = days < 61 ? QDate(1899, 12, 31) : QDate(1899, 12, 30);
    const QDate date = base.addDays(days);
    if (!date.isValid() || date.year() > 9999)
        return QString();
    if (seconds == 0)
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    const QDateTime at(date, QTime(0, 0).addSecs(int(seconds)));
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QByteArray readFileBounded(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SheetError{QStringLiteral("cannot open %1: %2").arg(path, file.errorString())};
    if (file.size() > limits::fileBytes)
        throw SheetError{
            QStringLiteral("%1 is larger than %2 bytes").arg(path, QString::number(limits::fileBytes))};
    QByteArray bytes = file.read(limits::fileBytes + 1);
    if (bytes.size() > limits::fileBytes)
        throw SheetError{
            QStringLiteral("%1 is larger than %2 bytes").arg(path, QString::number(limits::fileBytes))};
    return bytes;
}

Rows readSpreadsheetFile(const QString& path, int columns) {
    const QByteArray bytes = readFileBounded(path);
    if (bytes.startsWith(QByteArray("PK\x03\x04", 4)))
        return readXlsx(bytes, columns);
    if (bytes.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
        return readXls(path, columns);
    throw SheetError{QStringLiteral("%1 is neither an .xls nor an .xlsx workbook").arg(path)};
}

} // namespace sheet
