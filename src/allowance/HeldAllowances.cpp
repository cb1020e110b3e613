#include "allowance/HeldAllowances.h"

#include <QDateTime>
#include <QRegularExpression>

namespace allowance {

QString shortDateText(const QString& field) {
    const QString f = field.trimmed();
    static const QRegularExpression sixDigits(QStringLiteral("^[0-9]{6}$"));
    if (!sixDigits.match(f).hasMatch())
        return f;
    return QStringLiteral("20%1-%2-%3").arg(f.mid(0, 2), f.mid(2, 2), f.mid(4, 2));
}

QString takeTimeText(const QString& field) {
    const QDateTime t = QDateTime::fromString(field.trimmed(), QStringLiteral("yyyyMMddHHmmss"));
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : field.trimmed();
}

HeldPage heldRows(const workers::TAllowTypeMsg& page, const QString& cardFilter) {
    HeldPage out;
    const QString filter = cardFilter.trimmed();
    const bool taken = page.mode == 1;
    for (const QString& line :
         page.records.split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts)) {
        ++out.lines;
        QStringList f = line.split(QLatin1Char('\t'));
        while (f.size() < 7)
            f.append(QString());
        if (!filter.isEmpty() && filter != f.at(1))
            continue;
        const QString clock = QString::number(page.clock_id);
        if (taken)
            out.rows.append({clock, page.clock_name, f.at(0), f.at(1), f.at(2), f.at(3), f.at(5), f.at(6),
                             takeTimeText(f.at(4))});
        else
            out.rows.append({clock, page.clock_name, f.at(0), f.at(1), f.at(2), f.at(3),
                             shortDateText(f.at(4)), f.at(5).isEmpty() ? QString() : shortDateText(f.at(5))});
    }
    return out;
}

} // namespace allowance
