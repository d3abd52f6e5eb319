#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <memory>

class QTcpServer;
class QTcpSocket;

// An HTTP/1.1 server on 127.0.0.1 for the tests: it keeps every request exactly as its bytes
// arrived and answers with the raw responses scripted in `answers`, one per request, in order.
// With no answer left it stays silent and keeps the connection open. With a certificate it
// speaks TLS.
class ScriptedHttpServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QByteArray raw;  // request line, headers and body, as received
        QByteArray head; // up to and without the blank line
        QByteArray body;
        int connection = 0; // 1 for the first connection accepted, and so on
    };

    explicit ScriptedHttpServer(QObject* parent = nullptr);
    ~ScriptedHttpServer() override;

    bool listen(quint16 port = 0);
    bool listenTls(const QSslCertificate& certificate, const QSslKey& key);
    quint16 port() const;
    void close();

    QList<QByteArray> answers;
    QList<Request> requests;
    bool closeAfterAnswer = false; // close the connection after each answer written
    int answerDelayMs = 0;         // wait this long before writing each answer
    // Closes every open connection, as a server does with idle kept-alive connections.
    void dropConnections();
    int connections() const { return m_connections; }

    // One header value of a recorded request (first match, name without regard to case).
    static QByteArray header(const Request& request, const QByteArray& name);
    // The header names of a recorded request, in the order sent.
    static QList<QByteArray> headerNames(const Request& request);

    // A complete HTTP/1.1 response with Content-Length.
    static QByteArray response(int status, const QByteArray& reason, const QByteArray& body,
                               const QByteArray& contentType = "text/xml; charset=\"utf-8\"");
    // A SOAP 1.1 envelope around the given body content.
    static QByteArray envelope(const QByteArray& bodyContent);
    // A SendSchedaResponse holding the given elements.
    static QByteArray sendSchedaResponse(const QByteArray& elements);

signals:
    // A request has arrived whole (its index in `requests`); emitted before it is answered.
    void requestReceived(int index);

private:
    void accept();
    void readFrom(QTcpSocket* socket);

    std::unique_ptr<QTcpServer> m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QHash<QTcpSocket*, int> m_numbers;
    int m_connections = 0;
};
