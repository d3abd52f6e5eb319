#pragma once

#include <QList>
#include <QPair>
#include <QString>

// An INI file of the Windows kind on one path: "[Section]" lines, "Key=Value" lines, comments
// starting with ';', lines ended by CR LF, LF or CR. Text is in Windows-1252, or in UTF-8 when
// the file is valid UTF-8 with bytes above 127 (as one written by hand here is); a write keeps
// the encoding and the line end it found. Only a regular file is read or written. Making the
// object does not touch the disk; every read and every write goes to the file itself, nothing
// is kept in memory between calls.
//
// Reading: section and key names match without regard to case; a missing file, section or key
// gives the default; the first section and the first key of a name count; blanks around a value
// are dropped, then one pair of enclosing single or double quotation marks; at most
// MaxValueLength characters of a value are read.
//
// Writing: the key's line is replaced (keeping the key's spelling in the file), a new key goes
// after the last key of its section, a new section at the end of the file. Every other line,
// comments and blank lines included, stays as it is, byte for byte and in its place. The file is
// replaced whole through SafeFile, so a failed or interrupted write (a full disk) leaves the old
// file byte for byte. A write that cannot be made raises VarnoError naming the file.
class IniFile {
public:
    using Pairs = QList<QPair<QString, QString>>;

    static constexpr qsizetype MaxValueLength = 2047;

    explicit IniFile(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }

    // A file that cannot be read gives the default, as a missing one does.
    QString readString(const QString& section, const QString& key, const QString& def = QString()) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    // Several keys of one section in one replacement of the file: all or none are written.
    void writeStrings(const QString& section, const Pairs& values);

private:
    QString m_path;
};
