#include "PictureDecoding.h"

#include "MetafileRenderer.h"

#include <QDeadlineTimer>
#include <QIODevice>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

namespace {

std::atomic<int> g_decodeCount{0};

quint16 be16(const uchar* p) {
    return qFromBigEndian<quint16>(p);
}

quint32 le32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

const char* readerFormat(PictureFormat format) {
    switch (format) {
    case PictureFormat::Bitmap:
        return "bmp";
    case PictureFormat::Icon:
        return "ico";
    case PictureFormat::Png:
        return "png";
    case PictureFormat::Jpeg:
        return "jpeg";
    case PictureFormat::Gif:
        return "gif";
    case PictureFormat::Metafile:
    case PictureFormat::None:
        break;
    }
    return nullptr;
}

// The stored bytes as a device that stops giving data once the decoding is cancelled or past its
// time. Not a QBuffer on purpose: the JPEG reader takes a QBuffer's whole data at once and would
// never ask again. A JPEG is handed out in small pieces, since a few bytes of a hostile one may
// hold many scans (the JPEG reader takes whatever a read gives; other readers want it whole).
class GuardedBytes : public QIODevice {
public:
    GuardedBytes(const QByteArray& bytes, QDeadlineTimer deadline, const std::atomic<bool>* cancel,
                 qint64 piece)
        : m_bytes(bytes), m_deadline(deadline), m_cancel(cancel), m_piece(piece) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool stopped() const { return m_stopped; }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_bytes.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_stopped || (m_cancel && m_cancel->load()) || m_deadline.hasExpired()) {
            m_stopped = true;
            return -1;
        }
        const qint64 n = std::min({maxSize, m_piece, qint64(m_bytes.size()) - pos()});
        if (n <= 0)
            return 0;
        std::memcpy(data, m_bytes.constData() + pos(), size_t(n));
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray& m_bytes;
    QDeadlineTimer m_deadline;
    const std::atomic<bool>* m_cancel;
    qint64 m_piece;
    bool m_stopped = false;
};

// The centred part of `shown` size inside a picture of `natural` size.
QRect centredPart(QSize natural, QSize shown) {
    const QSize s = natural.boundedTo(shown);
    return QRect(QPoint((natural.width() - s.width()) / 2, (natural.height() - s.height()) / 2), s);
}

// What of the natural picture a request asks for, and at what size.
struct Plan {
    QRect clip;  // in natural pixels; empty: all of it
    QSize scale; // empty: natural size
};

Plan planFor(QSize natural, const PictureRequest& request) {
    Plan plan;
    if (!natural.isValid())
        return plan;
    if (request.fitInto.isValid() &&
        (natural.width() > request.fitInto.width() || natural.height() > request.fitInto.height())) {
        plan.scale = natural.scaled(request.fitInto, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    } else if (request.shownPart.isValid() && (natural.width() > request.shownPart.width() ||
                                               natural.height() > request.shownPart.height())) {
        plan.clip = centredPart(natural, request.shownPart);
    }
    return plan;
}

// An image already decoded whole, cut or scaled as the request asks.
void applyPlan(DecodedPicture& out, const PictureRequest& request) {
    out.naturalSize = out.image.size();
    out.part = QRect(QPoint(), out.naturalSize);
    const Plan plan = planFor(out.naturalSize, request);
    if (plan.scale.isValid()) {
        out.image = out.image.scaled(plan.scale, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        out.part = QRect(QPoint(), out.image.size());
    } else if (plan.clip.isValid()) {
        out.image = out.image.copy(plan.clip);
        out.part = plan.clip;
    }
}

void allowLargePictures() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(PictureAllocationLimitMb); });
}

} // namespace

PictureLimits& CurrentPictureLimits() {
    static PictureLimits limits;
    return limits;
}

int PictureDecodeCount() {
    return g_decodeCount.load();
}

JpegLayout ScanJpeg(const QByteArray& bytes) {
    JpegLayout layout;
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return layout;
    bool frame = false;
    qsizetype at = 2;
    while (at < n) {
        // Bytes before a marker are skipped, as the library does (it only warns of them).
        if (b[at] != 0xFF) {
            ++at;
            continue;
        }
        while (at < n && b[at] == 0xFF)
            ++at;
        if (at >= n)
            break;
        const uchar marker = b[at++];
        if (marker == 0xD9) { // end of image
            layout.wellFormed = frame;
            layout.complete = frame && layout.scans > 0;
            return layout;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a segment
        if (marker == 0xD8 || marker == 0x00)
            return layout;
        if (at + 2 > n)
            break;
        const qsizetype length = be16(b + at);
        if (length < 2 || at + length > n)
            return layout; // a segment running past the bytes
        const bool sof =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            if (length < 8)
                return layout;
            frame = true;
            layout.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            layout.size = QSize(be16(b + at + 5), be16(b + at + 3));
        }
        at += length;
        if (marker != 0xDA)
            continue;
        // A scan: its entropy-coded data runs to the next marker that is neither a stuffed zero
        // nor a restart.
        if (!frame)
            return layout;
        ++layout.scans;
        while (at < n) {
            const void* ff = std::memchr(b + at, 0xFF, size_t(n - at));
            if (!ff) {
                at = n;
                break;
            }
            at = static_cast<const uchar*>(ff) - b;
            if (at + 1 >= n) {
                at = n;
                break;
            }
            const uchar next = b[at + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                at += 2;
            else if (next == 0xFF)
                ++at; // fill before a marker
            else
                break;
        }
    }
    // The bytes ended inside a segment or a scan: a truncated picture.
    layout.wellFormed = frame;
    return layout;
}

bool EnhancedMetafileWellFormed(const QByteArray& b) {
    if (!IsEnhancedMetafile(b))
        return false;
    const quint32 headerSize = le32(b, 4);
    const quint64 total = le32(b, 48);
    const quint32 records = le32(b, 52);
    if (headerSize < 88 || total > quint64(b.size()) || total < headerSize)
        return false;
    quint64 at = 0;
    quint32 count = 0;
    while (at + 8 <= total) {
        const quint32 type = le32(b, qsizetype(at));
        const quint64 size = le32(b, qsizetype(at + 4));
        if (size < 8 || size % 4 != 0 || at + size > total)
            return false;
        ++count;
        at += size;
        if (type == 14) // the end-of-file record
            return at == total && count == records;
    }
    return false;
}

DecodedPicture DecodePicture(const QByteArray& bytes, const PictureRequest& request) {
    DecodedPicture out;
    const PictureFormat content = DetectPictureFormat(bytes);
    const PictureFormat format = request.format == PictureFormat::None ? content : request.format;
    out.format = format;
    auto refuse = [&] {
        out.error = InvalidPictureMessage(format);
        out.image = QImage();
        return out;
    };
    // Each reader takes only bytes of its own format, whatever another reader could make of them.
    if (format == PictureFormat::None || content != format)
        return refuse();
    ++g_decodeCount;

    if (format == PictureFormat::Metafile) {
        if (IsEnhancedMetafile(bytes)) {
            // Kept and stored, never drawn.
            if (!EnhancedMetafileWellFormed(bytes))
                return refuse();
            return out;
        }
        if (!WindowsMetafileWellFormed(bytes))
            return refuse();
        {
            // The metafile library keeps state of its own: one drawing at a time.
            static std::mutex library;
            const std::lock_guard<std::mutex> lock(library);
            out.image = RenderWindowsMetafile(bytes);
        }
        if (!out.image.isNull())
            applyPlan(out, request);
        return out;
    }

    const PictureLimits& limits = CurrentPictureLimits();
    if (format == PictureFormat::Jpeg) {
        const JpegLayout layout = ScanJpeg(bytes);
        if (!layout.wellFormed || !layout.complete || layout.scans > limits.maxJpegScans.load())
            return refuse();
    }
    allowLargePictures();
    GuardedBytes device(bytes, QDeadlineTimer(limits.timeLimitMs.load()), request.cancel,
                        format == PictureFormat::Jpeg ? 256 : std::numeric_limits<qint64>::max());
    QImageReader reader(&device, readerFormat(format));
    reader.setAutoDetectImageFormat(false);
    const QSize natural = reader.size();
    const Plan plan = planFor(natural, request);
    if (plan.scale.isValid())
        reader.setScaledSize(plan.scale);
    else if (plan.clip.isValid())
        reader.setClipRect(plan.clip);
    out.image = reader.read();
    if (device.stopped() || out.image.isNull())
        return refuse();
    if (!natural.isValid()) {
        applyPlan(out, request);
        return out;
    }
    out.naturalSize = natural;
    out.part = plan.clip.isValid() ? plan.clip : QRect(QPoint(), out.image.size());
    return out;
}
