#include "PictureGraphic.h"

#include "MetafileRenderer.h"
#include "VarnoError.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace {

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

} // namespace

PictureGraphic::PictureGraphic(PictureFormat format, QByteArray bytes, QImage image)
    : m_format(format), m_bytes(std::move(bytes)), m_image(std::move(image)) {}

PictureGraphic PictureGraphic::decode(PictureFormat format, const QByteArray& bytes) {
    // Each reader takes only bytes of its own format, whatever another reader could make of them.
    if (format == PictureFormat::None || DetectPictureFormat(bytes) != format)
        throw VarnoError(InvalidPictureMessage(format));
    if (format == PictureFormat::Metafile) {
        // Enhanced metafiles, and Windows metafiles the library cannot draw, are kept without an
        // image.
        return PictureGraphic(format, bytes,
                              IsEnhancedMetafile(bytes) ? QImage() : RenderWindowsMetafile(bytes));
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, readerFormat(format));
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull())
        throw VarnoError(InvalidPictureMessage(format));
    return PictureGraphic(format, bytes, std::move(image));
}

PictureGraphic PictureGraphic::decodeByContent(const QByteArray& bytes) {
    const PictureFormat format = DetectPictureFormat(bytes);
    if (format == PictureFormat::None)
        throw VarnoError(InvalidPictureMessage(format));
    return decode(format, bytes);
}

PictureGraphic PictureGraphic::fromImage(const QImage& image, PictureFormat format) {
    if (image.isNull())
        return PictureGraphic();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, readerFormat(format));
    QImage written = image;
    if (format == PictureFormat::Jpeg) {
        writer.setQuality(JpegQuality);
        if (written.hasAlphaChannel()) {
            // JPEG has no transparency: what is transparent shows white, as on the box.
            QImage opaque(written.size(), QImage::Format_RGB32);
            opaque.fill(Qt::white);
            opaque.setDevicePixelRatio(written.devicePixelRatio());
            QPainter p(&opaque);
            p.drawImage(0, 0, written);
            written = opaque;
        }
    }
    if (!writer.write(written))
        throw VarnoError(InvalidPictureMessage(format));
    return PictureGraphic(format, bytes, image);
}
