#pragma once
// Runs posterm-sim for a test: starts it with the given arguments, reads the
// addresses and devices it prints, sends control requests, stops it.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

class SimProcess {
public:
    ~SimProcess();
    // False (with the simulator's output in `error`) when it does not come up.
    bool start(const QStringList& arguments, QString* error = nullptr);
    // SIGTERM, then waits for the state file to be written and the process to end.
    void stop();
    // SIGKILL: the terminal goes away at once, without a last state write.
    void kill();

    QStringList listenAddresses() const { return m_listen; }
    QStringList serialDevices() const { return m_serial; }
    QString controlAddress() const { return m_control; }
    int listenPort(int i) const { return m_listen.value(i).section(':', 1).toInt(); }
    qint64 processId() const { return m_process.processId(); }
    // When above 0, start() runs the simulator with at most this many open descriptors.
    int fileLimit = 0;

    // A control request on the control address (or on `address`); the answer's
    // status and body.
    int control(const QByteArray& method, const QByteArray& target, QByteArray* body = nullptr,
                const QString& address = QString()) const;

private:
    QProcess m_process;
    QStringList m_listen;
    QStringList m_serial;
    QString m_control;
};
