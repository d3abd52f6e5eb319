#include "HttpTransport.h"

#include "VarnoError.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxyFactory>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

#include <cerrno>
#include <sys/socket.h>

const QByteArray HttpTransport::kUserAgent = QByteArrayLiteral("VARNO/1.0");

namespace {

// The system's proxy for every host except the local machine, which is always reached directly.
QNetworkProxy proxyPer(const QUrl& url) {
    const QString host = url.host();
    const QHostAddress indirizzo(host);
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        (!indirizzo.isNull() && indirizzo.isLoopback()))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    const QList<QNetworkProxy> proxy = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    for (const QNetworkProxy& p : proxy) {
        if (p.type() == QNetworkProxy::HttpProxy || p.type() == QNetworkProxy::Socks5Proxy)
            return p;
        if (p.type() == QNetworkProxy::NoProxy)
            break;
    }
    return QNetworkProxy(QNetworkProxy::NoProxy);
}

// A kept-alive connection is fit for the next request only while the server has neither closed
// it nor sent anything unasked-for; the system knows that before Qt has looked.
bool connessioneIntatta(QSslSocket& s) {
    if (s.state() != QAbstractSocket::ConnectedState || s.bytesAvailable() > 0)
        return false;
    const qintptr fd = s.socketDescriptor();
    if (fd < 0)
        return false;
    char c;
    const ssize_t n = ::recv(int(fd), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

QString suUnaRiga(QString testo) {
    testo.replace(QLatin1String("\r\n"), QLatin1String(" "));
    testo.replace(QLatin1Char('\r'), QLatin1Char(' '));
    testo.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return testo.trimmed();
}

bool soloCifre(const QByteArray& testo) {
    if (testo.isEmpty() || testo.size() > 18)
        return false;
    for (char c : testo)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Reads one HTTP/1.x answer as its bytes arrive: status line and headers, then a body delimited
// by Content-Length, by chunks, or by the end of the connection. Every size is checked against
// what has arrived and against the limits; nothing is read past the bytes held.
class LettoreRisposta {
public:
    enum class Fase { Intestazione, Lunghezza, DimensioneBlocco, DatiBlocco, Coda, FinoAChiusura, Finita };

    bool chiudi = false; // the connection cannot serve another request
    int stato = 0;
    QByteArray motivo, tipo, corpo;
    QString errore;

    bool finita() const { return m_fase == Fase::Finita; }

    // Takes the bytes that arrived; false when the answer is malformed (errore says why).
    bool aggiungi(const QByteArray& dati) {
        m_in += dati;
        if (!avanza())
            return false;
        if (finita() && !m_in.isEmpty())
            chiudi = true; // bytes beyond the answer: do not trust this connection again
        return true;
    }

    // The server closed the connection: true when that completes the answer.
    bool fineFlusso() {
        if (m_fase == Fase::FinoAChiusura)
            m_fase = Fase::Finita;
        chiudi = true;
        return finita();
    }

private:
    Fase m_fase = Fase::Intestazione;
    QByteArray m_in;
    qsizetype m_daLeggere = 0;

    bool sbaglio(const char* testo) {
        errore = QString::fromLatin1(testo);
        return false;
    }

    // One line ended by CRLF, or false when it has not arrived yet.
    bool riga(QByteArray& fuori, bool& ok) {
        ok = true;
        const qsizetype fine = m_in.indexOf("\r\n");
        if (fine < 0) {
            if (m_in.size() > 4096)
                ok = sbaglio("Invalid HTTP response: line too long");
            return false;
        }
        fuori = m_in.left(fine);
        m_in.remove(0, fine + 2);
        return true;
    }

    bool intestazione() {
        const qsizetype fine = m_in.indexOf("\r\n\r\n");
        if (fine < 0) {
            if (m_in.size() > HttpTransport::kMassimaIntestazione)
                return sbaglio("Invalid HTTP response: headers too long");
            return true;
        }
        const QList<QByteArray> righe = m_in.left(fine).split('\n');
        m_in.remove(0, fine + 4);
        const QByteArray primo = righe.first().trimmed();
        // HTTP/1.x NNN reason
        if (!primo.startsWith("HTTP/1.") || primo.size() < 12 || primo.at(8) != ' ' ||
            !soloCifre(primo.mid(9, 3)) || (primo.size() > 12 && primo.at(12) != ' '))
            return sbaglio("Invalid HTTP response: bad status line");
        const bool http10 = primo.at(7) == '0';
        stato = primo.mid(9, 3).toInt();
        motivo = primo.mid(13);
        QByteArray lunghezza, trasferimento, connessione;
        bool conLunghezza = false;
        for (qsizetype i = 1; i < righe.size(); ++i) {
            const QByteArray r = righe.at(i).trimmed();
            const qsizetype dp = r.indexOf(':');
            if (dp <= 0)
                continue;
            const QByteArray nome = r.left(dp).trimmed().toLower();
            const QByteArray valore = r.mid(dp + 1).trimmed();
            if (nome == "content-type")
                tipo = valore;
            else if (nome == "content-length") {
                if (conLunghezza && valore != lunghezza)
                    return sbaglio("Invalid HTTP response: conflicting Content-Length");
                conLunghezza = true;
                lunghezza = valore;
            } else if (nome == "transfer-encoding")
                trasferimento = valore.toLower();
            else if (nome == "connection")
                connessione = valore.toLower();
        }
        if (stato >= 100 && stato < 200) { // an interim answer: the real one follows
            stato = 0;
            motivo.clear();
            tipo.clear();
            return true;
        }
        chiudi = connessione.contains("close") || (http10 && !connessione.contains("keep-alive"));
        if (stato == 204 || stato == 304) {
            m_fase = Fase::Finita;
        } else if (!trasferimento.isEmpty() && trasferimento != "identity") {
            if (!trasferimento.endsWith("chunked"))
                return sbaglio("Invalid HTTP response: unsupported Transfer-Encoding");
            m_fase = Fase::DimensioneBlocco;
        } else if (conLunghezza) {
            if (!soloCifre(lunghezza))
                return sbaglio("Invalid HTTP response: bad Content-Length");
            m_daLeggere = lunghezza.toLongLong();
            if (m_daLeggere > HttpTransport::kMassimaRisposta)
                return sbaglio("Invalid HTTP response: answer too large");
            m_fase = m_daLeggere == 0 ? Fase::Finita : Fase::Lunghezza;
        } else {
            m_fase = Fase::FinoAChiusura;
            chiudi = true;
        }
        return true;
    }

    bool avanza() {
        for (;;) {
            bool ok = true;
            QByteArray linea;
            switch (m_fase) {
            case Fase::Intestazione: {
                const qsizetype prima = m_in.size();
                if (!intestazione())
                    return false;
                if (m_fase == Fase::Intestazione && m_in.size() == prima)
                    return true; // waiting for the rest of the headers
                break;
            }
            case Fase::Lunghezza: {
                const qsizetype n = qMin(m_in.size(), m_daLeggere);
                corpo += m_in.left(n);
                m_in.remove(0, n);
                m_daLeggere -= n;
                if (m_daLeggere > 0)
                    return true;
                m_fase = Fase::Finita;
                break;
            }
            case Fase::DimensioneBlocco: {
                if (!riga(linea, ok))
                    return ok;
                const qsizetype pv = linea.indexOf(';');
                const QByteArray hex = (pv >= 0 ? linea.left(pv) : linea).trimmed();
                bool valido = !hex.isEmpty() && hex.size() <= 8;
                const qsizetype dimensione = valido ? hex.toLongLong(&valido, 16) : 0;
                if (!valido || dimensione < 0)
                    return sbaglio("Invalid HTTP response: bad chunk size");
                if (corpo.size() + dimensione > HttpTransport::kMassimaRisposta)
                    return sbaglio("Invalid HTTP response: answer too large");
                m_daLeggere = dimensione;
                m_fase = dimensione == 0 ? Fase::Coda : Fase::DatiBlocco;
                break;
            }
            case Fase::DatiBlocco:
                if (m_in.size() < m_daLeggere + 2)
                    return true;
                if (m_in.at(m_daLeggere) != '\r' || m_in.at(m_daLeggere + 1) != '\n')
                    return sbaglio("Invalid HTTP response: bad chunk end");
                corpo += m_in.left(m_daLeggere);
                m_in.remove(0, m_daLeggere + 2);
                m_fase = Fase::DimensioneBlocco;
                break;
            case Fase::Coda:
                if (!riga(linea, ok))
                    return ok;
                if (linea.isEmpty())
                    m_fase = Fase::Finita;
                break;
            case Fase::FinoAChiusura:
                corpo += m_in;
                m_in.clear();
                if (corpo.size() > HttpTransport::kMassimaRisposta)
                    return sbaglio("Invalid HTTP response: answer too large");
                return true;
            case Fase::Finita:
                return true;
            }
        }
    }
};

} // namespace

// Where a request goes and how.
struct HttpTransport::Connessione {
    bool https = false;
    QString host;
    quint16 porta = 80;
    QNetworkProxy proxy;
    bool proxyInChiaro = false; // plain http through an HTTP proxy: the proxy gets the full URL
};

HttpTransport::HttpTransport(QObject* parent) : QObject(parent) {}

HttpTransport::~HttpTransport() {
    chiudiConnessioni();
}

void HttpTransport::setTimeouts(int connessioneMs, int inattivitaMs, int chiamataMs) {
    m_timeoutConnessioneMs = connessioneMs;
    m_timeoutInattivitaMs = inattivitaMs;
    m_timeoutChiamataMs = chiamataMs;
}

void HttpTransport::chiudiConnessioni() {
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket.reset();
    m_chiave.clear();
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

    Connessione c;
    c.https = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    c.host = url.host();
    c.porta = quint16(url.port(c.https ? 443 : 80));
    c.proxy = proxyPer(url);
    c.proxyInChiaro = !c.https && c.proxy.type() == QNetworkProxy::HttpProxy;

    QByteArray host = QUrl::toAce(c.host);
    if (host.isEmpty())
        host = c.host.toLatin1();
    if (c.host.contains(QLatin1Char(':')))
        host = '[' + host + ']';
    if (c.porta != (c.https ? 443 : 80))
        host += ':' + QByteArray::number(c.porta);
    QByteArray destinazione = url.path(QUrl::FullyEncoded).toLatin1();
    if (destinazione.isEmpty())
        destinazione = "/";
    if (url.hasQuery())
        destinazione += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    if (c.proxyInChiaro)
        destinazione = "http://" + host + destinazione;

    QByteArray richiesta;
    richiesta.reserve(body.size() + 512);
    richiesta += "POST " + destinazione + " HTTP/1.1\r\n";
    for (const Header& h : headers)
        richiesta += h.first + ": " + h.second + "\r\n";
    richiesta += "User-Agent: " + kUserAgent + "\r\nHost: " + host +
                 "\r\nContent-Length: " + QByteArray::number(body.size()) +
                 "\r\nConnection: Keep-Alive\r\n\r\n";
    richiesta += body;

    const QString chiave = QStringLiteral("%1|%2|%3|%4|%5|%6")
                               .arg(c.https)
                               .arg(c.host)
                               .arg(c.porta)
                               .arg(int(c.proxy.type()))
                               .arg(c.proxy.hostName())
                               .arg(c.proxy.port());
    // A kept-alive connection serves again only if it is the same destination and intact. One the
    // server closed while idle is replaced before the request is written; once the request has
    // been written it is never sent again, since the server may have acted on it.
    if (m_socket && (m_chiave != chiave || !connessioneIntatta(*m_socket)))
        chiudiConnessioni();
    m_chiave = chiave;
    return scambio(c, richiesta);
}

HttpTransport::Risposta HttpTransport::scambio(const Connessione& c, const QByteArray& richiesta) {
    const bool nuova = !m_socket;
    if (nuova)
        m_socket = std::make_unique<QSslSocket>();
    QSslSocket* s = m_socket.get();

    QEventLoop loop;
    QTimer orologio;
    orologio.setSingleShot(true);
    QTimer limiteChiamata;
    limiteChiamata.setSingleShot(true);
    LettoreRisposta lettore;
    QString errore;
    QStringList erroriSsl;
    bool finito = false;

    const auto termina = [&](const QString& testo) {
        if (finito)
            return;
        finito = true;
        errore = testo;
        loop.quit();
    };
    const auto leggi = [&] {
        if (finito)
            return;
        if (!lettore.aggiungi(s->readAll()))
            termina(lettore.errore);
        else if (lettore.finita())
            termina(QString());
    };
    const auto invia = [&] {
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        orologio.start(m_timeoutInattivitaMs);
        s->write(richiesta);
        s->flush(); // hand it to the system now rather than on the next turn of the loop
    };

    connect(s, &QIODevice::readyRead, &loop, [&] {
        orologio.start(m_timeoutInattivitaMs);
        leggi();
    });
    connect(s, &QIODevice::bytesWritten, &loop, [&] { orologio.start(m_timeoutInattivitaMs); });
    connect(s, &QSslSocket::sslErrors, &loop, [&](const QList<QSslError>& errori) {
        for (const QSslError& e : errori)
            erroriSsl.append(e.errorString());
    });
    const auto chiusura = [&] {
        leggi();
        if (finito)
            return;
        if (lettore.fineFlusso()) {
            termina(QString());
            return;
        }
        termina(QStringLiteral("The remote host closed the connection"));
    };
    connect(s, &QAbstractSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError) {
            chiusura();
            return;
        }
        leggi();
        if (e == QAbstractSocket::SslHandshakeFailedError && !erroriSsl.isEmpty())
            termina(QStringLiteral("SSL handshake failed: ") + erroriSsl.join(QLatin1String("; ")));
        else
            termina(s->errorString());
    });
    connect(s, &QAbstractSocket::disconnected, &loop, chiusura);
    connect(&orologio, &QTimer::timeout, &loop, [&] { termina(QStringLiteral("Operation timed out")); });
    connect(&limiteChiamata, &QTimer::timeout, &loop,
            [&] { termina(QStringLiteral("Operation timed out")); });
    limiteChiamata.start(m_timeoutChiamataMs);

    if (nuova) {
        s->setProxy(c.proxyInChiaro ? QNetworkProxy(QNetworkProxy::NoProxy) : c.proxy);
        orologio.start(m_timeoutConnessioneMs);
        if (c.https) {
            QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
            ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
            if (!m_caAggiuntive.isEmpty())
                ssl.addCaCertificates(m_caAggiuntive);
            s->setSslConfiguration(ssl);
            s->setPeerVerifyName(c.host);
            connect(s, &QSslSocket::encrypted, &loop, invia);
            s->connectToHostEncrypted(c.host, c.porta);
        } else {
            connect(s, &QAbstractSocket::connected, &loop, invia);
            if (c.proxyInChiaro)
                s->connectToHost(c.proxy.hostName(), c.proxy.port());
            else
                s->connectToHost(c.host, c.porta);
        }
    } else {
        invia();
    }
    if (!finito)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    orologio.stop();
    limiteChiamata.stop();
    s->disconnect(&loop);

    Risposta risposta;
    if (!errore.isEmpty() || !lettore.finita()) {
        risposta.fallita = true;
        risposta.erroreClient = suUnaRiga(errore.isEmpty() ? QStringLiteral("Unknown error") : errore);
        chiudiConnessioni();
        return risposta;
    }
    risposta.stato = lettore.stato;
    risposta.testoStato = QString::fromLatin1(lettore.motivo);
    risposta.tipo = lettore.tipo;
    risposta.corpo = std::move(lettore.corpo);
    if (lettore.chiudi)
        chiudiConnessioni();
    return risposta;
}
