#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPair>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

// The one HTTP client of the program: a POST of a whole body, answered by a whole body. The call
// blocks its caller, but a local event loop keeps turning meanwhile so the windows repaint
// (input events wait until the call is over, so no second call can start inside this one).
// Connections are kept alive between calls and dropped after a failure. Certificates are always
// verified; the system's proxy settings apply to every host but the local machine.
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
    static constexpr qint64 kMassimaRisposta = 64 * 1024 * 1024;
    static const QByteArray kUserAgent;

    explicit HttpTransport(QObject* parent = nullptr);

    // Sends one request; headers go out in the order given, before the client's own ones.
    Risposta post(const QUrl& url, const QList<Header>& headers, const QByteArray& body);

    // Time allowed to reach the server, and then between two pieces of data. Tests shorten them.
    void setTimeouts(int connessioneMs, int inattivitaMs);
    // Further certificate authorities trusted besides the system's (tests trust their own).
    void setCaAggiuntive(const QList<QSslCertificate>& ca) { m_caAggiuntive = ca; }
    // Drops every kept-alive connection; the next call opens a new one.
    void chiudiConnessioni();

private:
    QNetworkAccessManager m_nam;
    int m_timeoutConnessioneMs = kTimeoutConnessioneMs;
    int m_timeoutInattivitaMs = kTimeoutInattivitaMs;
    QList<QSslCertificate> m_caAggiuntive;
    bool m_inCorso = false;
};
