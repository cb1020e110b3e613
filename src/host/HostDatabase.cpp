#include "host/HostDatabase.h"

#include "db/DatabaseConnection.h"
#include "db/DbError.h"
#include "db/IniFile.h"
#include "db/QueryRunner.h"

#include <QSqlQuery>

QSqlDatabase openHostDatabase(const QString& iniPath, const QString& connectionName) {
    const IniFile ini(iniPath);
    if (!ini.exists())
        throw DbError(QStringLiteral("找不到配置文件 %1").arg(iniPath));
    return openDatabase(ConnectionSettings::fromIni(ini), connectionName);
}

QString readCompanyName(const QSqlDatabase& db) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select company_ch_name from company")))
        throwQueryError(q);
    while (q.next()) {
        const QString name = q.value(0).toString().trimmed();
        if (!name.isEmpty())
            return name;
    }
    return QString();
}
