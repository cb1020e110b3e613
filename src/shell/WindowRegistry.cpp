#include "shell/WindowRegistry.h"

#include "monthly/ui/MonthlyBalance.h"
#include "reports/ui/MealRecords.h"
#include "reports/ui/ReturnCard.h"

#include <QHash>

namespace {
QHash<QString, WindowFactory> buildRegistry() {
    QHash<QString, WindowFactory> registry;
    // Windows are created without a parent: the dispatch adds them to the host's window list.
    registry.insert(QStringLiteral("TfrmReturnCard"),
                    [](ModuleContext& c, QWidget*) -> QWidget* { return new TfrmReturnCard(c); });
    registry.insert(QStringLiteral("TfrmMealRecords"),
                    [](ModuleContext& c, QWidget*) -> QWidget* { return new TfrmMealRecords(c); });
    registry.insert(QStringLiteral("TFrmMonthlyBalance"),
                    [](ModuleContext& c, QWidget*) -> QWidget* { return new TFrmMonthlyBalance(c); });
    return registry;
}
} // namespace

WindowFactory registeredWindowFactory(const QString& className) {
    static const QHash<QString, WindowFactory> registry = buildRegistry();
    return registry.value(className, nullptr);
}
