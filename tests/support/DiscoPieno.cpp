#include "DiscoPieno.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {
constexpr const char* kRiempitivo = "riempitivo";
}

DiscoPieno::DiscoPieno(const QString& modo) : m_modo(modo) {
    if (!m_dir.isValid()) {
        m_motivo = QStringLiteral("cartella temporanea non creata");
        return;
    }
    if (m_modo == u"tmpfs") {
        const QByteArray dir = QFile::encodeName(m_dir.path());
        if (::mount("tmpfs", dir.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") != 0) {
            m_motivo = QStringLiteral("tmpfs non montabile qui: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_montato = true;
    } else if (m_modo != u"limite") {
        m_motivo = QStringLiteral("modo sconosciuto: ") + m_modo;
    }
}

DiscoPieno::~DiscoPieno() {
    svuota();
    if (m_montato)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

void DiscoPieno::riempi() {
    if (m_pieno || !m_motivo.isEmpty())
        return;
    m_pieno = true;
    if (m_montato) {
        const int fd = ::open(QFile::encodeName(percorso(QLatin1String(kRiempitivo))).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        static const char blocco[4096] = {};
        // Whole blocks first, then single bytes, until not one more fits.
        while (::write(fd, blocco, sizeof blocco) > 0) {
        }
        while (::write(fd, blocco, 1) > 0) {
        }
        ::close(fd);
        return;
    }
    m_gestore = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &m_limite);
    struct rlimit nulla = m_limite;
    nulla.rlim_cur = 0;
    ::setrlimit(RLIMIT_FSIZE, &nulla);
}

void DiscoPieno::svuota() {
    if (!m_pieno)
        return;
    m_pieno = false;
    if (m_montato) {
        QFile::remove(percorso(QLatin1String(kRiempitivo)));
        return;
    }
    ::setrlimit(RLIMIT_FSIZE, &m_limite);
    std::signal(SIGXFSZ, m_gestore);
}
