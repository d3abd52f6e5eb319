#include "ScriptedHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

ScriptedHttpServer::ScriptedHttpServer(QObject* parent) : QObject(parent) {}

ScriptedHttpServer::~ScriptedHttpServer() {
    close();
}

bool ScriptedHttpServer::listen(quint16 port) {
    m_server = std::make_unique<QTcpServer>();
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &ScriptedHttpServer::accept);
    return m_server->listen(QHostAddress::LocalHost, port);
}

bool ScriptedHttpServer::listenTls(const QSslCertificate& certificate, const QSslKey& key) {
    auto server = std::make_unique<QSslServer>();
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setLocalCertificate(certificate);
    ssl.setPrivateKey(key);
    ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
    server->setSslConfiguration(ssl);
    m_server = std::move(server);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &ScriptedHttpServer::accept);
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 ScriptedHttpServer::port() const {
    return m_server ? m_server->serverPort() : 0;
}

void ScriptedHttpServer::close() {
    if (m_server)
        m_server->close();
    for (QTcpSocket* s : m_buffers.keys()) {
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
    m_buffers.clear();
    m_numbers.clear();
}

void ScriptedHttpServer::dropConnections() {
    for (QTcpSocket* s : m_buffers.keys())
        s->disconnectFromHost();
}

void ScriptedHttpServer::accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        m_buffers.insert(socket, {});
        m_numbers.insert(socket, ++m_connections);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            m_numbers.remove(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void ScriptedHttpServer::readFrom(QTcpSocket* socket) {
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        Request request;
        request.head = buffer.left(end);
        qsizetype length = 0;
        const QByteArray value = header(request, "Content-Length");
        if (!value.isEmpty())
            length = value.trimmed().toLongLong();
        if (buffer.size() < end + 4 + length)
            return;
        request.raw = buffer.left(end + 4 + length);
        request.body = buffer.mid(end + 4, length);
        request.connection = m_numbers.value(socket);
        buffer.remove(0, end + 4 + length);
        requests.append(request);
        emit requestReceived(int(requests.size()) - 1);
        if (answers.isEmpty())
            return; // silent from now on
        if (answerDelayMs > 0) {
            QPointer<QTcpSocket> later(socket);
            QTimer::singleShot(answerDelayMs, this, [this, later, answer = answers.takeFirst()] {
                if (!later)
                    return;
                later->write(answer);
                if (closeAfterAnswer)
                    later->disconnectFromHost();
            });
            continue;
        }
        socket->write(answers.takeFirst());
        if (closeAfterAnswer) {
            socket->disconnectFromHost();
            return;
        }
    }
}

QByteArray ScriptedHttpServer::header(const Request& request, const QByteArray& name) {
    const QList<QByteArray> lines = request.head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

QList<QByteArray> ScriptedHttpServer::headerNames(const Request& request) {
    QList<QByteArray> names;
    const QList<QByteArray> lines = request.head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            names.append(lines.at(i).left(colon).trimmed());
    }
    return names;
}

QByteArray ScriptedHttpServer::response(int status, const QByteArray& reason, const QByteArray& body,
                                        const QByteArray& contentType) {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray ScriptedHttpServer::envelope(const QByteArray& bodyContent) {
    return "<?xml version=\"1.0\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
           "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">" +
           bodyContent + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

QByteArray ScriptedHttpServer::sendSchedaResponse(const QByteArray& elements) {
    return envelope("<NS1:SendSchedaResponse xmlns:NS1=\"urn:ServerVARNOIntf-IServerVARNO\">" + elements +
                    "</NS1:SendSchedaResponse>");
}
