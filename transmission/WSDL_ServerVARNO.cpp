#include "WSDL_ServerVARNO.h"

#include "VarnoError.h"

#include <QUrl>
#include <QXmlStreamReader>
#include <cstring>

using namespace ServerVARNO;

namespace {

[[noreturn]] void rifiuta(char16_t c, const char* parametro) {
    throw VarnoError(QStringLiteral("Il testo di %1 contiene il carattere U+%2, che XML non ammette.")
                         .arg(QLatin1String(parametro),
                              QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
}

// Character data of the request, in UTF-8: the three characters XML reserves are escaped, and
// the carriage return, which a parser would otherwise turn into a line feed. A character that
// XML 1.0 cannot carry at all is refused rather than sent to break the server's parser.
void scriviTesto(QByteArray& out, const QString& testo, const char* parametro) {
    // One pass from UTF-16 to escaped UTF-8, written in place: one unit never takes more than
    // 5 bytes (an escape; a surrogate pair takes 4 for its two).
    const char16_t* u = reinterpret_cast<const char16_t*>(testo.constData());
    const qsizetype n = testo.size();
    const qsizetype inizio = out.size();
    out.resize(inizio + n * 5);
    char* d = out.data() + inizio;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = u[i];
        if (c < 0x80) {
            switch (c) {
            case '&':
                memcpy(d, "&amp;", 5);
                d += 5;
                break;
            case '<':
                memcpy(d, "&lt;", 4);
                d += 4;
                break;
            case '>':
                memcpy(d, "&gt;", 4);
                d += 4;
                break;
            case '\r':
                memcpy(d, "&#13;", 5);
                d += 5;
                break;
            default:
                if (c < 0x20 && c != '\t' && c != '\n')
                    rifiuta(c, parametro);
                *d++ = char(c);
            }
        } else if (c < 0x800) {
            *d++ = char(0xC0 | (c >> 6));
            *d++ = char(0x80 | (c & 0x3F));
        } else if (c < 0xD800 || (c >= 0xE000 && c <= 0xFFFD)) {
            *d++ = char(0xE0 | (c >> 12));
            *d++ = char(0x80 | ((c >> 6) & 0x3F));
            *d++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(u[i + 1])) {
            const char32_t cp = QChar::surrogateToUcs4(c, u[i + 1]);
            ++i;
            *d++ = char(0xF0 | (cp >> 18));
            *d++ = char(0x80 | ((cp >> 12) & 0x3F));
            *d++ = char(0x80 | ((cp >> 6) & 0x3F));
            *d++ = char(0x80 | (cp & 0x3F));
        } else {
            rifiuta(c, parametro);
        }
    }
    out.truncate(d - out.constData());
}

void scriviParametro(QByteArray& out, const char* nome, const char* tipo, const QString& valore) {
    out.append('<').append(nome).append(" xsi:type=\"").append(tipo);
    if (valore.isEmpty()) {
        out.append("\"/>");
        return;
    }
    out.append("\">");
    scriviTesto(out, valore, nome);
    out.append("</").append(nome).append('>');
}

// The answer document as a small tree: namespace, local name, text, child elements.
struct Nodo {
    QString ns;
    QString nome;
    QString proprio;      // the element's own character data, without its children's
    qsizetype inizio = 0; // where the element stands in its parent's own character data
    std::vector<Nodo> figli;
};

// All the character data inside an element, children included, in document order. Built on
// demand, so a deep answer costs its size once and not once per enclosing element.
QString testoCompleto(const Nodo& n) {
    QString t;
    qsizetype da = 0;
    for (const Nodo& f : n.figli) {
        t += QStringView(n.proprio).mid(da, f.inizio - da);
        t += testoCompleto(f);
        da = f.inizio;
    }
    t += QStringView(n.proprio).mid(da);
    return t;
}

constexpr int kProfonditaMassima = 64;

Nodo leggiAlbero(const QByteArray& corpo) {
    QXmlStreamReader xml(corpo);
    Nodo radice;
    std::vector<Nodo*> pila;
    bool radiceVista = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (pila.empty()) {
                radiceVista = true;
                radice.ns = xml.namespaceUri().toString();
                radice.nome = xml.name().toString();
                pila.push_back(&radice);
                break;
            }
            if (pila.size() >= kProfonditaMassima)
                throw VarnoError(QStringLiteral("SOAP response nested too deeply"));
            Nodo figlio;
            figlio.ns = xml.namespaceUri().toString();
            figlio.nome = xml.name().toString();
            figlio.inizio = pila.back()->proprio.size();
            pila.back()->figli.push_back(std::move(figlio));
            pila.push_back(&pila.back()->figli.back());
            break;
        }
        case QXmlStreamReader::EndElement:
            pila.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!pila.empty())
                pila.back()->proprio += xml.text();
            break;
        default:
            break;
        }
    }
    if (xml.hasError() || !radiceVista)
        throw VarnoError(QStringLiteral("SOAP response is not XML: %1 (line %2, column %3)")
                             .arg(radiceVista ? xml.errorString() : QStringLiteral("no document element"))
                             .arg(xml.lineNumber())
                             .arg(xml.columnNumber()));
    return radice;
}

bool leggiBooleano(const QString& testo) {
    const QString t = testo.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1"))
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
        return false;
    throw VarnoError(QStringLiteral("'%1' is not a valid boolean value").arg(testo));
}

bool leggiRisposta(const QByteArray& corpo, bool& OvewriteIfExist, QString& aInfo) {
    const Nodo envelope = leggiAlbero(corpo);
    if (envelope.ns != kNsEnvelope || envelope.nome != QLatin1String("Envelope"))
        throw VarnoError(QStringLiteral("DocumentElement %1:%2 expected, %3:%4 found")
                             .arg(kNsEnvelope, QStringLiteral("Envelope"), envelope.ns, envelope.nome));
    if (envelope.figli.empty())
        throw VarnoError(QStringLiteral("Invalid SOAP request"));
    const Nodo* body = nullptr;
    int headers = 0;
    for (const Nodo& figlio : envelope.figli) {
        if (figlio.nome == QLatin1String("Header")) {
            if (++headers > 1)
                throw VarnoError(QStringLiteral("Invalid SOAP response"));
        } else if (figlio.nome == QLatin1String("Body")) {
            if (body)
                throw VarnoError(QStringLiteral("Invalid SOAP response"));
            body = &figlio;
        }
    }
    if (!body)
        throw VarnoError(QStringLiteral("Invalid SOAP response"));

    const QString nonTrovato =
        QStringLiteral("SOAP Response Packet: element matching function return not found, received \"%1\"");
    if (body->figli.empty())
        throw VarnoError(nonTrovato.arg(QString()));
    const Nodo& risposta = body->figli.front();
    if (risposta.nome == QLatin1String("Fault")) {
        QString faultstring, faultcode;
        for (const Nodo& n : risposta.figli) {
            if (n.nome.compare(QLatin1String("faultstring"), Qt::CaseInsensitive) == 0)
                faultstring = testoCompleto(n);
            else if (n.nome.compare(QLatin1String("faultcode"), Qt::CaseInsensitive) == 0)
                faultcode = testoCompleto(n);
        }
        // A fault without its text still must not end in an empty message box.
        throw VarnoError(!faultstring.isEmpty() ? faultstring
                         : !faultcode.isEmpty() ? faultcode
                                                : QStringLiteral("SOAP fault"));
    }

    const Nodo* risultato = nullptr;
    if (risposta.figli.size() == 1) {
        risultato = &risposta.figli.front();
    } else {
        for (const Nodo& n : risposta.figli) {
            if (n.nome.compare(QLatin1String("return"), Qt::CaseInsensitive) == 0) {
                risultato = &n;
                break;
            }
        }
    }
    if (!risultato)
        throw VarnoError(nonTrovato.arg(testoCompleto(risposta)));

    // Read into copies first, so a value that cannot be read leaves the caller's untouched.
    bool nuovoOverwrite = OvewriteIfExist;
    QString nuovoInfo = aInfo;
    for (const Nodo& n : risposta.figli) {
        if (&n == risultato)
            continue;
        if (n.nome == QLatin1String("OvewriteIfExist"))
            nuovoOverwrite = leggiBooleano(testoCompleto(n));
        else if (n.nome == QLatin1String("aInfo"))
            nuovoInfo = testoCompleto(n);
    }
    const bool esito = leggiBooleano(testoCompleto(*risultato));
    OvewriteIfExist = nuovoOverwrite;
    aInfo = nuovoInfo;
    return esito;
}

} // namespace

bool LeggiRispostaSendScheda(const QByteArray& corpo, bool& OvewriteIfExist, QString& aInfo) {
    return leggiRisposta(corpo, OvewriteIfExist, aInfo);
}

QString IndirizzoServerVARNO(const QString& ipAddress) {
    return QStringLiteral("http://") + ipAddress + kPercorso;
}

QByteArray RichiestaSendScheda(const QString& NomeUtente, const QString& Password, const QString& Scheda,
                               bool OvewriteIfExist, const QString& aInfo) {
    QByteArray doc;
    doc.reserve(Scheda.size() + Scheda.size() / 4 + 1024);
    doc.append("<?xml version=\"1.0\"?>");
    doc.append("<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"")
        .append(kNsEnvelope.toUtf8())
        .append("\" xmlns:xsd=\"")
        .append(kNsXsd.toUtf8())
        .append("\" xmlns:xsi=\"")
        .append(kNsXsi.toUtf8())
        .append("\" xmlns:SOAP-ENC=\"")
        .append(kNsEncoding.toUtf8())
        .append("\">");
    doc.append("<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"").append(kNsEncoding.toUtf8()).append("\">");
    doc.append("<NS1:SendScheda xmlns:NS1=\"").append(kNamespace.toUtf8()).append("\">");
    scriviParametro(doc, "NomeUtente", "xsd:string", NomeUtente);
    scriviParametro(doc, "Password", "xsd:string", Password);
    scriviParametro(doc, "Scheda", "xsd:string", Scheda);
    scriviParametro(doc, "OvewriteIfExist", "xsd:boolean",
                    OvewriteIfExist ? QStringLiteral("true") : QStringLiteral("false"));
    scriviParametro(doc, "aInfo", "xsd:string", aInfo);
    doc.append("</NS1:SendScheda></SOAP-ENV:Body></SOAP-ENV:Envelope>");
    return doc;
}

IServerVARNO::IServerVARNO(QString url)
    : m_url(std::move(url)), m_transport(std::make_unique<HttpTransport>()) {}

IServerVARNO::~IServerVARNO() = default;

bool IServerVARNO::SendScheda(const QString& NomeUtente, const QString& Password, const QString& Scheda,
                              bool& OvewriteIfExist, QString& aInfo) {
    const QUrl url(m_url);
    const QString schema = url.scheme().toLower();
    if (schema != QLatin1String("http") && schema != QLatin1String("https"))
        throw VarnoError(
            QStringLiteral("Invalid url '%1' - only supports 'http' and 'https' schemes").arg(m_url));
    const auto erroreClient = [&](const QString& testo) {
        return VarnoError(QStringLiteral("%1 - URL:%2 - SOAPAction:%3").arg(testo, m_url, kSoapAction));
    };
    if (!url.isValid())
        throw erroreClient(url.errorString());
    if (url.host().isEmpty())
        throw erroreClient(QStringLiteral("The address has no host name"));

    const QByteArray corpo = RichiestaSendScheda(NomeUtente, Password, Scheda, OvewriteIfExist, aInfo);
    const QList<HttpTransport::Header> headers = {
        {"SOAPAction", '"' + kSoapAction.toLatin1() + '"'},
        {"Content-Type", "text/xml; charset=\"utf-8\""},
    };
    const HttpTransport::Risposta risposta = m_transport->post(url, headers, corpo);
    if (risposta.fallita)
        throw erroreClient(risposta.erroreClient);
    // Status 500 carries a SOAP fault and is read like an answer.
    if (risposta.stato >= 300 && risposta.stato != 500)
        throw VarnoError(
            QStringLiteral("%1 (%2) - '%3'").arg(risposta.testoStato).arg(risposta.stato).arg(m_url));
    return LeggiRispostaSendScheda(risposta.corpo, OvewriteIfExist, aInfo);
}
