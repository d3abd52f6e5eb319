#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The one way a file is replaced: the new bytes go to a temporary file in the target's folder,
// are flushed and checked, synced to the disk, renamed over the target, and the folder is synced
// so the rename itself survives a power cut. A failure at any step removes the temporary file
// and leaves the earlier file byte-identical; errorString() then says why.
//
// Either all at once:
//     QString reason;
//     if (!SafeFile::replace(path, bytes, &reason)) ...
// or streamed, for writers that never hold the whole file:
//     SafeFile out(path);
//     if (!out.open() || !out.write(a) || !out.write(b) || !out.commit()) ... out.errorString()
class SafeFile {
public:
    explicit SafeFile(QString path);
    ~SafeFile(); // an open, uncommitted file is discarded
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    bool commit();
    void cancel();

    const QString& path() const { return m_path; }
    const QString& errorString() const { return m_error; }

    static bool replace(const QString& path, QByteArrayView bytes, QString* reason = nullptr);

    // Syncs a folder's entries (a rename or a removal in it) to the disk.
    static bool syncFolder(const QString& folder, QString* reason = nullptr);

private:
    bool fail(int err);

    QString m_path;      // the file to replace, as given
    QByteArray m_target; // the file actually replaced (a symbolic link is followed), native bytes
    QByteArray m_temp;
    int m_fd = -1;
    QString m_error;
};
