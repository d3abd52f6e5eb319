#include "PictureGraphic.h"

#include "PictureDecoding.h"
#include "VarnoError.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

PictureGraphic::PictureGraphic(PictureFormat format, QByteArray bytes, QImage image)
    : m_format(format), m_bytes(std::move(bytes)), m_image(std::move(image)), m_naturalSize(m_image.size()),
      m_part(QPoint(), m_naturalSize) {}

PictureGraphic::PictureGraphic(QByteArray bytes, const DecodedPicture& decoded)
    : m_format(decoded.ok() ? decoded.format : PictureFormat::None), m_bytes(std::move(bytes)),
      m_image(decoded.image), m_naturalSize(decoded.naturalSize), m_part(decoded.part) {
    if (m_format == PictureFormat::None)
        *this = PictureGraphic();
}

PictureGraphic PictureGraphic::decode(PictureFormat format, const QByteArray& bytes) {
    PictureRequest request;
    request.format = format;
    const DecodedPicture decoded = DecodePicture(bytes, request);
    if (!decoded.ok())
        throw VarnoError(decoded.error);
    return PictureGraphic(bytes, decoded);
}

QImage PictureGraphic::fullImage() const {
    if (m_image.isNull() || m_part == QRect(QPoint(), m_naturalSize))
        return m_image;
    PictureRequest request;
    request.format = m_format;
    const DecodedPicture whole = DecodePicture(m_bytes, request);
    return whole.ok() && !whole.image.isNull() ? whole.image : m_image;
}

PictureGraphic PictureGraphic::fromImage(const QImage& image, PictureFormat format) {
    if (image.isNull())
        return PictureGraphic();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const char* name = format == PictureFormat::Jpeg ? "jpeg" : format == PictureFormat::Png ? "png" : "bmp";
    QImageWriter writer(&buffer, name);
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
