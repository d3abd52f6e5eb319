#include "FormStore.h"

#include "Dataset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

QString CartellaDaInviare(const QString& exeDir) {
    return exeDir + QStringLiteral("DaInviare/");
}

QString CartellaInviati(const QString& exeDir) {
    return exeDir + QStringLiteral("Inviati/");
}

QString NomeFileScheda(const QString& squadra, const QString& schedaN, const QDate& data) {
    const QLatin1Char zero('0');
    return QStringLiteral("Sq") + squadra + QStringLiteral("_n") + schedaN + QStringLiteral("_(") +
           QStringLiteral("%1-%2-%3")
               .arg(data.day(), 2, 10, zero)
               .arg(data.month(), 2, 10, zero)
               .arg(data.year(), 4, 10, zero) +
           QStringLiteral(").VARNO");
}

QString NomeFileScheda(const Dataset& scheda) {
    return NomeFileScheda(scheda.fieldByName(QStringLiteral("S1_Squadra"))->asString(),
                          scheda.fieldByName(QStringLiteral("S1_SchedaN"))->asString(),
                          scheda.fieldByName(QStringLiteral("S1_Data"))->asDateTime().date());
}

bool CarattereNonAmmesso(QChar c) {
    return c.category() == QChar::Other_Control || QStringView(u"\\/:*?\"<>|").contains(c);
}

bool TestoAmmessoNelNome(const QString& text) {
    return std::none_of(text.begin(), text.end(), CarattereNonAmmesso);
}

QString CartellaSenzaBarra(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

void ElencaFile(const QString& folder, QStringList& list, const QString& prefix, const QString& extension) {
    list.clear();
    const QString dir = CartellaSenzaBarra(folder) + QLatin1Char('/');
    if (!QFileInfo(dir).isDir())
        return;
    // Names are compared here rather than by a name filter, which would heed case on this system.
    const QString ending = prefix + extension;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort);
    for (const QFileInfo& e : entries)
        if (e.isFile() && e.fileName().endsWith(ending, Qt::CaseInsensitive))
            list.append(e.fileName());
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

bool SpostaInInviati(const QString& exeDir, const QString& fileName, QString* error) {
    if (fileName.isEmpty() || fileName.contains(u'/') || fileName == u"." || fileName == u"..") {
        if (error)
            *error = QStringLiteral("Nome di file non valido: %1").arg(fileName);
        return false;
    }
    return SpostaFileIn(CartellaDaInviare(exeDir) + fileName, CartellaInviati(exeDir), error);
}

bool SpostaFileIn(const QString& source, const QString& folder, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString sent = folder.endsWith(u'/') ? folder : folder + u'/';
    const QString target = sent + QFileInfo(source).fileName();
    if (!QFileInfo(source).isFile())
        return fail(QStringLiteral("Il file %1 non esiste").arg(source));
    if (!QDir().mkpath(sent))
        return fail(QStringLiteral("Impossibile creare la cartella %1").arg(sent));
    // A rename within one file system replaces an earlier copy in one step; across file systems
    // the earlier copy goes first and the file is copied.
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0)
        return true;
    QFile::remove(target);
    if (QFile::rename(source, target))
        return true;
    return fail(QStringLiteral("Impossibile spostare il file %1 in %2").arg(source, sent));
}
