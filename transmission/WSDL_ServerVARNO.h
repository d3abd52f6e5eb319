#pragma once

#include "HttpTransport.h"

#include <QByteArray>
#include <QString>
#include <memory>

// The survey server's service interface IServerVARNO and its one operation SendScheda, called as
// SOAP 1.1 (RPC style, SOAP encoding) over one HTTP POST per call.
namespace ServerVARNO {
inline const QString kNamespace = QStringLiteral("urn:ServerVARNOIntf-IServerVARNO");
inline const QString kSoapAction = QStringLiteral("urn:ServerVARNOIntf-IServerVARNO#SendScheda");
inline const QString kPercorso = QStringLiteral("/VARNO/ServerVARNO.DLL/soap/IServerVARNO");
inline const QString kNsEnvelope = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
inline const QString kNsEncoding = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");
inline const QString kNsXsd = QStringLiteral("http://www.w3.org/2001/XMLSchema");
inline const QString kNsXsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
} // namespace ServerVARNO

// The service address for the "IP_ADDRESS" value of the INI file: a host or IPv4 address,
// optionally with ":" and a port.
QString IndirizzoServerVARNO(const QString& ipAddress);

// The HTTP body of a SendScheda call: the UTF-8 bytes of the request document. Raises VarnoError
// when a text holds a character that XML cannot carry.
QByteArray RichiestaSendScheda(const QString& NomeUtente, const QString& Password, const QString& Scheda,
                               bool OvewriteIfExist, const QString& aInfo);

// Reads the body of a SendScheda answer as SendScheda does: the verdict, OvewriteIfExist and
// aInfo, or VarnoError for a fault or an answer not understood. Any bytes may come in.
bool LeggiRispostaSendScheda(const QByteArray& corpo, bool& OvewriteIfExist, QString& aInfo);

// The proxy of the service at one address. All calls share the connection settings and, while
// the server keeps it open, the connection.
class IServerVARNO {
public:
    explicit IServerVARNO(QString url);
    ~IServerVARNO();

    const QString& url() const { return m_url; }

    // Delivers one form (Scheda: the XML datapacket text). Returns the server's verdict;
    // OvewriteIfExist and aInfo take the values of the answer where it has them and keep theirs
    // otherwise. Every failure (address, connection, HTTP status, SOAP fault, answer not
    // understood) is raised as VarnoError with its message.
    bool SendScheda(const QString& NomeUtente, const QString& Password, const QString& Scheda,
                    bool& OvewriteIfExist, QString& aInfo);

    HttpTransport& transport() { return *m_transport; }

private:
    QString m_url;
    std::unique_ptr<HttpTransport> m_transport;
};
