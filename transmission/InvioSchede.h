#pragma once

#include "WSDL_ServerVARNO.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class Dataset;

// One send of form files to the survey server, without any window: the send dialog and
// `varnotool send` both go through it. It holds what a send needs from its first file to its
// last: the service proxy on one address and the scratch dataset into which each file is loaded.
class InvioSchede {
public:
    enum class Esito {
        Inviata,            // accepted and moved to the sent folder
        InviataNonSpostata, // accepted, but the move to the sent folder failed
        Rifiutata,          // refused by the server
        Saltata,            // the form exists on the server and the user chose not to update it
        ErroreServer,       // the server answered with a text in aInfo: the send stops
    };

    struct Risultato {
        Esito esito = Esito::Rifiutata;
        QString riga;              // the summary line; empty for Saltata and ErroreServer
        QString aInfo;             // the server's text for ErroreServer
        QString erroreSpostamento; // why the move failed, for InviataNonSpostata
    };

    // ipAddress: the "IP_ADDRESS" value of the INI file; the service address is made from it once.
    explicit InvioSchede(const QString& ipAddress);
    ~InvioSchede();

    // The update question, asked with the file's name when the server holds the form already and
    // offers to replace it; true sends the form again with OvewriteIfExist set. Unset: never update.
    std::function<bool(const QString& nomeFile)> chiediAggiornamento;

    // Loads the form file at percorso into the scratch dataset and calls SendScheda with its XML
    // datapacket, a second time when the update question is answered yes; an accepted form moves
    // into cartellaInviati. Errors (a file that does not load, a failed call, a SOAP fault) are
    // raised as VarnoError.
    Risultato inviaScheda(const QString& percorso, const QString& cartellaInviati, const QString& NomeUtente,
                          const QString& Password);

    IServerVARNO& servizio() { return m_servizio; }

    // The result lines: three blanks, the file name, the verdict.
    static QString rigaInviata(const QString& nomeFile);
    static QString rigaNonSpostata(const QString& nomeFile);
    static QString rigaRifiutata(const QString& nomeFile);
    // "RIEPILOGO INVIO SCHEDE" and the lines, each ended by fineRiga; empty without lines.
    static QString riepilogo(const QStringList& righe, const QString& fineRiga);
    // The update question's text for a file name.
    static QString domandaAggiornamento(const QString& nomeFile);

private:
    IServerVARNO m_servizio;
    std::unique_ptr<Dataset> m_scratch;
};
