// varnotool pdf FILE... --out OUT: the printed forms as PDF. One FILE: OUT is the PDF. Several:
// OUT is one PDF holding all of them in the order given, three sheets each, or, when OUT ends in
// "/", a folder that receives one PDF per form, named after it.

#include "Command.h"
#include "Dataset.h"
#include "StampaScheda.h"
#include "VarnoError.h"

#include <QDir>
#include <QFileInfo>

namespace {

int run(const QStringList& args);
const Command command{"pdf", "FILE... --out OUT", run, true};
const Command::Registration registration(command);

// Loads a form file; the error names the file, since several may be given.
void carica(Dataset& scheda, const QString& file) {
    try {
        scheda.loadFromFile(file);
    } catch (const VarnoError& e) {
        throw VarnoError(QStringLiteral("%1: %2").arg(file, e.message()), e.code());
    }
    if (scheda.recordCount() == 0)
        throw VarnoError(QStringLiteral("%1: il file non contiene alcuna scheda").arg(file));
}

int run(const QStringList& args) {
    QStringList files;
    QString out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--out") {
            if (i + 1 >= args.size() || !out.isEmpty())
                return usageError(command);
            out = args[++i];
        } else {
            files << args[i];
        }
    }
    if (files.isEmpty() || out.isEmpty())
        return usageError(command);

    if (out.endsWith(u'/')) {
        // One PDF per form, beside each other in the folder.
        if (!QDir().mkpath(out))
            throw VarnoError(QStringLiteral("Impossibile creare la cartella \"%1\"").arg(out));
        for (const QString& file : files) {
            Dataset scheda;
            carica(scheda, file);
            const QFileInfo info(file);
            DocumentoPdf pdf(out + info.completeBaseName() + QStringLiteral(".pdf"));
            pdf.aggiungi(scheda, info.fileName());
            pdf.chiudi();
        }
        return 0;
    }
    // A damaged file stops the tool; the PDF replaces OUT only once complete, so OUT stays as it
    // was.
    DocumentoPdf pdf(out);
    for (const QString& file : files) {
        Dataset scheda;
        carica(scheda, file);
        pdf.aggiungi(scheda, QFileInfo(file).fileName());
    }
    pdf.chiudi();
    return 0;
}

} // namespace
