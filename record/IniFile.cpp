#include "IniFile.h"

#include "Cp1252.h"
#include "SafeFile.h"
#include "VarnoError.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One line of the file: its bytes as read, without the line end, and the line end itself ("\r\n",
// "\n", or nothing for a last line without one).
struct Line {
    QByteArray text;
    QByteArray eol;
};

enum class LineKind { Other, Section, Key };

struct Parsed {
    LineKind kind = LineKind::Other;
    QString name;  // section or key
    QString value; // keys only, blanks and quotation marks still on
};

// Lines end with CR LF, LF or a CR alone (as old editors write them).
QList<Line> splitLines(const QByteArray& bytes) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        if (end == bytes.size()) {
            lines.append({bytes.mid(start), QByteArray()});
            break;
        }
        const qsizetype eolSize =
            bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
        lines.append({bytes.mid(start, end - start), bytes.mid(end, eolSize)});
        start = end + eolSize;
    }
    return lines;
}

// The file's text encoding: UTF-8 when the file is valid UTF-8 and holds bytes above 127 (a file
// written by hand on a system that writes UTF-8, with or without its mark), Windows-1252
// otherwise. A write keeps the encoding it found.
enum class Encoding { Cp1252, Utf8 };

Encoding encodingOf(const QByteArray& bytes) {
    const bool high = std::any_of(bytes.begin(), bytes.end(), [](char c) { return quint8(c) > 127; });
    return high && QByteArrayView(bytes).isValidUtf8() ? Encoding::Utf8 : Encoding::Cp1252;
}

QString decodeText(const QByteArray& bytes, Encoding e) {
    return e == Encoding::Utf8 ? QString::fromUtf8(bytes) : Cp1252::decode(bytes);
}

QByteArray encodeText(const QString& text, Encoding e) {
    return e == Encoding::Utf8 ? text.toUtf8() : Cp1252::encode(text);
}

// The bytes of the file when it is a regular one. A pipe or a device at the path is never
// opened for long: it is opened without waiting, seen not to be a file, and closed.
enum class Read { Missing, NotAFile, Failed, Ok };

Read readRegular(const QString& path, QByteArray* out) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? Read::Missing : Read::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Read::NotAFile;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Read::Failed;
    }
    *out = file.readAll();
    return file.error() == QFileDevice::NoError ? Read::Ok : Read::Failed;
}

// Blanks are spaces and tabs; a no-break space belongs to the text.
QString trimBlanks(QStringView text) {
    auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    qsizetype b = 0, e = text.size();
    while (b < e && blank(text[b]))
        ++b;
    while (e > b && blank(text[e - 1]))
        --e;
    return text.mid(b, e - b).toString();
}

Parsed parse(const QByteArray& raw, Encoding e) {
    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF")) // an editor's UTF-8 mark must not hide the first section
        bytes.remove(0, 3);
    const QString line = trimBlanks(decodeText(bytes, e));
    Parsed p;
    if (line.isEmpty() || line.startsWith(u';'))
        return p;
    if (line.startsWith(u'[')) {
        const qsizetype close = line.indexOf(u']');
        p.kind = LineKind::Section;
        p.name = trimBlanks(close < 0 ? QStringView(line).mid(1) : QStringView(line).mid(1, close - 1));
        return p;
    }
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return p;
    p.kind = LineKind::Key;
    p.name = trimBlanks(QStringView(line).left(eq));
    p.value = line.mid(eq + 1);
    return p;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString cleanValue(const QString& raw) {
    QString v = trimBlanks(raw);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v.left(IniFile::MaxValueLength);
}

// A line break inside a value would end the line early and turn the rest into lines of their own.
QString oneLine(const QString& value) {
    QString v = value;
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    return v;
}

[[noreturn]] void writeError(const QString& path) {
    throw VarnoError(QStringLiteral("Unable to write to %1").arg(path));
}

} // namespace

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    QByteArray bytes;
    if (readRegular(m_path, &bytes) != Read::Ok)
        return def;
    const Encoding e = encodingOf(bytes);
    bool inSection = false;
    for (const Line& l : splitLines(bytes)) {
        const Parsed p = parse(l.text, e);
        if (p.kind == LineKind::Section) {
            if (inSection)
                break; // only the first section of the name counts
            inSection = sameName(p.name, section);
        } else if (inSection && p.kind == LineKind::Key && sameName(p.name, key)) {
            return cleanValue(p.value);
        }
    }
    return def;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    writeStrings(section, {{key, value}});
}

void IniFile::writeStrings(const QString& section, const Pairs& values) {
    const QFileInfo info(m_path);
    QByteArray old;
    if (info.exists()) {
        // A file we cannot read would be replaced by our keys alone; a read-only one is left alone
        // even by a user whom the system would let write it.
        constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        if (!info.isFile() || !info.isWritable() || !(info.permissions() & anyWrite))
            writeError(m_path);
        if (readRegular(m_path, &old) != Read::Ok)
            writeError(m_path);
    }
    const Encoding enc = encodingOf(old);

    QList<Line> lines = splitLines(old);
    QByteArray eol = "\r\n";
    for (const Line& l : lines)
        if (!l.eol.isEmpty()) {
            eol = l.eol;
            break;
        }
    auto makeLine = [&](const QString& text) { return Line{encodeText(text, enc), eol}; };

    // The first section of the name and the line after its last line.
    qsizetype head = -1, end = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Parsed p = parse(lines[i].text, enc);
        if (p.kind != LineKind::Section)
            continue;
        if (head >= 0) {
            end = i;
            break;
        }
        if (sameName(p.name, section))
            head = i;
    }
    // A line added after the last one needs the last one ended first.
    auto insertLine = [&](qsizetype at, const QString& text) {
        if (at == lines.size() && at > 0 && lines.back().eol.isEmpty())
            lines.back().eol = eol;
        lines.insert(at, makeLine(text));
    };
    if (head < 0) {
        insertLine(lines.size(), QLatin1Char('[') + section + QLatin1Char(']'));
        head = lines.size() - 1;
        end = lines.size();
    }

    for (const auto& [key, value] : values) {
        const QString v = oneLine(value);
        qsizetype found = -1, lastKey = head;
        for (qsizetype i = head + 1; i < end; ++i) {
            const Parsed p = parse(lines[i].text, enc);
            if (p.kind != LineKind::Key)
                continue;
            lastKey = i;
            if (sameName(p.name, key)) {
                lines[i].text = encodeText(p.name + QLatin1Char('=') + v, enc);
                found = i;
                break;
            }
        }
        if (found < 0) {
            insertLine(lastKey + 1, key + QLatin1Char('=') + v);
            ++end;
        }
    }

    QByteArray bytes;
    for (const Line& l : lines)
        bytes += l.text + l.eol;

    // Only bytes that reached the disk replace the file: a full disk leaves the old one as it was.
    if (!SafeFile::replace(m_path, bytes))
        writeError(m_path);
}
