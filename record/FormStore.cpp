#include "FormStore.h"

#include "Dataset.h"
#include "NativePath.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool EsisteFile(const QString& path, bool* cartellaLeggibile) {
    struct stat st;
    const bool found = ::lstat(NativePath::encode(path).constData(), &st) == 0;
    if (cartellaLeggibile)
        *cartellaLeggibile = found || errno == ENOENT || errno == ENOTDIR;
    return found;
}

QString CartellaIllegibile(const QString& folder) {
    return QStringLiteral("Impossibile leggere il contenuto della cartella %1")
        .arg(NativePath::display(folder));
}

bool ElencaFile(const QString& folder, QStringList& list, const QString& prefix, const QString& extension,
                QString* error) {
    list.clear();
    const QString dir = CartellaSenzaBarra(folder) + QLatin1Char('/');
    const QByteArray native = NativePath::encode(dir);
    struct stat st;
    if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return true; // a missing folder holds no forms
    DIR* d = ::opendir(native.constData());
    if (!d) {
        if (error)
            *error = CartellaIllegibile(dir);
        return false;
    }
    // Names are compared here rather than by a name filter, which would heed case on this system.
    const QString ending = prefix + extension;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QString text = NativePath::decode(name);
        if (!text.endsWith(ending, Qt::CaseInsensitive))
            continue;
        struct stat entry;
        if (::fstatat(::dirfd(d), e->d_name, &entry, 0) == 0 && S_ISREG(entry.st_mode))
            list.append(text);
    }
    ::closedir(d);
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return true;
}

bool SpostaInInviati(const QString& exeDir, const QString& fileName, QString* error) {
    if (fileName.isEmpty() || fileName.contains(u'/') || fileName == u"." || fileName == u"..") {
        if (error)
            *error = QStringLiteral("Nome di file non valido: %1").arg(NativePath::display(fileName));
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
    const QString name = source.mid(source.lastIndexOf(u'/') + 1);
    const QString target = sent + name;
    const QByteArray from = NativePath::encode(source), to = NativePath::encode(target);
    const QString shown = NativePath::display(source);
    struct stat st;
    if (name.isEmpty() || ::stat(from.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(QStringLiteral("Il file %1 non esiste").arg(shown));
    if (!QDir().mkpath(sent))
        return fail(QStringLiteral("Impossibile creare la cartella %1").arg(sent));
    const QString sourceFolder = CartellaSenzaBarra(source);
    const auto cannotMove = [&](const QString& why) {
        return fail(QStringLiteral("Impossibile spostare il file %1 in %2: %3").arg(shown, sent, why));
    };
    // Within one file system a rename replaces an earlier copy in one step.
    if (std::rename(from.constData(), to.constData()) == 0) {
        SafeFile::syncFolder(sent);
        SafeFile::syncFolder(sourceFolder.isEmpty() ? QStringLiteral(".") : sourceFolder);
        return true;
    }
    if (errno != EXDEV)
        return cannotMove(QString::fromLocal8Bit(std::strerror(errno)));
    // Across file systems: the new copy is made whole in the sent folder first (SafeFile replaces
    // the earlier one only then), and only then does the form leave the to-send folder.
    QFile in;
    const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return cannotMove(QString::fromLocal8Bit(std::strerror(errno)));
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return cannotMove(in.errorString());
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return cannotMove(in.errorString());
    in.close();
    QString reason;
    if (!SafeFile::replace(target, bytes, &reason))
        return cannotMove(reason);
    if (::unlink(from.constData()) != 0)
        return cannotMove(QString::fromLocal8Bit(std::strerror(errno)));
    SafeFile::syncFolder(sourceFolder.isEmpty() ? QStringLiteral(".") : sourceFolder);
    return true;
}
