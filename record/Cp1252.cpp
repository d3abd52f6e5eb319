#include "Cp1252.h"

namespace {

// 0x80..0x9F; the undefined positions map to the C1 control of the same number.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int encodeChar(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

// Every byte's character.
struct DecodeTable {
    char16_t ch[256] = {};
    constexpr DecodeTable() {
        for (int b = 0; b < 256; ++b)
            ch[b] = b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b);
    }
};
constexpr DecodeTable kDecode;

} // namespace

namespace Cp1252 {

QString decode(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    auto* d = reinterpret_cast<char16_t*>(out.data());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = kDecode.ch[s[i]];
    return out;
}

QByteArray encode(const QString& text) {
    if (text.isEmpty())
        return QByteArray(); // null, as it always was for no text
    QByteArray out(text.size(), Qt::Uninitialized);
    char* d = out.data();
    const auto* s = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = s[i] < 0x80 ? int(s[i]) : encodeChar(s[i]);
        d[i] = b < 0 ? '?' : char(b);
    }
    return out;
}

bool canEncode(QChar c) {
    return encodeChar(c.unicode()) >= 0;
}

bool canEncode(const QString& text) {
    for (QChar c : text)
        if (!canEncode(c))
            return false;
    return true;
}

} // namespace Cp1252
