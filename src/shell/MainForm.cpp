#include "shell/MainForm.h"

#include "db/CompanyParameters.h"
#include "db/IniFile.h"
#include "db/SchemaUpgrade.h"
#include "framework/ModuleContext.h"
#include "shell/ActionNames.h"
#include "shell/WindowTable.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSqlQuery>
#include <QToolBar>

namespace {
struct ActionText {
    const char* name;
    const char* caption;
};

// The module's functions, in action-list order.
const ActionText kActions[] = {
    {ActionName::FullRecord, "充值明细"},
    {ActionName::MealRecord, "消费明细"},
    {ActionName::BackRecords, "退款明细表"},
    {ActionName::CardBalance, "卡余额表"},
    {ActionName::ChargeRecords, "补贴明细表"},
    {ActionName::ChargeSumDay, "每日充值汇总表"},
    {ActionName::MealSumDay, "每日消费汇总表"},
    {ActionName::DinRoomSum, "餐厅统计表"},
    {ActionName::Allowance, "补贴登记"},
    {ActionName::AddAllowdown, "补贴下发"},
    {ActionName::OnlineAllow, "在线补贴"},
    {ActionName::EmpDinLev, "个人餐别统计"},
    {ActionName::DepartDinLev, "部门餐别统计"},
    {ActionName::ClockDinlev, "餐厅餐别统计"},
    {ActionName::CardCost, "卡成本明细表"},
    {ActionName::CheckData, "数据检查"},
    {ActionName::ReturnCard, "退卡明细表"},
    {ActionName::EmpChargeSum, "个人充值统计"},
    {ActionName::MonthCal, "月统计"},
    {ActionName::MealMonth, "月统计报表"},
    {ActionName::PersonAccount, "个人汇总资料"},
    {ActionName::Orderrecord, "定餐记录表"},
    {ActionName::OrderNotMeal, "定餐未就餐明细表"},
    {ActionName::Orderparam, "定餐参数设置"},
    {ActionName::OrderDetail, "定餐明细表"},
    {ActionName::Ordertimesec, "定餐时间段资料"},
    {ActionName::HSRecords, "商品销售统计"},
};

// Menu entries by action; nullptr is a separator.
const char* const kMenuDetails[] = {ActionName::FullRecord,
                                    ActionName::MealRecord,
                                    nullptr,
                                    ActionName::CardBalance,
                                    nullptr,
                                    ActionName::BackRecords,
                                    ActionName::CardCost,
                                    ActionName::ReturnCard};
const char* const kMenuStatistics[] = {ActionName::ChargeSumDay,  ActionName::MealSumDay,
                                       ActionName::DinRoomSum,    nullptr,
                                       ActionName::EmpChargeSum,  ActionName::EmpDinLev,
                                       ActionName::DepartDinLev,  ActionName::ClockDinlev,
                                       ActionName::HSRecords,     nullptr,
                                       ActionName::PersonAccount, ActionName::CheckData};
const char* const kMenuAllowance[] = {ActionName::Allowance, ActionName::AddAllowdown};
const char* const kOrderActions[] = {ActionName::Orderrecord, ActionName::OrderNotMeal,
                                     ActionName::Orderparam, ActionName::OrderDetail,
                                     ActionName::Ordertimesec};
} // namespace

TFrmMealMain::TFrmMealMain(ModuleContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("FrmMealMain"));
    setWindowTitle(QStringLiteral("消费资料"));
    buildActions();
    buildMenu();
    startUp();
}

TFrmMealMain::~TFrmMealMain() {
    // The host may have re-parented the tool bar into its own window.
    if (m_toolBar && m_toolBar->parent() != this)
        delete m_toolBar;
}

void TFrmMealMain::buildActions() {
    for (const ActionText& a : kActions) {
        auto* action = new QAction(QString::fromUtf8(a.caption), this);
        action->setObjectName(QString::fromLatin1(a.name));
        m_actions.insert(action->objectName(), action);
    }
    // Attached to no menu and no dispatch name; kept for the host.
    m_actions.value(QLatin1String(ActionName::DinRoomSum))->setVisible(false);
}

void TFrmMealMain::buildMenu() {
    m_menu = new QMenuBar(this);
    m_menu->setObjectName(QStringLiteral("mnMain"));
    auto fill = [this](QMenu* menu, const char* const* names, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (!names[i])
                menu->addSeparator();
            else
                menu->addAction(m_actions.value(QString::fromLatin1(names[i])));
        }
    };
    QMenu* details = m_menu->addMenu(QStringLiteral("消费明细"));
    details->setObjectName(QStringLiteral("N1"));
    details->menuAction()->setProperty("GroupIndex", 5);
    fill(details, kMenuDetails, std::size(kMenuDetails));
    QMenu* statistics = m_menu->addMenu(QStringLiteral("消费统计"));
    statistics->setObjectName(QStringLiteral("N2"));
    fill(statistics, kMenuStatistics, std::size(kMenuStatistics));
    m_allowanceMenu = m_menu->addMenu(QStringLiteral("补贴定餐"));
    m_allowanceMenu->setObjectName(QStringLiteral("N14"));
    fill(m_allowanceMenu, kMenuAllowance, std::size(kMenuAllowance));

    m_toolBar = new QToolBar(QStringLiteral("消费"), this);
    m_toolBar->setObjectName(QStringLiteral("tbMeal"));
}

void TFrmMealMain::applyModuleOptions(int options) {
    const bool allowance = options & ModuleConfig::AllowanceFunctions;
    const bool mealOrder = options & ModuleConfig::MealOrderFunctions;
    m_allowanceMenu->menuAction()->setVisible(allowance || mealOrder);
    if (allowance && mealOrder)
        m_allowanceMenu->setTitle(QStringLiteral("补贴定餐"));
    else if (allowance)
        m_allowanceMenu->setTitle(QStringLiteral("补贴管理"));
    else if (mealOrder)
        m_allowanceMenu->setTitle(QStringLiteral("定餐管理"));
    if (!allowance) {
        m_actions.value(QLatin1String(ActionName::Allowance))->setVisible(false);
        m_actions.value(QLatin1String(ActionName::AddAllowdown))->setVisible(false);
    }
    if (!mealOrder)
        for (const char* name : kOrderActions)
            m_actions.value(QString::fromLatin1(name))->setVisible(false);
}

void TFrmMealMain::startUp() {
    Session& s = m_context.session;
    const QDir folder(s.programFolder);
    m_realData = std::make_unique<IniFile>(folder.filePath(QStringLiteral("FlashData/RealData.dat")));
    folder.mkpath(QStringLiteral("FlashData"));
    folder.mkpath(QStringLiteral("Even"));

    m_actions.value(QLatin1String(ActionName::Allowance))->setVisible(!(s.HostOptions & 8));

    const QFileInfo realError(folder.filePath(QStringLiteral("RealError.txt")));
    if (realError.exists() && realError.size() > 1000000)
        QFile::remove(realError.filePath());

    // A broken window table stops the start-up, not the operator's click.
    windowTable();

    // The statements below go to the trace the configuration asks for.
    s.readTraceSetting();
    ClientCode = ReadCompanyParameter(s, QStringLiteral("ClientCode"), QStringLiteral("1"));
    backCode = ReadCompanyParameter(s, QStringLiteral("backCode"), QStringLiteral("1"));
    edmaxbalance = ReadCompanyMoneyParameter(s, QStringLiteral("edmaxbalance"));
    CardMinMoney = ReadCompanyMoneyParameter(s, QStringLiteral("CardMinMoney"));
    IDCountMoney = ReadCompanyMoneyParameter(s, QStringLiteral("IDCountMoney"));
    edmaxmoney = ReadCompanyMoneyParameter(s, QStringLiteral("edmaxmoney"));

    // The options seen here are those of the previous configuration read
    // (none at the first creation): the read below sets them.
    applyModuleOptions(s.config.ModuleOptions);
    s.readConfiguration();

    upgradeStatements = UpgradeSchema(s).statementsRun;

    QSqlQuery q(s.ModuleConnection);
    s.runner().RunQuery(q, QStringLiteral("select company_ch_name from company"), true);
    if (q.next()) {
        const QString name = q.value(0).toString();
        if (!name.isEmpty())
            s.CompanyDisplayName = name;
    }
    s.OtherMattersFlags =
        ReadCompanyParameter(s, QStringLiteral("IsSetOtherMatters"), QStringLiteral("00000000")).left(8);
}

void TFrmMealMain::enableAllActions() {
    for (QAction* a : std::as_const(m_actions))
        a->setEnabled(true);
}
