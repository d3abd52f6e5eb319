#pragma once

#include "PictureFormat.h"

struct DecodedPicture;

#include <QByteArray>
#include <QImage>

// One picture in one format: the bytes of its file, exactly as they were read (or as the format
// wrote the picture when it was made from an image), and the decoded image. The bytes are what a
// picture field stores; they are never rewritten when the picture is only shown. A Windows
// metafile is drawn when the metafile renderer is built in; an enhanced metafile keeps its bytes
// and has no image. A picture larger than its box may hold only the part the box shows.
class PictureGraphic {
public:
    PictureGraphic() = default; // no picture
    PictureGraphic(PictureFormat format, QByteArray bytes, QImage image);
    // The bytes as a decoding made them (the whole picture or a part of it).
    PictureGraphic(QByteArray bytes, const DecodedPicture& decoded);

    // Reads the bytes in the given format; raises VarnoError with the format's message when they
    // are not a picture of that format.
    static PictureGraphic decode(PictureFormat format, const QByteArray& bytes);
    // Makes a picture of the given format (bitmap, JPEG or PNG) from an image, writing its bytes.
    static PictureGraphic fromImage(const QImage& image, PictureFormat format);

    bool isEmpty() const { return m_format == PictureFormat::None; }
    PictureFormat format() const { return m_format; }
    const QByteArray& bytes() const { return m_bytes; }
    // What was decoded: the whole picture, or the part of it that `part()` tells.
    const QImage& image() const { return m_image; }
    QSize naturalSize() const { return m_naturalSize; }
    QRect part() const { return m_part; }
    // The whole picture at its natural size, decoded again when only a part is held; the part
    // when the whole one cannot be decoded.
    QImage fullImage() const;

    // The quality with which a bitmap is compressed into a JPEG picture.
    static constexpr int JpegQuality = 90;

private:
    PictureFormat m_format = PictureFormat::None;
    QByteArray m_bytes;
    QImage m_image;
    QSize m_naturalSize;
    QRect m_part;
};
