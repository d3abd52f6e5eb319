// varnotool send --server ADDRESS --user NAME --password WORD [--update] FILE...: sends form files
// to the survey server as the send dialog does, one after another, and prints the dialog's summary.
//
// ADDRESS is what "IP_ADDRESS" of Varno.Ini holds (host or address, optionally ":port"). A form
// the server holds already is updated only with --update. An accepted file moves to the sent
// folder: "Inviati" beside its folder when that folder is "DaInviare" (the program's own layout),
// "Inviati" inside its folder otherwise. A text from the server or an error stops the send: the
// lines of the forms handled before it are printed without the summary's title, the message goes
// to standard error. Exit status 1 when a form is not accepted or the send stops.

#include "Command.h"
#include "DataPacket.h"
#include "InvioSchede.h"
#include "VarnoError.h"

#include <QDir>
#include <QFileInfo>
#include <new>

namespace {

int run(const QStringList& args);
const Command command{"send", "--server ADDRESS --user NAME --password WORD [--update] FILE...", run};
const Command::Registration registration(command);

QString cartellaInviatiPer(const QString& percorso) {
    const QDir cartella = QFileInfo(percorso).absoluteDir();
    if (cartella.dirName() == QLatin1String("DaInviare"))
        return QDir::cleanPath(cartella.absoluteFilePath(QStringLiteral("../Inviati")));
    return cartella.absoluteFilePath(QStringLiteral("Inviati"));
}

QByteArray righe(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines)
        out += (l + u'\n').toLocal8Bit();
    return out;
}

int run(const QStringList& args) {
    QString server, user, password;
    bool serverSet = false, userSet = false, passwordSet = false, update = false;
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == u"--server" && hasValue) {
            server = args[++i];
            serverSet = true;
        } else if (a == u"--user" && hasValue) {
            user = args[++i];
            userSet = true;
        } else if (a == u"--password" && hasValue) {
            password = args[++i];
            passwordSet = true;
        } else if (a == u"--update") {
            update = true;
        } else if (a.startsWith(u"--")) {
            return usageError(command);
        } else {
            files.append(a);
        }
    }
    if (!serverSet || !userSet || !passwordSet || files.isEmpty())
        return usageError(command);

    int status = 0;
    QStringList risultati;
    try {
        InvioSchede invio(server);
        invio.chiediAggiornamento = [update](const QString& nome) {
            if (!update)
                writeErr(
                    QStringLiteral("La scheda \"%1\" esiste già: non aggiornata (--update per aggiornarla)")
                        .arg(nome));
            return update;
        };
        for (const QString& file : files) {
            const InvioSchede::Risultato r =
                invio.inviaScheda(file, cartellaInviatiPer(file), user, password);
            switch (r.esito) {
            case InvioSchede::Esito::Saltata:
                status = 1;
                continue;
            case InvioSchede::Esito::ErroreServer:
                writeOut(righe(risultati));
                writeErr(r.aInfo);
                return 1;
            case InvioSchede::Esito::Rifiutata:
                status = 1;
                break;
            case InvioSchede::Esito::InviataNonSpostata:
                writeErr(r.erroreSpostamento);
                break;
            case InvioSchede::Esito::Inviata:
                break;
            }
            risultati.append(r.riga);
        }
    } catch (const VarnoError& e) {
        writeOut(righe(risultati));
        writeErr(e.message());
        return 1;
    } catch (const std::bad_alloc&) {
        writeOut(righe(risultati));
        writeErr(DataPacketError::message(DataPacketError::OutOfMemory));
        return 1;
    }
    writeOut(InvioSchede::riepilogo(risultati, QStringLiteral("\n")).toLocal8Bit());
    return status;
}

} // namespace
