#include "ServizioSchede.h"

#include "Cp1252.h"
#include "SafeFile.h"
#include "WSDL_ServerVARNO.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>

using namespace ServerVARNO;

namespace {

struct Errore {
    QString testo;
};

struct Chiamata {
    QString NomeUtente, Password, Scheda, aInfo;
    bool OvewriteIfExist = false;
};

QString testoXml(const QString& t) {
    return t.toHtmlEscaped().replace(QLatin1Char('\r'), QLatin1String("&#13;"));
}

QByteArray inizioDocumento() {
    return (QLatin1String("<?xml version=\"1.0\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"") + kNsEnvelope +
            QLatin1String("\" xmlns:xsd=\"") + kNsXsd + QLatin1String("\" xmlns:xsi=\"") + kNsXsi +
            QLatin1String("\" xmlns:SOAP-ENC=\"") + kNsEncoding + QLatin1String("\">"))
        .toUtf8();
}

ServizioSchede::Risposta fault(const QString& codice, const QString& testo) {
    ServizioSchede::Risposta r;
    r.stato = 500;
    r.corpo = inizioDocumento() +
              (QLatin1String("<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>") + codice +
               QLatin1String("</faultcode><faultstring>") + testoXml(testo) +
               QLatin1String("</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>"))
                  .toUtf8();
    r.esito = QStringLiteral("errore: ") + testo;
    return r;
}

ServizioSchede::Risposta esito(bool ritorno, bool OvewriteIfExist, const QString& aInfo,
                               const QString& riga) {
    const auto booleano = [](bool b) { return b ? QLatin1String("true") : QLatin1String("false"); };
    ServizioSchede::Risposta r;
    r.corpo =
        inizioDocumento() + (QLatin1String("<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"") + kNsEncoding +
                             QLatin1String("\"><NS1:SendSchedaResponse xmlns:NS1=\"") + kNamespace +
                             QLatin1String("\"><return xsi:type=\"xsd:boolean\">") + booleano(ritorno) +
                             QLatin1String("</return><OvewriteIfExist xsi:type=\"xsd:boolean\">") +
                             booleano(OvewriteIfExist) + QLatin1String("</OvewriteIfExist>") +
                             (aInfo.isEmpty() ? QLatin1String("<aInfo xsi:type=\"xsd:string\"/>")
                                              : QLatin1String("<aInfo xsi:type=\"xsd:string\">") +
                                                    testoXml(aInfo) + QLatin1String("</aInfo>")) +
                             QLatin1String("</NS1:SendSchedaResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>"))
                                .toUtf8();
    r.esito = riga;
    return r;
}

void controlla(const QXmlStreamReader& xml, const char* cosa) {
    if (xml.hasError())
        throw Errore{QStringLiteral("%1 non leggibile: %2 (riga %3, colonna %4)")
                         .arg(QLatin1String(cosa), xml.errorString())
                         .arg(xml.lineNumber())
                         .arg(xml.columnNumber())};
}

// A parameter's text, child elements' text included, read without recursion. Nesting past a few
// levels is no request of ours: it is refused, so a hostile body costs neither stack nor time.
constexpr int kProfonditaMassima = 32;

QString testoParametro(QXmlStreamReader& xml) {
    QString testo;
    int profondita = 1;
    while (profondita > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++profondita > kProfonditaMassima)
                throw Errore{QStringLiteral("Richiesta non leggibile: elementi annidati oltre %1 livelli")
                                 .arg(kProfonditaMassima)};
            break;
        case QXmlStreamReader::EndElement:
            --profondita;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            testo += xml.text();
            break;
        default:
            break;
        }
    }
    return testo;
}

// Envelope > Body > SendScheda > the parameters, by local name.
Chiamata leggiChiamata(const QByteArray& corpo) {
    QXmlStreamReader xml(corpo);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("Envelope") ||
        xml.namespaceUri() != kNsEnvelope) {
        controlla(xml, "Richiesta");
        throw Errore{QStringLiteral("Richiesta senza busta SOAP")};
    }
    bool inBody = false;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("Body")) {
            inBody = true;
            break;
        }
        xml.skipCurrentElement();
    }
    controlla(xml, "Richiesta");
    if (!inBody || !xml.readNextStartElement()) {
        controlla(xml, "Richiesta");
        throw Errore{QStringLiteral("Richiesta SOAP senza operazione")};
    }
    if (xml.name() != QLatin1String("SendScheda"))
        throw Errore{QStringLiteral("Operazione sconosciuta: %1").arg(xml.name())};
    Chiamata c;
    while (xml.readNextStartElement()) {
        const QString nome = xml.name().toString();
        const QString valore = testoParametro(xml);
        if (nome == QLatin1String("NomeUtente"))
            c.NomeUtente = valore;
        else if (nome == QLatin1String("Password"))
            c.Password = valore;
        else if (nome == QLatin1String("Scheda"))
            c.Scheda = valore;
        else if (nome == QLatin1String("aInfo"))
            c.aInfo = valore;
        else if (nome == QLatin1String("OvewriteIfExist")) {
            const QString v = valore.trimmed().toLower();
            c.OvewriteIfExist = v == QLatin1String("true") || v == QLatin1String("1");
        }
    }
    controlla(xml, "Richiesta");
    return c;
}

struct Chiave {
    QString squadra, numero, data;
};

// The squad, number and date of the form: attributes of the first ROW of the datapacket.
Chiave leggiChiave(const QString& scheda) {
    QXmlStreamReader xml(scheda);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("ROW")) {
            const QXmlStreamAttributes a = xml.attributes();
            Chiave k{a.value(QLatin1String("S1_Squadra")).toString(),
                     a.value(QLatin1String("S1_SchedaN")).toString(),
                     a.value(QLatin1String("S1_Data")).toString()};
            if (k.squadra.isEmpty() || k.numero.isEmpty() || k.data.isEmpty())
                throw Errore{QStringLiteral("Scheda senza squadra, numero o data")};
            return k;
        }
    }
    controlla(xml, "Scheda");
    throw Errore{QStringLiteral("Scheda senza righe di dati")};
}

QString parteSicura(const QString& testo) {
    return QString::fromLatin1(QUrl::toPercentEncoding(testo, QByteArrayLiteral(" -+=,;()[]{}!~'")));
}

} // namespace

ServizioSchede::ServizioSchede(QString cartella) : m_cartella(std::move(cartella)) {}

QString ServizioSchede::nomeFile(const QString& squadra, const QString& numero, const QString& data) {
    // The datapacket's date: YYYYMMDD, then "T" and the time when it is not midnight.
    static const QRegularExpression formaData(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})(T.*)?$"));
    const QRegularExpressionMatch m = formaData.match(data);
    const QString giorno =
        m.hasMatch() ? m.captured(3) + QLatin1Char('-') + m.captured(2) + QLatin1Char('-') + m.captured(1)
                     : parteSicura(data);
    return QStringLiteral("Sq") + parteSicura(squadra) + QStringLiteral("_n") + parteSicura(numero) +
           QStringLiteral("_(") + giorno + QStringLiteral(").xml");
}

ServizioSchede::Risposta ServizioSchede::rispondi(const QByteArray& richiesta) {
    try {
        const Chiamata c = leggiChiamata(richiesta);
        if (c.NomeUtente.isEmpty())
            return fault(QStringLiteral("SOAP-ENV:Client"), QStringLiteral("Nome utente mancante"));
        const Chiave k = leggiChiave(c.Scheda);
        const QString nome = nomeFile(k.squadra, k.numero, k.data);
        const QString percorso = QDir(m_cartella).filePath(nome);
        const bool esiste = QFile::exists(percorso);
        if (esiste && !c.OvewriteIfExist)
            return esito(false, true, QString(), nome + QStringLiteral(" esiste già"));

        // A form stored only in part is not accepted: the answer is a fault, never true.
        const QByteArray dati = Cp1252::canEncode(c.Scheda) ? Cp1252::encode(c.Scheda) : c.Scheda.toUtf8();
        QString motivo;
        if (!SafeFile::replace(percorso, dati, &motivo))
            return fault(QStringLiteral("SOAP-ENV:Server"),
                         QStringLiteral("Impossibile salvare la scheda %1: %2").arg(nome, motivo));
        return esito(true, c.OvewriteIfExist, QString(),
                     nome + (esiste ? QStringLiteral(" aggiornata") : QStringLiteral(" ricevuta")));
    } catch (const Errore& e) {
        return fault(QStringLiteral("SOAP-ENV:Client"), e.testo);
    }
}
