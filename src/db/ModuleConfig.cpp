#include "db/ModuleConfig.h"

#include "db/IniFile.h"

ModuleConfig readModuleConfig(const IniFile& ini, const ModuleConfig& previous) {
    ModuleConfig c = previous;
    c.isWritelog = ini.readBool(QStringLiteral("RunTimeConfig"), QStringLiteral("isWritelog"), false);
    c.isAddAutoCount = ini.readInteger(QStringLiteral("RunTimeConfig"), QStringLiteral("isAddAutoCount"), 2);
    c.isMThreadCount = ini.readInteger(QStringLiteral("RunTimeConfig"), QStringLiteral("isMThreadCount"), 10);
    c.Datatype =
        ini.readString(QStringLiteral("Connection"), QStringLiteral("Datatype"), QStringLiteral("MYSQL"));
    const QString engine = c.Datatype.toUpper();
    c.IsMySQL = engine == QLatin1String("MYSQL");
    if (engine == QLatin1String("MYSQL"))
        c.IsSQLServer = false;
    else if (engine == QLatin1String("SQLSERVER"))
        c.IsSQLServer = true;
    c.ModuleOptions = 7;
    return c;
}

ModuleConfig readModuleConfig(const QString& iniPath, const ModuleConfig& previous) {
    return readModuleConfig(IniFile(iniPath), previous);
}
