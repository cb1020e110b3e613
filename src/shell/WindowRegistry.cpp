#include "shell/WindowRegistry.h"

#include <QHash>

namespace {
QHash<QString, WindowFactory> buildRegistry() {
    QHash<QString, WindowFactory> registry;
    return registry;
}
} // namespace

WindowFactory registeredWindowFactory(const QString& className) {
    static const QHash<QString, WindowFactory> registry = buildRegistry();
    return registry.value(className, nullptr);
}
