// varnotool export [--out FILE] [--separator CHAR] [--pictures DIR] PATH...: one CSV table of
// forms, one row per form. A PATH that is a folder stands for its *.VARNO files (not those of
// its subfolders) by name; files come in the order given. A file that does not load is reported
// on standard error and left out; the others are exported and the exit status is 1.
//
// The table goes to standard output, or replaces FILE only once it is whole on disk, so a failed
// export leaves an earlier table as it was. With --pictures each stored picture is also written
// to DIR as a file of its own.

#include "Command.h"
#include "CsvWriter.h"
#include "DataPacket.h"
#include "Dataset.h"
#include "FormStore.h"
#include "SafeFile.h"
#include "TabellaSchede.h"
#include "VarnoError.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <cstdio>
#include <new>
#include <optional>

namespace {

int run(const QStringList& args);
const Command command{"export", "[--out FILE] [--separator CHAR] [--pictures DIR] PATH...", run};
const Command::Registration registration(command);

struct Opzioni {
    QString out;
    QString cartellaImmagini;
    QChar separatore = u';';
    QStringList percorsi;
};

std::optional<Opzioni> leggiOpzioni(const QStringList& args) {
    Opzioni o;
    bool fineOpzioni = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (fineOpzioni || !a.startsWith(u"--")) {
            o.percorsi.append(a);
        } else if (a == u"--") {
            fineOpzioni = true;
        } else if (a == u"--out" && hasValue && o.out.isEmpty() && !args[i + 1].isEmpty()) {
            o.out = args[++i];
        } else if (a == u"--pictures" && hasValue && o.cartellaImmagini.isEmpty() && !args[i + 1].isEmpty()) {
            o.cartellaImmagini = args[++i];
        } else if (a == u"--separator" && hasValue) {
            const QString s = args[++i];
            if (s.size() != 1 || !CsvWriter::separatorAllowed(s[0])) {
                writeErr(
                    QStringLiteral("Separatore non valido: un solo carattere, diverso dalle virgolette e "
                                   "dall'a capo"));
                return std::nullopt;
            }
            o.separatore = s[0];
        } else {
            return std::nullopt;
        }
    }
    if (o.percorsi.isEmpty())
        return std::nullopt;
    return o;
}

// The file names of the pictures written in this run: a second picture of the same name (two
// folders holding the same form) gets "_2", "_3" ... before its extension instead of replacing
// the first.
QString nomeLibero(QSet<QString>& usati, const QString& nome) {
    QString candidato = nome;
    const qsizetype punto = nome.lastIndexOf(u'.');
    for (int n = 2; usati.contains(candidato); ++n)
        candidato = nome.left(punto) + QStringLiteral("_%1").arg(n) + nome.mid(punto);
    usati.insert(candidato);
    return candidato;
}

int run(const QStringList& args) {
    const std::optional<Opzioni> opzioni = leggiOpzioni(args);
    if (!opzioni)
        return usageError(command);
    const Opzioni& o = *opzioni;

    // The table must never take the place of a form: not of a form file, nor of a file given to read.
    const QString uscita = QFileInfo(o.out).canonicalFilePath();
    bool suUnIngresso = false;
    for (const QString& p : o.percorsi)
        suUnIngresso = suUnIngresso || (!uscita.isEmpty() && QFileInfo(p).canonicalFilePath() == uscita);
    if (o.out.endsWith(QStringLiteral(".VARNO"), Qt::CaseInsensitive) || suUnIngresso) {
        writeErr(
            QStringLiteral("Il file \"%1\" è una scheda o un file da esportare: la tabella va scritta in "
                           "un altro file")
                .arg(o.out));
        return 2;
    }
    if (!o.cartellaImmagini.isEmpty() && !QDir().mkpath(o.cartellaImmagini)) {
        writeErr(QStringLiteral("Impossibile creare la cartella \"%1\"").arg(o.cartellaImmagini));
        return 1;
    }

    std::optional<SafeFile> file;
    CsvWriter::Sink sink;
    if (!o.out.isEmpty()) {
        file.emplace(o.out);
        if (!file->open()) {
            writeErr(QStringLiteral("Impossibile creare il file \"%1\": %2").arg(o.out, file->errorString()));
            return 1;
        }
        sink = [&file](QByteArrayView b) { return file->write(b); };
    } else {
        sink = [](QByteArrayView b) {
            return std::fwrite(b.data(), 1, size_t(b.size()), stdout) == size_t(b.size());
        };
    }
    const auto uscitaFallita = [&]() {
        if (file)
            writeErr(
                QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(o.out, file->errorString()));
        else
            writeErr(QStringLiteral("Impossibile scrivere sull'uscita standard"));
        return 1;
    };

    CsvWriter csv(sink, o.separatore);
    TabellaSchede tabella(csv);
    tabella.scriviIntestazione();
    int status = 0;
    QSet<QString> nomiImmagini;
    QList<TabellaSchede::Immagine> immagini;

    const auto esporta = [&](const QString& percorso) {
        const QFileInfo info(percorso);
        Dataset scheda;
        try {
            scheda.loadFromFile(percorso);
        } catch (const VarnoError& e) {
            writeErr(percorso + QStringLiteral(": ") + e.message());
            status = 1;
            return;
        } catch (const std::bad_alloc&) {
            writeErr(percorso + QStringLiteral(": ") +
                     DataPacketError::message(DataPacketError::OutOfMemory));
            status = 1;
            return;
        }
        if (scheda.rows().isEmpty()) {
            writeErr(QStringLiteral("%1: il file non contiene alcuna scheda").arg(percorso));
            status = 1;
            return;
        }
        // Outside the try: a failure while a row is being written ends the export (the table
        // would hold half a row), and the file named by --out is left as it was.
        immagini.clear();
        tabella.scriviRighe(info.fileName(), info.absoluteDir().dirName(), scheda,
                            o.cartellaImmagini.isEmpty() ? nullptr : &immagini);
        for (const TabellaSchede::Immagine& im : immagini) {
            const QString nome =
                nomeLibero(nomiImmagini, TabellaSchede::nomeFileImmagine(info.fileName(), im.campo, im.dati));
            const QString destinazione = QDir(o.cartellaImmagini).filePath(nome);
            QString motivo;
            if (!SafeFile::replace(destinazione, im.dati, &motivo)) {
                writeErr(QStringLiteral("%1: immagine %2 non salvata in \"%3\": %4")
                             .arg(percorso, im.campo, destinazione, motivo));
                status = 1;
            }
        }
    };

    for (const QString& percorso : o.percorsi) {
        if (QFileInfo(percorso).isDir()) {
            QStringList nomi; // ElencaFile takes a folder path that ends with its separator
            ElencaFile(percorso + u'/', nomi, QString(), QStringLiteral(".VARNO"));
            for (const QString& nome : nomi) {
                esporta(QDir(percorso).filePath(nome));
                if (csv.failed())
                    return uscitaFallita();
            }
        } else {
            esporta(percorso);
        }
        if (csv.failed())
            return uscitaFallita();
    }

    if (!csv.finish())
        return uscitaFallita();
    if (file ? !file->commit() : std::fflush(stdout) != 0)
        return uscitaFallita();
    return status;
}

} // namespace
