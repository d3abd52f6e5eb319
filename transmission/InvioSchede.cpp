#include "InvioSchede.h"

#include "Cp1252.h"
#include "Dataset.h"
#include "FormStore.h"
#include "NativePath.h"

#include <QFileInfo>

InvioSchede::InvioSchede(const QString& ipAddress)
    : m_servizio(IndirizzoServerVARNO(ipAddress)), m_scratch(std::make_unique<Dataset>()) {}

InvioSchede::~InvioSchede() = default;

InvioSchede::Risultato InvioSchede::inviaScheda(const QString& percorso, const QString& cartellaInviati,
                                                const QString& NomeUtente, const QString& Password) {
    // The name as the user reads it, for the question and the summary; the file goes by its bytes.
    const QString nome = NativePath::display(QFileInfo(percorso).fileName());
    m_scratch->loadFromFile(percorso);
    QString aInfo;
    bool OvewriteIfExist = false;
    bool esito = m_servizio.SendScheda(NomeUtente, Password, Cp1252::decode(m_scratch->xmlData()),
                                       OvewriteIfExist, aInfo);
    if (aInfo.isEmpty() && !esito && OvewriteIfExist) {
        if (!chiediAggiornamento || !chiediAggiornamento(nome))
            return {Esito::Saltata, {}, {}, {}};
        // Asked once only: whatever the second answer says, it is the verdict.
        esito = m_servizio.SendScheda(NomeUtente, Password, Cp1252::decode(m_scratch->xmlData()),
                                      OvewriteIfExist, aInfo);
    }
    if (!aInfo.isEmpty())
        return {Esito::ErroreServer, {}, aInfo, {}};
    if (!esito)
        return {Esito::Rifiutata, rigaRifiutata(nome), {}, {}};
    QString errore;
    if (!SpostaFileIn(percorso, cartellaInviati, &errore))
        return {Esito::InviataNonSpostata, rigaNonSpostata(nome), {}, errore};
    return {Esito::Inviata, rigaInviata(nome), {}, {}};
}

QString InvioSchede::rigaInviata(const QString& nomeFile) {
    return QStringLiteral("   ") + nomeFile + QStringLiteral(" - [INVIATA]");
}

QString InvioSchede::rigaNonSpostata(const QString& nomeFile) {
    return QStringLiteral("   ") + nomeFile + QStringLiteral(" - [INVIATA] (non spostata)");
}

QString InvioSchede::rigaRifiutata(const QString& nomeFile) {
    return QStringLiteral("   ") + nomeFile + QStringLiteral(" - [RIFIUTATA] ");
}

QString InvioSchede::riepilogo(const QStringList& righe, const QString& fineRiga) {
    if (righe.isEmpty())
        return {};
    QString testo = QStringLiteral("RIEPILOGO INVIO SCHEDE") + fineRiga;
    for (const QString& r : righe)
        testo += r + fineRiga;
    return testo;
}

QString InvioSchede::domandaAggiornamento(const QString& nomeFile) {
    return QStringLiteral("La scheda \"") + nomeFile + QStringLiteral("\" esiste già vuoi aggiornarla?");
}
