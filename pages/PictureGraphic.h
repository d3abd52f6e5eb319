#pragma once

#include "PictureFormat.h"

#include <QByteArray>
#include <QImage>

// One picture in one format: the bytes of its file, exactly as they were read (or as the format
// wrote the picture when it was made from an image), and the decoded image. The bytes are what a
// picture field stores; they are never rewritten when the picture is only shown. A Windows
// metafile is drawn when the metafile renderer is built in; an enhanced metafile keeps its bytes
// and has no image.
class PictureGraphic {
public:
    PictureGraphic() = default; // no picture
    PictureGraphic(PictureFormat format, QByteArray bytes, QImage image);

    // Reads the bytes in the given format; raises VarnoError with the format's message when they
    // are not a picture of that format.
    static PictureGraphic decode(PictureFormat format, const QByteArray& bytes);
    // Reads the bytes in the format their content shows; raises VarnoError when they are of no
    // format we read.
    static PictureGraphic decodeByContent(const QByteArray& bytes);
    // Makes a picture of the given format (bitmap, JPEG or PNG) from an image, writing its bytes.
    static PictureGraphic fromImage(const QImage& image, PictureFormat format);

    bool isEmpty() const { return m_format == PictureFormat::None; }
    PictureFormat format() const { return m_format; }
    const QByteArray& bytes() const { return m_bytes; }
    const QImage& image() const { return m_image; }

    // The quality with which a bitmap is compressed into a JPEG picture.
    static constexpr int JpegQuality = 90;

private:
    PictureFormat m_format = PictureFormat::None;
    QByteArray m_bytes;
    QImage m_image;
};
