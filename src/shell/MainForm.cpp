#include "shell/MainForm.h"

#include "db/CompanyParameters.h"
#include "db/IniFile.h"
#include "db/SchemaUpgrade.h"
#include "framework/ModuleContext.h"

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
    {"ActFullRecord", "充值明细"},
    {"ActMealRecord", "消费明细"},
    {"ActBackRecords", "退款明细表"},
    {"ActCardBalance", "卡余额表"},
    {"ActChargeRecords", "补贴明细表"},
    {"ActChargeSumDay", "每日充值汇总表"},
    {"ActMealSumDay", "每日消费汇总表"},
    {"ActDinRoomSum", "餐厅统计表"},
    {"ActAllowance", "补贴登记"},
    {"ActAddAllowdown", "补贴下发"},
    {"ActOnlineAllow", "在线补贴"},
    {"ActEmpDinLev", "个人餐别统计"},
    {"ActDepartDinLev", "部门餐别统计"},
    {"ActClockDinlev", "餐厅餐别统计"},
    {"ActCardCost", "卡成本明细表"},
    {"ActCheckData", "数据检查"},
    {"ActReturnCard", "退卡明细表"},
    {"ActEmpChargeSum", "个人充值统计"},
    {"actMonthCal", "月统计"},
    {"actMealMonth", "月统计报表"},
    {"ActPersonAccount", "个人汇总资料"},
    {"ActOrderrecord", "定餐记录表"},
    {"ActOrderNotMeal", "定餐未就餐明细表"},
    {"Actorderparam", "定餐参数设置"},
    {"ActorderDetail", "定餐明细表"},
    {"ActOrdertimesec", "定餐时间段资料"},
    {"ActHSRecords", "商品销售统计"},
};

const char* const kMenuDetails[] = {
    "ActFullRecord", "ActMealRecord", "-", "ActCardBalance", "-", "ActBackRecords",
    "ActCardCost",   "ActReturnCard"};
const char* const kMenuStatistics[] = {
    "ActChargeSumDay", "ActMealSumDay",  "ActDinRoomSum", "-", "ActEmpChargeSum",  "ActEmpDinLev",
    "ActDepartDinLev", "ActClockDinlev", "ActHSRecords",  "-", "ActPersonAccount", "ActCheckData"};
const char* const kMenuAllowance[] = {"ActAllowance", "ActAddAllowdown"};
const char* const kOrderActions[] = {"ActOrderrecord", "ActOrderNotMeal", "Actorderparam", "ActorderDetail",
                                     "ActOrdertimesec"};
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
    m_actions.value(QStringLiteral("ActDinRoomSum"))->setVisible(false);
}

void TFrmMealMain::buildMenu() {
    m_menu = new QMenuBar(this);
    m_menu->setObjectName(QStringLiteral("mnMain"));
    auto fill = [this](QMenu* menu, const char* const* names, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (QLatin1String(names[i]) == QLatin1String("-"))
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
    m_N14 = m_menu->addMenu(QStringLiteral("补贴定餐"));
    m_N14->setObjectName(QStringLiteral("N14"));
    fill(m_N14, kMenuAllowance, std::size(kMenuAllowance));

    m_toolBar = new QToolBar(QStringLiteral("消费"), this);
    m_toolBar->setObjectName(QStringLiteral("tbMeal"));
}

void TFrmMealMain::applyModuleOptions(int options) {
    const bool allowance = options & ModuleConfig::AllowanceFunctions;
    const bool mealOrder = options & ModuleConfig::MealOrderFunctions;
    m_N14->menuAction()->setVisible(allowance || mealOrder);
    if (allowance && mealOrder)
        m_N14->setTitle(QStringLiteral("补贴定餐"));
    else if (allowance)
        m_N14->setTitle(QStringLiteral("补贴管理"));
    else if (mealOrder)
        m_N14->setTitle(QStringLiteral("定餐管理"));
    if (!allowance) {
        m_actions.value(QStringLiteral("ActAllowance"))->setVisible(false);
        m_actions.value(QStringLiteral("ActAddAllowdown"))->setVisible(false);
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

    m_actions.value(QStringLiteral("ActAllowance"))->setVisible(!(s.HostOptions & 8));

    const QFileInfo realError(folder.filePath(QStringLiteral("RealError.txt")));
    if (realError.exists() && realError.size() > 1000000)
        QFile::remove(realError.filePath());

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
