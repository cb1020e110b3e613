#include "allowance/AllowanceLines.h"

#include "db/SqlDialect.h"

#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

namespace allowance {

AllowTask AllowTask::fromRecord(const QSqlRecord& r) {
    AllowTask t;
    t.allow_id = r.value(QStringLiteral("allow_id")).toLongLong();
    t.sys_id = r.value(QStringLiteral("sys_id")).toString();
    t.card_id = r.value(QStringLiteral("card_id")).toString();
    t.charge_ver = r.value(QStringLiteral("charge_ver")).toString();
    t.charge_money = Currency::fromVariant(r.value(QStringLiteral("charge_money")));
    t.charge_date = r.value(QStringLiteral("charge_date")).toDateTime().date();
    t.aow_id = r.value(QStringLiteral("aow_id")).toLongLong();
    return t;
}

bool AllowTask::numbersValid() const {
    for (const QString& text : {sys_id, card_id, charge_ver})
        if (!SqlDialect::parseInteger(text, 0))
            return false;
    return true;
}

qint64 moneyHundredths(Currency money) {
    // Integer division truncates toward zero, as the cut must.
    return money.units() / (Currency::Scale / 100);
}

namespace {
QString firstFields(const AllowTask& t) {
    return QStringLiteral("SysID=%1\tCardNo=%2\tBatch=%3\tMoney=%4")
        .arg(t.sys_id, t.card_id, t.charge_ver, QString::number(moneyHundredths(t.charge_money)));
}

qint64 numberOf(const QString& field) {
    const QString value = field.section(QLatin1Char('='), 1);
    bool ok = false;
    const qint64 n = value.trimmed().toLongLong(&ok);
    return ok ? n : 0;
}
} // namespace

QString terminalLine(const AllowTask& task, bool withDate) {
    QString line = firstFields(task);
    if (withDate)
        line = QStringLiteral("%1\tAllowDate=%2")
                   .arg(line, task.charge_date.toString(QStringLiteral("yyyyMMdd")));
    return line + QStringLiteral("\r\n");
}

QString bookLine(const AllowTask& task) {
    return QStringLiteral("%1\tallow_id=%2\taow_id=%3\r\n")
        .arg(firstFields(task), QString::number(task.allow_id), QString::number(task.aow_id));
}

TCardList parseBookLine(const QString& line, int clock_id) {
    QString text = line;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    const QStringList fields = text.split(QLatin1Char('\t'));
    const auto field = [&](int i) { return i <= fields.size() ? fields.at(i - 1) : QString(); };
    TCardList c;
    c.SysID = numberOf(field(1));
    c.CardNo = field(2).section(QLatin1Char('='), 1);
    c.Batch = int(numberOf(field(3)));
    c.allow_id = numberOf(field(5));
    c.aow_id = numberOf(field(6));
    c.clock_id = clock_id;
    return c;
}

} // namespace allowance
