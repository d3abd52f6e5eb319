#include "GifScan.h"

#include <QtEndian>

namespace {

quint16 u16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

bool frameStartsAt(const QByteArray& b, qsizetype i) {
    return i + 9 < b.size() && uchar(b[i]) == 0x21 && uchar(b[i + 1]) == 0xF9 && uchar(b[i + 2]) == 0x04 &&
           uchar(b[i + 8]) == 0x2C;
}

} // namespace

bool IsGif(const QByteArray& bytes) {
    return bytes.size() >= 5 && bytes.startsWith("GIF8");
}

int GifFrameCount(const QByteArray& bytes) {
    if (!IsGif(bytes))
        return -1;
    int count = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (frameStartsAt(bytes, i))
            ++count;
    return count;
}

QSize GifScreenSize(const QByteArray& bytes) {
    if (bytes.size() < 10)
        return QSize();
    return QSize(u16(bytes, 6), u16(bytes, 8));
}

GifFrame GifFrameAt(const QByteArray& bytes, int n) {
    GifFrame frame;
    if (n < 1)
        return frame;
    int number = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (!frameStartsAt(bytes, i) || ++number != n)
            continue;
        frame.start = i;
        const uchar packed = uchar(bytes[i + 3]);
        frame.transparent = packed & 1;
        frame.disposal = (packed >> 2) & 7;
        frame.delay = u16(bytes, i + 4);
        if (i + 17 <= bytes.size())
            frame.rect = QRect(u16(bytes, i + 9), u16(bytes, i + 11), u16(bytes, i + 13), u16(bytes, i + 15));
        break;
    }
    return frame;
}

QByteArray GifFromFrame(const QByteArray& bytes, int n) {
    if (n < 2)
        return bytes;
    const GifFrame first = GifFrameAt(bytes, 1);
    if (first.start < 0)
        return bytes;
    QByteArray reduced = bytes.left(first.start);
    const GifFrame chosen = GifFrameAt(bytes, n);
    if (chosen.start >= 0)
        reduced += bytes.mid(chosen.start);
    return reduced;
}
