#include "SafeFile.h"

#include "NativePath.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reasonOf(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QByteArray folderOf(const QByteArray& file) {
    const qsizetype slash = file.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return file.left(slash);
}

bool syncFolderBytes(const QByteArray& folder, int* err) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *err = errno;
        return false;
    }
    // Some file systems cannot sync a folder (EINVAL); the rename is then as durable as they allow.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    if (!ok)
        *err = errno;
    ::close(fd);
    return ok;
}

} // namespace

SafeFile::SafeFile(QString path) : m_path(std::move(path)) {}

SafeFile::~SafeFile() {
    cancel();
}

bool SafeFile::fail(int err) {
    m_error = reasonOf(err);
    cancel();
    return false;
}

bool SafeFile::open() {
    cancel();
    m_error.clear();
    // Names are taken by their bytes, whatever they are (see NativePath).
    m_target = NativePath::encode(m_path);
    // A symbolic link stays a link: its target is the file replaced.
    struct stat link;
    if (::lstat(m_target.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* real = ::realpath(m_target.constData(), nullptr)) {
            m_target = QByteArray(real);
            ::free(real);
        }
    }
    m_temp = m_target + ".XXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        const int err = errno;
        m_temp.clear();
        return fail(err);
    }
    // The new file keeps the mode of the one it replaces; a new file gets the usual 0666 less umask.
    struct stat st;
    mode_t mode;
    if (::stat(m_target.constData(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(m_fd, mode);
    return true;
}

bool SafeFile::write(QByteArrayView bytes) {
    if (m_fd < 0) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("File not open");
        return false;
    }
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            return fail(ENOSPC);
        p += n;
        left -= n;
    }
    return true;
}

bool SafeFile::commit() {
    if (m_fd < 0) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("File not open");
        return false;
    }
    if (::fsync(m_fd) != 0)
        return fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(m_temp.constData());
        m_temp.clear();
        m_error = reasonOf(err);
        return false;
    }
    if (::rename(m_temp.constData(), m_target.constData()) != 0) {
        const int err = errno;
        ::unlink(m_temp.constData());
        m_temp.clear();
        m_error = reasonOf(err);
        return false;
    }
    m_temp.clear();
    int err = 0;
    if (!syncFolderBytes(folderOf(m_target), &err)) {
        // The new file is in place; only its durability is in doubt.
        m_error = reasonOf(err);
        return false;
    }
    return true;
}

void SafeFile::cancel() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
}

bool SafeFile::replace(const QString& path, QByteArrayView bytes, QString* reason) {
    SafeFile file(path);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok && reason)
        *reason = file.errorString();
    return ok;
}

bool SafeFile::syncFolder(const QString& folder, QString* reason) {
    int err = 0;
    if (syncFolderBytes(NativePath::encode(folder), &err))
        return true;
    if (reason)
        *reason = reasonOf(err);
    return false;
}
