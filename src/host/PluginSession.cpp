#include "host/PluginSession.h"

#include "db/Session.h"

QString PluginCallFailure::text() const {
    if (okFalse)
        return QStringLiteral("消费模块调用 %1 未成功完成（返回 OK=False）").arg(call);
    return QStringLiteral("消费模块调用 %1 失败（返回值 0x%2）")
        .arg(call, QString::number(quint32(result), 16).rightJustified(8, QLatin1Char('0')));
}

bool PluginSession::check(const QString& call, MealHResult result, const bool* ok) {
    if (result != MEAL_S_OK) {
        m_failures.push_back({call, result, false});
        return false;
    }
    if (ok && !*ok) {
        m_failures.push_back({call, result, true});
        return false;
    }
    return true;
}

QByteArray PluginSession::monthText(const QDate& month) {
    return month.toString(QStringLiteral("yyyy-MM")).toUtf8();
}

MealAccountPeriod PluginSession::accountPeriod(const QDate& month, const QByteArray& text) {
    const QDate first(month.year(), month.month(), 1);
    const QDate last = first.addMonths(1).addDays(-1);
    MealAccountPeriod p{};
    p.monthText = text.constData();
    p.beginDate = dayNumberFromDateTime(QDateTime(first, QTime(0, 0)));
    p.endDate = dayNumberFromDateTime(QDateTime(last, QTime(23, 59, 59)));
    return p;
}

bool PluginSession::start(const PluginStartArgs& args) {
    if (m_initialised)
        return m_started;
    bool ok = false;
    const MealHResult init = m_exports.InitDll(args.application, args.screen, args.connection, &ok);
    // A fault inside InitDll may come after part of its work: FreeDll tidies up.
    m_initialised = init != MEAL_S_OK || ok;
    if (!check(QStringLiteral("InitDll"), init, &ok))
        return false;

    ok = false;
    if (!check(QStringLiteral("PassConnection"), m_exports.PassConnection(args.connection, &ok), &ok))
        return false;

    passUser(args.user, args.company, args.options);

    m_monthText = monthText(args.month.isValid() ? args.month : QDate::currentDate());
    m_account = accountPeriod(args.month.isValid() ? args.month : QDate::currentDate(), m_monthText);
    check(QStringLiteral("PassAccount"), m_exports.PassAccount(&m_account, 0), nullptr);

    check(QStringLiteral("ShareCallBack"), m_exports.ShareCallBack(args.notify, 0), nullptr);

    QMenuBar* menu = nullptr;
    ok = false;
    if (check(QStringLiteral("GetDllMainMenu"), m_exports.GetDllMainMenu(&menu, &ok), &ok))
        m_menu = menu;
    QToolBar* bar = nullptr;
    ok = false;
    if (check(QStringLiteral("GetToolBar"), m_exports.GetToolBar(&bar, &ok), &ok))
        m_toolBar = bar;
    m_started = true;
    return true;
}

bool PluginSession::passUser(const PluginUser& user, const QString& company, std::uint8_t options) {
    if (!m_initialised)
        return false;
    const QByteArray id = user.userId.toUtf8();
    const QByteArray name = user.userName.toUtf8();
    const QByteArray password = user.password.toUtf8();
    const QByteArray companyText = company.toUtf8();
    bool ok = false;
    const MealHResult r = m_exports.PassParameters(id.constData(), name.constData(), "", password.constData(),
                                                   "", "", companyText.constData(), options, &ok);
    return check(QStringLiteral("PassParameters"), r, &ok);
}

bool PluginSession::showForm(const QString& actionName, QWidget* owner) {
    if (!m_started)
        return false;
    const QByteArray name = actionName.toUtf8();
    return check(QStringLiteral("ShowDllForm(%1)").arg(actionName),
                 m_exports.ShowDllForm(name.constData(), owner, 0), nullptr);
}

void PluginSession::shutdown() {
    if (!m_initialised)
        return;
    m_initialised = false;
    m_started = false;
    m_menu = nullptr;
    m_toolBar = nullptr;
    bool ok = false;
    const MealHResult r = m_exports.FreeDll(1, 0, &ok);
    check(QStringLiteral("FreeDll"), r, nullptr);
}

QVector<PluginCallFailure> PluginSession::takeFailures() {
    QVector<PluginCallFailure> out;
    out.swap(m_failures);
    return out;
}
