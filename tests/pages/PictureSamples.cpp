#include "PictureSamples.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

namespace PictureSamples {

namespace {
void le16(QByteArray& out, int v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}
void le32(QByteArray& out, quint32 v) {
    le16(out, int(v & 0xFFFF));
    le16(out, int(v >> 16));
}

// LZW data of a frame filled with one colour, with a clear code before every pixel so that the
// code width stays at 3 bits.
QByteArray lzw(int pixels, int colour) {
    QByteArray packed;
    quint32 acc = 0;
    int bits = 0;
    auto put = [&](int code) {
        acc |= quint32(code) << bits;
        bits += 3;
        while (bits >= 8) {
            packed.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    for (int i = 0; i < pixels; ++i) {
        put(4);
        put(colour);
    }
    put(5);
    if (bits > 0)
        packed.append(char(acc & 0xFF));
    QByteArray blocks;
    for (qsizetype i = 0; i < packed.size(); i += 255) {
        const QByteArray part = packed.mid(i, 255);
        blocks.append(char(part.size()));
        blocks.append(part);
    }
    blocks.append('\0');
    return blocks;
}
} // namespace

QImage Sample(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter p(&image);
    p.fillRect(QRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height()), Qt::blue);
    return image;
}

QByteArray Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        qFatal("cannot write %s", format);
    return bytes;
}

QColor GifColour(int index) {
    static const QColor colours[] = {Qt::black, Qt::red, Qt::green, Qt::blue};
    return colours[index & 3];
}

QByteArray Gif(QSize screen, const QList<GifFrameSpec>& frames) {
    QByteArray out("GIF89a");
    le16(out, screen.width());
    le16(out, screen.height());
    out.append(char(0x81)); // global colour table of 4 entries
    out.append('\0');
    out.append('\0');
    for (int i = 0; i < 4; ++i) {
        const QColor c = GifColour(i);
        out.append(char(c.red()));
        out.append(char(c.green()));
        out.append(char(c.blue()));
    }
    for (const GifFrameSpec& f : frames) {
        out.append("\x21\xF9\x04", 3);
        out.append(char(f.disposal << 2));
        le16(out, f.delay);
        out.append('\0');
        out.append('\0');
        out.append(char(0x2C));
        le16(out, f.rect.x());
        le16(out, f.rect.y());
        le16(out, f.rect.width());
        le16(out, f.rect.height());
        out.append('\0');
        out.append(char(2)); // minimum code size
        out.append(lzw(f.rect.width() * f.rect.height(), f.colour));
    }
    out.append(char(0x3B));
    return out;
}

QByteArray Wmf() {
    QByteArray out;
    le32(out, 0x9AC6CDD7u); // placeable header
    le16(out, 0);
    le16(out, 0);
    le16(out, 0);
    le16(out, 1000);
    le16(out, 1000);
    le16(out, 1440);
    le32(out, 0);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(out.constData()) + i);
    le16(out, sum);
    le16(out, 1); // metafile header: in memory, 9 words, version 3
    le16(out, 9);
    le16(out, 0x0300);
    le32(out, 12);
    le16(out, 0);
    le32(out, 3);
    le16(out, 0);
    le32(out, 3); // end record
    le16(out, 0);
    return out;
}

QByteArray WmfRectangle() {
    QByteArray out;
    le32(out, 0x9AC6CDD7u);
    for (int v : {0, 0, 0, 400, 300, 1440})
        le16(out, v);
    le32(out, 0);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(out.constData()) + i);
    le16(out, sum);
    QByteArray records;
    le32(records, 7); // solid red brush
    le16(records, 0x02FC);
    le16(records, 0);
    le32(records, 0x000000FF);
    le16(records, 0);
    le32(records, 4); // selected
    le16(records, 0x012D);
    le16(records, 0);
    le32(records, 7); // rectangle: bottom, right, top, left
    for (int v : {0x041B, 200, 300, 0, 0})
        le16(records, v);
    le32(records, 3); // end
    le16(records, 0);
    le16(out, 1);
    le16(out, 9);
    le16(out, 0x0300);
    le32(out, quint32(18 + records.size()) / 2);
    le16(out, 1);
    le32(out, 7);
    le16(out, 0);
    return out + records;
}

QByteArray Emf() {
    QByteArray out;
    le32(out, 1);  // EMR_HEADER
    le32(out, 88); // size
    for (int i = 0; i < 8; ++i)
        le32(out, 0); // bounds and frame
    le32(out, 0x464D4520u);
    le32(out, 0x10000);
    le32(out, 88 + 20); // total bytes
    le32(out, 2);       // records
    while (out.size() < 88)
        out.append('\0');
    le32(out, 14); // EMR_EOF
    le32(out, 20);
    le32(out, 0);
    le32(out, 16);
    le32(out, 20);
    return out;
}

namespace {

void be16(QByteArray& out, int v) {
    out.append(char((v >> 8) & 0xFF));
    out.append(char(v & 0xFF));
}

// Entropy-coded bits, most significant first, with a zero stuffed after each 0xFF byte.
class JpegBits {
public:
    void put(quint32 value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            m_acc = (m_acc << 1) | ((value >> i) & 1);
            if (++m_bits == 8)
                flushByte();
        }
    }
    // Pads the last byte with ones.
    QByteArray finish() {
        while (m_bits != 0)
            put(1, 1);
        return m_out;
    }

private:
    void flushByte() {
        m_out.append(char(m_acc));
        if (m_acc == 0xFF)
            m_out.append('\0');
        m_acc = 0;
        m_bits = 0;
    }
    QByteArray m_out;
    quint32 m_acc = 0;
    int m_bits = 0;
};

void segment(QByteArray& out, int marker, const QByteArray& body) {
    be16(out, 0xFF00 | marker);
    be16(out, int(body.size()) + 2);
    out += body;
}

// Start of image, a quantisation table of eights, the frame header of one grey component.
QByteArray jpegStart(int sofMarker, QSize size) {
    QByteArray out("\xFF\xD8", 2);
    segment(out, 0xDB, QByteArray(1, '\0') + QByteArray(64, '\x08'));
    QByteArray frame(1, char(8));
    be16(frame, size.height());
    be16(frame, size.width());
    frame += QByteArray("\x01\x01\x11\x00", 4);
    segment(out, sofMarker, frame);
    return out;
}

// A Huffman table whose codes of length 1, 2, 3, ... are the symbols given, one per length.
QByteArray huffman(int tableClass, const QList<int>& symbols) {
    QByteArray body(1, char(tableClass << 4));
    for (int length = 1; length <= 16; ++length)
        body.append(char(length <= symbols.size() ? 1 : 0));
    for (int s : symbols)
        body.append(char(s));
    return body;
}

QByteArray scanHeader(int ss, int se) {
    QByteArray body("\x01\x01\x00", 3);
    body.append(char(ss)).append(char(se)).append('\0');
    return body;
}

int blocks(int pixels) {
    return (pixels + 7) / 8;
}

} // namespace

QByteArray ProgressiveJpegManyScans(QSize size, int acScans) {
    QByteArray out = jpegStart(0xC2, size);
    segment(out, 0xC4, huffman(0, {0}));    // DC: a difference of 0 is '0'
    segment(out, 0xC4, huffman(1, {0xE0})); // AC: a run of 2^14 + 14 bits of end-of-bands is '0'
    const int count = blocks(size.width()) * blocks(size.height());
    segment(out, 0xDA, scanHeader(0, 0));
    JpegBits dc;
    for (int i = 0; i < count; ++i)
        dc.put(0, 1);
    out += dc.finish();
    // Each AC scan: end-of-band runs of 16384 to 32767 blocks covering every block (the size must
    // leave a last run of at least 16384).
    JpegBits runs;
    for (int left = count; left > 0;) {
        const int run = std::min(left, 32767);
        runs.put(0, 1);
        runs.put(quint32(run - 16384), 14);
        left -= run;
    }
    const QByteArray acData = runs.finish();
    for (int i = 0; i < acScans; ++i) {
        const int band = 1 + i % 63;
        segment(out, 0xDA, scanHeader(band, band));
        out += acData;
    }
    out += QByteArray("\xFF\xD9", 2);
    return out;
}

QByteArray HalvesJpeg(QSize size) {
    QByteArray out = jpegStart(0xC0, size);
    // DC differences of 0, of 7 bits (64) and of 8 bits (128); AC: end of block at once.
    segment(out, 0xC4, huffman(0, {0, 7, 8}));
    segment(out, 0xC4, huffman(1, {0x00}));
    segment(out, 0xDA, scanHeader(0, 63));
    JpegBits bits;
    // The DC value of a block is its level minus 128, the quantiser 8 times an eighth of it.
    auto difference = [&](int diff) {
        if (diff == 0) {
            bits.put(0, 1);
        } else {
            const int category = qAbs(diff) >= 128 ? 8 : 7;
            bits.put(category == 7 ? 0b10 : 0b110, category == 7 ? 2 : 3);
            bits.put(quint32(diff > 0 ? diff : diff + (1 << category) - 1), category);
        }
        bits.put(0, 1); // end of block
    };
    const int across = blocks(size.width());
    int previous = 0;
    for (int row = 0; row < blocks(size.height()); ++row) {
        for (int column = 0; column < across; ++column) {
            const int dc = column < across / 2 ? -64 : 64;
            difference(dc - previous);
            previous = dc;
        }
    }
    out += bits.finish();
    out += QByteArray("\xFF\xD9", 2);
    return out;
}

} // namespace PictureSamples
