#pragma once
// Finding and loading libMealPlugin.so and resolving its nine exports by name.
// The host knows the plug-in only through these C entry points.
#include "shell/MealPluginApi.h"

#include <QLibrary>
#include <QString>
#include <QStringList>

struct PluginExports {
    decltype(&::InitDll) InitDll = nullptr;
    decltype(&::FreeDll) FreeDll = nullptr;
    decltype(&::ShowDllForm) ShowDllForm = nullptr;
    decltype(&::PassConnection) PassConnection = nullptr;
    decltype(&::PassParameters) PassParameters = nullptr;
    decltype(&::PassAccount) PassAccount = nullptr;
    decltype(&::ShareCallBack) ShareCallBack = nullptr;
    decltype(&::GetDllMainMenu) GetDllMainMenu = nullptr;
    decltype(&::GetToolBar) GetToolBar = nullptr;
};

class PluginLibrary {
public:
    static QString fileName() { return QStringLiteral("libMealPlugin.so"); }

    // Where the plug-in is looked for, in order: MEAL_PLUGIN_PATH (a file, or
    // a folder holding the library), the executable's folder, then ../lib.
    static QStringList candidatePaths(const QString& executableFolder, const QString& envPath);
    // The first candidate that exists; empty when none does.
    static QString locate(const QString& executableFolder, const QString& envPath);

    // Loads the library and resolves every export; false with errorString()
    // set when the file cannot be loaded or an export is missing. The library
    // stays loaded for the life of the process: windows it created may
    // outlive this object.
    bool load(const QString& path);
    bool isLoaded() const { return m_loaded; }
    const QString& path() const { return m_path; }
    const QString& errorString() const { return m_error; }
    const PluginExports& exports() const { return m_exports; }

private:
    QLibrary m_library;
    PluginExports m_exports;
    QString m_path;
    QString m_error;
    bool m_loaded = false;
};
