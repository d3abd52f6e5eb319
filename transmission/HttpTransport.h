#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <QPair>
#include <QSslCertificate>
#include <QString>
#include <QUrl>
#include <memory>

class QSslSocket;

// The one HTTP client of the program: an HTTP/1.1 POST of a whole body, with Content-Length,
// answered by a whole body. The request line, the headers and the body leave in one write on a
// socket without send delay, so a call costs one round trip. The call blocks its caller, but a
// local event loop keeps turning meanwhile so the windows repaint (input events wait until the
// call is over, so no second call can start inside this one). The connection is kept alive
// between calls and dropped after a failure. Certificates are always verified. The system's
// proxy settings apply to every host but the local machine.
class HttpTransport : public QObject {
    Q_OBJECT
public:
    using Header = QPair<QByteArray, QByteArray>;

    struct Risposta {
        // true when no HTTP answer came back: refused, unreachable, timed out, bad certificate.
        bool fallita = false;
        QString erroreClient; // the client's text for the failure, on one line
        int stato = 0;        // HTTP status number
        QString testoStato;   // HTTP reason phrase
        QByteArray tipo;      // Content-Type of the answer
        QByteArray corpo;
    };

    static constexpr int kTimeoutConnessioneMs = 60000;
    static constexpr int kTimeoutInattivitaMs = 60000;
    static constexpr int kTimeoutChiamataMs = 10 * 60 * 1000;
    static constexpr qsizetype kMassimaIntestazione = 64 * 1024;
    static constexpr qsizetype kMassimaRisposta = 64 * 1024 * 1024;
    static const QByteArray kUserAgent;

    explicit HttpTransport(QObject* parent = nullptr);
    ~HttpTransport() override;

    // Sends one request; the headers given go out first, in their order, then User-Agent, Host,
    // Content-Length and Connection.
    Risposta post(const QUrl& url, const QList<Header>& headers, const QByteArray& body);

    // Time allowed to reach the server, then between two pieces of data, and for the whole call
    // (a server that trickles its answer must not hold the program for hours). Tests shorten them.
    void setTimeouts(int connessioneMs, int inattivitaMs, int chiamataMs = kTimeoutChiamataMs);
    // Further certificate authorities trusted besides the system's (tests trust their own).
    void setCaAggiuntive(const QList<QSslCertificate>& ca) { m_caAggiuntive = ca; }
    // Drops the kept-alive connection; the next call opens a new one.
    void chiudiConnessioni();

private:
    struct Connessione;
    Risposta scambio(const Connessione& c, const QByteArray& richiesta);

    std::unique_ptr<QSslSocket> m_socket;
    QString m_chiave; // scheme, host, port and proxy of the kept-alive connection
    int m_timeoutConnessioneMs = kTimeoutConnessioneMs;
    int m_timeoutInattivitaMs = kTimeoutInattivitaMs;
    int m_timeoutChiamataMs = kTimeoutChiamataMs;
    QList<QSslCertificate> m_caAggiuntive;
    bool m_inCorso = false;
};
