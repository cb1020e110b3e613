#pragma once
// Start-up settings read from Daybook.ini, sections "RunTimeConfig" and
// "Connection". The read is repeated at the start of every window request.
#include <QString>

class IniFile;

struct ModuleConfig {
    bool isWritelog = false;
    int isAddAutoCount = 2;
    int isMThreadCount = 10;
    QString Datatype = QStringLiteral("MYSQL");
    bool IsMySQL = false;
    // Dialect selector: left as it was when Datatype names neither engine.
    bool IsSQLServer = false;
    int ModuleOptions = 0;

    // Bits of ModuleOptions.
    static constexpr int CashierItems = 2;
    static constexpr int AllowanceFunctions = 4;
    static constexpr int MealOrderFunctions = 8;
};

// Reads the keys into a copy of `previous` (so IsSQLServer keeps its value for
// an unknown engine) and sets ModuleOptions to 7. A missing file gives the
// defaults: MySQL dialect, no trace file.
ModuleConfig readModuleConfig(const IniFile& ini, const ModuleConfig& previous);
ModuleConfig readModuleConfig(const QString& iniPath, const ModuleConfig& previous);
