#include "db/CompanyParameters.h"

#include "db/Currency.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

QString valueOfKey(const QString& lines, const QString& key, bool* found) {
    const QStringList list = QString(lines).replace(QLatin1String("\r"), QString()).split(QLatin1Char('\n'));
    for (const QString& line : list) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        // Name=Value lists match names without regard to letter case.
        if (line.left(eq).compare(key, Qt::CaseInsensitive) == 0) {
            if (found)
                *found = true;
            return line.mid(eq + 1);
        }
    }
    if (found)
        *found = false;
    return QString();
}

QString ReadCompanyParameter(const Session& session, const QString& name, const QString& def,
                             const QString& column) {
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
    // Parsed as decimal text: 1.005 is 101 cents, which "1.005 * 100" in
    // binary floating point would round to 100.
    Currency amount;
    if (!Currency::parse(ReadCompanyParameter(session, name, QStringLiteral("0")), amount))
        return 0;
    const qint64 perCent = Currency::Scale / 100;
    const qint64 units = amount.units();
    return units >= 0 ? (units + perCent / 2) / perCent : -((-units + perCent / 2) / perCent);
}

bool parseDepartmentList(const QString& stored, QStringList* codes) {
    QStringList out;
    for (const QString& part : stored.split(QLatin1Char(','))) {
        QString code = part.trimmed();
        if (code.size() >= 2 && code.startsWith(QLatin1Char('\'')) && code.endsWith(QLatin1Char('\'')))
            code = code.mid(1, code.size() - 2).trimmed();
        if (code.isEmpty())
            return false;
        for (const QChar ch : code)
            if (!(ch.isLetterOrNumber() || ch == QLatin1Char('_') || ch == QLatin1Char('-')))
                return false;
        out << code;
    }
    *codes = out;
    return true;
}

QStringList UserDepartments(const Session& session) {
    QSqlQuery q(session.ModuleConnection);
    // The user id is bound, never pasted into the statement.
    session.runner().RunQuery(q, QStringLiteral("select departs from sys_User where Userid=:userid"), true,
                              {{QStringLiteral("userid"), session.CurrentUserId}});
    if (!q.next() || q.value(0).isNull())
        return {};
    const QString stored = q.value(0).toString().trimmed();
    QStringList codes;
    if (stored.isEmpty())
        return {};
    if (!parseDepartmentList(stored, &codes)) {
        session.trace().write(QStringLiteral("sys_user.departs of %1 is not a list of department codes: "
                                             "no departments")
                                  .arg(session.CurrentUserId));
        return {};
    }
    return codes;
}

QString departmentInList(const SqlDialect& dialect, const QStringList& codes) {
    if (codes.isEmpty())
        return QStringLiteral("('0')");
    QStringList quoted;
    for (const QString& code : codes)
        quoted << dialect.quote(code);
    return QLatin1Char('(') + quoted.join(QLatin1Char(',')) + QLatin1Char(')');
}

namespace CompanySwitch {
bool departmentRights(const Session& session) {
    return isTrueText(ReadCompanyParameter(session, QStringLiteral("cbDepart"), QString()));
}
bool diningRoomRights(const Session& session) {
    return isTrueText(ReadCompanyParameter(session, QStringLiteral("cbClock"), QString()));
}
bool employeeNumbersWithLetters(const Session& session) {
    return isTrueText(ReadCompanyParameter(session, QStringLiteral("IsEMPNO_ABC"), QString()));
}
} // namespace CompanySwitch
