#pragma once

#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

// A folder in which no further byte fits, for the tests of writers on a full disk. Two ways:
// "tmpfs" mounts a small memory file system and fills it to the brim (needs the right to mount,
// as the superuser has); "limite" lowers the process's file-size limit to nothing, with SIGXFSZ
// ignored so that a write fails with an error instead of ending the process. The folder can be
// written freely until riempi(); svuota() (or the destructor) makes room again.
class DiscoPieno {
public:
    explicit DiscoPieno(const QString& modo);
    ~DiscoPieno();
    DiscoPieno(const DiscoPieno&) = delete;
    DiscoPieno& operator=(const DiscoPieno&) = delete;

    // Empty when the folder is ready, otherwise why this way cannot be used here.
    const QString& motivo() const { return m_motivo; }
    QString cartella() const { return m_dir.path(); }
    QString percorso(const QString& nome) const { return m_dir.filePath(nome); }

    void riempi();
    void svuota();

    static QStringList modi() { return {QStringLiteral("tmpfs"), QStringLiteral("limite")}; }

private:
    QString m_modo;
    QString m_motivo;
    QTemporaryDir m_dir;
    bool m_montato = false;
    bool m_pieno = false;
    struct rlimit m_limite {};
    void (*m_gestore)(int) = nullptr;
};
