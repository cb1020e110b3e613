#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

#include <sys/resource.h>

SimProcess::~SimProcess() {
    stop();
}

bool SimProcess::start(const QStringList& arguments, QString* error) {
    m_listen.clear();
    m_serial.clear();
    m_control.clear();
    m_process.setProgram(QStringLiteral(POSTERM_SIM_PATH));
    m_process.setArguments(arguments);
    // The simulator's complaints show in the test log.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const int limit = fileLimit;
    m_process.setChildProcessModifier([limit] {
        if (limit > 0) {
            const rlimit files{rlim_t(limit), rlim_t(limit)};
            setrlimit(RLIMIT_NOFILE, &files);
        }
    });
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        if (error)
            *error = m_process.errorString();
        return false;
    }
    QByteArray seen;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine().trimmed();
            seen += line + '\n';
            const QList<QByteArray> words = line.split(' ');
            if (line == "ready")
                return true;
            if (words.value(0) == "listen")
                m_listen << QString::fromUtf8(words.value(1));
            else if (words.value(0) == "serial")
                m_serial << QString::fromUtf8(words.value(2));
            else if (words.value(0) == "control")
                m_control = QString::fromUtf8(words.value(1));
        }
        if (m_process.state() != QProcess::Running)
            break;
        m_process.waitForReadyRead(200);
    }
    if (error)
        *error = QString::fromUtf8(seen);
    stop();
    return false;
}

void SimProcess::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

int SimProcess::control(const QByteArray& method, const QByteArray& target, QByteArray* body,
                        const QString& address) const {
    const QString where = address.isEmpty() ? m_control : address;
    QTcpSocket socket;
    socket.connectToHost(where.section(':', 0, 0), quint16(where.section(':', 1).toUInt()));
    if (!socket.waitForConnected(3000))
        return -1;
    socket.write(method + ' ' + target +
                 " HTTP/1.1\r\nHost: sim\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(3000))
        answer += socket.readAll();
    answer += socket.readAll();
    const int headerEnd = answer.indexOf("\r\n\r\n");
    if (body)
        *body = headerEnd < 0 ? QByteArray() : answer.mid(headerEnd + 4);
    return answer.startsWith("HTTP/1.1 ") ? answer.mid(9, 3).toInt() : -1;
}

void SimProcess::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}
