#include "ProtocolResponder.h"

#include <QHash>
#include <QHostAddress>
#include <QTcpSocket>

bool ProtocolResponder::listen(const QString& address, quint16 port) {
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return m_server.listen(QHostAddress(address), port);
}

namespace {
QByteArray status(int code, const QByteArray& body) {
    static const QHash<int, QByteArray> reasons{{200, "OK"},
                                                {400, "Bad Request"},
                                                {401, "Unauthorized"},
                                                {404, "Not Found"},
                                                {500, "Internal Server Error"}};
    return "HTTP/1.1 " + QByteArray::number(code) + ' ' + reasons.value(code) +
           "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray queryValue(const QByteArray& query, const QByteArray& name) {
    for (const QByteArray& pair : query.split('&')) {
        const int eq = pair.indexOf('=');
        if (eq > 0 && pair.left(eq) == name)
            return QByteArray::fromPercentEncoding(pair.mid(eq + 1)); // '+' stays a plus
    }
    return QByteArray();
}
} // namespace

void ProtocolResponder::serve(QTcpSocket* socket) {
    QByteArray buffer = socket->property("pending").toByteArray() + socket->readAll();
    for (;;) {
        const int headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            break;
        const QList<QByteArray> head = buffer.left(headEnd).split('\n');
        int length = 0;
        QByteArray authorization;
        for (int i = 1; i < head.size(); ++i) {
            const QByteArray line = head.at(i).trimmed();
            const int colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            if (name == "content-length")
                length = line.mid(colon + 1).trimmed().toInt();
            else if (name == "authorization")
                authorization = line.mid(colon + 1).trimmed();
        }
        if (buffer.size() < headEnd + 4 + length)
            break;
        const QByteArray body = buffer.mid(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);
        const QList<QByteArray> requestLine = head.first().trimmed().split(' ');
        requestLines << head.first().trimmed();
        if (authorization != "Basic " + ("root:" + passwd).toBase64()) {
            ++unauthorised;
            socket->write(status(401, "wrong name or password\r\n"));
            continue;
        }
        socket->write(answer(requestLine.value(0), requestLine.value(1), body));
    }
    socket->setProperty("pending", buffer);
}

QByteArray ProtocolResponder::answer(const QByteArray& method, const QByteArray& target,
                                     const QByteArray& body) {
    const int q = target.indexOf('?');
    const QByteArray path = q < 0 ? target : target.left(q);
    const QByteArray query = q < 0 ? QByteArray() : target.mid(q + 1);
    if (method == "GET" && path == "/v1/device")
        return status(200, "SN=IND-1\r\nFwVersion=" + fwVersion + "\r\n");
    if (method == "GET" && path == "/v1/info") {
        QByteArray out = "OK\r\n";
        for (const QByteArray& item : queryValue(query, "items").split(','))
            out += item + '=' + (item == "System.FwVersion" ? fwVersion : QByteArray()) + "\r\n";
        return status(200, out);
    }
    if (method == "POST" && path == "/v1/data/append") {
        if (queryValue(query, "table") != "SubsidyLog")
            return status(404, "unknown table\r\n");
        appendBodies << body;
        if (refusedAppends.contains(appendBodies.size()))
            return status(500, "append refused\r\n");
        const int records = body.count("\r\n");
        return status(200, "appended=" + QByteArray::number(records) + "\r\nduplicates=0\r\n");
    }
    return status(404, "unknown path\r\n");
}
