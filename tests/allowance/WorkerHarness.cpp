#include "WorkerHarness.h"

#include "../posterm/SimProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

using namespace workers;

WindowStub::WindowStub() : m_pool(std::make_unique<TBMDThreadPool>(this)) {}

WindowStub::~WindowStub() {
    m_pool.reset();
    TMealWorkerThread::WaitForAllWorkers(30000);
}

void WindowStub::closePool() {
    m_pool.reset();
    QCoreApplication::removePostedEvents(this);
    m_pool = nullptr;
}

bool WindowStub::waitFor(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents();
    }
    return true;
}

bool WindowStub::waitIdle(int timeoutMs) {
    return waitFor([this] { return m_pool && m_pool->count() == 0; }, timeoutMs);
}

bool WindowStub::event(QEvent* e) {
    auto* w = dynamic_cast<WorkerEvent*>(e);
    if (!w)
        return QObject::event(e);
    if (!m_pool) {
        ++deliveredAfterClose;
        return true;
    }
    SeenMsg msg{w->messageNumber(), QString(), QString()};
    if (auto* op = dynamic_cast<OpTypeEvent*>(e)) {
        msg.target = op->msg.target;
        msg.text = op->msg.text;
    } else if (auto* data = dynamic_cast<AllowDataEvent*>(e)) {
        pages.append(data->msg);
    } else if (auto* life = dynamic_cast<WorkerLifeEvent*>(e); life && msg.number == WM_THREADDONE) {
        m_pool->Remove(life->subject);
    }
    seen.append(msg);
    if (onMessage)
        onMessage(msg);
    return true;
}

QStringList WindowStub::statuses(const QString& target) const {
    QStringList out;
    for (const SeenMsg& m : seen)
        if (m.number == WM_CLOCKSTATUS && m.target == target)
            out << m.text;
    return out;
}

QStringList WindowStub::logs() const {
    QStringList out;
    for (const SeenMsg& m : seen)
        if (m.number == WM_OPLOG)
            out << m.text;
    return out;
}

AllowanceFixture::AllowanceFixture(const QString& suite) : db(suite) {
    qputenv("MEAL_HOME", home.path().toLocal8Bit());
    setup.hostConnection = db.db();
    setup.trace = SqlTrace(true, home.path()); // statements go to the file, not the test log
    setup.programFolder = home.path();
    setup.bookingPauseMs = 20;
    writeIni();
}

QString AllowanceFixture::address(int n) {
    const qint64 pid = QCoreApplication::applicationPid();
    return QStringLiteral("127.%1.%2.%3").arg(100 + pid % 100).arg(1 + (pid / 100) % 250).arg(n);
}

void AllowanceFixture::writeIni(const QString& serialPorts) const {
    QString extra = QStringLiteral("[RunTimeConfig]\nisPing=1\n");
    if (!serialPorts.isEmpty())
        extra += QStringLiteral("[SerialPorts]\n") + serialPorts + QLatin1Char('\n');
    db.writeDaybookIni(home.path(), extra);
}

void AllowanceFixture::addNetworkClock(int id, const QString& address) const {
    db.exec(
        QStringLiteral("insert into clocks (clock_id, clock_name, Clock_type, TCPIP_type, TCPIP_Address, "
                       "TCPIP_Port, commkey, clock_sn) values (%1, '补贴机%1', '4', 0, ' %2 ', 80, 0, '%3')")
            .arg(id)
            .arg(address, clockSn(id)));
}

void AllowanceFixture::addSerialClock(int id, int comport, int tcpipType) const {
    db.exec(
        QStringLiteral("insert into clocks (clock_id, clock_name, Clock_type, comport, BaudRate, TCPIP_type, "
                       "commkey, clock_sn) values (%1, '补贴机%1', '5', %2, 19200, %3, 0, '%4')")
            .arg(id)
            .arg(comport)
            .arg(tcpipType)
            .arg(clockSn(id)));
}

void AllowanceFixture::addTasks(int clockId, int count, int firstSys, const QString& money, int batch) const {
    const int firstAllowance = scalar(QStringLiteral("select ifnull(max(id),0) from mallowance")) + 1;
    QStringList allowances;
    QStringList tasks;
    for (int i = 0; i < count; ++i) {
        const int sys = firstSys + i;
        allowances << QStringLiteral("(%1, 'E%1', %2, '员工%1', %3, %4, '2099-12-31')")
                          .arg(sys)
                          .arg(50000 + sys)
                          .arg(money)
                          .arg(batch);
        tasks << QStringLiteral(
                     "('%1', %2, %3, 'E%3', %4, '员工%3', %5, %6, %7, '2099-12-31 00:00:00', 'ADMIN', "
                     "now(), null)")
                     .arg(clockSn(clockId))
                     .arg(clockId)
                     .arg(sys)
                     .arg(50000 + sys)
                     .arg(firstAllowance + i)
                     .arg(batch)
                     .arg(money);
    }
    db.exec(QStringLiteral("insert into mallowance (sys_id, emp_id, card_id, empname, deposit, charge_ver, "
                           "AllowDate) values ") +
            allowances.join(QLatin1Char(',')));
    db.exec(
        QStringLiteral("insert into allowtasklist (clock_sn, clock_id, sys_id, emp_id, card_id, empname, "
                       "aow_id, charge_ver, charge_money, charge_date, op_user, op_date, iscommit) values ") +
        tasks.join(QLatin1Char(',')));
}

void AllowanceFixture::start(WindowStub& window, quint8 mode, const QString& clockList) const {
    auto* worker = new allowance::TCheckAllowThread(mode, window.pool().link(), clockList, setup);
    window.pool().Add(worker->handle());
    worker->start();
}

bool AllowanceFixture::run(WindowStub& window, quint8 mode, const QString& clockList) const {
    start(window, mode, clockList);
    return window.waitIdle();
}

QStringList dumpRecords(const SimProcess& sim, const QString& key, char kind) {
    QByteArray body;
    sim.control("GET", "/v1/sim/dump?terminal=" + key.toUtf8(), &body);
    QStringList out;
    for (const QByteArray& line : body.split('\n'))
        if (line.startsWith(QByteArray(1, kind) + '\t'))
            out << QString::fromUtf8(line.trimmed());
    return out;
}
