#include "db/CompanyParameters.h"

#include "db/Session.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <cmath>

QString valueOfKey(const QString& lines, const QString& key, bool* found) {
    const QStringList list = QString(lines).replace(QLatin1String("\r"), QString()).split(QLatin1Char('\n'));
    for (const QString& line : list) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (line.left(eq) == key) {
            if (found)
                *found = true;
            return line.mid(eq + 1);
        }
    }
    if (found)
        *found = false;
    return QString();
}

QString ReadCompanyParameter(const Session& session, const QString& name, const QString& def, const QString& column) {
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(q, QStringLiteral("select * from Company"), true);
    if (!q.next())
        return def;
    const int index = q.record().indexOf(column);
    if (index < 0)
        return def;
    const QString value = valueOfKey(QString::fromUtf8(q.value(index).toByteArray()), name);
    return value.isEmpty() ? def : value;
}

bool isTrueText(const QString& text) {
    const QString t = text.trimmed().toLower();
    return t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("1");
}

qint64 ReadCompanyMoneyParameter(const Session& session, const QString& name) {
    const QString text = ReadCompanyParameter(session, name, QStringLiteral("0"));
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? qint64(std::llround(value * 100.0)) : 0;
}

QString UserDepartsList(const Session& session) {
    QSqlQuery q(session.ModuleConnection);
    // The user id is bound, never pasted into the statement.
    session.runner().RunQuery(q, QStringLiteral("select departs from sys_User where Userid=:userid"), true,
                              {{QStringLiteral("userid"), session.CurrentUserId}});
    if (q.next() && !q.value(0).isNull()) {
        const QString departs = q.value(0).toString();
        if (!departs.isEmpty())
            return QLatin1Char('(') + departs + QLatin1Char(')');
    }
    return QStringLiteral("('0')");
}
