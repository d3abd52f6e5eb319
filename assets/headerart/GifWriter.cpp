#include "GifWriter.h"

#include <QHash>

namespace {

class BitWriter {
public:
    explicit BitWriter(QByteArray& out) : m_out(out) {}
    void put(int code, int width) {
        m_acc |= quint32(code) << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            byte(char(m_acc & 0xFF));
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    void finish() {
        if (m_bits > 0)
            byte(char(m_acc & 0xFF));
        flushBlock();
        m_out.append('\0'); // block terminator
    }

private:
    void byte(char b) {
        m_block.append(b);
        if (m_block.size() == 255)
            flushBlock();
    }
    void flushBlock() {
        if (m_block.isEmpty())
            return;
        m_out.append(char(m_block.size()));
        m_out.append(m_block);
        m_block.clear();
    }
    QByteArray& m_out;
    QByteArray m_block;
    quint32 m_acc = 0;
    int m_bits = 0;
};

void le16(QByteArray& out, int v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

// Builds an exact palette when the picture has at most 256 colours; otherwise drops low bits of
// every channel until it has.
QImage toIndexed(const QImage& source) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
    for (int drop = 0; drop < 8; ++drop) {
        const QRgb mask = qRgb(0xFF << drop & 0xFF, 0xFF << drop & 0xFF, 0xFF << drop & 0xFF);
        QHash<QRgb, int> index;
        QList<QRgb> palette;
        QImage out(rgb.size(), QImage::Format_Indexed8);
        bool fits = true;
        for (int y = 0; y < rgb.height() && fits; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uchar* line = out.scanLine(y);
            for (int x = 0; x < rgb.width(); ++x) {
                const QRgb c = (in[x] & mask) | 0xFF000000;
                auto it = index.find(c);
                if (it == index.end()) {
                    if (palette.size() == 256) {
                        fits = false;
                        break;
                    }
                    it = index.insert(c, int(palette.size()));
                    palette.append(c);
                }
                line[x] = uchar(it.value());
            }
        }
        if (fits) {
            out.setColorTable(palette);
            return out;
        }
    }
    return rgb.convertToFormat(QImage::Format_Indexed8);
}

} // namespace

QByteArray EncodeGif(const QImage& source) {
    const QImage img = toIndexed(source);
    QList<QRgb> palette = img.colorTable();
    palette.resize(256, qRgb(0, 0, 0));

    QByteArray out("GIF89a");
    le16(out, img.width());
    le16(out, img.height());
    out.append(char(0xF7)); // global colour table of 256 entries
    out.append('\0');
    out.append('\0');
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(',');
    le16(out, 0);
    le16(out, 0);
    le16(out, img.width());
    le16(out, img.height());
    out.append('\0');

    constexpr int minCode = 8, clear = 1 << minCode, eoi = clear + 1;
    out.append(char(minCode));
    BitWriter bits(out);
    QHash<quint32, int> dict;
    int next = eoi + 1, width = minCode + 1;
    bits.put(clear, width);
    int prefix = -1;
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            const int k = line[x];
            if (prefix < 0) {
                prefix = k;
                continue;
            }
            const quint32 key = (quint32(prefix) << 8) | quint32(k);
            const auto it = dict.constFind(key);
            if (it != dict.cend()) {
                prefix = it.value();
                continue;
            }
            bits.put(prefix, width);
            if (next < 4096) {
                dict.insert(key, next++);
                if (next > (1 << width) && width < 12)
                    ++width;
            } else {
                bits.put(clear, width);
                dict.clear();
                next = eoi + 1;
                width = minCode + 1;
            }
            prefix = k;
        }
    }
    if (prefix >= 0)
        bits.put(prefix, width);
    bits.put(eoi, width);
    bits.finish();
    out.append(';');
    return out;
}
