#include "NativePath.h"

#include "Cp1252.h"

namespace {

constexpr char16_t kEscape = 0xDC00;

bool escaped(QChar c) {
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
}

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 when there is none.
int sequence(const unsigned char* p, qsizetype n, char32_t* code) {
    const unsigned char b = p[0];
    int len;
    char32_t c;
    if (b < 0x80) {
        *code = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    // No overlong form, no surrogate, nothing past U+10FFFF.
    if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *code = c;
    return len;
}

} // namespace

QString NativePath::decode(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        char32_t code = 0;
        const int len = sequence(p + i, n - i, &code);
        if (len == 0) {
            out.append(QChar(char16_t(kEscape + p[i])));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out.append(QChar::highSurrogate(code));
            out.append(QChar::lowSurrogate(code));
        } else {
            out.append(QChar(char16_t(code)));
        }
        i += len;
    }
    return out;
}

QByteArray NativePath::encode(const QString& path) {
    QByteArray out;
    out.reserve(path.size());
    qsizetype run = 0; // start of the text not yet encoded
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c.isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            ++i; // a pair is text, even when its second half looks like an escaped byte
            continue;
        }
        if (escaped(c)) {
            out += QStringView(path).mid(run, i - run).toUtf8();
            out += char(c.unicode() - kEscape);
            run = i + 1;
        }
    }
    out += QStringView(path).mid(run).toUtf8();
    return out;
}

QString NativePath::display(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            out += c;
            out += name[++i];
        } else if (escaped(c)) {
            out += Cp1252::decode(QByteArray(1, char(c.unicode() - kEscape)));
        } else {
            out += c;
        }
    }
    return out;
}
