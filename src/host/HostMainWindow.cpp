#include "host/HostMainWindow.h"

#include "host/HostActions.h"
#include "host/HostPrompter.h"
#include "host/MenuMerge.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>

HostMainWindow* HostMainWindow::s_notifyTarget = nullptr;

HostMainWindow::HostMainWindow(QApplication* app, const QSqlDatabase& db, const HostUser& user,
                               const QString& company, HostPrompter& prompter)
    : m_app(app), m_mdi(new QMdiArea(this)), m_db(db), m_user(user), m_company(company),
      m_prompter(prompter) {
    setObjectName(QStringLiteral("frmHostMain"));
    m_mdi->setObjectName(QStringLiteral("mdiWindows"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    m_userLabel = new QLabel(this);
    statusBar()->addPermanentWidget(m_userLabel);
    buildMenus();
    updateTitle();
    s_notifyTarget = this;
}

HostMainWindow::~HostMainWindow() {
    shutdownPlugin();
    if (s_notifyTarget == this)
        s_notifyTarget = nullptr;
}

void HostMainWindow::buildMenus() {
    m_systemMenu = menuBar()->addMenu(QStringLiteral("系统"));
    m_systemMenu->setObjectName(QStringLiteral("mnSystem"));
    QAction* logout = m_systemMenu->addAction(QStringLiteral("注销"));
    logout->setObjectName(QStringLiteral("actLogout"));
    connect(logout, &QAction::triggered, this, &HostMainWindow::logOut);
    m_systemMenu->addSeparator();
    QAction* exitAction = m_systemMenu->addAction(QStringLiteral("退出"));
    exitAction->setObjectName(QStringLiteral("actExit"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    m_hostMenu = menuBar()->addMenu(QStringLiteral("其他功能"));
    m_hostMenu->setObjectName(QStringLiteral("mnHostFunctions"));
    for (const HostActionEntry& e : hostOnlyActions()) {
        QAction* a = m_hostMenu->addAction(QString::fromUtf8(e.caption));
        a->setObjectName(QString::fromLatin1(e.name));
    }
    connectNamedActions(m_hostMenu->actions());

    m_windowMenu = menuBar()->addMenu(QStringLiteral("窗口"));
    m_windowMenu->setObjectName(QStringLiteral("mnWindow"));
    connect(m_windowMenu->addAction(QStringLiteral("层叠")), &QAction::triggered, m_mdi,
            &QMdiArea::cascadeSubWindows);
    connect(m_windowMenu->addAction(QStringLiteral("平铺")), &QAction::triggered, m_mdi,
            &QMdiArea::tileSubWindows);
    connect(m_windowMenu->addAction(QStringLiteral("关闭全部")), &QAction::triggered, m_mdi,
            &QMdiArea::closeAllSubWindows);

    m_toolBar = addToolBar(QStringLiteral("消费模块"));
    m_toolBar->setObjectName(QStringLiteral("tbPlugin"));
    m_toolBar->setVisible(false);
}

void HostMainWindow::connectNamedActions(const QList<QAction*>& actions) {
    // Actions the plug-in destroyed leave the list as null pointers.
    m_connected.removeAll(QPointer<QAction>());
    for (QAction* a : namedActions(actions)) {
        if (m_connected.contains(a))
            continue;
        m_connected << a;
        const QString name = a->objectName();
        connect(a, &QAction::triggered, this, [this, name] { openAction(name); });
    }
}

void HostMainWindow::updateTitle() {
    const QString base = QStringLiteral("一卡通消费管理");
    setWindowTitle(m_company.isEmpty() ? base : QStringLiteral("%1 - %2").arg(base, m_company));
    m_userLabel->setText(QStringLiteral("操作员：%1（%2）").arg(m_user.userName, m_user.userId));
}

bool HostMainWindow::loadPlugin(const QString& path) {
    if (m_session)
        return m_session->isStarted();
    if (!m_library.load(path)) {
        m_prompter.warning(this, m_library.errorString());
        statusBar()->showMessage(QStringLiteral("消费模块未加载"));
        return false;
    }
    m_session = std::make_unique<PluginSession>(m_library.exports());
    PluginStartArgs args;
    args.application = &m_app;
    args.screen = &m_mdi;
    args.connection = &m_db;
    args.user = {m_user.userId, m_user.userName, m_user.password};
    args.company = m_company;
    args.options = 0;
    args.month = QDate::currentDate();
    args.notify = &HostMainWindow::hostNotify;
    const bool started = m_session->start(args);
    reportFailures();
    if (!started) {
        statusBar()->showMessage(QStringLiteral("消费模块未能启动"));
        return false;
    }
    // The plug-in's menus go between the host's "系统" and "其他功能".
    m_pluginEntries = mergeMenuBar(menuBar(), m_session->mainMenu(), m_hostMenu->menuAction());
    connectNamedActions(m_pluginEntries);
    mergeToolBar(m_toolBar, m_session->toolBar());
    m_toolBar->setVisible(!m_toolBar->actions().isEmpty());
    statusBar()->showMessage(QStringLiteral("消费模块已加载：%1").arg(m_library.path()), 5000);
    return true;
}

void HostMainWindow::reportFailures() {
    if (!m_session)
        return;
    QStringList lines;
    const QVector<PluginCallFailure> failures = m_session->takeFailures();
    for (const PluginCallFailure& f : failures)
        lines << f.text();
    if (!lines.isEmpty())
        m_prompter.warning(this, lines.join(QLatin1Char('\n')));
}

bool HostMainWindow::openAction(const QString& actionName) {
    if (!pluginStarted()) {
        statusBar()->showMessage(QStringLiteral("消费模块未加载，无法打开 %1").arg(actionName), 5000);
        return false;
    }
    const bool ok = m_session->showForm(actionName, this);
    reportFailures();
    return ok;
}

QStringList HostMainWindow::menuActionNames() const {
    QList<QAction*> entries = m_pluginEntries;
    entries << m_hostMenu->menuAction();
    return actionNames(namedActions(entries));
}

std::int32_t HostMainWindow::hostNotify(std::int32_t event, void* window, std::int32_t* outValue) {
    if (outValue)
        *outValue = 0;
    if (s_notifyTarget)
        s_notifyTarget->windowNotified(event, static_cast<QWidget*>(window));
    return 0;
}

void HostMainWindow::windowNotified(std::int32_t event, QWidget* window) {
    const QString title = window ? window->windowTitle() : QString();
    QString text;
    if (event == 0)
        text = QStringLiteral("当前窗口：%1").arg(title);
    else if (event == 1)
        text = QStringLiteral("已关闭窗口：%1").arg(title);
    else
        text = QStringLiteral("窗口通知 %1：%2").arg(QString::number(event), title);
    m_notifications << text;
    statusBar()->showMessage(text, 5000);
}

bool HostMainWindow::closeAllWindows() {
    m_mdi->closeAllSubWindows();
    // Windows close with deferred deletion; let it happen while the plug-in
    // that owns their code is still initialised.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
        if (w->isVisible())
            return false;
    }
    return true;
}

bool HostMainWindow::shutdownPlugin() {
    if (!m_session)
        return true;
    if (!closeAllWindows())
        return false;
    for (QAction* a : std::as_const(m_pluginEntries))
        menuBar()->removeAction(a);
    m_pluginEntries.clear();
    m_toolBar->clear();
    m_toolBar->setVisible(false);
    m_session->shutdown();
    reportFailures();
    m_session.reset();
    return true;
}

void HostMainWindow::closeEvent(QCloseEvent* event) {
    if (!shutdownPlugin()) {
        statusBar()->showMessage(QStringLiteral("有窗口未能关闭，请先关闭它们"), 5000);
        event->ignore();
        return;
    }
    event->accept();
}

void HostMainWindow::logOut() {
    if (!closeAllWindows()) {
        statusBar()->showMessage(QStringLiteral("有窗口未能关闭，请先关闭它们"), 5000);
        return;
    }
    HostUser next;
    if (!relogin || !relogin(next)) {
        close();
        return;
    }
    m_user = next;
    updateTitle();
    if (pluginStarted()) {
        m_session->passUser({m_user.userId, m_user.userName, m_user.password}, m_company, 0);
        reportFailures();
    }
}
