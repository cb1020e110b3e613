#pragma once
// A second terminal, written from the wire protocol's description alone and
// not from the simulator: it answers device, information and append requests
// over HTTP/1.1 and records every append body it receives.
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QTcpServer>

class QTcpSocket;

class ProtocolResponder : public QObject {
public:
    bool listen(const QString& address, quint16 port = 80);

    QByteArray fwVersion = "Ver 2.0";
    QByteArray passwd = "0";
    // 1-based numbers of the append requests answered 500 (nothing stored).
    QSet<int> refusedAppends;

    QList<QByteArray> appendBodies; // as received, refused ones included
    QList<QByteArray> requestLines;
    int unauthorised = 0;

private:
    void serve(QTcpSocket* socket);
    QByteArray answer(const QByteArray& method, const QByteArray& target, const QByteArray& body);
    QTcpServer m_server;
};
