#include "host/PluginLibrary.h"

#include <QDir>
#include <QFileInfo>

QStringList PluginLibrary::candidatePaths(const QString& executableFolder, const QString& envPath) {
    QStringList paths;
    if (!envPath.isEmpty()) {
        const QFileInfo info(envPath);
        paths << QDir::cleanPath(info.isDir() ? QDir(envPath).filePath(fileName()) : info.absoluteFilePath());
    }
    const QDir exeDir(executableFolder);
    paths << QDir::cleanPath(exeDir.filePath(fileName()));
    paths << QDir::cleanPath(exeDir.filePath(QStringLiteral("../lib/") + fileName()));
    // Installed: the plug-in's folder relative to the programs' folder.
    paths << QDir::cleanPath(exeDir.filePath(QStringLiteral(MEAL_BIN_TO_PLUGIN_DIR "/") + fileName()));
    paths.removeDuplicates();
    return paths;
}

QString PluginLibrary::locate(const QString& executableFolder, const QString& envPath) {
    const QStringList paths = candidatePaths(executableFolder, envPath);
    for (const QString& p : paths) {
        if (QFileInfo(p).isFile())
            return p;
    }
    return QString();
}

namespace {
template <typename Fn> bool resolveInto(QLibrary& lib, const char* name, Fn& target, QStringList& missing) {
    target = reinterpret_cast<Fn>(lib.resolve(name));
    if (!target)
        missing << QString::fromLatin1(name);
    return target != nullptr;
}
} // namespace

bool PluginLibrary::load(const QString& path) {
    m_path = path;
    m_error.clear();
    m_loaded = false;
    m_exports = PluginExports();
    if (!QFileInfo(path).isFile()) {
        m_error = QStringLiteral("找不到消费模块文件 %1").arg(path);
        return false;
    }
    m_library.setFileName(path);
    // Resolve every symbol at load time so a broken build fails here, not later.
    m_library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!m_library.load()) {
        m_error = QStringLiteral("加载消费模块失败: %1").arg(m_library.errorString());
        return false;
    }
    PluginExports e;
    QStringList missing;
    resolveInto(m_library, "InitDll", e.InitDll, missing);
    resolveInto(m_library, "FreeDll", e.FreeDll, missing);
    resolveInto(m_library, "ShowDllForm", e.ShowDllForm, missing);
    resolveInto(m_library, "PassConnection", e.PassConnection, missing);
    resolveInto(m_library, "PassParameters", e.PassParameters, missing);
    resolveInto(m_library, "PassAccount", e.PassAccount, missing);
    resolveInto(m_library, "ShareCallBack", e.ShareCallBack, missing);
    resolveInto(m_library, "GetDllMainMenu", e.GetDllMainMenu, missing);
    resolveInto(m_library, "GetToolBar", e.GetToolBar, missing);
    if (!missing.isEmpty()) {
        m_error =
            QStringLiteral("消费模块 %1 缺少导出函数: %2").arg(path, missing.join(QStringLiteral(", ")));
        return false;
    }
    m_exports = e;
    m_loaded = true;
    return true;
}
