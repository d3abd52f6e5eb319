#include "HttpTransport.h"

#include "VarnoError.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>

const QByteArray HttpTransport::kUserAgent = QByteArrayLiteral("VARNO/1.0");

namespace {

// The system's proxy for every host except the local machine, which is always reached directly.
class ProxyDiSistema : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        const QString host = query.peerHostName();
        const QHostAddress indirizzo(host);
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
            (!indirizzo.isNull() && indirizzo.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

QString suUnaRiga(QString testo) {
    testo.replace(QLatin1String("\r\n"), QLatin1String(" "));
    testo.replace(QLatin1Char('\r'), QLatin1Char(' '));
    testo.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return testo.trimmed();
}

// Errors of the network, the proxy and the protocol mean that no usable answer arrived; the
// others (content and server errors) come with an HTTP status that the caller judges.
bool senzaRisposta(QNetworkReply::NetworkError errore) {
    const int codice = int(errore);
    return (codice >= 1 && codice < 200) || (codice >= 300 && codice < 400);
}

} // namespace

HttpTransport::HttpTransport(QObject* parent) : QObject(parent) {
    m_nam.setProxyFactory(new ProxyDiSistema); // the manager owns it
    m_nam.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_nam.setCache(nullptr);
}

void HttpTransport::setTimeouts(int connessioneMs, int inattivitaMs) {
    m_timeoutConnessioneMs = connessioneMs;
    m_timeoutInattivitaMs = inattivitaMs;
}

void HttpTransport::chiudiConnessioni() {
    m_nam.clearConnectionCache();
}

HttpTransport::Risposta HttpTransport::post(const QUrl& url, const QList<Header>& headers,
                                            const QByteArray& body) {
    if (m_inCorso)
        throw VarnoError(QStringLiteral("Una chiamata al server è già in corso."));
    m_inCorso = true;
    struct Fine {
        bool& flag;
        ~Fine() { flag = false; }
    } fine{m_inCorso};

    QNetworkRequest richiesta(url);
    for (const Header& h : headers)
        richiesta.setRawHeader(h.first, h.second);
    richiesta.setHeader(QNetworkRequest::UserAgentHeader, kUserAgent);
    richiesta.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    richiesta.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    richiesta.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    richiesta.setAttribute(QNetworkRequest::HttpPipeliningAllowedAttribute, false);
    richiesta.setRawHeader("Connection", "Keep-Alive");
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
        if (!m_caAggiuntive.isEmpty())
            ssl.addCaCertificates(m_caAggiuntive);
        richiesta.setSslConfiguration(ssl);
    }

    QNetworkReply* reply = m_nam.post(richiesta, body);
    QEventLoop loop;
    QTimer orologio;
    orologio.setSingleShot(true);
    bool scaduto = false;
    bool troppoGrande = false;

    // The first sign of life shows the connection is up; from then on the time limit counts the
    // silence since the last piece of data sent or received.
    auto attivita = [&] { orologio.start(m_timeoutInattivitaMs); };
    connect(reply, &QNetworkReply::uploadProgress, &loop, [&](qint64 inviati, qint64) {
        if (inviati > 0)
            attivita();
    });
    connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 ricevuti, qint64) {
        if (ricevuti > kMassimaRisposta) {
            troppoGrande = true;
            reply->abort();
            return;
        }
        attivita();
    });
    connect(reply, &QNetworkReply::encrypted, &loop, attivita);
    connect(reply, &QNetworkReply::requestSent, &loop, attivita);
    connect(reply, &QNetworkReply::metaDataChanged, &loop, attivita);
    connect(&orologio, &QTimer::timeout, &loop, [&] {
        scaduto = true;
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    orologio.start(m_timeoutConnessioneMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    orologio.stop();

    Risposta risposta;
    const QVariant stato = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (scaduto) {
        risposta.fallita = true;
        risposta.erroreClient = QStringLiteral("Operation timed out");
    } else if (troppoGrande) {
        risposta.fallita = true;
        risposta.erroreClient = QStringLiteral("The answer is larger than %1 bytes").arg(kMassimaRisposta);
    } else if (senzaRisposta(reply->error()) || !stato.isValid()) {
        risposta.fallita = true;
        risposta.erroreClient = suUnaRiga(reply->errorString());
    } else {
        risposta.stato = stato.toInt();
        risposta.testoStato =
            QString::fromLatin1(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
        risposta.tipo = reply->rawHeader("Content-Type");
        risposta.corpo = reply->readAll();
    }
    delete reply; // at once: a caller sending many forms may never return to an event loop
    if (risposta.fallita)
        chiudiConnessioni();
    return risposta;
}
