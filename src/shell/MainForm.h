#pragma once
// TFrmMealMain ("消费资料"): the hidden main form. It owns the main menu, the
// (empty) tool bar and the actions the host merges into its window; its
// creation is the module's start-up: folders, configuration, schema upgrade,
// company data.
#include <QHash>
#include <QWidget>

#include <memory>

class IniFile;
class ModuleContext;
class QAction;
class QMenu;
class QMenuBar;
class QToolBar;

class TFrmMealMain : public QWidget {
    Q_OBJECT
public:
    // Runs the start-up; a database error of the upgrade reaches the caller.
    explicit TFrmMealMain(ModuleContext& context, QWidget* parent = nullptr);
    ~TFrmMealMain() override;

    QMenuBar* mnMain() const { return m_menu; }
    QToolBar* tbMeal() const { return m_toolBar; }
    // "补贴定餐": the allowance and meal-order menu (N14 in the layouts).
    QMenu* allowanceMenu() const { return m_allowanceMenu; }
    QAction* action(const QString& name) const { return m_actions.value(name); }
    QList<QAction*> actions() const { return m_actions.values(); }
    void enableAllActions();

    // Company parameters read at start-up (money values multiplied by 100).
    QString ClientCode;
    QString backCode;
    qint64 edmaxbalance = 0;
    qint64 CardMinMoney = 0;
    qint64 IDCountMoney = 0;
    qint64 edmaxmoney = 0;
    QStringList upgradeStatements; // what the schema upgrade executed

private:
    void buildActions();
    void buildMenu();
    void startUp();
    void applyModuleOptions(int options);

    ModuleContext& m_context;
    QMenuBar* m_menu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_allowanceMenu = nullptr;
    QHash<QString, QAction*> m_actions;
    std::unique_ptr<IniFile> m_realData;
};
